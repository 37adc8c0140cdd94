#include "qspr/core/Fit.h"

#include "common/ComputingWindow.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/CrossProducts.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace kalemir::qspr {

namespace {

/// The unit roundoff of double and the usual bound gamma_j = j u / (1 - j u) on the
/// relative error of j rounded operations.
constexpr double kUnit = 0x1p-53;
double Gamma(int j) {
    return j * kUnit / (1 - j * kUnit);
}

} // namespace

double QualityQ(double r2, int n, int k) {
    if (!(r2 > 0)) {
        return 0;
    }
    const double ratio = static_cast<double>(n - k) / static_cast<double>(n + k);
    return std::sqrt(r2 / (1 - r2)) * (ratio * ratio);
}

void PrepareCrossProducts(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                          SearchState& search, WorkerPool* pool) {
    const int n = cycle.CalibrationCount;
    const int s = descriptors.SignificantCount;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    CrossProductCache& cache = search.Cross;
    if (cache.Valid && cache.DataVersion == descriptors.DataVersion && cache.N == n &&
        cache.S == s) {
        return;
    }
    const std::size_t width = static_cast<std::size_t>(s) + 2; // property in column s+1
    // The columns laid out molecule by molecule, a block of molecules on each worker, in a
    // buffer kept from level to level (a large table's copy takes long to allocate). Only
    // rows 1..n of columns 1..s+1 are read.
    std::vector<double>& rows = cache.RowScratch;
    rows.resize(width * (static_cast<std::size_t>(n) + 1));
    // The columns with their means added back, as every estimate takes them.
    const int last = n + cycle.PredictionCount;
    const std::size_t stride = static_cast<std::size_t>(n) + 1;
    cache.Uncentred.resize(stride * (static_cast<std::size_t>(s) + 1));
    const double* y = dm.Column(kPropertyColumn);
    constexpr int kCopyRows = 64;
    auto copy = [&](int firstBlock, int endBlock, int) {
        for (int block = firstBlock; block < endBlock; ++block) {
            const int from = 1 + block * kCopyRows;
            const int to = std::min(n, from + kCopyRows - 1);
            for (int a = 1; a <= s + 1; ++a) {
                const double* x = a <= s ? dm.Column(a) : y;
                for (int i = from; i <= to; ++i) {
                    rows[static_cast<std::size_t>(i) * width + a] = x[i];
                }
                if (a <= s) {
                    const double mean = dm.At(last + 1, a);
                    double* uncentred =
                        cache.Uncentred.data() + static_cast<std::size_t>(a) * stride;
                    for (int i = from; i <= to; ++i) {
                        uncentred[i] = x[i] + mean;
                    }
                }
            }
        }
    };
    const int blocks = (n + kCopyRows - 1) / kCopyRows;
    ForEachOn(pool, blocks, 4, copy);
    std::vector<double>& all = cache.ProductScratch;
    SymmetricCrossProducts(rows, n, s + 1, all, pool);
    cache.Gram.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.0);
    cache.Property.assign(static_cast<std::size_t>(s) + 1, 0.0);
    for (int a = 1; a <= s; ++a) {
        for (int b = 1; b <= s; ++b) {
            cache.Gram[static_cast<std::size_t>(a) * (s + 1) + b] =
                all[static_cast<std::size_t>(a) * width + b];
        }
        cache.Property[a] = all[static_cast<std::size_t>(a) * width + s + 1];
    }
    // The observed values and the sums the correlation routine makes of them.
    const double mean = dm.At(last + 1, kPropertyColumn);
    cache.Observed.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        cache.Observed[i] = y[i] + mean;
    }
    const CentredSums observed = CentredSumsOf(cache.Observed.data() + 1, n);
    cache.ObservedMean = observed.Mean;
    cache.ObservedSyy = observed.Squares;
    // Sizes for the rounding allowances of FitR2BoundOfSolved.
    const double gamma = Gamma(n + 2);
    auto offset = [&](const double* x) {
        double total = 0;
        double absolute = 0;
        double largest = 0;
        for (int i = 1; i <= n; ++i) {
            total += x[i];
            absolute += std::fabs(x[i]);
            largest = std::max(largest, std::fabs(x[i]));
        }
        return std::pair{(std::fabs(total) + gamma * absolute) / n * (1 + 8 * kUnit), largest};
    };
    cache.Magnitude.assign(static_cast<std::size_t>(s) + 1, 0.0);
    cache.MeanOffset.assign(static_cast<std::size_t>(s) + 1, 0.0);
    cache.Means.assign(static_cast<std::size_t>(s) + 1, 0.0);
    cache.RootSquares.assign(static_cast<std::size_t>(s) + 1, 0.0);
    for (int a = 1; a <= s; ++a) {
        const auto [meanOffset, largest] = offset(dm.Column(a));
        cache.MeanOffset[a] = meanOffset;
        cache.Magnitude[a] = largest + std::fabs(dm.At(last + 1, a));
        cache.Means[a] = dm.At(last + 1, a);
        cache.RootSquares[a] = std::sqrt(cache.Gram[static_cast<std::size_t>(a) * (s + 1) + a]);
    }
    const auto [meanOffset, largest] = offset(y);
    cache.PropertyMeanOffset = meanOffset;
    cache.PropertyMagnitude = largest + std::fabs(mean);
    cache.PropertySquares = all[static_cast<std::size_t>(s + 1) * width + s + 1];
    cache.S = s;
    cache.N = n;
    cache.DataVersion = descriptors.DataVersion;
    cache.Valid = true;
}

