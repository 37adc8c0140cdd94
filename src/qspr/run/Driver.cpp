#include "qspr/run/Driver.h"

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/Report.h"
#include "qspr/core/BestSetReport.h"
#include "qspr/core/Centring.h"
#include "qspr/core/Significant.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/final/FinalAnalysis.h"
#include "qspr/search/CyclePreparation.h"
#include "qspr/search/LargerSets.h"
#include "qspr/search/PairSearch.h"
#include "qspr/search/Preselection.h"

#include <cmath>

namespace kalemir::qspr {

void ScreenCycle(ComputingState& cs, ComputingWindow& window) {
    PrepareCycle(cs.Cycle, cs.Tables, cs.Outliers);
    SplitTables(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
    ParseQsprTable(cs.Cycle, cs.Tables, cs.Descriptors, cs.Pair);
    for (cs.Tables.TableIndex = 1; cs.Tables.TableIndex <= cs.Cycle.TableCount;
         ++cs.Tables.TableIndex) {
        LoadWorkTable(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
        ScreenTableColumns(cs.Cycle, cs.Tables, cs.Pair, window, cs.Workers.get());
        MergeSignificant(cs.Cycle, cs.Tables, cs.Descriptors, cs.Pair, window);
    }
    RankSignificant(cs.Cycle, cs.Descriptors, cs.ReportName, window);
}

bool AnotherCycle(ComputingState& cs, int maxSteps) {
    bool another = true;
    if (cs.Outliers.OutlierRatio > 1) {
        cs.Outliers.OutlierName.clear();
        another = false;
    }
    if (cs.Descriptors.SignificantCount < 2 || cs.Search.ValuableSetCount == 0) {
        another = false;
    }
    return another && cs.Outliers.OutlierSteps < maxSteps;
}

int MaxOutlierSteps(const RunInputs& in) {
    return static_cast<int>(std::floor(std::sqrt(static_cast<double>(in.InitialCalibrationCount))));
}

void RunComputation(ProgramState& ps, ComputingWindow& window) {
    ComputingState cs;
    RunComputation(ps, cs, window);
}

void RunCycles(const CycleContext& context, ComputingState& cs, CyclePolicy& policy) {
    const RunInputs& in = context.In;
    ComputingWindow& window = context.Window;
    MakeWorkCopies(cs.Cycle, cs.WorkFiles);
    policy.StartStep(CycleStep::Preselection, context, cs);
    PreselectionOptions options;
    options.PassByIdleFits = cs.Search.PassByIdleFits;
    PreselectDescriptors(context, cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles, options);
    cs.Outliers.OutlierName.clear();
    cs.Outliers.OutlierSteps = 0;
    cs.Cycle.Number = 0;
    context.Results.CycleNumber = 0;
    const int maxSteps = MaxOutlierSteps(in);
    bool more = true;
    while (more) {
        ++cs.Cycle.Number;
        context.Results.CycleNumber = cs.Cycle.Number;
        policy.StartStep(CycleStep::Screening, context, cs);
        ScreenCycle(cs, window);
        bool finished = false;
        if (cs.Descriptors.SignificantCount > 1) {
            policy.StartStep(CycleStep::Intercorrelations, context, cs);
            ComputeInterR2(cs.Cycle, cs.Descriptors, cs.Pair, context.Pool, window);
            CentreColumns(cs.Cycle, cs.Descriptors, cs.Outliers, window);
            policy.StartStep(CycleStep::PairSearch, context, cs);
            SearchPairs(context, cs.Descriptors, cs.Search, cs.CV, cs.Outliers);
            policy.StartStep(CycleStep::LargerSetSearch, context, cs);
            SearchLargerSets(context, cs.Descriptors, cs.Search, cs.CV, cs.Outliers);
            policy.StartStep(CycleStep::FinalAnalysis, context, cs);
            finished = policy.FinishCycle(context, cs);
        }
        more = AnotherCycle(cs, maxSteps) && finished;
    }
}

namespace {

/// The run itself: the window learns each step, a stop names the step it landed in, and a
/// cycle ends with the report of its best predictors and the final analysis.
class RunPolicy : public CyclePolicy {
public:
    void StartStep(CycleStep step, const CycleContext& context, const ComputingState& cs) override {
        ComputingWindow& window = context.Window;
        switch (step) {
        case CycleStep::Preselection:
            window.BeginStage("preliminary selection of descriptors");
            break;
        case CycleStep::Screening:
            window.SetCycle(context.Cycle.Number, cs.Outliers.OutlierSteps);
            window.BeginStage("screening of the descriptors");
            InCycle(context, "the screening of the descriptors");
            break;
        case CycleStep::Intercorrelations:
            InCycle(context, "the intercorrelations");
            window.BeginStage("intercorrelations of the descriptors");
            break;
        case CycleStep::PairSearch:
            InCycle(context, "the search of predictor pairs");
            break;
        case CycleStep::LargerSetSearch:
            InCycle(context, "the search of larger predictor sets");
            break;
        case CycleStep::FinalAnalysis:
            InCycle(context, "the final analysis");
            window.SetPredictors(0, context.Cycle.MaxPredictors);
            window.BeginStage("final analysis");
            break;
        }
    }

    bool FinishCycle(const CycleContext& context, ComputingState& cs) override {
        ReportBestPredictors(context, cs.Descriptors, cs.Search, cs.Pair);
        WriteBestSetValues(cs.Cycle, cs.Tables, cs.Descriptors, cs.Search);
        FinalAnalysis(context, cs.Descriptors, cs.Search, cs.Outliers, cs.Pair);
        return true;
    }

    /// Where a stop lands, for the report's closing line.
    const std::string& Stage() const { return stage_; }

private:
    void InCycle(const CycleContext& context, const char* step) {
        stage_ = "in cycle " + std::to_string(context.Cycle.Number) + " at " + step;
    }

    std::string stage_ = "at the preliminary selection of descriptors";
};

} // namespace

void RunComputation(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    if (ps.ComputationStarted) {
        return;
    }
    ps.ComputationStarted = true;
    RunRecord fresh;
    fresh.GivenParameters = std::move(ps.Record.GivenParameters);
    ps.Record = std::move(fresh);
    window.SetCaption("                       Computing  ... reckoning ... wait ...");
    cs.Cycle = FirstCycleInputs(ps);
    if (!cs.Workers) {
        cs.Workers = std::make_unique<WorkerPool>(ps.ThreadCount);
    }
    RunPolicy policy;
    const CycleContext context{ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName};
    // The cycles rewrite their tables: they work on copies, never on the user's files.
    try {
        RunCycles(context, cs, policy);
    } catch (const RunInterrupted&) {
        // The report says it was stopped, and where, as its last line.
        cs.WorkFiles.RemoveAll();
        ps.StoppedStage = policy.Stage();
        AppendReportLines(kWorkingReport, {"", "     " + StoppedAnalysisText(policy.Stage())});
        throw;
    } catch (...) {
        cs.WorkFiles.RemoveAll();
        throw;
    }
    cs.WorkFiles.RemoveAll();
}

} // namespace kalemir::qspr
