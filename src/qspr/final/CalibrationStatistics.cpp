#include "qspr/final/CalibrationStatistics.h"

#include "common/ComputingWindow.h"
#include "common/Inversions.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/Fit.h"
#include "qspr/final/Fragments.h"
#include "qspr/final/RunCapture.h"

#include <algorithm>
#include <cmath>

namespace kalemir::qspr {

namespace {

/// Series `first` and first + 1 of the scatter points: rows 1..n, zero beyond.
void FillScatterSeries(RunResults& results, const double* estimated, const double* observed, int n,
                       int first) {
    // One row beyond the molecules stays zero: it ends the series.
    const std::size_t rows = static_cast<std::size_t>(std::max(n, 0)) + 2;
    if (results.ScatterPoints.size() < rows) {
        results.ScatterPoints.resize(rows);
    }
    for (std::size_t i = 1; i < results.ScatterPoints.size(); ++i) {
        results.ScatterPoints[i][first] = 0;
        results.ScatterPoints[i][first + 1] = 0;
    }
    for (int i = 1; i <= n; ++i) {
        results.ScatterPoints[i][first] = estimated[i];
        results.ScatterPoints[i][first + 1] = observed[i];
    }
}

int Sign(double x) {
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

bool AllFinite(const double* values, int n) {
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

std::string Round3(double x) {
    return PlainNumber(RoundDown(x, 3));
}

} // namespace

std::vector<int> TieBrokenRanks(const double* values, const double* other, int n) {
    std::vector<int> ranks(static_cast<std::size_t>(std::max(n, 0)) + 1, 0);
    if (!AllFinite(values, n) || !AllFinite(other, n)) {
        // A value that compares with nothing: count the larger ones one by one.
        for (int i = 1; i <= n; ++i) {
            int rank = 1;
            for (int j = 1; j <= n; ++j) {
                if (values[j] > values[i] || (values[j] == values[i] && other[j] > other[i])) {
                    ++rank;
                }
            }
            ranks[i] = rank;
        }
        return ranks;
    }
    // Largest first; a molecule's rank is 1 + the number of molecules before its group of
    // equal pairs.
    auto larger = [&](int a, int b) {
        return values[a] > values[b] || (values[a] == values[b] && other[a] > other[b]);
    };
    std::vector<int> order(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 1; i <= n; ++i) {
        order[static_cast<std::size_t>(i - 1)] = i;
    }
    std::sort(order.begin(), order.end(), larger);
    int groupStart = 0;
    for (int k = 0; k < n; ++k) {
        if (k > 0 && larger(order[k - 1], order[k])) {
            groupStart = k;
        }
        ranks[order[k]] = groupStart + 1;
    }
    return ranks;
}

long long KendallConcordance(const double* e, const double* o, int n) {
    if (!AllFinite(e, n) || !AllFinite(o, n)) {
        long long concordance = 0;
        for (int i = 1; i < n; ++i) {
            for (int j = i + 1; j <= n; ++j) {
                concordance += Sign(e[i] - e[j]) * Sign(o[i] - o[j]) < 0 ? -1 : 1;
            }
        }
        return concordance;
    }
    // Ordered by E and, within equal E, by O, a discordant pair (E and O strictly in
    // opposite order) is exactly a strict inversion of the O sequence; every other pair,
    // tied ones included, counts as concordant.
    std::vector<int> order(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 1; i <= n; ++i) {
        order[static_cast<std::size_t>(i - 1)] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return e[a] < e[b] || (e[a] == e[b] && o[a] < o[b]); });
    std::vector<double> sequence(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        sequence[k] = o[order[k]];
    }
    const long long discordant = CountInversions(sequence);
    const long long pairs = static_cast<long long>(n) * (n - 1) / 2;
    return pairs - 2 * discordant;
}

CalibrationFigures ComputeCalibrationFigures(const double* e, const double* o, int n, int p) {
    CalibrationFigures f;
    if (n < 1) {
        return f;
    }
    f.MinO = o[1];
    for (int i = 1; i <= n; ++i) {
        if (o[i] < f.MinO) {
            f.MinO = o[i];
        }
    }
    const CentredPairSums sums = CentredPairSumsOf(e + 1, o + 1, n);
    f.MeanE = sums.MeanX;
    f.MeanO = sums.MeanY;
    const double see = sums.Sxx;
    const double soo = sums.Syy;
    const double seo = sums.Sxy;
    for (int i = 1; i <= n; ++i) {
        const double r = e[i] - o[i];
        f.RSS += r * r;
    }
    if (n > 1) {
        f.SpreadE = std::sqrt(std::fabs(see) / (n - 1));
        f.SpreadO = std::sqrt(std::fabs(soo) / (n - 1));
    }
    f.SEE = n - p > 0 ? std::sqrt(f.RSS / (n - p)) : 100.0;
    f.RMS = std::sqrt(f.RSS / n);
    f.R2 = see * soo > 0 ? (seo * seo) / (see * soo) : 0.0;
    if (p > 0) {
        f.F = static_cast<double>(n - p) / p * f.R2 / (1.0001 - f.R2);
    }
    const double capped = std::fmin(f.R2, kMaxCorrelation * kMaxCorrelation);
    if (capped > 0) {
        const double ratio = static_cast<double>(n - p) / static_cast<double>(n + p);
        f.Q = ratio * ratio * std::sqrt(capped / (1 - capped));
    }
    f.CV = f.MeanO != 0 ? 100 * f.SpreadO / f.MeanO : 0.0;
    f.RSEE = f.MeanO != 0 ? 100 * f.SEE / f.MeanO : 0.0;
    f.CorrectedRSEE = f.MeanO != f.MinO ? 100 * f.SEE / (f.MeanO - f.MinO) : 0.0;
    if (n > 1) {
        const long long concordance = KendallConcordance(e, o, n);
        f.Kendall = 2.0 * static_cast<double>(concordance) / (static_cast<double>(n) * (n - 1));
        const std::vector<int> rankE = TieBrokenRanks(e, o, n);
        const std::vector<int> rankO = TieBrokenRanks(o, e, n);
        double squares = 0;
        for (int i = 1; i <= n; ++i) {
            const double d = rankO[i] - rankE[i];
            squares += d * d;
        }
        f.RankSE = std::sqrt(squares / (n - 1));
        f.RelativeRankError = 200 * f.RankSE / (n + 1);
    }
    return f;
}

double OutlierRatioFor(double q, double oiMax) {
    if (!(oiMax > 0) || !(q > 0)) {
        return kNoRemovalRatio;
    }
    const double w = 0.75 * (1 + 1 / q);
    return std::pow(q, w) / oiMax;
}

bool EliminationStops(int outlierSteps, int initialCalibrationCount) {
    const int maxSteps =
        static_cast<int>(std::floor(std::sqrt(static_cast<double>(initialCalibrationCount))));
    return outlierSteps >= maxSteps;
}

OutlierScan ScanOutliers(const std::vector<std::string>& names, const double* e, const double* o,
                         int n, const CalibrationFigures& figures) {
    const double see = figures.SEE;
    const double meanO = figures.MeanO;
    const double spreadO = figures.SpreadO;
    OutlierScan scan;
    for (int i = 1; i <= n; ++i) {
        const double oi = see > 0 ? std::fabs(e[i] - o[i]) / see : 0.0;
        if (oi > scan.OIMax) {
            scan.OIMax = oi;
            scan.Name = names[i];
            scan.H = spreadO > 0 ? std::fabs(o[i] - meanO) * oi / spreadO : 1.0;
        }
        std::string row = "   " + names[i] + "         " + Round3(e[i]) + "      " + Round3(o[i]);
        if (oi >= 1.5) {
            row += "               " + Round3(oi);
        }
        scan.Rows.push_back(std::move(row));
    }
    return scan;
}

void DecideOutlier(const CycleContext& context, OutlierState& outliers, PairCorrelation& pair,
                   ReportAppender& report, double q, const OutlierScan& scan) {
    const RunInputs& in = context.In;
    RunResults& results = context.Results;
    const CycleInputs& cycle = context.Cycle;
    const int n = cycle.CalibrationCount;
    outliers.OutlierRatio = OutlierRatioFor(q, scan.OIMax);
    if (in.EliminateOutliers == 0) {
        outliers.OutlierRatio = kNoRemovalRatio;
    }
    if (cycle.Number == 1) {
        FillScatterSeries(results, pair.X.data(), pair.Y.data(), n, 1);
    }
    if (outliers.OutlierRatio > 1) {
        FillScatterSeries(results, pair.X.data(), pair.Y.data(), n, 3);
        report.Line(in.EliminateOutliers == 1
                        ? "   According to KALEMIR criterion there are no outliers in the "
                          "calibration set."
                        : "   Your option was: do not eliminate identified outliers.");
        ReportFragments(results, cycle, outliers, pair, context.Window, report);
        return;
    }
    report.Line("   The program removed the outlier " + outliers.OutlierName +
                " out of calibration set");
    ++outliers.OutlierSteps;
    if (scan.H > kLeadHoppingH) {
        report.Lines({"", "   If the used chemical structure and the value of Dependent Property",
                      "   are correct, this outlier is a possible OUTLIER FOR LEAD HOPPING."});
    }
}

void AnalyseCalibrationSet(const CycleContext& context, const SignificantDescriptors& descriptors,
                           SearchState& search, OutlierState& outliers, PairCorrelation& pair) {
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int n = cycle.CalibrationCount;
    const int p = search.FitTermCount;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const auto& slot = search.BestSets[kBestByQSlot];

    // 1. Refit and weighting factors.
    PredictorSet best{};
    for (int k = 1; k <= p; ++k) {
        best[k] = static_cast<int>(slot[k]);
    }
    PredictorSet& trial = search.CandidateSets[kCandidateRow];
    trial = best;
    const FitProblem problem = FitProblemOf(cycle, descriptors, search);
    const FitOutcome full = FitSet(problem, trial, p, pair, window);
    const double r2Full = full.R2;
    const FitResult& fit = full.Fit;
    ReportAppender report(context.ReportName);
    report.Lines({"    Weighting factors and intercept in the best (by Q) QSPR", ""});
    for (int k = 1; k <= p; ++k) {
        report.Line("     " + dm.ColumnNames[best[k]] + "     " +
                    PlainNumber(RoundHalfAway(fit.Coefficients[k], 4)));
    }
    report.Lines({"", "    Intercept =   " + PlainNumber(RoundHalfAway(fit.Intercept, 4)), ""});

    // 2. Statistics of the calibration set.
    const std::vector<double> estimated(pair.X.begin(), pair.X.begin() + n + 1);
    const std::vector<double> observed(pair.Y.begin(), pair.Y.begin() + n + 1);
    const CalibrationFigures f = ComputeCalibrationFigures(estimated.data(), observed.data(), n, p);
    pair.MeanX = f.MeanE;
    pair.SEE = f.SEE;
    pair.R2 = f.R2;

    // 3. Estimated and observed values with the outlier indices.
    report.Lines({"   ESTIMATED AND OBSERVED VALUES IN THE CALIBRATION SET",
                  "   CALCULATED USING THE BEST QSPR (BY Q)", "",
                  "   Molecule   Estimated   Observed          Outlier Index"});
    const OutlierScan scan =
        ScanOutliers(dm.MoleculeNames, estimated.data(), observed.data(), n, f);
    for (const std::string& row : scan.Rows) {
        report.Line(row);
    }
    outliers.OutlierName = scan.Name;

    // 4. Statistics block.
    const std::string pm = "  " + std::string(kPlusMinus) + "  ";
    report.Line("");
    report.Line("   average of the observed Dependent Property values = " +
                NumText(RoundDown(f.MeanO, 3)) + pm + NumText(RoundDown(f.SpreadO, 3)));
    report.Line("   average of the estimated Dependent Property values = " +
                NumText(RoundDown(f.MeanE, 3)) + pm + NumText(RoundDown(f.SpreadE, 3)));
    if (f.CV > 0) {
        report.Line("   variation coefficient of the observed Dependent Property values = " +
                    NumText(RoundDown(f.CV, 1)) + " %");
    }
    report.Line("");
    report.Line("   standard error of equation SEE for values = " + NumText(RoundDown(f.SEE, 4)) +
                "    RMS = " + NumText(RoundDown(f.RMS, 4)));
    report.Line("   relative standard error of equation RSEE for values = " +
                NumText(RoundDown(f.RSEE, 1)) + " %");
    report.Line("   corrected RSEE for values = " + NumText(RoundDown(f.CorrectedRSEE, 1)) + " %");
    report.Line("");
    report.Line("   standard error of estimation for ranks = " + NumText(RoundDown(f.RankSE, 4)));
    report.Line("   relative standard error for ranks = " +
                NumText(RoundDown(f.RelativeRankError, 1)) + " %");
    report.Line("");
    report.Line("   r2 = " + NumText(RoundDown(f.R2, 4)));
    report.Line("   F = " + NumText(RoundDown(f.F, 1)));
    report.Line("   r Kendall = " + NumText(RoundDown(f.Kendall, 4)));
    report.Line("   Q = " + NumText(RoundDown(f.Q, 4)));
    // The r2CV kept with the best set by Q, not that of the last set cross-validated.
    report.Line("   r2CV = " + PlainNumber(RoundDown(slot[kSlotR2CV], 4)));
    report.Line("");
    RecordCycle(context, descriptors,
                {best, fit, estimated.data(), observed.data(), f, slot[kSlotR2CV], scan});

    // 5. Outlier decision.
    DecideOutlier(context, outliers, pair, report, f.Q, scan);

    // 6. Relative utility of the predictors.
    std::array<double, kSetWidth + 1> utility{};
    for (int k = 1; k <= p; ++k) {
        trial.fill(0);
        int position = 0;
        for (int m = 1; m <= p; ++m) {
            if (m != k) {
                trial[++position] = best[m];
            }
        }
        const double r2k = FitSet(problem, trial, p - 1, pair, window).R2;
        utility[k] = 1 - r2k != 0 ? (r2Full - r2k) / (1 - r2k) : 0.0;
    }
    trial = best;
    double uMax = 0;
    for (int k = 1; k <= p; ++k) {
        uMax = std::fmax(uMax, utility[k]);
    }
    for (int k = 1; k <= p; ++k) {
        utility[k] = uMax > 0 ? 1000 * utility[k] / uMax : 0.0;
    }
    pair.MeanX = f.MeanE;
    pair.SEE = f.SEE;
    pair.R2 = f.R2;
    report.Lines({"", "   Relative utility of the predictors within [0 - 1000] range",
                  "   to explain the variation of the Dependent Property values", ""});
    for (int k = 1; k <= p; ++k) {
        report.Line("   " + dm.ColumnNames[best[k]] + "     " +
                    PlainNumber(IntFloor(utility[k] + 0.5)));
    }

    // 7. Stop rule.
    if (EliminationStops(outliers.OutlierSteps, context.In.InitialCalibrationCount)) {
        const bool removalAnnounced = !(outliers.OutlierRatio > 1);
        outliers.OutlierRatio = kNoRemovalRatio;
        report.Lines({"", "   The elimination of outliers was stopped because of",
                      "   too large number of outliers in the calibration set.", ""});
        if (removalAnnounced) {
            // This cycle is the final one after all: its estimates are the "after" series
            // of the scatter plots, and the fragments of its calibration set are reported.
            FillScatterSeries(context.Results, estimated.data(), observed.data(), n, 3);
            ReportFragments(context.Results, cycle, outliers, pair, window, report);
        }
    }
    report.Close();
}

} // namespace kalemir::qspr
