#pragma once
// What every stage of an analysis cycle shares: the run's inputs and results, the cycle, the
// workers, the window the progress goes to and the report the stages append to.

#include "qspr/core/CycleInputs.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
class WorkerPool;
} // namespace kalemir

namespace kalemir::qspr {

/// Made by the cycle loop for one computation (the run, or one shuffled analysis). The
/// stages that change the cycle say so (see docs/ARCHITECTURE.md, "State by stage"); the
/// others only read it.
struct CycleContext {
    /// What the windows or the command line set; nothing writes it during the computation.
    const RunInputs& In;
    /// What the computation leaves: the record of each cycle, the scatter points.
    RunResults& Results;
    CycleInputs& Cycle;
    /// Workers of the screening, the searches and the cross-validation (none: the calling
    /// thread alone).
    WorkerPool* Pool = nullptr;
    ComputingWindow& Window;
    /// The report every stage appends to (the working report, or a work file of its own).
    const std::string& ReportName;
};

} // namespace kalemir::qspr