namespace {

/// A zero column long enough for any molecule row.
const double* ZeroColumn() {
    static const std::vector<double> zeros(static_cast<std::size_t>(kMaxMolecules) + 8, 0.0);
    return zeros.data();
}

bool CacheUsable(const FitProblem& problem, const PredictorSet& set, int k) {
    const CrossProductCache& cache = problem.Cross;
    if (!cache.Valid || cache.DataVersion != problem.Descriptors.DataVersion ||
        cache.N != problem.CalibrationCount) {
        return false;
    }
    for (int i = 1; i <= k; ++i) {
        if (set[i] > cache.S) {
            return false;
        }
    }
    return true;
}

/// Coefficients from the solved system and the intercept from the means.
void TakeCoefficients(const NormalMatrix& normal, int k, FitResult& fit) {
    double weighted = 0;
    for (int i = 1; i <= k; ++i) {
        fit.Coefficients[i] = normal[i][k + 1];
        weighted += fit.Coefficients[i] * fit.Means[i];
    }
    fit.Intercept = fit.Means[k + 1] - weighted;
}

/// The stored means of the set's columns (0 for an empty entry) and of the property.
void TakeMeans(const FitProblem& problem, const PredictorSet& set, int k, FitResult& fit) {
    const int last = problem.CalibrationCount + problem.PredictionCount;
    const DescriptorMatrixStore& dm = problem.Descriptors.DescriptorMatrix;
    fit.K = k;
    for (int i = 1; i <= k; ++i) {
        const int c = set[i];
        fit.Means[i] = c != 0 ? dm.At(last + 1, c) : 0.0;
    }
    fit.Means[k + 1] = dm.At(last + 1, kPropertyColumn);
}

/// With `Solved`, the coefficients are taken from that system, already solved from the
/// cross products (the same gather and elimination: the same doubles).
/// The set, its size and, when given, its system solved from the cross products.
struct FitRequest {
    const PredictorSet& Set;
    int K = 0;
    const NormalMatrix* Solved = nullptr;
};

/// The fit of the request into fit and pair: coefficients, the estimates of the
/// calibration molecules and their correlation with the observed values.
void ComputeFit(const FitProblem& problem, const FitRequest& request, ComputingWindow& window,
                FitResult& fit, PairCorrelation& pair) {
    const PredictorSet& set = request.Set;
    const int k = request.K;
    const NormalMatrix* solved = request.Solved;
    const CrossProductCache& cross = problem.Cross;
    const int n = problem.CalibrationCount;
    const DescriptorMatrixStore& dm = problem.Descriptors.DescriptorMatrix;
    TakeMeans(problem, set, k, fit);
    const double* columns[kSetWidth + 2];
    for (int i = 1; i <= k; ++i) {
        const int c = set[i];
        columns[i] = c != 0 ? dm.Column(c) : ZeroColumn();
    }
    const double* property = dm.Column(kPropertyColumn);
    columns[k + 1] = property;

    NormalMatrix normal;
    const bool cached = CacheUsable(problem, set, k);
    if (cached && solved != nullptr) {
        // Solved already from the same gather.
    } else if (cached) {
        GatherNormal(cross, set, k, normal);
    } else {
        for (int i = 1; i <= k; ++i) {
            for (int j = 1; j <= k + 1; ++j) {
                const double* a = columns[i];
                const double* b = columns[j];
                double sum = 0;
                for (int m = 1; m <= n; ++m) {
                    sum += a[m] * b[m];
                }
                normal[i][j] = sum;
            }
        }
    }
    if (cached && solved != nullptr) {
        TakeCoefficients(*solved, k, fit);
    } else {
        SolveNormalEquations(normal, k, window);
        TakeCoefficients(normal, k, fit);
    }

    // Estimates of the calibration molecules against their observed values.
    double* estimate = pair.X.data();
    for (int m = 1; m <= n; ++m) {
        estimate[m] = fit.Intercept;
    }
    for (int i = 1; i <= k; ++i) {
        const double b = fit.Coefficients[i];
        if (cached && set[i] != 0) {
            // The column with its mean added back is kept beside the cross products.
            const double* x = cross.Uncentred.data() +
                              static_cast<std::size_t>(set[i]) * (static_cast<std::size_t>(n) + 1);
            for (int m = 1; m <= n; ++m) {
                estimate[m] = estimate[m] + b * x[m];
            }
            continue;
        }
        const double mean = fit.Means[i];
        const double* x = columns[i];
        for (int m = 1; m <= n; ++m) {
            estimate[m] = estimate[m] + b * (x[m] + mean);
        }
    }
    pair.SignedR2 = 1;
    pair.FitTermCount = k;
    if (cached) {
        std::memcpy(pair.Y.data() + 1, cross.Observed.data() + 1,
                    static_cast<std::size_t>(n) * sizeof(double));
        CorrelateWithFixedY(pair, pair.X.data(),
                            {pair.Y.data(), n, cross.ObservedMean, cross.ObservedSyy}, window);
    } else {
        const double meanY = fit.Means[k + 1];
        for (int m = 1; m <= n; ++m) {
            pair.Y[m] = property[m] + meanY;
        }
        CorrelatePair(pair, n, window);
    }
    pair.SignedR2 = 0;
}

} // namespace

