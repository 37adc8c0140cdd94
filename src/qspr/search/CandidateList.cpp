#include "qspr/search/CandidateList.h"

#include <algorithm>
#include <utility>

namespace kalemir::qspr {

namespace {
constexpr std::size_t kIndexSlots = 4096; // a power of two, four times the list
}

void RankCandidates(ComputingState& cs, int rows) {
    auto& r2 = cs.CandidateR2;
    auto& sets = cs.CandidateSets;
    for (int i = 1; i < rows; ++i) {
        for (int j = i + 1; j <= rows; ++j) {
            if (r2[j] > r2[i]) {
                std::swap(r2[i], r2[j]);
                for (int c = 1; c <= kSetWidth; ++c) {
                    std::swap(sets[i][c], sets[j][c]);
                }
            }
        }
    }
}

namespace {

/// Columns 1..W of rows first..1000 move down one row and row 1001's take row `first`;
/// W known when compiled, so each row's move is a few register moves.
template <int W> void ShiftColumnsOf(std::vector<PredictorSet>& sets, int first) {
    int candidate[W];
    for (int c = 0; c < W; ++c) {
        candidate[c] = sets[kCandidateRow][c + 1];
    }
    for (int v = kCandidateRow; v > first; --v) {
        PredictorSet& to = sets[v];
        const PredictorSet& from = sets[v - 1];
        for (int c = 1; c <= W; ++c) {
            to[c] = from[c];
        }
    }
    for (int c = 0; c < W; ++c) {
        sets[first][c + 1] = candidate[c];
    }
}

template <int... W>
void ShiftColumns(std::vector<PredictorSet>& sets, int first, int width,
                  std::integer_sequence<int, W...>) {
    ((width == W + 1 ? ShiftColumnsOf<W + 1>(sets, first) : void()), ...);
}

void ShiftColumns(std::vector<PredictorSet>& sets, int first, int width) {
    ShiftColumns(sets, first, width, std::make_integer_sequence<int, kSetWidth>());
}

} // namespace

int InsertCandidate(ComputingState& cs) {
    auto& r2 = cs.CandidateR2;
    auto& sets = cs.CandidateSets;
    int q = kListRows;
    for (;;) {
        if (r2[kCandidateRow] < r2[q]) {
            break;
        }
        --q;
        if (q == 0) {
            break;
        }
    }
    if (q == kListRows) {
        return 0;
    }
    // Rows q+1..1000 move down one row and the candidate takes row q+1 (the exchanges of
    // neighbouring rows, done as one shift): columns 1..FitTermCount move, the others stay.
    const double candidateR2 = r2[kCandidateRow];
    for (int v = kCandidateRow; v >= q + 2; --v) {
        r2[v] = r2[v - 1];
    }
    r2[q + 1] = candidateR2;
    ShiftColumns(sets, q + 1, cs.FitTermCount);
    return q + 1;
}

ListedSetIndex::ListedSetIndex(int size) : size_(size), keys_(kIndexSlots), used_(kIndexSlots, 0) {}

void ListedSetIndex::Clear() {
    std::fill(used_.begin(), used_.end(), 0);
}

ListedSetIndex::Key ListedSetIndex::MakeKey(const PredictorSet& set) const {
    Key key{};
    for (int c = 1; c <= size_; ++c) {
        key[c - 1] = static_cast<std::uint16_t>(set[c]);
    }
    return key;
}

std::size_t ListedSetIndex::Slot(const Key& key) const {
    std::uint64_t h = 1469598103934665603ULL;
    for (int c = 0; c < size_; ++c) {
        h = (h ^ key[c]) * 1099511628211ULL;
    }
    return static_cast<std::size_t>(h ^ (h >> 29)) & (kIndexSlots - 1);
}

bool ListedSetIndex::IsComplete(const PredictorSet& set) const {
    for (int c = 1; c <= size_; ++c) {
        if (set[c] == 0) {
            return false;
        }
    }
    return true;
}

bool ListedSetIndex::Contains(const PredictorSet& set) const {
    const Key key = MakeKey(set);
    for (std::size_t s = Slot(key);; s = (s + 1) & (kIndexSlots - 1)) {
        if (!used_[s]) {
            return false;
        }
        if (keys_[s] == key) {
            return true;
        }
    }
}

void ListedSetIndex::Insert(const PredictorSet& set) {
    const Key key = MakeKey(set);
    std::size_t s = Slot(key);
    while (used_[s]) {
        if (keys_[s] == key) {
            return;
        }
        s = (s + 1) & (kIndexSlots - 1);
    }
    keys_[s] = key;
    used_[s] = 1;
}

void ListedSetIndex::Erase(const PredictorSet& set) {
    const Key key = MakeKey(set);
    std::size_t s = Slot(key);
    while (used_[s] && keys_[s] != key) {
        s = (s + 1) & (kIndexSlots - 1);
    }
    if (!used_[s]) {
        return;
    }
    // Backward-shift deletion keeps every probe chain unbroken.
    used_[s] = 0;
    std::size_t hole = s;
    for (std::size_t next = (s + 1) & (kIndexSlots - 1); used_[next];
         next = (next + 1) & (kIndexSlots - 1)) {
        const std::size_t home = Slot(keys_[next]);
        const bool between =
            hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (!between) {
            keys_[hole] = keys_[next];
            used_[hole] = 1;
            used_[next] = 0;
            hole = next;
        }
    }
}

} // namespace kalemir::qspr
