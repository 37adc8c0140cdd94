#include "qspr/core/NormalEquations.h"

#include "common/ComputingWindow.h"

#include <algorithm>

namespace kalemir::qspr {

namespace {

/// A copy of a few doubles in place: a call to the library's block copy for each row of
/// a small system costs more than the copy itself.
inline void CopyShort(const double* first, const double* last, double* into) {
    for (; first != last; ++first, ++into) {
        *into = *first;
    }
}

/// Pivot i of the elimination, with the pivot used (0 taken as 1e-6). Each entry is
/// rewritten from the entries before it, one division or one product and difference per
/// entry. Columns 1..i are never read again after pivot i (the later pivots read their
/// own column, the columns after it and the right-hand side), so they are left as they
/// are: the right-hand side gets the same bits.
double EliminatePivot(NormalMatrix& normal, int k, int i) {
    double pivot = normal[i][i];
    if (pivot == 0) {
        pivot = 1e-6;
    }
    for (int j = i + 1; j <= k + 1; ++j) {
        normal[i][j] = normal[i][j] / pivot;
    }
    for (int r = 1; r <= k; ++r) {
        if (r == i) {
            continue;
        }
        const double f = normal[r][i];
        for (int j = i + 1; j <= k + 1; ++j) {
            normal[r][j] = normal[r][j] - f * normal[i][j];
        }
    }
    return pivot;
}

} // namespace

void CopySystem(const NormalMatrix& from, NormalMatrix& to, int k) {
    for (int i = 1; i <= k; ++i) {
        CopyShort(&from[i][1], &from[i][1] + k + 1, &to[i][1]);
    }
}

void SolveNormalEquationsFrom(NormalMatrix& normal, int k, int first, ComputingWindow& window) {
    for (int i = first; i <= k; ++i) {
        window.Yield();
        EliminatePivot(normal, k, i);
    }
}

void SolveNormalEquations(NormalMatrix& normal, int k, ComputingWindow& window) {
    SolveNormalEquationsFrom(normal, k, 1, window);
}

void GatherNormal(const CrossProductCache& cache, const PredictorSet& set, int k,
                  NormalMatrix& normal) {
    const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
    for (int i = 1; i <= k; ++i) {
        const int ci = set[i];
        for (int j = 1; j <= k; ++j) {
            const int cj = set[j];
            normal[i][j] = ci != 0 && cj != 0 ? cache.Gram[ci * width + cj] : 0.0;
        }
        normal[i][k + 1] = ci != 0 ? cache.Property[ci] : 0.0;
    }
}

void KeptElimination::Eliminate(const CrossProductCache& cache, const PredictorSet& kept,
                                int size) {
    size_ = size;
    kept_ = kept;
    const std::size_t plane = static_cast<std::size_t>(size + 1) * (size + 2);
    stages_.assign(plane * (size + 1), 0.0);
    pivots_.assign(static_cast<std::size_t>(size) + 1, 0.0);
    factors_.assign(static_cast<std::size_t>(size + 1) * (size + 1), 0.0);
    NormalMatrix a;
    GatherNormal(cache, kept, size, a);
    auto store = [&](int m) {
        double* into = stages_.data() + plane * m;
        for (int r = 1; r <= size; ++r) {
            std::copy(&a[r][1], &a[r][1] + size + 1, into + r * (size + 2) + 1);
        }
    };
    store(0);
    for (int i = 1; i <= size; ++i) {
        // Column i before the pivot: the multiples the other rows take of pivot row i.
        for (int r = 1; r <= size; ++r) {
            factors_[static_cast<std::size_t>(i) * (size + 1) + r] = a[r][i];
        }
        pivots_[i] = EliminatePivot(a, size, i);
        store(i);
    }
}

int KeptElimination::PlaceOf(const CrossProductCache& cache, const PredictorSet& set, int d) const {
    const int k = size_ + 1;
    int place = 0;
    for (int q = 1, kq = 1; q <= k; ++q) {
        if (set[q] == d && place == 0) {
            place = q;
        } else if (kq > size_ || set[q] != kept_[kq++]) {
            return 0;
        }
    }
    return d >= 1 && d <= cache.S ? place : 0;
}

void KeptElimination::FillKept(const CrossProductCache& cache, int d, int place,
                               NormalMatrix& normal, NormalMatrix* gathered) const {
    const int k = size_ + 1;
    const int done = place - 1; // pivots taken over from the kept set
    auto keptIndex = [&](int q) { return q < place ? q : q - 1; };
    // The kept entries of the live columns after `done` pivots: columns done+1..k of the
    // set are kept columns done+1..place-1 and place..size, then the right-hand side.
    for (int q = 1; q <= k; ++q) {
        if (q == place) {
            continue;
        }
        const double* stage =
            &stages_[(static_cast<std::size_t>(done) * (size_ + 1) + keptIndex(q)) * (size_ + 2)];
        double* into = normal[q];
        CopyShort(stage + place, stage + size_ + 2, into + place + 1);
    }
    if (gathered == nullptr) {
        return;
    }
    // The gathered system: the kept one as first read, then d's row and column (the
    // cross products are symmetric bit for bit, so d's row is read down the kept rows at
    // column d: for the trials of one kept set, d after d, those reads run along the same
    // few rows instead of jumping to a new row of the large matrix each time).
    const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
    for (int q = 1; q <= k; ++q) {
        if (q == place) {
            continue;
        }
        const double* read = &stages_[static_cast<std::size_t>(keptIndex(q)) * (size_ + 2)];
        double* into = (*gathered)[q];
        CopyShort(read + 1, read + place, into + 1);
        CopyShort(read + place, read + size_ + 2, into + place + 1);
        const double entry = cache.Gram[kept_[keptIndex(q)] * width + d];
        into[place] = entry;
        (*gathered)[place][q] = entry;
    }
    (*gathered)[place][place] = cache.Gram[d * width + d];
    (*gathered)[place][k + 1] = cache.Property[d];
}

int KeptElimination::Start(const CrossProductCache& cache, const PredictorSet& set, int d,
                           NormalMatrix& normal, NormalMatrix& gathered) const {
    const int k = size_ + 1;
    const int place = PlaceOf(cache, set, d);
    if (place == 0) {
        GatherNormal(cache, set, k, normal);
        CopySystem(normal, gathered, k);
        return 1;
    }
    FillKept(cache, d, place, normal, &gathered);
    const int done = place - 1;
    auto keptIndex = [&](int q) { return q < place ? q : q - 1; };
    // d's column and row as gathered, held by kept row and column (the right-hand side
    // is kept column size+1, d's own diagonal entry apart), then carried through the
    // pivots before d's place in the elimination's own steps.
    const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
    double column[kSetWidth + 2];
    double row[kSetWidth + 2];
    for (int r = 1; r <= size_; ++r) {
        column[r] = cache.Gram[kept_[r] * width + d];
        row[r] = column[r];
    }
    row[size_ + 1] = cache.Property[d];
    double diagonal = cache.Gram[d * width + d];
    for (int i = 1; i <= done; ++i) {
        // Pivot row i (kept row i) is divided by the kept pivot, d's column included;
        // every other row takes its multiple of it.
        column[i] = column[i] / pivots_[i];
        const double divided = column[i];
        const double* factor = &factors_[static_cast<std::size_t>(i) * (size_ + 1)];
        for (int r = 1; r <= size_; ++r) {
            column[r] = column[r] - factor[r] * divided;
        }
        column[i] = divided; // the pivot row itself is only divided
        const double f = row[i];
        const double* pivotRow =
            &stages_[(static_cast<std::size_t>(i) * (size_ + 1) + i) * (size_ + 2)];
        for (int c = i + 1; c <= size_ + 1; ++c) {
            row[c] = row[c] - f * pivotRow[c];
        }
        diagonal = diagonal - f * divided;
    }
    for (int q = 1; q <= k; ++q) {
        if (q != place) {
            normal[q][place] = column[keptIndex(q)];
        }
    }
    normal[place][place] = diagonal;
    for (int c = place + 1; c <= k + 1; ++c) {
        normal[place][c] = row[c - 1];
    }
    return place;
}

void KeptElimination::CarryLanes(Carried& carried, const int* done, int lo, int hi) const {
    // Each pivot works on the lanes that still take it: with the counts not falling,
    // those from `from` on. Lane by lane the entries see the steps of Start in its order.
    int from = lo;
    for (int i = 1; i <= done[hi - 1]; ++i) {
        while (done[from] < i) {
            ++from;
        }
        const double pivot = pivots_[i];
        const double* factor = &factors_[static_cast<std::size_t>(i) * (size_ + 1)];
        const double* pivotRow =
            &stages_[(static_cast<std::size_t>(i) * (size_ + 1) + i) * (size_ + 2)];
        double divided[Carried::kLanes];
        double* pivotColumn = carried.Column[i];
        for (int l = from; l < hi; ++l) {
            divided[l] = pivotColumn[l] / pivot;
        }
        for (int r = 1; r <= size_; ++r) {
            if (r == i) {
                continue;
            }
            const double f = factor[r];
            double* column = carried.Column[r];
            for (int l = from; l < hi; ++l) {
                column[l] = column[l] - f * divided[l];
            }
        }
        for (int l = from; l < hi; ++l) {
            pivotColumn[l] = divided[l];
        }
        const double* f = carried.Row[i];
        for (int c = i + 1; c <= size_ + 1; ++c) {
            const double p = pivotRow[c];
            double* row = carried.Row[c];
            for (int l = from; l < hi; ++l) {
                row[l] = row[l] - f[l] * p;
            }
        }
        for (int l = from; l < hi; ++l) {
            carried.Diagonal[l] = carried.Diagonal[l] - f[l] * divided[l];
        }
    }
}

void KeptElimination::Carry(const CrossProductCache& cache, const PredictorSet* const* sets,
                            const int* added, int count, Carried& carried) const {
    carried.Count = count;
    const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
    int done[Carried::kLanes];
    bool rising = true;
    for (int l = 0; l < count; ++l) {
        const int d = added[l];
        const int place = PlaceOf(cache, *sets[l], d);
        carried.Place[l] = place;
        done[l] = place > 0 ? place - 1 : 0;
        rising = rising && (l == 0 || done[l] >= done[l - 1]);
        if (place == 0) {
            continue;
        }
        for (int r = 1; r <= size_; ++r) {
            const double entry = cache.Gram[kept_[r] * width + d];
            carried.Column[r][l] = entry;
            carried.Row[r][l] = entry;
        }
        carried.Row[size_ + 1][l] = cache.Property[d];
        carried.Diagonal[l] = cache.Gram[d * width + d];
    }
    for (int l = 0; l < count; ++l) {
        if (carried.Place[l] == 0) {
            // Lanes Start gathers whole are not carried: their entries stay unset.
            for (int r = 1; r <= size_ + 1; ++r) {
                carried.Row[r][l] = 0;
                if (r <= size_) {
                    carried.Column[r][l] = 0;
                }
            }
            carried.Diagonal[l] = 0;
        }
    }
    if (count == 0) {
        return;
    }
    if (rising) {
        CarryLanes(carried, done, 0, count);
    } else {
        for (int l = 0; l < count; ++l) {
            CarryLanes(carried, done, l, l + 1);
        }
    }
}

int KeptElimination::StartCarried(const CrossProductCache& cache, const PredictorSet& set, int d,
                                  CarriedLane carriedLane, NormalMatrix& normal,
                                  NormalMatrix* gathered) const {
    const Carried& carried = carriedLane.From;
    const int lane = carriedLane.Lane;
    const int k = size_ + 1;
    const int place = carried.Place[lane];
    if (place == 0) {
        GatherNormal(cache, set, k, normal);
        if (gathered != nullptr) {
            CopySystem(normal, *gathered, k);
        }
        return 1;
    }
    FillKept(cache, d, place, normal, gathered);
    for (int q = 1; q <= k; ++q) {
        if (q != place) {
            normal[q][place] = carried.Column[q < place ? q : q - 1][lane];
        }
    }
    normal[place][place] = carried.Diagonal[lane];
    for (int c = place + 1; c <= k + 1; ++c) {
        normal[place][c] = carried.Row[c - 1][lane];
    }
    return place;
}

void KeptElimination::GramTimes(const CrossProductCache& cache, int d, int place,
                                const NormalMatrix& solved, double* rows) const {
    const int k = size_ + 1;
    const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
    // Row j of the gathered system is kept row j (j before the place) or j - 1 (after it)
    // with d's entry put in at the place; row `place` is d's column and its diagonal.
    double column[kSetWidth + 2];
    for (int r = 1; r <= size_; ++r) {
        column[r] = cache.Gram[kept_[r] * width + d];
    }
    const double diagonal = cache.Gram[d * width + d];
    for (int i = 1; i <= k; ++i) {
        rows[i] = 0;
    }
    for (int j = 1; j <= k; ++j) {
        const double bj = solved[j][k + 1];
        if (j == place) {
            for (int i = 1; i < place; ++i) {
                rows[i] = rows[i] + column[i] * bj;
            }
            rows[place] = rows[place] + diagonal * bj;
            for (int i = place + 1; i <= k; ++i) {
                rows[i] = rows[i] + column[i - 1] * bj;
            }
            continue;
        }
        const int kj = j < place ? j : j - 1;
        const double* g = &stages_[static_cast<std::size_t>(kj) * (size_ + 2)];
        for (int i = 1; i < place; ++i) {
            rows[i] = rows[i] + g[i] * bj;
        }
        rows[place] = rows[place] + column[kj] * bj;
        for (int i = place + 1; i <= k; ++i) {
            rows[i] = rows[i] + g[i - 1] * bj;
        }
    }
}

} // namespace kalemir::qspr