FitResult FitHalfSet(const FitProblem& problem, const PredictorSet& set, int k, int rows,
                     std::vector<double>& design, ComputingWindow& window) {
    const int n = rows;
    const DescriptorMatrixStore& dm = problem.Descriptors.DescriptorMatrix;
    FitResult fit;
    fit.K = k;
    // Centred values go to the design columns 1..K+1 (K+1 the property).
    const std::size_t height = static_cast<std::size_t>(n) + 1;
    if (design.size() < height * (kSetWidth + 2)) {
        design.resize(height * (kSetWidth + 2));
    }
    auto column = [&](int i) { return design.data() + static_cast<std::size_t>(i) * height; };
    for (int i = 1; i <= k + 1; ++i) {
        double* into = column(i);
        const int c = i <= k ? set[i] : kPropertyColumn;
        if (c == 0) {
            std::fill(into, into + height, 0.0);
            fit.Means[i] = 0;
            continue;
        }
        const double* x = dm.Column(c);
        double sum = 0;
        bool constant = true;
        for (int m = 1; m <= n; ++m) {
            sum += x[m];
            constant = constant && x[m] == x[1];
        }
        const double mean = sum / n;
        fit.Means[i] = mean;
        for (int m = 1; m <= n; ++m) {
            into[m] = (constant && i <= k) ? 0.0 : x[m] - mean;
        }
    }
    double normal[kSetWidth + 1][kSetWidth + 2];
    for (int i = 1; i <= k; ++i) {
        for (int j = 1; j <= k + 1; ++j) {
            const double* a = column(i);
            const double* b = column(j);
            double sum = 0;
            for (int m = 1; m <= n; ++m) {
                sum += a[m] * b[m];
            }
            normal[i][j] = sum;
        }
    }
    SolveNormalEquations(normal, k, window);
    double weighted = 0;
    for (int i = 1; i <= k; ++i) {
        fit.Coefficients[i] = normal[i][k + 1];
        weighted += fit.Coefficients[i] * fit.Means[i];
    }
    fit.Intercept = fit.Means[k + 1] - weighted;
    return fit;
}

