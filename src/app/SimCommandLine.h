#pragma once
// `KalemirS run`: the whole similarity analysis of one *SIM.des table without a display, as
// a user would run it through the table window and the computing window.

#include "app/CommandLine.h"
#include "similarity/SimState.h"

#include <optional>
#include <string>
#include <vector>

namespace kalemir::sim {

struct SimRunOptions {
    std::string workDir;
    std::string table;
    int shapeMethod = 1; ///< kCorrectedUsr or kSuperposition
    /// Minimum similarity in clusters of the five measures, in their order.
    std::optional<std::vector<double>> minSimilarity;
    /// Least similarity of a pair in the cliff list (default: each measure's minimum
    /// similarity in clusters).
    std::optional<double> cliffSimilarity;
    /// Worker threads of the pair loops (0: the machine's cores).
    int threads = 0;
    bool quiet = false;
};

/// Parses the arguments after "run". Throws InputError with a usage message.
SimRunOptions ParseSimRunArguments(const std::vector<std::string>& arguments);

/// The choices a run takes from the options: the shape method, the worker count and the
/// minimum similarities in clusters (the method's defaults unless given) and the cliff
/// threshold.
RunChoices ChoicesOfOptions(const SimRunOptions& options);

/// The whole command line: arguments as main gets them (without the program name), from
/// "run" or an option on; messages go to standard error, the closing summary to standard
/// output. Returns the exit status.
int SimMain(const std::vector<std::string>& arguments);

/// The usage text.
std::string SimUsage();

} // namespace kalemir::sim
