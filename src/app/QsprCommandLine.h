#pragma once
// `KalemirQ run`: the whole QSPR program without a display, as a user would drive it
// through its windows.

#include "app/CommandLine.h"
#include "common/ComputingWindow.h"
#include "qspr/job/QsprJob.h"
#include "qspr/setup/ProgramState.h"

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

struct QsprRunOptions {
    std::string workDir;
    std::string qsprTable;
    std::vector<std::string> descriptorTables;
    std::optional<std::string> minR2;
    std::optional<std::string> validation;
    std::optional<std::string> cor;
    std::optional<std::string> maxInterR2;
    std::optional<std::string> maxPredictors;
    std::optional<bool> eliminateOutliers;
    std::optional<std::string> saveName;
    /// Bitmaps of the scatter plots to save after the run, before and after the removal
    /// of outliers.
    std::vector<std::string> plotNames;
    bool quiet = false;
    /// Descriptor tables whose molecule column differs from the QSPR table's are used,
    /// joined row by row, with a warning each (otherwise they are refused).
    bool byPosition = false;
    /// Descriptor tables that hold every molecule of the QSPR table once are joined by
    /// molecule name: the run takes their rows in the QSPR table's order.
    bool byName = false;
    /// Worker threads of the searches (0: the machine's cores).
    int threads = 0;
    /// The memory the split tables may take, in MB (unset: the machine's memory decides).
    std::optional<std::string> memory;
    /// Observed values of prediction molecules for the external validation.
    std::optional<std::string> observedTable;
    /// Y-randomisation runs (the Parameters window's field) and the seed of the shuffles.
    std::optional<std::string> randomise;
    unsigned long long seed = kDefaultRandomisationSeed;
};

/// Parses the arguments after "run". Throws InputError with a usage message.
QsprRunOptions ParseQsprRunArguments(const std::vector<std::string>& arguments);

/// Whether the command line (arguments as main gets them) saves plots, --plots given
/// either way: main then starts the drawing the plots need. False when the arguments do
/// not parse (QsprMain says why).
bool AsksForPlots(const std::vector<std::string>& arguments);

/// The report's name (--save, or its default) and the plots' names (--plots) may not name
/// a table of the run, the working report or each other. Throws InputError.
void CheckResultNames(const QsprRunOptions& options);

/// Checks the named tables before anything is written (the checks of the Workfiles
/// window); a descriptor table whose molecules differ from the QSPR table's is refused
/// unless byPosition, then named in a warning, or byName when each holds every molecule of
/// the QSPR table once; the refusal proposes --by-name when it would do. Throws InputError.
void CheckQsprRunInput(const QsprRunOptions& options);

/// Runs the job in the current directory (after any -C) with the options as the windows'
/// entries; messages go to standard error, the closing summary (when asked for) to
/// `summary`. A run that does not reach its results throws (InputError, FileError,
/// StopProgram, RunInterrupted).
void RunQsprCommand(const QsprRunOptions& options, ComputingWindow& window,
                    const PlotWriter& plotWriter = {}, std::string* summary = nullptr);

/// The closing summary of a run: the best equation by Q with its r2, Q and r2CV, the
/// outliers removed, the prediction molecules labelled and the files written.
std::string QsprRunSummary(const ProgramState& state, const std::string& reportName,
                           const std::vector<std::string>& plotsWritten);

/// The whole command line: arguments as main gets them (without the program name).
/// Without a plot writer the build cannot save plots and --plots is refused.
int QsprMain(const std::vector<std::string>& arguments, const PlotWriter& plotWriter = {});

/// The usage text.
std::string QsprUsage();

} // namespace kalemir::qspr