namespace {

/// Vectors of four and of two doubles: the molecules of a lane in a block, or the lanes
/// of a molecule.
using Quad = double __attribute__((vector_size(4 * sizeof(double))));
using Duo = double __attribute__((vector_size(2 * sizeof(double))));
static_assert(kFitLanes % 4 == 0, "lanes go in groups of a register's doubles");

/// What the lane sums start from: each lane's columns with their means added back (rows
/// 1..n), coefficients and intercept.
struct LaneInputs {
    int K = 0; ///< predictors of every lane
    const double* Columns[kSetWidth + 1][kFitLanes];
    double Coefficients[kSetWidth + 1][kFitLanes];
    double Intercept[kFitLanes];
};

/// The sums of the correlation routine, one per lane.
struct LaneSums {
    double Sxy[kFitLanes];
    double Sxx[kFitLanes];
    double D[kFitLanes];
};

std::atomic<bool> plainLanesOnly{false};

/// Each lane's estimates of the calibration molecules and their correlation sums against
/// the observed values y (mean meanY), each sum over the molecules in order, each
/// estimate the intercept plus the terms in the order of the set: the operations
/// ComputeFit and CorrelateWithFixedY make, lane by lane. `estimates` holds n + 1 lane
/// vectors.
/// kWidth: the doubles of one register (2 on SSE2, 4 on AVX2).
template <int kWidth>
[[gnu::always_inline]] inline void SumLanesBody(const LaneInputs& in, const FixedSeries& observed,
                                                double* estimates, LaneSums& out) {
    const int k = in.K;
    const double* y = observed.Values;
    const int n = observed.N;
    const double meanY = observed.Mean;
    using Part = std::conditional_t<kWidth == 2, Duo, Quad>;
    static_assert(sizeof(Part) == kWidth * sizeof(double), "a register's doubles");
    // Estimates a block of kWidth molecules at a time: for each group of kWidth lanes,
    // each lane's estimates of the block from whole vectors of its columns, then turned
    // (a kWidth x kWidth transpose) so that each molecule's vector holds the group's lanes
    // side by side.
    const int blocked = n - n % kWidth;
    for (int m0 = 1; m0 <= blocked; m0 += kWidth) {
        for (int g = 0; g < kFitLanes; g += kWidth) {
            Part e[kWidth];
            for (int l = 0; l < kWidth; ++l) {
                double intercept[kWidth];
                for (int q = 0; q < kWidth; ++q) {
                    intercept[q] = in.Intercept[g + l];
                }
                __builtin_memcpy(&e[l], intercept, sizeof e[l]);
            }
            for (int i = 1; i <= k; ++i) {
                for (int l = 0; l < kWidth; ++l) {
                    Part x;
                    __builtin_memcpy(&x, in.Columns[i][g + l] + m0, sizeof x);
                    e[l] = e[l] + in.Coefficients[i][g + l] * x;
                }
            }
            Part molecule[kWidth];
            if constexpr (kWidth == 2) {
                molecule[0] = __builtin_shufflevector(e[0], e[1], 0, 2);
                molecule[1] = __builtin_shufflevector(e[0], e[1], 1, 3);
            } else {
                const Quad low01 = __builtin_shufflevector(e[0], e[1], 0, 4, 2, 6);
                const Quad high01 = __builtin_shufflevector(e[0], e[1], 1, 5, 3, 7);
                const Quad low23 = __builtin_shufflevector(e[2], e[3], 0, 4, 2, 6);
                const Quad high23 = __builtin_shufflevector(e[2], e[3], 1, 5, 3, 7);
                molecule[0] = __builtin_shufflevector(low01, low23, 0, 1, 4, 5);
                molecule[1] = __builtin_shufflevector(high01, high23, 0, 1, 4, 5);
                molecule[2] = __builtin_shufflevector(low01, low23, 2, 3, 6, 7);
                molecule[3] = __builtin_shufflevector(high01, high23, 2, 3, 6, 7);
            }
            for (int q = 0; q < kWidth; ++q) {
                __builtin_memcpy(estimates + static_cast<std::size_t>(m0 + q) * kFitLanes + g,
                                 &molecule[q], sizeof molecule[q]);
            }
        }
    }
    // The molecules left over, lane by lane.
    for (int m = blocked + 1; m <= n; ++m) {
        for (int l = 0; l < kFitLanes; ++l) {
            double e = in.Intercept[l];
            for (int i = 1; i <= k; ++i) {
                e = e + in.Coefficients[i][l] * in.Columns[i][l][m];
            }
            estimates[static_cast<std::size_t>(m) * kFitLanes + l] = e;
        }
    }
    // The sums, every lane's over the molecules in order, in vectors of the registers'
    // width (kWidth doubles: 2 on SSE2, 4 on AVX2).
    constexpr int kParts = kFitLanes / kWidth;
    Part sumX[kParts] = {};
    for (int m = 1; m <= n; ++m) {
        for (int h = 0; h < kParts; ++h) {
            Part e;
            __builtin_memcpy(&e, estimates + static_cast<std::size_t>(m) * kFitLanes + h * kWidth,
                             sizeof e);
            sumX[h] = sumX[h] + e;
        }
    }
    Part meanX[kParts];
    Part sxy[kParts] = {};
    Part sxx[kParts] = {};
    Part d[kParts] = {};
    for (int h = 0; h < kParts; ++h) {
        meanX[h] = sumX[h] / static_cast<double>(n);
    }
    for (int m = 1; m <= n; ++m) {
        const double dy = y[m] - meanY;
        for (int h = 0; h < kParts; ++h) {
            Part e;
            __builtin_memcpy(&e, estimates + static_cast<std::size_t>(m) * kFitLanes + h * kWidth,
                             sizeof e);
            const Part dx = e - meanX[h];
            sxy[h] = sxy[h] + dx * dy;
            sxx[h] = sxx[h] + dx * dx;
            const Part diff = e - y[m];
            d[h] = d[h] + diff * diff;
        }
    }
    __builtin_memcpy(out.Sxy, sxy, sizeof sxy);
    __builtin_memcpy(out.Sxx, sxx, sizeof sxx);
    __builtin_memcpy(out.D, d, sizeof d);
}

/// The lane sums built for any x86-64 (SSE2) and for AVX2: the same operations in the
/// same order, neither with a fused multiply-add, so the same bits.
void SumLanesPlain(const LaneInputs& in, const FixedSeries& observed, double* estimates,
                   LaneSums& out) {
    SumLanesBody<2>(in, observed, estimates, out);
}

#if defined(__x86_64__) && !defined(__AVX2__)
#define KALEMIR_AVX2_LANES 1
__attribute__((target("avx2"))) void SumLanesAvx2(const LaneInputs& in, const FixedSeries& observed,
                                                  double* estimates, LaneSums& out) {
    SumLanesBody<4>(in, observed, estimates, out);
}
#endif

void SumLanes(const LaneInputs& in, const FixedSeries& observed, double* estimates, LaneSums& out) {
#ifdef KALEMIR_AVX2_LANES
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && !plainLanesOnly.load(std::memory_order_relaxed)) {
        SumLanesAvx2(in, observed, estimates, out);
        return;
    }
#endif
    SumLanesPlain(in, observed, estimates, out);
}

} // namespace

