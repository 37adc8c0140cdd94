#pragma once
// The least-squares fit of one multilinear equation on the centred descriptor matrix.

#include "common/ComputingWindow.h"
#include "qspr/core/NormalEquations.h"
#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir::qspr {

/// Q = sqrt(r2 / (1 - r2)) * ((N - K) / (N + K))^2; 0 when r2 is 0 or below (a signed r2
/// of a fit whose estimates run against the property).
double QualityQ(double r2, int n, int k);

/// What a fit reads: the significant descriptors, the cross products of their columns over
/// the calibration rows (used when they are valid for these rows) and the cycle's molecule
/// counts (the column means stand in the row after the prediction molecules).
struct FitProblem {
    const SignificantDescriptors& Descriptors;
    const CrossProductCache& Cross;
    int CalibrationCount = 0;
    int PredictionCount = 0;
};

/// The problem of the cycle's fits as the search holds it.
inline FitProblem FitProblemOf(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                               const SearchState& search) {
    return {descriptors, search.Cross, cycle.CalibrationCount, cycle.PredictionCount};
}

/// A fit of a set: its coefficients and the r2 (signed: negative when the estimates run
/// against the property) and SEE of its estimates of the calibration molecules.
struct FitOutcome {
    FitResult Fit;
    double R2 = 0;
    double SEE = 0;
};

/// Fits the property on the descriptor columns set[1..k] (a 0 entry is a column of zeros)
/// over rows 1..CalibrationCount. The estimates of the calibration molecules and their
/// observed values are left in `estimates` (X and Y, rows 1..N, with the correlation's
/// figures). Allocates nothing.
FitOutcome FitSet(const FitProblem& problem, const PredictorSet& set, int k,
                  PairCorrelation& estimates, ComputingWindow& window);

/// The fit of one half of the cross-validation: rows 1..rows only, each predictor and the
/// property centred on its own mean over those rows (a column constant on them is all 0).
/// `design` is the buffer of the centred columns, grown once and reused.
FitResult FitHalfSet(const FitProblem& problem, const PredictorSet& set, int k, int rows,
                     std::vector<double>& design, ComputingWindow& window);

/// The r2 and SEE FitSet of the set would give, worked out in a worker's own scratch, so
/// that workers may fit candidates side by side. With `solved` (the set's normal equations
/// from the cross products, solved as FitR2BoundOfSolved had them), the coefficients are
/// taken from there.
FitOutcome FitCandidate(const FitProblem& problem, FitScratch& scratch, const PredictorSet& set,
                        int k, const NormalMatrix* solved = nullptr);

/// Candidates whose estimates and correlation sums are worked out side by side, one in
/// each lane of a vector: four doubles fill one AVX2 register (two SSE2 registers), and
/// four independent sums hide the latency of the additions each sum waits on.
inline constexpr int kFitLanes = 4;

/// Whether FitLanes keeps to its build for any x86-64 even where the processor has AVX2
/// (which it otherwise takes); both builds give the same bits, and the tests run both.
void UsePlainFitLanes(bool plain);

/// A candidate set and its coefficients, waiting for its estimates (FitLanes), and then
/// the r2 and SEE its fit gives.
struct LaneCandidate {
    PredictorSet Set{};
    FitResult Fit;
    double R2 = 0;
    double SEE = 0;
};

/// The coefficients of the set as FitCandidate takes them (from `solved` when given).
/// False, and nothing taken, when the set is not within the cross products: FitCandidate
/// then fits it alone.
bool SolveLaneCandidate(const FitProblem& problem, FitScratch& scratch, const PredictorSet& set,
                        int k, LaneCandidate& lane, const NormalMatrix* solved = nullptr);

/// R2 and SEE of lanes[0..count-1] (count <= kFitLanes, each solved by SolveLaneCandidate),
/// bit for bit those FitCandidate gives: each lane's sums run over the molecules in order.
void FitLanes(const FitProblem& problem, FitScratch& scratch, LaneCandidate* lanes, int count);

/// True when the r2 of FitSet of the set's k columns can be bounded from the cross
/// products: complete sets within the cache.
bool FitR2BoundApplies(const FitProblem& problem, const PredictorSet& set, int k);

/// An upper bound on the r2 FitSet of the set's k columns would compute
/// (infinity when it cannot be bounded safely), from the set's normal equations gathered
/// from the cross products (`gathered`) and solved (`normal`: whole, or taken over
/// part-way from a KeptElimination). Changes no state.
double FitR2BoundOfSolved(const FitProblem& problem, const PredictorSet& set, int k,
                          const NormalMatrix& normal, const NormalMatrix& gathered);

/// FitR2BoundOfSolved with (G b)_i, i = 1..K, already worked out: rows[i] the sum over
/// j = 1..K in order of rows[i] + G[j][i] * b_j from 0, b_j = normal[j][K+1] (as
/// KeptElimination::GramTimes gives them), instead of the gathered system.
double FitR2BoundOfRows(const FitProblem& problem, const PredictorSet& set, int k,
                        const NormalMatrix& normal, const double* rows);

/// True when the search's fit of a set with this r2 bound certainly neither enters the
/// ranked list (r2 below row 1000) nor raises BestR2Seen, BestQ or BestQSEE, so that the
/// search may pass it by. With three predictors BestQ is the Q of the level's last set:
/// the search fits that one whatever its bound.
bool BoundLeavesSearchUnchanged(const CycleInputs& cycle, const SearchState& search, double bound);

/// What BoundLeavesSearchUnchanged compares a bound with, as the search holds it at one
/// moment. Within a level of the search each of them only rises as fits are taken, save
/// BestQ with three predictors, which the bound does not read there.
struct SearchThresholds {
    int FitTermCount = 0;
    double ListEntry = 0; ///< the r2 of row 1000
    double BestR2Seen = 0;
    double BestQ = 0;
};

SearchThresholds ThresholdsOf(const SearchState& search);

/// BoundLeavesSearchUnchanged against thresholds taken earlier in the level: a bound they
/// let pass is let pass by the search's own thresholds from then on too.
bool BoundLeavesUnchanged(const CycleInputs& cycle, const SearchThresholds& thresholds,
                          double bound);

/// Computes the cross products of the significant columns and the observed property for
/// the current rows, so that the following normal-mode fits take their normal equations
/// from them (valid until the descriptor matrix changes).
void PrepareCrossProducts(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                          SearchState& search, WorkerPool* pool);

} // namespace kalemir::qspr
