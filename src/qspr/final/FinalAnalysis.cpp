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

/// Refits kept equation e on its first p members (p = FitTermCount).
void FitKeptEquation(ProgramState& ps, ComputingState& cs, ComputingWindow& window, int e) {
    window.SetCaption(" Analysis of the QSPR " + std::to_string(e) + " / " +
                      std::to_string(kListRows));
    PredictorSet& trial = cs.CandidateSets[kCandidateRow];
    trial.fill(0);
    for (int k = 1; k <= cs.FitTermCount; ++k) {
        trial[k] = cs.KeptSets[e][k];
    }
    cs.BestR2Seen = 0;
    FitEquation(ps, cs, window, trial);
}

/// Estimates of molecules first..last with the equation just fitted.
void EstimateRows(ComputingState& cs, FinalWork& work, int first, int last) {
    const PredictorSet& trial = cs.CandidateSets[kCandidateRow];
    const int p = cs.FitTermCount;
    for (int row = first; row <= last; ++row) {
        double estimate = cs.Fit.Intercept;
        for (int k = 1; k <= p; ++k) {
            const double value = trial[k] != 0 ? cs.DescriptorMatrix.At(row, trial[k]) : 0.0;
            estimate = estimate + cs.Fit.Coefficients[k] * (value + cs.Fit.Means[k]);
        }
        work.Estimate[row] = estimate;
    }
}

BestEquation RecordOf(const ComputingState& cs, const EquationFigures& f) {
    BestEquation record;
    for (int k = 1; k <= cs.FitTermCount; ++k) {
        record.Weights[k] = static_cast<float>(RoundDown(cs.Fit.Coefficients[k], 4));
    }
    record.Intercept = static_cast<float>(RoundDown(cs.Fit.Intercept, 4));
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
EquationFigures FiguresOfFit(ProgramState& ps, ComputingState& cs, ComputingWindow& window,
                             FinalWork& work) {
    const int n = ps.CalibrationCount;
    const int p = cs.FitTermCount;
    EquationFigures f;
    f.R2 = cs.Pair.R2;
    f.SEE = cs.Pair.SEE;
    f.Q = RankingQ(f.R2, n, p);
    f.F = RankingF(f.R2, n, p);
    ComputeValidationMeasures(ps, cs, work, window);
    f.RR = RelativeValidationError(ps, work.Validation);
    f.KK = work.Validation.RankErrorPercent;
    return f;
}

/// Ranking of the 1000 kept equations with a prediction set.
void RankEquations(ProgramState& ps, ComputingState& cs, ComputingWindow& window, FinalWork& work) {
    const int n = ps.CalibrationCount;
    const int pc = ps.PredictionCount;
    for (int e = 1; e <= kListRows; ++e) {
        FitKeptEquation(ps, cs, window, e);
        EstimateRows(cs, work, n + 1, n + pc);
        const EstimateSpreads s = SpreadsOf(cs.Pair.X.data(), work.Estimate.data() + n, n, pc);
        EquationFigures f = FiguresOfFit(ps, cs, window, work);
        // ComputeValidationMeasures leaves in cs.Pair.MeanX the mean validation estimate (m_cal
        // below 3).
        f.COR = EquationCorrectness(ps.EstimatedCOR, cs.Pair.MeanX, s.MeanPred, s.SpreadPred, f.RR);
        UpdateTrackers(work.Trackers, e, f, RecordOf(cs, f), {kByQ, kByRR, kByKK, kByCOR});
    }
}

void WriteBestEquationReport(ProgramState& ps, ComputingState& cs, const FinalWork& work) {
    const auto& numbers = work.Trackers.Number;
    ReportAppender report(cs.ReportName);
    report.Lines({"", kDots, "",
                  "The value of the predictors in the below equation(s) is saved as "
                  "NAME#Xprd.dat file(s).",
                  ""});
    for (int t = kByQ; t <= kByCOR; ++t) {
        if (IsNewEquation(numbers, t)) {
            WriteEquationBlock(report, cs, work.Trackers.Records[t], numbers[t], kTitles[t], false);
        }
    }
    report.Lines(
        {"In order to understand the physical meaning of the predictors",
         "the documentation of the KALEMIR and DRAGON programs have to be consulted.", "",
         "            You indicated COR (KalemirS) = " + PlainNumberSingle(ps.EstimatedCOR), "",
         "            ESTIMATION FOR THE MOLECULES IN THE PREDICTION SET"});
    report.Close();
}

void WriteClosingLines(ReportAppender& report) {
    report.Line("     Finishing all calculations");
    report.Line("     " + DateText() + "     " + TimeText());
}

} // namespace

