#include "qspr/final/Validation.h"

#include "common/ComputingWindow.h"
#include "common/Rounding.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kalemir::qspr {

namespace {

/// Ranks from the places of the values sorted ascending: each run of equal values ends at
/// the count of values not above them, the rank every member of the run takes.
template <typename Equal>
std::vector<int> RanksOfRuns(const std::vector<int>& places, int count, Equal equal) {
    std::vector<int> ranks(static_cast<std::size_t>(count) + 1, 0);
    for (int first = 0; first < count;) {
        int end = first + 1; // one past the run of values equal to the first one
        while (end < count && equal(first, end)) {
            ++end;
        }
        for (int q = first; q < end; ++q) {
            ranks[static_cast<std::size_t>(places[static_cast<std::size_t>(q)])] = end;
        }
        first = end;
    }
    return ranks;
}

std::vector<int> RanksByComparison(const std::vector<double>& values, int count) {
    std::vector<std::pair<double, int>> sorted(static_cast<std::size_t>(count));
    for (int v = 1; v <= count; ++v) {
        sorted[static_cast<std::size_t>(v) - 1] = {values[v], v};
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> places(static_cast<std::size_t>(count));
    for (int q = 0; q < count; ++q) {
        places[static_cast<std::size_t>(q)] = sorted[static_cast<std::size_t>(q)].second;
    }
    return RanksOfRuns(places, count, [&](int a, int b) {
        return !(sorted[static_cast<std::size_t>(a)].first <
                 sorted[static_cast<std::size_t>(b)].first);
    });
}

} // namespace

std::vector<int> TieRaisedRanks(const std::vector<double>& values, int count) {
    // Many values (the validation molecules of every kept equation) are put in order by
    // their bits instead of by comparisons: each value becomes an unsigned key that orders
    // as the doubles do (-0 taken as +0, so that the two tie as they compare), sorted a
    // digit at a time. The ranks depend on the order of the values only, so they are those
    // of any sort. A NaN, which compares with nothing, keeps the comparison sort.
    constexpr int kFewValues = 256;
    if (count < kFewValues) {
        return RanksByComparison(values, count);
    }
    const std::size_t size = static_cast<std::size_t>(count);
    std::vector<std::uint64_t> keys(size);
    std::vector<int> places(size);
    for (int v = 1; v <= count; ++v) {
        double x = values[v];
        if (std::isnan(x)) {
            return RanksByComparison(values, count);
        }
        if (x == 0) {
            x = 0.0;
        }
        std::uint64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
        keys[static_cast<std::size_t>(v) - 1] = (bits & kSign) != 0 ? ~bits : bits | kSign;
        places[static_cast<std::size_t>(v) - 1] = v;
    }
    constexpr int kDigitBits = 11;
    constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
    std::vector<std::uint64_t> keysTo(size);
    std::vector<int> placesTo(size);
    std::vector<std::size_t> starts(kDigits);
    for (int shift = 0; shift < 64; shift += kDigitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const std::uint64_t key : keys) {
            ++starts[(key >> shift) & (kDigits - 1)];
        }
        if (starts[(keys.front() >> shift) & (kDigits - 1)] == size) {
            continue; // every key has this digit
        }
        std::size_t start = 0;
        for (std::size_t& digit : starts) {
            const std::size_t here = digit;
            digit = start;
            start += here;
        }
        for (std::size_t q = 0; q < size; ++q) {
            const std::size_t to = starts[(keys[q] >> shift) & (kDigits - 1)]++;
            keysTo[to] = keys[q];
            placesTo[to] = places[q];
        }
        keys.swap(keysTo);
        places.swap(placesTo);
    }
    return RanksOfRuns(places, count, [&](int a, int b) {
        return keys[static_cast<std::size_t>(a)] == keys[static_cast<std::size_t>(b)];
    });
}

void PrepareValidationRows(CycleInputs& cycle, FinalWork& work) {
    const int v = std::max(cycle.ValidationCount, 0);
    if (cycle.ValidationNames.size() < static_cast<std::size_t>(v) + 1) {
        cycle.ValidationNames.resize(static_cast<std::size_t>(v) + 1);
    }
    if (work.ValidationRows.size() == static_cast<std::size_t>(v) + 1) {
        return;
    }
    work.ValidationRows.assign(static_cast<std::size_t>(v) + 1, 0);
    for (int w = 1; w <= v; ++w) {
        const auto found = work.CalibrationRowOf.find(cycle.ValidationNames[w]);
        if (found != work.CalibrationRowOf.end()) {
            work.ValidationRows[w] = found->second;
        }
    }
}

