#include "qspr/core/Driver.h"

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

void ScreenCycle(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    PrepareCycle(ps, cs);
    SplitTables(ps, cs, window);
    ParseQsprTable(ps, cs);
    for (cs.TableIndex = 1; cs.TableIndex <= ps.TableCount; ++cs.TableIndex) {
        LoadWorkTable(ps, cs, window);
        ScreenTableColumns(ps, cs, window);
        MergeSignificant(ps, cs, window);
    }
    RankSignificant(ps, cs, window);
}

int MaxOutlierSteps(const ProgramState& ps) {
    return static_cast<int>(std::floor(std::sqrt(static_cast<double>(ps.InitialCalibrationCount))));
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
    if (!cs.Workers) {
        cs.Workers = std::make_unique<WorkerPool>(ps.ThreadCount);
    }
    // Where a stop lands, for the report's closing line.
    std::string stage = "at the preliminary selection of descriptors";
    auto inCycle = [&](const char* step) {
        stage = "in cycle " + std::to_string(ps.CycleNumber) + " at " + step;
    };
    // The cycles rewrite their tables: they work on copies, never on the user's files.
    try {
        MakeWorkCopies(ps, cs);
        window.BeginStage("preliminary selection of descriptors");
        PreselectDescriptors(ps, cs, window);
        cs.OutlierName.clear();
        cs.OutlierSteps = 0;
        ps.CycleNumber = 0;
        const int maxSteps = MaxOutlierSteps(ps);
        bool more = true;
        while (more) {
            ++ps.CycleNumber;
            window.SetCycle(ps.CycleNumber, cs.OutlierSteps);
            window.BeginStage("screening of the descriptors");
            inCycle("the screening of the descriptors");
            ScreenCycle(ps, cs, window);
            if (cs.SignificantCount > 1) {
                inCycle("the intercorrelations");
                window.BeginStage("intercorrelations of the descriptors");
                ComputeInterR2(ps, cs, window);
                CentreColumns(ps, cs, window);
                inCycle("the search of predictor pairs");
                SearchPairs(ps, cs, window);
                inCycle("the search of larger predictor sets");
                SearchLargerSets(ps, cs, window);
                inCycle("the final analysis");
                window.SetPredictors(0, ps.MaxPredictors);
                window.BeginStage("final analysis");
                ReportBestPredictors(ps, cs, window);
                WriteBestSetValues(ps, cs);
                FinalAnalysis(ps, cs, window);
            }
            if (cs.OutlierRatio > 1) {
                cs.OutlierName.clear();
                more = false;
            }
            if (cs.SignificantCount < 2 || cs.ValuableSetCount == 0) {
                more = false;
            }
            if (cs.OutlierSteps >= maxSteps) {
                more = false;
            }
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