void UsePlainFitLanes(bool plain) {
    plainLanesOnly.store(plain, std::memory_order_relaxed);
}

bool SolveLaneCandidate(const FitProblem& problem, FitScratch& scratch, const PredictorSet& set,
                        int k, LaneCandidate& lane, const NormalMatrix* solved) {
    if (!CacheUsable(problem, set, k)) {
        return false;
    }
    lane.Set = set;
    TakeMeans(problem, set, k, lane.Fit);
    if (solved != nullptr) {
        TakeCoefficients(*solved, k, lane.Fit);
    } else {
        GatherNormal(problem.Cross, set, k, scratch.Normal);
        SolveNormalEquations(scratch.Normal, k, scratch.Window);
        TakeCoefficients(scratch.Normal, k, lane.Fit);
    }
    return true;
}

void FitLanes(const FitProblem& problem, FitScratch& scratch, LaneCandidate* lanes, int count) {
    assert(count <= kFitLanes && "more candidates than lanes");
    if (count <= 0) {
        return;
    }
    const int n = problem.CalibrationCount;
    const int k = lanes[0].Fit.K;
    const CrossProductCache& cross = problem.Cross;
    const std::size_t rows = static_cast<std::size_t>(n) + 1;
    std::vector<double>& buffer = scratch.LaneEstimates;
    if (buffer.size() < rows * (kFitLanes + 1)) {
        buffer.resize(rows * (kFitLanes + 1));
    }
    double* zeros = buffer.data() + rows * kFitLanes; // an empty entry's column
    bool emptyEntry = false;
    LaneInputs in;
    in.K = k;
    for (int l = 0; l < kFitLanes; ++l) {
        // Lanes past the candidates repeat the first one.
        const LaneCandidate& lane = lanes[l < count ? l : 0];
        assert(lane.Fit.K == k && "lanes of different sizes");
        in.Intercept[l] = lane.Fit.Intercept;
        for (int i = 1; i <= k; ++i) {
            const int c = lane.Set[i];
            in.Columns[i][l] =
                c != 0 ? cross.Uncentred.data() + static_cast<std::size_t>(c) * rows : zeros;
            emptyEntry = emptyEntry || c == 0;
            in.Coefficients[i][l] = lane.Fit.Coefficients[i];
        }
    }
    if (emptyEntry) {
        std::fill(zeros, zeros + rows, 0.0);
    }
    LaneSums sums;
    const FixedSeries observed{cross.Observed.data(), n, cross.ObservedMean, cross.ObservedSyy};
    SumLanes(in, observed, buffer.data(), sums);
    for (int l = 0; l < count; ++l) {
        const CorrelationOutcome out =
            FinishCorrelation({n, sums.Sxy[l], sums.Sxx[l], cross.ObservedSyy, sums.D[l]}, k, true);
        lanes[l].R2 = out.R2;
        lanes[l].SEE = out.SEE;
    }
}

