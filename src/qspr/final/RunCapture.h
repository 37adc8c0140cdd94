#pragma once
// Keeps in the run record what the final analysis reports, as it reports it, for the
// result files written beside the report. Nothing here writes to a file.

#include "qspr/core/StageState.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir::qspr {

/// The cycle's best equation by Q just refitted (`fit` of `best`, estimates E and
/// observed values O of molecules 1..N) and its statistics block; the equation with the
/// raw values of its predictors becomes the run's best model.
void RecordCycle(const RunInputs& in, RunResults& results, const CycleInputs& cycle,
                 const SignificantDescriptors& descriptors, const SearchState& search,
                 const PredictorSet& best, const FitResult& fit, const double* estimated,
                 const double* observed, const CalibrationFigures& figures, double r2cv,
                 const OutlierScan& scan);

/// The outlier this cycle removes (empty when the cycle is final).
void RecordRemoval(RunResults& results, const std::string& removed);

/// The distinct best equations of the ranking, as their report blocks give them.
void RecordRanking(RunResults& results, const CycleInputs& cycle,
                   const SignificantDescriptors& descriptors, const SearchState& search,
                   const FinalWork& work);

/// The estimates-file block of equation work.EquationNumber for the prediction set, with
/// its marks against the prediction-set and all-molecule bounds.
void RecordPredictionBlock(RunResults& results, const CycleInputs& cycle,
                           const SignificantDescriptors& descriptors, const FinalWork& work,
                           double lowPred, double highPred, double lowAll, double highAll);

/// The votes and final labels of the prediction molecules.
void RecordFinalLabels(RunResults& results, const CycleInputs& cycle, const FinalWork& work,
                       int distinct);

} // namespace kalemir::qspr
