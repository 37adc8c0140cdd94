#include "qspr/core/CrossValidation.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Fit.h"
#include "qspr/core/Significant.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace kalemir::qspr {

namespace {

/// The estimate of a row by a half fit (its columns centred on the fitted half's means).
double EstimateRow(const DescriptorMatrixStore& dm, const FitResult& fit, const PredictorSet& set,
                   int row, double propertyMean) {
    double estimate = fit.Intercept;
    for (int i = 1; i <= fit.K; ++i) {
        if (set[i] > 0) {
            estimate = estimate + fit.Coefficients[i] * dm.At(row, set[i]);
        }
    }
    return estimate + propertyMean;
}

/// True when values[0..n-1] are all +0 (every bit clear): a used column is told by its
/// first value, an unused one by one pass that needs no branch per value.
bool AllPositiveZeros(const double* values, int n) {
    if (n == 0) {
        return true;
    }
    if (values[0] != 0) {
        return false;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < n; ++i) {
        std::uint64_t word;
        std::memcpy(&word, values + i, sizeof word);
        bits |= word;
    }
    return bits == 0;
}

bool IsIdentity(const std::vector<int>& order, int n) {
    for (int i = 1; i <= n; ++i) {
        if (order[i] != i) {
            return false;
        }
    }
    return true;
}

} // namespace

int SlotSize(const std::array<double, kSlotEntries>& slot) {
    int size = 0;
    for (int b = 1; b <= kSetWidth; ++b) {
        if (slot[b] != 0) {
            ++size;
        }
    }
    return size;
}

namespace {

/// The exchange sort of the property keys, taken from the memo when the keys are the same
/// bits as last time: the sizes of a cycle validate the same property column again and again.
std::vector<int> SortedOrder(SortMemo& memo, const std::vector<double>& keys, int n,
                             bool ascending) {
    const std::size_t size = static_cast<std::size_t>(n) + 1;
    if (memo.Keys.size() != size ||
        std::memcmp(memo.Keys.data(), keys.data(), size * sizeof(double)) != 0) {
        memo.Keys.assign(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(size));
        memo.Order = ascending ? ExchangeSortAscending(keys, n) : ExchangeSortDescending(keys, n);
    }
    return memo.Order;
}

} // namespace

void ReorderCalibrationRows(SignificantDescriptors& descriptors, WorkerPool* pool,
                            const std::vector<int>& order, int n) {
    if (IsIdentity(order, n)) {
        return;
    }
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    // Every column is reordered on its own: the workers share them out. The unused
    // columns hold +0 in every row: nothing to move.
    const int workers = pool ? pool->Size() : 1;
    std::vector<std::vector<double>> moved(static_cast<std::size_t>(workers),
                                           std::vector<double>(static_cast<std::size_t>(n) + 1));
    auto body = [&](int first, int last, int worker) {
        std::vector<double>& into = moved[static_cast<std::size_t>(worker)];
        for (int c = first + 1; c <= last; ++c) {
            double* column = dm.Column(c);
            if (AllPositiveZeros(column + 1, n)) {
                continue;
            }
            for (int i = 1; i <= n; ++i) {
                into[i] = column[order[i]];
            }
            std::copy(into.begin() + 1, into.end(), column + 1);
        }
    };
    ForEachOn(pool, kMatrixColumns - 1, 32, body);
    std::vector<std::string> names(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
        names[i] = std::move(dm.MoleculeNames[order[i]]);
    }
    for (int i = 1; i <= n; ++i) {
        dm.MoleculeNames[i] = std::move(names[i]);
    }
    ++descriptors.DataVersion;
}

