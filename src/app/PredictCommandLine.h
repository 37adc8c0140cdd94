#pragma once
// `KalemirT predict`: a saved model (<QSPR>-results.json) applied to new structures, one
// row of estimates per molecule.

#include <string>
#include <vector>

namespace kalemir::tables {

struct PredictOptions {
    std::string model;
    std::string structures;
    /// The estimates file (default: STRUCTURES' file name + "-estimates.csv").
    std::string output;
    /// The folder a relative estimates file goes into ("": the current folder).
    std::string folder;
    /// Every ranked equation besides the best by Q.
    bool allEquations = false;
    int threads = 0;
    bool quiet = false;
    /// The part-th of `parts` equal slices of the input, by position (from 1).
    long part = 1;
    long parts = 1;
    /// A model whose tables another table maker or toolkit version made is used, with a
    /// warning.
    bool allowOtherTables = false;
};

/// Parses the arguments after "predict". Throws InputError.
PredictOptions ParsePredictArguments(const std::vector<std::string>& arguments);

/// The first and one-past-last input positions (from 0) of slice `part` of `parts` of
/// `count` molecules: floor((part - 1) count / parts) to floor(part count / parts).
std::pair<long, long> SliceOf(long count, long part, long parts);

/// Why the model's tables are not this table maker's (no manifest, another table maker,
/// version or toolkit version); empty when they are.
std::string OtherTablesProblem(const std::string& modelPath);

/// `KalemirT predict ...` (arguments as main gets them, "predict" first); the exit status.
int PredictMain(const std::vector<std::string>& arguments);

std::string PredictUsage();

} // namespace kalemir::tables
