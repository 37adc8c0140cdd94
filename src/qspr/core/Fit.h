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

/// Fits the property on the descriptor columns set[1..K], K = search.FitTermCount (a 0 entry
/// is a column of zeros), over rows 1..CalibrationCount. In normal mode it also
/// estimates the calibration molecules into pair and updates LastFitR2, LastFitQ,
/// PairFitR2, BestQ, BestQSEE and BestR2Seen. With search.CrossValidating each predictor
/// and the property are centred on their own means over the fitted rows, and the fit
/// stops after the coefficients. Allocates nothing.
void FitEquation(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                 SearchState& search, CrossValidationState& cv, PairCorrelation& pair,
                 ComputingWindow& window, const PredictorSet& set);

/// What a normal-mode fit of K predictors with the given r2 and SEE does to the search
/// state: LastFitR2, LastFitQ, PairFitR2, BestQ, BestQSEE and BestR2Seen, as FitEquation
/// sets them.
void TakeFitOutcome(const CycleInputs& cycle, SearchState& search, int k, double r2, double see);

/// The r2 and SEE a normal-mode FitEquation of the set would compute, worked out in a
/// worker's own scratch without touching the run's state (so that workers may fit
/// candidates side by side while nothing else changes the state).
/// With `solved` (the set's normal equations from the cross products, solved as
/// FitR2BoundOfSolved had them), the coefficients are taken from there.
void FitCandidate(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                  const SearchState& search, FitScratch& scratch, const PredictorSet& set, int k,
                  double& r2, double& see, const NormalMatrix* solved = nullptr);

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
bool SolveLaneCandidate(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                        const SearchState& search, FitScratch& scratch, const PredictorSet& set,
                        int k, LaneCandidate& lane, const NormalMatrix* solved = nullptr);

/// R2 and SEE of lanes[0..count-1] (count <= kFitLanes, each solved by SolveLaneCandidate),
/// bit for bit those FitCandidate gives: each lane's sums run over the molecules in order.
void FitLanes(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
              const SearchState& search, FitScratch& scratch, LaneCandidate* lanes, int count);

/// True when the r2 of a normal-mode FitEquation of the set can be bounded from the
/// cross products: complete sets within the cache.
bool FitR2BoundApplies(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                       const SearchState& search, const PredictorSet& set);

/// An upper bound on the r2 a normal-mode FitEquation of the set would compute
/// (infinity when it cannot be bounded safely), from the set's normal equations gathered
/// from the cross products (`gathered`) and solved (`normal`: whole, or taken over
/// part-way from a KeptElimination). Changes no state.
double FitR2BoundOfSolved(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                          const SearchState& search, const PredictorSet& set,
                          const NormalMatrix& normal, const NormalMatrix& gathered);

/// FitR2BoundOfSolved with (G b)_i, i = 1..K, already worked out: rows[i] the sum over
/// j = 1..K in order of rows[i] + G[j][i] * b_j from 0, b_j = normal[j][K+1] (as
/// KeptElimination::GramTimes gives them), instead of the gathered system.
double FitR2BoundOfRows(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                        const SearchState& search, const PredictorSet& set,
                        const NormalMatrix& normal, const double* rows);

/// True when the search's fit of a set with this r2 bound certainly neither enters the
/// ranked list (r2 below row 1000) nor raises BestR2Seen, BestQ or BestQSEE, so that the
/// search may pass it by. The fit state it would have left (LastFitR2, pair, search.Fit,
/// ...) is then the caller's to restore by refitting the loop's last set; with three
/// predictors that refit also gives BestQ its value.
bool BoundLeavesSearchUnchanged(const CycleInputs& cycle, const SearchState& search, double bound);

/// Computes the cross products of the significant columns and the observed property for
/// the current rows, so that the following normal-mode fits take their normal equations
/// from them (valid until the descriptor matrix changes).
void PrepareCrossProducts(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                          SearchState& search, WorkerPool* pool);

} // namespace kalemir::qspr
