#pragma once
// A saved model (<QSPR>-results.json) applied to new structures: the descriptors the model
// uses computed as the table maker computes them, then one CSV row of estimates per input
// molecule. The command line and the window both run it. Plain types only.

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::tables {

/// What to estimate, as the command line or the window gives it.
struct PredictRequest {
    std::string model;      ///< the results file
    std::string structures; ///< SD, SMILES or CSV/TSV, read as `run` reads them
    std::string output;     ///< the estimates file, as it is to be written
    /// Every ranked equation besides the best by Q.
    bool allEquations = false;
    int threads = 0; ///< worker threads (0: the machine's cores)
    /// The part-th of `parts` equal slices of the input, by position (from 1).
    long part = 1;
    long parts = 1;
    /// A model whose tables another table maker or toolkit version made is used, with a
    /// warning.
    bool allowOtherTables = false;
};

/// What an estimate wrote.
struct PredictOutcome {
    std::string output;
    long molecules = 0; ///< rows written (the molecules of the slice)
    long described = 0; ///< rows with an estimate
};

/// Told each warning as it comes (another table maker allowed, no calibration structures).
using PredictWarning = std::function<void(const std::string& warning)>;
/// Told the molecules described so far, from one worker.
using PredictProgress = std::function<void(int done, int total)>;

/// The default name of the estimates file: the structure file's name + "-estimates.csv".
std::string DefaultEstimatesName(const std::string& structures);

/// The first and one-past-last input positions (from 0) of slice `part` of `parts` of
/// `count` molecules: floor((part - 1) count / parts) to floor(part count / parts).
std::pair<long, long> SliceOf(long count, long part, long parts);

/// Why the model's tables are not this table maker's (no manifest, another table maker,
/// version or toolkit version); no value when they are. Throws InputError.
std::optional<std::string> OtherTablesProblem(const std::string& modelPath);

/// Estimates the molecules of the request's slice and writes the estimates file (CR LF
/// lines; the header in slice 1 only). Throws InputError before anything is written
/// (a refused model, unreadable structures), RunInterrupted when the window asks to stop
/// (nothing written) and WriteFailure when the file cannot be written (none is left).
PredictOutcome EstimateMolecules(const PredictRequest& request, ComputingWindow& window,
                                 const PredictWarning& warn = {},
                                 const PredictProgress& progress = {});

} // namespace kalemir::tables
