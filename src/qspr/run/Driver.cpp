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
        ScreenTableColumns(cs.Cycle, cs.Tables, cs.Pair, window);
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
    // Where a stop lands, for the report's closing line.
    std::string stage = "at the preliminary selection of descriptors";
    auto inCycle = [&](const char* step) {
        stage = "in cycle " + std::to_string(cs.Cycle.Number) + " at " + step;
    };
    // The cycles rewrite their tables: they work on copies, never on the user's files.
    try {
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        window.BeginStage("preliminary selection of descriptors");
        PreselectDescriptors(ps, cs.Cycle, cs.Tables, cs.Descriptors, cs.Search, cs.Pair,
                             cs.WorkFiles, cs.ReportName, cs.Workers.get(), window);
        cs.Outliers.OutlierName.clear();
        cs.Outliers.OutlierSteps = 0;
        cs.Cycle.Number = 0;
        ps.CycleNumber = 0;
        const int maxSteps = MaxOutlierSteps(ps);
        bool more = true;
        while (more) {
            ++cs.Cycle.Number;
            ps.CycleNumber = cs.Cycle.Number;
            window.SetCycle(cs.Cycle.Number, cs.Outliers.OutlierSteps);
            window.BeginStage("screening of the descriptors");
            inCycle("the screening of the descriptors");
            ScreenCycle(cs, window);
            if (cs.Descriptors.SignificantCount > 1) {
                inCycle("the intercorrelations");
                window.BeginStage("intercorrelations of the descriptors");
                ComputeInterR2(cs.Cycle, cs.Descriptors, cs.Pair, cs.Workers.get(), window);
                CentreColumns(cs.Cycle, cs.Descriptors, cs.Outliers, window);
                inCycle("the search of predictor pairs");
                const CycleContext context{ps,     ps,           cs.Cycle, cs.Workers.get(),
                                           window, cs.ReportName};
                SearchPairs(context, cs.Descriptors, cs.Search, cs.CV, cs.Outliers);
                inCycle("the search of larger predictor sets");
                SearchLargerSets(context, cs.Descriptors, cs.Search, cs.CV, cs.Outliers);
                inCycle("the final analysis");
                window.SetPredictors(0, cs.Cycle.MaxPredictors);
                window.BeginStage("final analysis");
                ReportBestPredictors(ps, cs.Cycle, cs.Descriptors, cs.Search, cs.Pair,
                                     cs.ReportName, window);
                WriteBestSetValues(cs.Cycle, cs.Tables, cs.Descriptors, cs.Search);
                FinalAnalysis(context, cs.Descriptors, cs.Search, cs.Outliers, cs.Pair);
            }
            more = AnotherCycle(cs, maxSteps);
        }
    } catch (const RunInterrupted&) {
        // The report says it was stopped, and where, as its last line.
        cs.WorkFiles.RemoveAll();
        ps.StoppedStage = stage;
        AppendReportLines(kWorkingReport, {"", "     " + StoppedAnalysisText(stage)});
        throw;
    } catch (...) {
        cs.WorkFiles.RemoveAll();
        throw;
    }
    cs.WorkFiles.RemoveAll();
}

} // namespace kalemir::qspr
