#pragma once
// One QSPR job, the same for the command line and the windows: the folder's run lock, the
// computation, the Y-randomisation, the result files, the Williams figures, the plots the
// user named and the report's final name.

#include "common/ComputingWindow.h"
#include "qspr/results/ScatterPlot.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/validation/ValidationResults.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// The program whose run lock a QSPR job holds.
inline constexpr const char* kQsprProgram = "KalemirQ";

/// Saves one plot under a name (the windows' drawing, without a display); false when the
/// file cannot be written.
using PlotWriter = std::function<bool(const ScatterDrawing& drawing, const std::string& name)>;

/// What a front end asks of a job beyond the run inputs of its ProgramState.
struct JobRequest {
    /// Fills the run inputs once the folder is locked (the command line's Workfiles and
    /// Parameters steps) and says whether there is anything to compute; empty when the
    /// windows filled them before the job.
    std::function<ParametersOutcome(ProgramState&)> Setup;
    /// Plots saved once the run is done: the scatter plots before and after the removal of
    /// outliers, then the Williams plot of the best equation by Q (at most three names).
    std::vector<std::string> PlotNames;
    PlotWriter WritePlot;
    /// The report's name at the end; empty: it keeps its working name (the results window
    /// asks the user for one).
    std::string ReportName;
    /// Tells the user what the job did beside the run (the result files of an earlier run
    /// removed, a plot that was not saved).
    std::function<void(const std::string& notice)> Notify;
};

/// What a job leaves to its front end beside the files it wrote.
struct JobOutcome {
    /// The figures of the best equation by Q (leave-one-out, leverages, applicability
    /// domain, external validation, Y-randomisation) as the result files hold them; none
    /// when nothing was computed or the run found no best equation.
    std::optional<ValidationFigures> Figures;
    /// The plots saved, in the order of the request's names.
    std::vector<std::string> PlotsWritten;
    /// The report's name at the end.
    std::string ReportName = kWorkingReport;
};

/// Runs the job in the current folder, holding its run lock from the setup to the
/// report's final name. A job that does not reach its results throws (InputError, FileError,
/// StopProgram, RunInterrupted); the report then keeps its working name and the lock is
/// released.
JobOutcome RunQsprJob(const JobRequest& request, ProgramState& state, ComputingWindow& window);

/// The computing window's activation: the job over the run inputs the Workfiles and
/// Parameters windows set; the report keeps its working name for the results window. A
/// second activation computes nothing.
JobOutcome RunQsprComputation(ProgramState& state, ComputingWindow& window);

/// The figures of the run's best equation by Q, with the observed values of its prediction
/// molecules when the run names a table of them. For a run that ended before its results
/// (stopped by the user after a cycle found its best equation). Throws InputError or
/// FileError for an observed table that cannot be read.
ValidationFigures FiguresOfBestEquation(const ProgramState& state);

} // namespace kalemir::qspr