bool FitR2BoundApplies(const FitProblem& problem, const PredictorSet& set, int k) {
    if (k < 1 || !CacheUsable(problem, set, k)) {
        return false;
    }
    for (int i = 1; i <= k; ++i) {
        if (set[i] == 0) {
            return false;
        }
    }
    return true;
}

namespace {

/// The bound from the set's coefficients and intercept and (G b)_i, i = 1..K.
double BoundOfRows(const FitProblem& problem, const PredictorSet& set, int k,
                   const double* coefficients, double intercept, const double* rows);

} // namespace

double FitR2BoundOfSolved(const FitProblem& problem, const PredictorSet& set, int k,
                          const NormalMatrix& normal, const NormalMatrix& gathered) {
    // Why this bounds the r2 FitEquation computes (u = 2^-53, gamma_j = j u / (1 - j u)).
    // Let X be the stored centred columns of the set, y the stored centred property, b and
    // c the coefficients and intercept the fit itself takes (the same gather, solve and
    // intercept as FitEquation, so the same doubles), P the centring projector.
    //  1. The estimates differ from c + sum b_i (x_i + mean_i), whose centred part is P X b,
    //     by at most gamma_(2K+4) E per molecule, E = |c| + sum |b_i| Magnitude_i; the
    //     observed values differ from y + mean_y by u Magnitude_y. The rounded means the
    //     correlation routine subtracts are off by at most gamma_(n+1) times the largest
    //     value, a constant shift. Moving one vector p by d turns it by an angle of at most
    //     (pi/2) |d| / |p|, so the cosine of the centred vectors moves by no more than
    //     2 (|d_e| / |P X b| + |d_y| / |P y|) (the noise terms below, over lower bounds of
    //     the norms).
    //  2. The rounded sums of the routine (sxy with |sxy err| <= gamma_(n+1) |dx| |dy|, sxx,
    //     syy with relative error gamma_(n+1), and the final product, root and quotient)
    //     move r by less than 8 gamma_(n+2).
    //  3. cos(P X b, P y) is bounded from the cross products: each cached sum of n products
    //     is within gamma_n sqrt(G_aa G_bb) of the exact one (Cauchy-Schwarz on the sum of
    //     absolute products), so with S = sum |b_i| sqrt(G_ii) and eta covering these and
    //     the rounding of the small sums here, |b'Gb - exact| <= eta S^2 and |b'g - exact|
    //     <= eta S sqrt(yy); centring subtracts n mean(Xb)^2 with |mean(Xb)| <= sum |b_i|
    //     MeanOffset_i, and likewise for y.
    // The bound is then r_hi^2 with a relative and an absolute allowance of 1e-12 for the
    // rounding of this function's own few operations. Any doubt (a zero entry, a
    // non-positive lower norm, a noise term not small against the norm, NaN) returns
    // infinity, which sends the candidate down the exact path.
    // (G b)_i, each sum over j in order; G is symmetric bit for bit, so the sums of all
    // rows advance together down its columns.
    double rows[kSetWidth + 2];
    for (int i = 1; i <= k; ++i) {
        rows[i] = 0;
    }
    for (int j = 1; j <= k; ++j) {
        const double bj = normal[j][k + 1];
        const double* g = gathered[j];
        for (int i = 1; i <= k; ++i) {
            rows[i] = rows[i] + g[i] * bj;
        }
    }
    return FitR2BoundOfRows(problem, set, k, normal, rows);
}

