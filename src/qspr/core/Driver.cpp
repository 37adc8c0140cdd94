#include "qspr/core/Driver.h"

#include "common/ComputingWindow.h"
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
    // The cycles rewrite their tables: they work on copies, never on the user's files.
    try {
        MakeWorkCopies(ps, cs);
        PreselectDescriptors(ps, cs, window);
        cs.OutlierName.clear();
        cs.OutlierSteps = 0;
        ps.CycleNumber = 0;
        const int maxSteps = static_cast<int>(
            std::floor(std::sqrt(static_cast<double>(ps.InitialCalibrationCount))));
        bool more = true;
        while (more) {
            ++ps.CycleNumber;
            PrepareCycle(ps, cs);
            SplitTables(ps, cs, window);
            ParseQsprTable(ps, cs);
            for (cs.TableIndex = 1; cs.TableIndex <= ps.TableCount; ++cs.TableIndex) {
                LoadWorkTable(ps, cs, window);
                ScreenTableColumns(ps, cs, window);
                MergeSignificant(ps, cs, window);
            }
            RankSignificant(ps, cs, window);
            if (cs.SignificantCount > 1) {
                ComputeInterR2(ps, cs, window);
                CentreColumns(ps, cs, window);
                SearchPairs(ps, cs, window);
                SearchLargerSets(ps, cs, window);
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
    } catch (...) {
        cs.WorkFiles.RemoveAll();
        throw;
    }
    cs.WorkFiles.RemoveAll();
}

} // namespace kalemir::qspr