void MeasureValidation(const std::vector<int>& rows, PairCorrelation& pair,
                       ValidationWork& validation, ComputingWindow& window) {
    const int v = static_cast<int>(rows.size()) - 1;
    if (validation.Values.size() < static_cast<std::size_t>(v) + 1) {
        validation.Values.resize(static_cast<std::size_t>(v) + 1);
    }
    std::vector<double> estimated(static_cast<std::size_t>(v) + 1, 0.0);
    std::vector<double> observed(static_cast<std::size_t>(v) + 1, 0.0);
    double absSum = 0;
    double errorSum = 0;
    for (int w = 1; w <= v; ++w) {
        const int row = rows[w];
        if (row != 0) {
            estimated[w] = pair.X[row];
            observed[w] = pair.Y[row];
        }
        validation.Values[w][2] = estimated[w];
        validation.Values[w][3] = observed[w];
        absSum += std::fabs(observed[w]);
        errorSum += std::fabs(estimated[w] - observed[w]);
    }
    ValidationSums& sums = validation.Sums;
    sums.AbsSum = absSum;
    sums.ErrorSum = errorSum;
    if (v < 3) {
        pair.R = -kMaxCorrelation;
        sums.RankErrorPercent = 100;
        window.Yield();
        return;
    }
    const CentredPairSums centred = CentredPairSumsOf(estimated.data() + 1, observed.data() + 1, v);
    pair.R = CappedCorrelation(centred.Sxy, centred.Sxx, centred.Syy);
    pair.MeanX = centred.MeanX;
    const std::vector<int> rankE = TieRaisedRanks(estimated, v);
    // The observed values are the same for every equation of the ranking: their ranks are
    // worked out once.
    if (validation.RankedObserved.size() != observed.size() ||
        std::memcmp(validation.RankedObserved.data(), observed.data(),
                    observed.size() * sizeof(double)) != 0) {
        validation.RankedObserved = observed;
        validation.ObservedRanks = TieRaisedRanks(observed, v);
    }
    const std::vector<int>& rankO = validation.ObservedRanks;
    long long difference = 0;
    for (int w = 1; w <= v; ++w) {
        validation.Values[w][4] = rankE[w];
        validation.Values[w][5] = rankO[w];
        difference += std::llabs(static_cast<long long>(rankE[w]) - rankO[w]);
    }
    sums.RankErrorPercent = static_cast<float>(200.0 * static_cast<double>(difference) /
                                               (static_cast<double>(v) * (v + 1)));
    window.Yield();
}

void ComputeValidationMeasures(CycleInputs& cycle, PairCorrelation& pair, FinalWork& work,
                               ComputingWindow& window) {
    PrepareValidationRows(cycle, work);
    MeasureValidation(work.ValidationRows, pair, work.Validation, window);
}

double RelativeValidationError(const ValidationSums& sums) {
    if (!(sums.AbsSum > 0)) {
        return 100;
    }
    return 100 * sums.ErrorSum / sums.AbsSum;
}

double RoundCorrectness(double x) {
    double rounded = Fix(1000 * x + 0.5) * 0.001;
    if (rounded > 1) {
        rounded = 0.999;
    }
    if (rounded < -1) {
        rounded = -0.999;
    }
    return rounded;
}

float EquationCorrectness(float u, double m, double meanPred, double spreadPred, double rr) {
    const double d = m != 0 ? std::fabs(m - meanPred) / m : 0.0;
    const double cv = meanPred != 0 ? spreadPred / meanPred : 0.0;
    const double a = (d + 0.5) * (cv + 0.5);
    const double b = d + 0.5 != 0 ? (cv + 0.5) / (d + 0.5) : 0.0;
    const double uu = u;
    const double high = 0.722 * uu + 1.3067 * b - 0.0981 * rr - 0.722 * a - 0.8563;
    const double low = 0.7499 * uu + 0.1647 * b + 0.0021 * rr + 0.0053 * a - 0.1829;
    const double chosen = u < 0.75f ? RoundCorrectness(low) : RoundCorrectness(high);
    return static_cast<float>(chosen);
}

} // namespace kalemir::qspr