void EndCycle(ProgramState& ps, ComputingState& cs) {
    ReportAppender report(cs.ReportName);
    const bool removal = ps.PredictionCount == 0 ? !(cs.OutlierRatio > 1)
                                                 : cs.OutlierRatio > 0 && !(cs.OutlierRatio > 1);
    RecordRemoval(ps, removal ? cs.OutlierName : std::string());
    if (removal) {
        report.Lines({"   " + std::string(70, '-'), "",
                      "   STEP #" + PlainNumber(ps.CycleNumber + 1) +
                          " IN IDENTIFICATION AND ELIMINATION OF OUTLIERS",
                      ""});
        report.Close();
        --ps.CalibrationCount;
        DeriveDefaultThresholds(ps);
        // As the Parameters OK does: a search needs at least pairs.
        if (ps.MaxPredictors < 2) {
            ps.MaxPredictors = 2;
        }
        ps.ValidationNames.resize(static_cast<std::size_t>(ps.ValidationCount) + 1);
        ps.ValidationValues.resize(static_cast<std::size_t>(ps.ValidationCount) + 1);
        return;
    }
    report.Line("");
    if (ps.PredictionCount > 0 && cs.OutlierRatio > 1) {
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

void WriteEquationBlock(ReportAppender& report, const ComputingState& cs,
                        const BestEquation& record, int e, const std::string& title,
                        bool howToUse) {
    auto four = [](float v) { return PlainNumber(RoundDown(static_cast<double>(v), 4)); };
    report.Lines({"The equation #" + std::to_string(e) + title, ""});
    for (int k = 1; k <= cs.FitTermCount; ++k) {
        const int c = cs.KeptSets[e][k];
        report.Line("     " + (c != 0 ? cs.DescriptorMatrix.ColumnNames[c] : std::string()) +
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

void RankWithoutPredictionSet(ProgramState& ps, ComputingState& cs, ComputingWindow& window,
                              FinalWork& work) {
    if (ps.PredictionCount != 0 || !(cs.OutlierRatio > 1)) {
        return;
    }
    const int n = ps.CalibrationCount;
    EquationTrackers& tr = work.Trackers;
    for (int t = kByQ; t <= kByKK; ++t) {
        tr.Records[t] = BestEquation{};
    }
    tr.BestRR = 1000;
    tr.BestKK = 1000;
    tr.Number[kByRR] = 0;
    tr.Number[kByKK] = 0;
    for (int e = 1; e <= kListRows; ++e) {
        FitKeptEquation(ps, cs, window, e);
        EstimateRows(cs, work, 1, n);
        const EquationFigures f = FiguresOfFit(ps, cs, window, work);
        UpdateTrackers(tr, e, f, RecordOf(cs, f), {kByRR, kByKK});
    }
    for (const int t : {kByRR, kByKK}) {
        if (tr.Number[t] != 0) {
            work.EquationNumber = tr.Number[t];
            WritePredictorFile(ps, cs, work);
        }
    }
    RecordRanking(ps, cs, work);
    ReportAppender report(cs.ReportName);
    report.Lines({"", kDots, ""});
    if (tr.Number[kByRR] != 0) {
        WriteEquationBlock(report, cs, tr.Records[kByRR], tr.Number[kByRR], kTitles[kByRR], true);
    }
    if (tr.Number[kByKK] != 0 && tr.Number[kByKK] != tr.Number[kByRR]) {
        WriteEquationBlock(report, cs, tr.Records[kByKK], tr.Number[kByKK], kTitles[kByKK], true);
    }
    report.Lines({"In order to understand the physical meaning of the predictors",
                  "the documentation of the KALEMIR and DRAGON programs have to be consulted.",
                  ""});
    report.Close();
}

void FinalAnalysis(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    if (cs.ValuableSetCount == 0) {
        return;
    }
    const int n = ps.CalibrationCount;
    const int pc = ps.PredictionCount;
    cs.RebuildDesign = true;
    FinalWork work;
    work.EstimatesFileName = EstimatesFileName(ps.QsprTableName);
    if (ps.CycleNumber > 1) {
        ReportAppender report(cs.ReportName);
        report.Lines({"     Statistical analysis parameters:", "",
                      "     Molecules number in the calibration set: " + NumText(n),
                      "     Molecules number in the validation set: " + NumText(ps.ValidationCount),
                      "     Molecules number in the prediction set: " + NumText(pc)});
        if (ps.MaxPredictors > 1) {
            report.Line("     Minimum predictors number: 2");
        }
        report.Lines(
            {"     Maximum predictors number: " + NumText(ps.MaxPredictors),
             "     descriptors / Property correlation: r2 > " + NumText(ps.MinPropertyR2),
             "     Intercorrelation in > 2 descriptors sets: r2 < " + NumText(ps.MaxInterR2)});
        report.Close();
    }
    int p = 0;
    for (int m = 1; m <= ps.MaxPredictors && m <= kSetWidth; ++m) {
        if (cs.BestSets[3][m] != 0) {
            ++p;
        }
    }
    cs.FitTermCount = p;
    work.Size(n + pc, pc);
    for (int i = n; i >= 1; --i) {
        work.CalibrationRowOf[cs.DescriptorMatrix.MoleculeNames[i]] = i;
    }
    if (p == 0) {
        // No best set by Q to analyse: nothing to remove, the analysis ends here.
        cs.OutlierRatio = 1.1;
        ReportAppender report(cs.ReportName);
        report.Line("");
        WriteClosingLines(report);
        report.Close();
        return;
    }
    PrepareCrossProducts(ps, cs);

    AnalyseCalibrationSet(ps, cs, window, work);
    RankWithoutPredictionSet(ps, cs, window, work);
    if (pc > 0 && cs.OutlierRatio > 1) {
        std::fill(work.Vote.begin(), work.Vote.end(), 0);
        RankEquations(ps, cs, window, work);
        RecordRanking(ps, cs, work);
        const auto& numbers = work.Trackers.Number;
        for (int t = kByQ; t <= kByCOR; ++t) {
            if (IsNewEquation(numbers, t)) {
                work.EquationNumber = numbers[t];
                WritePredictorFile(ps, cs, work);
            }
        }
        WriteBestEquationReport(ps, cs, work);
        for (int t = kByQ; t <= kByCOR; ++t) {
            if (IsNewEquation(numbers, t)) {
                work.EquationNumber = numbers[t];
                EstimatePredictionSet(ps, cs, window, work);
            }
        }
        ReportFinalLabels(ps, cs, work, DistinctEquationCount(numbers));
        RecordFinalLabels(ps, work, DistinctEquationCount(numbers));
    }
    EndCycle(ps, cs);
}

} // namespace kalemir::qspr
