#include "qspr/final/FinalAnalysis.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "qspr/core/Fit.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/PredictionSet.h"
#include "qspr/final/PredictorFiles.h"
#include "qspr/final/RunCapture.h"
#include "qspr/final/Validation.h"
#include "qspr/setup/Parameters.h"

#include <cmath>

namespace kalemir::qspr {

namespace {

const std::string kDots(57, '.');

const char* const kTitles[5] = {"", " with the highest value of Q", " with the lowest value of RR%",
                                " with the lowest value of KK%", " with the highest value of COR"};

/// Refits kept equation e on its first p members (p = FitTermCount); its estimates of the
/// calibration molecules are left in pair.
FitResult FitKeptEquation(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                          SearchState& search, PairCorrelation& pair, ComputingWindow& window,
                          int e) {
    window.SetCaption(" Analysis of the QSPR " + std::to_string(e) + " / " +
                      std::to_string(kListRows));
    PredictorSet& trial = search.CandidateSets[kCandidateRow];
    trial.fill(0);
    for (int k = 1; k <= search.FitTermCount; ++k) {
        trial[k] = search.KeptSets[e][k];
    }
    return FitSet(FitProblemOf(cycle, descriptors, search), trial, search.FitTermCount, pair,
                  window)
        .Fit;
}

/// Estimates of molecules first..last with the equation just fitted (on the set of
/// CandidateSets row 1001).
void EstimateRows(const SignificantDescriptors& descriptors, const SearchState& search,
                  const FitResult& fit, FinalWork& work, int first, int last) {
    const PredictorSet& trial = search.CandidateSets[kCandidateRow];
    const int p = search.FitTermCount;
    for (int row = first; row <= last; ++row) {
        double estimate = fit.Intercept;
        for (int k = 1; k <= p; ++k) {
            const double value =
                trial[k] != 0 ? descriptors.DescriptorMatrix.At(row, trial[k]) : 0.0;
            estimate = estimate + fit.Coefficients[k] * (value + fit.Means[k]);
        }
        work.Estimate[row] = estimate;
    }
}

BestEquation RecordOf(const FitResult& fit, const EquationFigures& f) {
    BestEquation record;
    for (int k = 1; k <= fit.K; ++k) {
        record.Weights[k] = static_cast<float>(RoundDown(fit.Coefficients[k], 4));
    }
    record.Intercept = static_cast<float>(RoundDown(fit.Intercept, 4));
    record.Q = static_cast<float>(f.Q);
    record.SEE = static_cast<float>(f.SEE);
    record.F = static_cast<float>(f.F);
    record.COR = f.COR;
    record.R2 = static_cast<float>(f.R2);
    record.RR = static_cast<float>(f.RR);
    record.KK = f.KK;
    return record;
}

/// r2, SEE, Q, F, RR% and KK% of the equation just fitted (its validation measures computed).
EquationFigures FiguresOfFit(CycleInputs& cycle, const SearchState& search, PairCorrelation& pair,
                             ComputingWindow& window, FinalWork& work) {
    const int n = cycle.CalibrationCount;
    const int p = search.FitTermCount;
    EquationFigures f;
    f.R2 = pair.R2;
    f.SEE = pair.SEE;
    f.Q = RankingQ(f.R2, n, p);
    f.F = RankingF(f.R2, n, p);
    ComputeValidationMeasures(cycle, pair, work, window);
    f.RR = RelativeValidationError(work.Validation);
    f.KK = work.Validation.RankErrorPercent;
    return f;
}

/// Ranking of the 1000 kept equations with a prediction set.
void RankEquations(CycleInputs& cycle, const SignificantDescriptors& descriptors,
                   SearchState& search, PairCorrelation& pair, ComputingWindow& window,
                   FinalWork& work) {
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    for (int e = 1; e <= kListRows; ++e) {
        const FitResult fit = FitKeptEquation(cycle, descriptors, search, pair, window, e);
        EstimateRows(descriptors, search, fit, work, n + 1, n + pc);
        const EstimateSpreads s = SpreadsOf(pair.X.data(), work.Estimate.data() + n, n, pc);
        EquationFigures f = FiguresOfFit(cycle, search, pair, window, work);
        // ComputeValidationMeasures leaves in pair.MeanX the mean validation estimate (m_cal
        // below 3).
        f.COR = EquationCorrectness(cycle.EstimatedCOR, pair.MeanX, s.MeanPred, s.SpreadPred, f.RR);
        UpdateTrackers(work.Trackers, e, f, RecordOf(fit, f), {kByQ, kByRR, kByKK, kByCOR});
    }
}

void WriteBestEquationReport(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                             const SearchState& search, const std::string& reportName,
                             const FinalWork& work) {
    const auto& numbers = work.Trackers.Number;
    ReportAppender report(reportName);
    report.Lines({"", kDots, "",
                  "The value of the predictors in the below equation(s) is saved as "
                  "NAME#Xprd.dat file(s).",
                  ""});
    for (int t = kByQ; t <= kByCOR; ++t) {
        if (IsNewEquation(numbers, t)) {
            WriteEquationBlock(report, descriptors, search, work.Trackers, t, false);
        }
    }
    report.Lines(
        {"In order to understand the physical meaning of the predictors",
         "the documentation of the KALEMIR and DRAGON programs have to be consulted.", "",
         "            You indicated COR (KalemirS) = " + PlainNumberSingle(cycle.EstimatedCOR), "",
         "            ESTIMATION FOR THE MOLECULES IN THE PREDICTION SET"});
    report.Close();
}

void WriteClosingLines(ReportAppender& report) {
    report.Line("     Finishing all calculations");
    report.Line("     " + DateText() + "     " + TimeText());
}

} // namespace

void EndCycle(const CycleContext& context, SearchState& search, const OutlierState& outliers) {
    CycleInputs& cycle = context.Cycle;
    ReportAppender report(context.ReportName);
    const bool removal = cycle.PredictionCount == 0
                             ? !(outliers.OutlierRatio > 1)
                             : outliers.OutlierRatio > 0 && !(outliers.OutlierRatio > 1);
    RecordRemoval(context.Results, removal ? outliers.OutlierName : std::string());
    if (removal) {
        report.Lines({"   " + std::string(70, '-'), "",
                      "   STEP #" + PlainNumber(cycle.Number + 1) +
                          " IN IDENTIFICATION AND ELIMINATION OF OUTLIERS",
                      ""});
        report.Close();
        --cycle.CalibrationCount;
        DeriveDefaultThresholds(cycle, cycle.CalibrationCount);
        search.Progress.RestartQ();
        // As the Parameters OK does: a search needs at least pairs.
        if (cycle.MaxPredictors < 2) {
            cycle.MaxPredictors = 2;
        }
        cycle.ValidationNames.resize(static_cast<std::size_t>(cycle.ValidationCount) + 1);
        return;
    }
    report.Line("");
    if (cycle.PredictionCount > 0 && outliers.OutlierRatio > 1) {
        report.Lines({"   " + std::string(70, '-'), ""});
    }
    WriteClosingLines(report);
    report.Close();
}

int DistinctEquationCount(const std::array<int, 5>& numbers) {
    int count = 0;
    for (int t = kByQ; t <= kByCOR; ++t) {
        if (IsNewEquation(numbers, t)) {
            ++count;
        }
    }
    return count;
}

bool IsNewEquation(const std::array<int, 5>& numbers, int t) {
    if (numbers[t] == 0) {
        return false;
    }
    for (int earlier = kByQ; earlier < t; ++earlier) {
        if (numbers[earlier] == numbers[t]) {
            return false;
        }
    }
    return true;
}

double RankingQ(double r2, int n, int p) {
    if (!(r2 > 0) || r2 >= 1) {
        return 0;
    }
    const double ratio = static_cast<double>(n - p) / static_cast<double>(n + p);
    return ratio * ratio * std::sqrt(r2 / (1 - r2));
}

double RankingF(double r2, int n, int p) {
    if (p < 1 || r2 >= 1) {
        return 0;
    }
    return (static_cast<double>(n) / p - 1) * r2 / (1 - r2);
}

void UpdateTrackers(EquationTrackers& tr, int e, const EquationFigures& f,
                    const BestEquation& record, std::initializer_list<int> criteria) {
    for (const int t : criteria) {
        bool better = false;
        switch (t) {
        case kByQ:
            better = f.Q > tr.BestQ;
            if (better) {
                tr.BestQ = f.Q;
            }
            break;
        case kByRR:
            better = f.RR < tr.BestRR;
            if (better) {
                tr.BestRR = f.RR;
            }
            break;
        case kByKK:
            better = f.KK < tr.BestKK;
            if (better) {
                tr.BestKK = f.KK;
            }
            break;
        case kByCOR:
            better = f.COR > tr.BestCOR;
            if (better) {
                tr.BestCOR = f.COR;
            }
            break;
        default:
            break;
        }
        if (better) {
            tr.Number[t] = e;
            tr.Records[t] = record;
        }
    }
}

void WriteEquationBlock(ReportAppender& report, const SignificantDescriptors& descriptors,
                        const SearchState& search, const EquationTrackers& trackers, int criterion,
                        bool howToUse) {
    const BestEquation& record = trackers.Records[criterion];
    const int e = trackers.Number[criterion];
    const std::string title = kTitles[criterion];
    auto four = [](float v) { return PlainNumber(RoundDown(static_cast<double>(v), 4)); };
    report.Lines({"The equation #" + std::to_string(e) + title, ""});
    for (int k = 1; k <= search.FitTermCount; ++k) {
        const int c = search.KeptSets[e][k];
        report.Line("     " +
                    (c != 0 ? descriptors.DescriptorMatrix.ColumnNames[c] : std::string()) +
                    "     " + four(record.Weights[k]));
    }
    report.Lines({"", "    Intercept =   " + four(record.Intercept), ""});
    if (howToUse) {
        report.Lines({"Using the above equation and the content of the 'NAMEprd.dat' file",
                      "you can calculate the values of the dependent property.", ""});
    }
    report.Lines({"quality criteria:", "", "  r2 = " + four(record.R2), "  Q = " + four(record.Q),
                  "  F = " + PlainNumber(RoundDown(static_cast<double>(record.F), 1)),
                  "  SEE = " + four(record.SEE), "    RR% = " + four(record.RR),
                  "    KK% = " + four(record.KK), ""});
}

void RankWithoutPredictionSet(const CycleContext& context,
                              const SignificantDescriptors& descriptors, SearchState& search,
                              const OutlierState& outliers, PairCorrelation& pair,
                              FinalWork& work) {
    CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    if (cycle.PredictionCount != 0 || !(outliers.OutlierRatio > 1)) {
        return;
    }
    const int n = cycle.CalibrationCount;
    EquationTrackers& tr = work.Trackers;
    for (int t = kByQ; t <= kByKK; ++t) {
        tr.Records[t] = BestEquation{};
    }
    tr.BestRR = 1000;
    tr.BestKK = 1000;
    tr.Number[kByRR] = 0;
    tr.Number[kByKK] = 0;
    for (int e = 1; e <= kListRows; ++e) {
        const FitResult fit = FitKeptEquation(cycle, descriptors, search, pair, window, e);
        EstimateRows(descriptors, search, fit, work, 1, n);
        const EquationFigures f = FiguresOfFit(cycle, search, pair, window, work);
        UpdateTrackers(tr, e, f, RecordOf(fit, f), {kByRR, kByKK});
    }
    for (const int t : {kByRR, kByKK}) {
        if (tr.Number[t] != 0) {
            work.EquationNumber = tr.Number[t];
            WritePredictorFile(context.In, cycle, descriptors, search, work);
        }
    }
    RecordRanking(context.Results, cycle, descriptors, search, work);
    ReportAppender report(context.ReportName);
    report.Lines({"", kDots, ""});
    if (tr.Number[kByRR] != 0) {
        WriteEquationBlock(report, descriptors, search, tr, kByRR, true);
    }
    if (tr.Number[kByKK] != 0 && tr.Number[kByKK] != tr.Number[kByRR]) {
        WriteEquationBlock(report, descriptors, search, tr, kByKK, true);
    }
    report.Lines({"In order to understand the physical meaning of the predictors",
                  "the documentation of the KALEMIR and DRAGON programs have to be consulted.",
                  ""});
    report.Close();
}

void FinalAnalysis(const CycleContext& context, const SignificantDescriptors& descriptors,
                   SearchState& search, OutlierState& outliers, PairCorrelation& pair) {
    const RunInputs& in = context.In;
    RunResults& results = context.Results;
    CycleInputs& cycle = context.Cycle;
    const std::string& reportName = context.ReportName;
    if (search.ValuableSetCount == 0) {
        return;
    }
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    FinalWork work;
    work.EstimatesFileName = EstimatesFileName(in.QsprTableName);
    if (cycle.Number > 1) {
        ReportAppender report(reportName);
        report.Lines(
            {"     Statistical analysis parameters:", "",
             "     Molecules number in the calibration set: " + NumText(n),
             "     Molecules number in the validation set: " + NumText(cycle.ValidationCount),
             "     Molecules number in the prediction set: " + NumText(pc)});
        if (cycle.MaxPredictors > 1) {
            report.Line("     Minimum predictors number: 2");
        }
        report.Lines(
            {"     Maximum predictors number: " + NumText(cycle.MaxPredictors),
             "     descriptors / Property correlation: r2 > " + NumText(cycle.MinPropertyR2),
             "     Intercorrelation in > 2 descriptors sets: r2 < " + NumText(cycle.MaxInterR2)});
        report.Close();
    }
    int p = 0;
    for (int m = 1; m <= cycle.MaxPredictors && m <= kSetWidth; ++m) {
        if (search.BestSets[kBestByQSlot][m] != 0) {
            ++p;
        }
    }
    search.FitTermCount = p;
    work.Size(n + pc, pc);
    for (int i = n; i >= 1; --i) {
        work.CalibrationRowOf[descriptors.DescriptorMatrix.MoleculeNames[i]] = i;
    }
    if (p == 0) {
        // No best set by Q to analyse: nothing to remove, the analysis ends here.
        outliers.OutlierRatio = kNoRemovalRatio;
        ReportAppender report(reportName);
        report.Line("");
        WriteClosingLines(report);
        report.Close();
        return;
    }
    PrepareCrossProducts(cycle, descriptors, search, context.Pool);

    AnalyseCalibrationSet(context, descriptors, search, outliers, pair);
    RankWithoutPredictionSet(context, descriptors, search, outliers, pair, work);
    if (pc > 0 && outliers.OutlierRatio > 1) {
        std::fill(work.Vote.begin(), work.Vote.end(), 0);
        RankEquations(cycle, descriptors, search, pair, context.Window, work);
        RecordRanking(results, cycle, descriptors, search, work);
        const auto& numbers = work.Trackers.Number;
        for (int t = kByQ; t <= kByCOR; ++t) {
            if (IsNewEquation(numbers, t)) {
                work.EquationNumber = numbers[t];
                WritePredictorFile(in, cycle, descriptors, search, work);
            }
        }
        WriteBestEquationReport(cycle, descriptors, search, reportName, work);
        for (int t = kByQ; t <= kByCOR; ++t) {
            if (IsNewEquation(numbers, t)) {
                work.EquationNumber = numbers[t];
                EstimatePredictionSet(context, descriptors, search, pair, work);
            }
        }
        ReportFinalLabels(cycle, descriptors, reportName, work, DistinctEquationCount(numbers));
        RecordFinalLabels(results, cycle, work, DistinctEquationCount(numbers));
    }
    EndCycle(context, search, outliers);
}

} // namespace kalemir::qspr
