#pragma once
// Y-randomisation of the best equation by Q: the whole analysis (preliminary selection,
// screen, pair and larger-set searches, the outlier cycles when the user chose them) is
// run again on the calibration molecules with their property values shuffled, and the
// r2 and Q of each run's best equation by Q are set against the real ones. A model whose Q is often
// reached on shuffled values models chance correlations of the descriptor pool.

#include "common/ComputingWindow.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/validation/ValidationResults.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// A whole number from 0 to n - 1, every value equally likely: the generator's 64-bit
/// outputs below 2^64 mod n are rejected, the next is taken modulo n. Depends on the
/// generator's outputs only, so every platform draws the same numbers.
std::uint64_t UniformBelow(std::uint64_t n, std::mt19937_64& generator);

/// A random order of 0..n-1 by Fisher and Yates: for i = n-1 down to 1, position i
/// takes the entry at a position UniformBelow(i + 1) and gives it its own.
std::vector<int> RandomPermutation(int n, std::mt19937_64& generator);

/// r2 and Q of the best equation by Q of one analysis (both 0 when it found none).
struct BestByQFigures {
    double R2 = 0;
    double Q = 0;
};

/// One run of the analysis as the user set it up (`in`: the inputs as the Parameters
/// window left them) in which calibration molecule i (0-based) takes the observed value of
/// molecule permutation[i]: the preliminary selection, then cycles of screen, pair and
/// larger-set searches and, when the user chose the elimination of outliers, the outlier
/// decision, until the run's own stop rule holds. A real model found after removing
/// outliers is thus compared with shuffled runs that had the same chance to remove them.
/// The ranking, predictor-value files and prediction set of the last cycle are left out.
/// Everything the run writes (its own report, work tables) is a work file of this call,
/// gone when it ends; the working report and the user's files are not touched.
/// Returns the figures of the best equation by Q of the last cycle that found one.
BestByQFigures AnalysePermuted(const RunInputs& in, const std::vector<int>& permutation,
                               ComputingWindow& window);

/// Mean and maximum r2 and Q of the runs, cR2p = r sqrt(r2 - mean r2) of the real r2
/// (0 when r2 does not exceed the mean) and the share of runs whose Q reaches the real Q.
RandomisationSummary SummariseRandomisation(double realR2, double realQ,
                                            const std::vector<double>& r2,
                                            const std::vector<double>& q);

/// The runs and seed the user chose (RandomisationRuns, RandomisationSeed of `analysed`,
/// the state after the real run, whose inputs the run left as they were chosen): that many
/// permutations of the calibration molecules drawn in turn from one generator seeded with the seed,
/// each analysed as AnalysePermuted does, against the real best equation by Q of the run's record.
/// The caption shows "run k of M". Empty summary (Runs 0) when no run was asked for or the real run
/// found no equation. A stop ends the working report with the stop line naming the run
/// (RandomisationStage), puts the same words in `stoppedStage` when given, and goes on as
/// RunInterrupted.
RandomisationSummary RandomiseResponses(const ProgramState& analysed, ComputingWindow& window,
                                        std::string* stoppedStage = nullptr);

/// Where a stop during the shuffled analyses lands: "in Y-randomisation run k of M".
std::string RandomisationStage(int run, int runs);

} // namespace kalemir::qspr