double CrossValidateSet(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                        const SearchState& search, CrossValidationState& cv, WorkerPool* pool,
                        ComputingWindow& window) {
    const int n = cycle.CalibrationCount;
    const int last = n + cycle.PredictionCount;
    const int k = search.FitTermCount;
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const PredictorSet set = search.CandidateSets[kCandidateRow];
    const std::uint64_t versionBefore = descriptors.DataVersion;
    const FitProblem problem = FitProblemOf(cycle, descriptors, search);
    cv.CVEstimate.assign(static_cast<std::size_t>(n) + 1, 0.0);
    cv.CVObserved.assign(static_cast<std::size_t>(n) + 1, 0.0);
    const double propertyMean = dm.At(last + 1, kPropertyColumn);
    std::vector<double> keys(static_cast<std::size_t>(n) + 1, 0.0);
    const std::string ofCount = " / " + PlainNumber(n);

    // Pass 1: ascending property; fit the lower half, estimate the upper one.
    for (int i = 1; i <= n; ++i) {
        keys[i] = dm.At(i, kPropertyColumn);
    }
    const std::vector<int> ascending = SortedOrder(cv.CVAscending, keys, n, true);
    ReorderCalibrationRows(descriptors, pool, ascending, n);
    for (int i = 1; i <= n; ++i) {
        cv.CVObserved[i] = dm.At(i, kPropertyColumn) + propertyMean;
    }
    int half = n % 2 == 0 ? n / 2 : (n + 1) / 2;
    const FitResult lower = FitHalfSet(problem, set, k, half, cv.HalfDesign, window);
    for (int m = half + 1; m <= n; ++m) {
        window.SetCaption(" Computing ... cross-validated function ... " + PlainNumber(m) +
                          ofCount);
        window.Yield();
        cv.CVEstimate[m] = EstimateRow(dm, lower, set, m, propertyMean);
    }

    // Pass 2: descending property; fit the upper half, estimate the lower one.
    for (int i = 1; i <= n; ++i) {
        keys[i] = dm.At(i, kPropertyColumn);
    }
    const std::vector<int> descending = SortedOrder(cv.CVDescending, keys, n, false);
    ReorderCalibrationRows(descriptors, pool, descending, n);
    half = n % 2 == 0 ? n / 2 : (n - 1) / 2;
    const FitResult upper = FitHalfSet(problem, set, k, half, cv.HalfDesign, window);
    for (int m = half + 1; m <= n; ++m) {
        window.SetCaption(" Computing ... cross-validated function ... " + PlainNumber(m) +
                          ofCount);
        window.Yield();
        // descending[m] is the row this molecule had in the ascending order of pass 1.
        cv.CVEstimate[descending[m]] = EstimateRow(dm, upper, set, m, propertyMean);
    }

    // Rows back where they stood before the passes: the matrix is unchanged.
    std::vector<int> overall(static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
        overall[i] = ascending[descending[i]];
    }
    if (IsIdentity(overall, n)) {
        descriptors.DataVersion = versionBefore;
    }

    const CentredPairSums sums =
        CentredPairSumsOf(cv.CVEstimate.data() + 1, cv.CVObserved.data() + 1, n);
    const double sxy = sums.Sxy;
    const double sxx = std::fabs(sums.Sxx);
    const double syy = std::fabs(sums.Syy);
    if (sxx * syy > 0) {
        const double r = sxy / std::sqrt(sxx * syy);
        return r * r;
    }
    return 0;
}