double FitR2BoundOfRows(const FitProblem& problem, const PredictorSet& set, int k,
                        const NormalMatrix& normal, const double* rows) {
    const int n = problem.CalibrationCount;
    const int last = n + problem.PredictionCount;
    const CrossProductCache& cache = problem.Cross;
    // The coefficients and the intercept as TakeMeans and TakeCoefficients give them (the
    // cache holds the stored means of its columns: the same doubles).
    double coefficients[kSetWidth + 2];
    double weighted = 0;
    for (int i = 1; i <= k; ++i) {
        coefficients[i] = normal[i][k + 1];
        weighted += coefficients[i] * cache.Means[set[i]];
    }
    const double intercept =
        problem.Descriptors.DescriptorMatrix.At(last + 1, kPropertyColumn) - weighted;
    return BoundOfRows(problem, set, k, coefficients, intercept, rows);
}

namespace {

double BoundOfRows(const FitProblem& problem, const PredictorSet& set, int k,
                   const double* coefficients, double intercept, const double* rows) {
    const CrossProductCache& cache = problem.Cross;
    const int n = problem.CalibrationCount;
    constexpr double kUnsure = std::numeric_limits<double>::infinity();
    // The cross products are read from the cache (the doubles the gathered system holds).
    double spread = 0;    // S
    double offset = 0;    // sum |b_i| MeanOffset_i
    double magnitude = 0; // E
    double bg = 0;
    double bgb = 0;
    for (int i = 1; i <= k; ++i) {
        const int ci = set[i];
        const double b = coefficients[i];
        spread += std::fabs(b) * cache.RootSquares[ci];
        offset += std::fabs(b) * cache.MeanOffset[ci];
        magnitude += std::fabs(b) * cache.Magnitude[ci];
        bg += b * cache.Property[ci];
        bgb += b * rows[i];
    }
    magnitude = (magnitude + std::fabs(intercept)) * (1 + Gamma(2 * k + 4));
    const double eta = 2 * Gamma(n + (k + 1) * (k + 1) + 10);
    const double yy = cache.PropertySquares;
    const double dx2 = bgb - eta * spread * spread - n * offset * offset;
    const double dy2 = yy * (1 - eta) - n * cache.PropertyMeanOffset * cache.PropertyMeanOffset;
    if (!(dx2 > 0) || !(dy2 > 0)) {
        return kUnsure;
    }
    const double normX = std::sqrt(dx2) * (1 - 8 * kUnit);
    const double normY = std::sqrt(dy2) * (1 - 8 * kUnit);
    const double root = std::sqrt(static_cast<double>(n)) * (1 + 8 * kUnit);
    const double noiseX = root * magnitude * (Gamma(2 * k + 4) + 1.01 * Gamma(n + 1));
    const double noiseY =
        root * cache.PropertyMagnitude * (1 + kUnit) * (kUnit + 1.01 * Gamma(n + 1));
    if (!(noiseX < 0.5 * normX) || !(noiseY < 0.5 * normY)) {
        return kUnsure;
    }
    const double num =
        std::fabs(bg) + eta * spread * std::sqrt(yy) + n * offset * cache.PropertyMeanOffset;
    const double cosHi = num / (normX * normY) * (1 + 8 * kUnit);
    const double turn = 2 * (noiseX / (normX - noiseX) + noiseY / (normY - noiseY) + 4 * kUnit);
    const double rHi = cosHi + turn + 8 * Gamma(n + 2);
    const double bound = rHi * rHi * (1 + 1e-12) + 1e-12;
    return bound == bound ? bound : kUnsure;
}

} // namespace

