#pragma once
// What one computation of the QSPR program holds, owned by its driver (the run itself, or
// one analysis of shuffled property values). The driver hands each stage the parts it
// reads and writes; no stage sees the whole.

#include "common/WorkFiles.h"
#include "common/WorkerPool.h"
#include "qspr/core/CycleInputs.h"
#include "qspr/core/StageState.h"

#include <memory>
#include <string>

namespace kalemir::qspr {

struct ComputingState {
    /// The report every stage appends to: the working report, or a work file of its own
    /// for a computation the user does not read (Y-randomisation).
    std::string ReportName = kWorkingReport;
    /// Work tables and work copies of the user's tables, made by the work copies, the
    /// preliminary selection and the splitting: removed on every exit of the run.
    WorkFileSet WorkFiles;
    /// The correlation routine's buffer and results: filled by the screening, the
    /// intercorrelations, every fit and the final analysis, sized once for the run.
    PairCorrelation Pair;
    /// Workers of the screening, the searches and the cross-validation (none: the calling
    /// thread alone); a caller may give the run its own.
    std::unique_ptr<WorkerPool> Workers;

    /// Read by every stage of a cycle; see CycleInputs for who writes it.
    CycleInputs Cycle;
    /// The split and loaded tables: the preliminary selection and the screening.
    TableState Tables;
    /// The significant descriptors: the screening, the searches and the final analysis.
    SignificantDescriptors Descriptors;
    /// The search: the fits, the searches, the cross-validation and the final analysis.
    SearchState Search;
    /// The cross-validation's own buffers, across the fits of the searches and the final
    /// analysis that call it.
    CrossValidationState CV;
    /// The outlier steps: the final analysis, the cycle preparation and the cycle loop.
    OutlierState Outliers;
};

} // namespace kalemir::qspr