void CrossValidateBest(const CycleContext& context, SignificantDescriptors& descriptors,
                       SearchState& search, CrossValidationState& cv, double outlierRatio) {
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int n = cycle.CalibrationCount;
    const int k = search.FitTermCount;
    auto& slots = search.BestSets;
    if (outlierRatio < 1) {
        slots[kLevelBestSlot].fill(0);
        for (int b = 1; b <= k; ++b) {
            slots[kLevelBestSlot][b] = search.CandidateSets[1][b];
        }
        slots[kLevelBestSlot][kSlotQuality] =
            k <= 2 ? search.CandidateR2[1] : QualityQ(search.CandidateR2[1], n, k);
        if (k == 3) {
            slots[kOverallBestSlot][kSlotQuality] =
                QualityQ(slots[kOverallBestSlot][kSlotQuality], n, 2);
            slots[kBestByQSlot][kSlotQuality] = QualityQ(slots[kBestByQSlot][kSlotQuality], n, 2);
        }
        slots[kLevelBestSlot][kSlotSEE] = search.Progress.BestQSEE;
        const bool newBest =
            slots[kLevelBestSlot][kSlotQuality] > slots[kOverallBestSlot][kSlotQuality];
        if (newBest) {
            for (int b = 1; b <= cycle.MaxPredictors && b <= kSetWidth; ++b) {
                slots[kOverallBestSlot][b] = slots[kLevelBestSlot][b];
            }
            slots[kOverallBestSlot][kSlotQuality] = slots[kLevelBestSlot][kSlotQuality];
            slots[kOverallBestSlot][kSlotSEE] = slots[kLevelBestSlot][kSlotSEE];
        }
        PredictorSet& trial = search.CandidateSets[kCandidateRow];
        for (int b = 1; b <= cycle.MaxPredictors && b <= kSetWidth; ++b) {
            trial[b] = 0;
        }
        if (k == 2) {
            for (int b = 1; b <= k; ++b) {
                if (search.KeptSets[1][b] > 0) {
                    trial[b] = search.KeptSets[1][b];
                }
            }
        }
        for (int b = 1; b <= k; ++b) {
            if (search.CandidateSets[1][b] > 0) {
                trial[b] = search.CandidateSets[1][b];
            }
        }
        cv.LastFitR2CV = CrossValidateSet(cycle, descriptors, search, cv, context.Pool, window);
        // Each set keeps its own r2CV, so that the best set by Q is reported
        // with the r2CV of its own equation.
        slots[kLevelBestSlot][kSlotR2CV] = cv.LastFitR2CV;
        if (newBest) {
            slots[kOverallBestSlot][kSlotR2CV] = cv.LastFitR2CV;
        }
        ShowBestByQ(cycle, descriptors, search, cv, window);
        return;
    }
    window.PrintLine("");
    window.PrintLine("   Program is computing cross-validated functions.");
    for (int s = 1; s <= kBestSetSlots; ++s) {
        for (int b = 1; b < kSlotEntries; ++b) {
            slots[s][b] = 0;
        }
    }
    cv.LastFitR2CV = 0;
}

void ShowBestSetBlock(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                      const SearchState& search, const CrossValidationState& cv,
                      ComputingWindow& window) {
    const int n = cycle.CalibrationCount;
    const auto& slot = search.BestSets[kBestByQSlot];
    window.ClearPicture();
    window.PrintLine("");
    window.PrintLine("   The best set of predictors by quality Q is:");
    window.PrintLine("");
    for (int b = 1; b <= kSetWidth; ++b) {
        const int c = static_cast<int>(slot[b]);
        if (c != 0) {
            window.PrintLine("          " + descriptors.DescriptorMatrix.ColumnNames[c]);
        }
    }
    window.PrintLine("");
    // Sets of one or two predictors keep their r2 in the slot, larger ones their Q.
    const int p = search.BestSetSize;
    double r2 = 0;
    double q = 0;
    if (p <= 2) {
        r2 = slot[kSlotQuality];
        q = QualityQ(r2, n, p);
    } else {
        q = slot[kSlotQuality];
        const double ratio = static_cast<double>(n - p) / static_cast<double>(n + p);
        r2 = 1 / (1 + std::pow(ratio, 4) / (q * q));
    }
    const double f = p > 0 ? (n - p) * r2 / ((1.0001 - r2) * p) : 0.0;
    if (p > 0) {
        window.SetBest(q, r2);
    }
    window.PrintLine("        N = " + PlainNumber(n) + "      p = " + PlainNumber(p) +
                     "      r2 = " + PlainNumber(RoundDown(r2, 4)));
    window.PrintLine("           F = " + PlainNumber(RoundDown(f, 1)) +
                     "      Q = " + NumText(RoundDown(q, 4)));
    window.PrintLine("              r2CV = " + PlainNumber(RoundDown(cv.LastFitR2CV, 4)));
    window.PrintLine("");
}

void ShowBestByQ(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                 SearchState& search, const CrossValidationState& cv, ComputingWindow& window) {
    auto& slots = search.BestSets;
    if (!(slots[kOverallBestSlot][kSlotQuality] > slots[kBestByQSlot][kSlotQuality])) {
        return;
    }
    for (int b = 1; b < kSlotEntries; ++b) {
        slots[kBestByQSlot][b] = slots[kOverallBestSlot][b];
    }
    search.BestSetSize = SlotSize(slots[kBestByQSlot]);
    ShowBestSetBlock(cycle, descriptors, search, cv, window);
}

} // namespace kalemir::qspr
