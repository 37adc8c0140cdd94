#include "qspr/final/FinalAnalysis.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/WorkerPool.h"
#include "qspr/core/Fit.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/PredictionSet.h"
#include "qspr/final/PredictorFiles.h"
#include "qspr/final/RunCapture.h"
#include "qspr/final/Validation.h"
#include "qspr/setup/Parameters.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kalemir::qspr {

namespace {

const std::string kDots(57, '.');

const char* const kTitles[5] = {"", " with the highest value of Q", " with the lowest value of RR%",
                                " with the lowest value of KK%", " with the highest value of COR"};

/// The set of kept equation e: its first p members (p = FitTermCount), the rest empty.
PredictorSet KeptSetOf(const SearchState& search, int e) {
    PredictorSet set{};
    for (int k = 1; k <= search.FitTermCount; ++k) {
        set[k] = search.KeptSets[e][k];
    }
    return set;
}

/// Shows that kept equation e is being analysed and puts its set in CandidateSets row
/// 1001, where the analysis keeps the set it fitted last.
const PredictorSet& TakeKeptSet(SearchState& search, ComputingWindow& window, int e) {
    window.SetCaption(" Analysis of the QSPR " + std::to_string(e) + " / " +
                      std::to_string(kListRows));
    PredictorSet& trial = search.CandidateSets[kCandidateRow];
    trial = KeptSetOf(search, e);
    return trial;
}

/// Estimates of molecules first..last by the fit of `set` into estimates[first..last].
void EstimateRows(const SignificantDescriptors& descriptors, const PredictorSet& set,
                  const FitResult& fit, std::vector<double>& estimates, int first, int last) {
    for (int row = first; row <= last; ++row) {
        double estimate = fit.Intercept;
        for (int k = 1; k <= fit.K; ++k) {
            const double value = set[k] != 0 ? descriptors.DescriptorMatrix.At(row, set[k]) : 0.0;
            estimate = estimate + fit.Coefficients[k] * (value + fit.Means[k]);
        }
        estimates[static_cast<std::size_t>(row)] = estimate;
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

/// r2, SEE, Q, F, RR% and KK% of the equation with p terms just fitted on n molecules,
/// its validation measured into `sums`.
EquationFigures FiguresOfFit(int n, int p, const PairCorrelation& pair,
                             const ValidationSums& sums) {
    EquationFigures f;
    f.R2 = pair.R2;
    f.SEE = pair.SEE;
    f.Q = RankingQ(f.R2, n, p);
    f.F = RankingF(f.R2, n, p);
    f.RR = RelativeValidationError(sums);
    f.KK = sums.RankErrorPercent;
    return f;
}

/// What every kept equation of the ranking is assessed against; read only.
struct RankingInputs {
    const CycleInputs& Cycle;
    const SignificantDescriptors& Descriptors;
    FitProblem Problem;
    const std::vector<int>& ValidationRows;
    int TermCount = 0;
};

/// Where one kept equation is assessed: the analysis's own buffers, or a worker's.
struct RankingBuffers {
    PairCorrelation& Pair;
    std::vector<double>& Estimate; ///< rows 1..N+P
    ValidationWork& Validation;
    ComputingWindow& Window;
};

/// Figures and record of one kept equation, as the trackers take them.
struct AssessedEquation {
    EquationFigures Figures;
    BestEquation Record;
};

/// A kept equation refitted on the calibration set, its estimates of the prediction set,
/// its validation measures and COR. Writes only into `buffers`.
AssessedEquation AssessKeptEquation(const RankingInputs& in, const PredictorSet& set,
                                    const RankingBuffers& buffers) {
    const int n = in.Cycle.CalibrationCount;
    const int pc = in.Cycle.PredictionCount;
    PairCorrelation& pair = buffers.Pair;
    const FitResult fit = FitSet(in.Problem, set, in.TermCount, pair, buffers.Window).Fit;
    EstimateRows(in.Descriptors, set, fit, buffers.Estimate, n + 1, n + pc);
    const EstimateSpreads s = SpreadsOf(pair.X.data(), buffers.Estimate.data() + n, n, pc);
    MeasureValidation(in.ValidationRows, pair, buffers.Validation, buffers.Window);
    AssessedEquation assessed;
    EquationFigures& f = assessed.Figures;
    f = FiguresOfFit(n, in.TermCount, pair, buffers.Validation.Sums);
    // MeasureValidation leaves in pair.MeanX the mean validation estimate (m_cal below 3).
    f.COR = EquationCorrectness(in.Cycle.EstimatedCOR, pair.MeanX, s.MeanPred, s.SpreadPred, f.RR);
    assessed.Record = RecordOf(fit, f);
    return assessed;
}

/// A worker's window: shows nothing and counts the yields, so that the calling thread
/// yields for them to the run's window.
class YieldTally final : public SilentWindow {
public:
    YieldTally() { SetYieldInterval(1); }
    unsigned long long Take() { return std::exchange(count_, 0); }

protected:
    void ProcessEvents() override { ++count_; }

private:
    unsigned long long count_ = 0;
};

/// One worker's buffers for assessing kept equations beside the others.
struct RankingScratch {
    PairCorrelation Pair;
    std::vector<double> Estimate;
    ValidationWork Validation;
    YieldTally Window;
};

/// Kept equations the workers assess between two looks at the window (caption, stop).
constexpr int kRankChunk = 100;

/// Ranking of the 1000 kept equations with a prediction set. The workers assess equations
/// 1..999 side by side, each in its own buffers, chunk by chunk; the last one is assessed
/// in the analysis's own pair and work, which thus hold afterwards what an assessment of
/// one equation after another leaves there. The trackers take the equations in order.
void RankEquations(const CycleContext& context, const SignificantDescriptors& descriptors,
                   SearchState& search, PairCorrelation& pair, FinalWork& work) {
    CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int rows = cycle.CalibrationCount + cycle.PredictionCount;
    PrepareValidationRows(cycle, work);
    const RankingInputs in{cycle, descriptors, FitProblemOf(cycle, descriptors, search),
                           work.ValidationRows, search.FitTermCount};
    const int workers = context.Pool ? context.Pool->Size() : 1;
    std::vector<RankingScratch> scratch(static_cast<std::size_t>(workers));
    for (RankingScratch& own : scratch) {
        own.Pair.HoldRows(rows);
        own.Estimate.assign(static_cast<std::size_t>(rows) + 1, 0.0);
    }
    std::vector<AssessedEquation> assessed(static_cast<std::size_t>(kListRows) + 1);
    for (int first = 1; first < kListRows; first += kRankChunk) {
        const int end = std::min(first + kRankChunk, kListRows); // one past the chunk
        window.SetCaption(" Analysis of the QSPR " + std::to_string(first) + " / " +
                          std::to_string(kListRows));
        auto body = [&](int from, int to, int worker) {
            RankingScratch& own = scratch[static_cast<std::size_t>(worker)];
            const RankingBuffers buffers{own.Pair, own.Estimate, own.Validation, own.Window};
            for (int e = first + from; e < first + to; ++e) {
                assessed[static_cast<std::size_t>(e)] =
                    AssessKeptEquation(in, KeptSetOf(search, e), buffers);
            }
        };
        ForEachOn(context.Pool, end - first, 1, body);
        for (RankingScratch& own : scratch) {
            window.Yield(own.Window.Take());
        }
    }
    const PredictorSet& last = TakeKeptSet(search, window, kListRows);
    assessed[kListRows] =
        AssessKeptEquation(in, last, {pair, work.Estimate, work.Validation, window});
    for (int e = 1; e <= kListRows; ++e) {
        const AssessedEquation& a = assessed[static_cast<std::size_t>(e)];
        UpdateTrackers(work.Trackers, e, a.Figures, a.Record, {kByQ, kByRR, kByKK, kByCOR});
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
    const FitProblem problem = FitProblemOf(cycle, descriptors, search);
    const int p = search.FitTermCount;
    for (int e = 1; e <= kListRows; ++e) {
        const PredictorSet& set = TakeKeptSet(search, window, e);
        const FitResult fit = FitSet(problem, set, p, pair, window).Fit;
        EstimateRows(descriptors, set, fit, work.Estimate, 1, n);
        ComputeValidationMeasures(cycle, pair, work, window);
        const EquationFigures f = FiguresOfFit(n, p, pair, work.Validation.Sums);
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
        RankEquations(context, descriptors, search, pair, work);
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