SearchThresholds ThresholdsOf(const SearchState& search) {
    return {search.FitTermCount, search.CandidateR2[kListRows], search.Progress.BestR2Seen,
            search.Progress.BestQ};
}

bool BoundLeavesSearchUnchanged(const CycleInputs& cycle, const SearchState& search, double bound) {
    return BoundLeavesUnchanged(cycle, ThresholdsOf(search), bound);
}

bool BoundLeavesUnchanged(const CycleInputs& cycle, const SearchThresholds& thresholds,
                          double bound) {
    const int k = thresholds.FitTermCount;
    if (k < 2) {
        return false;
    }
    // InsertCandidate lets a tie with row 1000 in, so entering needs r2 >= that row.
    if (!(bound < thresholds.ListEntry) || !(bound <= thresholds.BestR2Seen)) {
        return false;
    }
    if (k == 2) {
        return bound <= thresholds.BestQ; // the pair's Q is its r2
    }
    if (k == 3) {
        // BestQ is set from every fit of three (it may fall): the level's last set is
        // fitted whatever its bound, and BestQ is not read here.
        return true;
    }
    // Q rises with r2 in every rounded step (ratio, root, product), so Q(bound) bounds Q.
    return QualityQ(bound, cycle.CalibrationCount, k) <= thresholds.BestQ;
}

void SearchProgress::Take(int n, int k, double r2, double see) {
    double q = r2;
    if (k > 2) {
        q = QualityQ(r2, n, k);
        if (k == 3) {
            BestQ = q;
        }
    }
    if (q > BestQ) {
        BestQSEE = see;
        BestQ = q;
    }
    if (r2 > BestR2Seen && k != 0) {
        BestR2Seen = r2;
    }
}

FitOutcome FitCandidate(const FitProblem& problem, FitScratch& scratch, const PredictorSet& set,
                        int k, const NormalMatrix* solved) {
    // A worker's scratch may meet a larger table than the one it was sized for.
    scratch.Pair.HoldRows(problem.CalibrationCount + problem.PredictionCount);
    FitOutcome outcome;
    ComputeFit(problem, {set, k, solved}, scratch.Window, outcome.Fit, scratch.Pair);
    outcome.R2 = scratch.Pair.R2;
    outcome.SEE = scratch.Pair.SEE;
    return outcome;
}

FitOutcome FitSet(const FitProblem& problem, const PredictorSet& set, int k,
                  PairCorrelation& estimates, ComputingWindow& window) {
    FitOutcome outcome;
    ComputeFit(problem, {set, k, nullptr}, window, outcome.Fit, estimates);
    outcome.R2 = estimates.R2;
    outcome.SEE = estimates.SEE;
    return outcome;
}

} // namespace kalemir::qspr
