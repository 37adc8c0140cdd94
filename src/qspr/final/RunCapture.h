#pragma once
// Keeps in the run record what the final analysis reports, as it reports it, for the
// result files written beside the report. Nothing here writes to a file.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir::qspr {

/// The cycle's best equation by Q as the final analysis refits and reports it.
struct BestByQFit {
    const PredictorSet& Set;
    const FitResult& Fit;    ///< Fit.K predictors
    const double* Estimated; ///< E of molecules 1..N
    const double* Observed;  ///< O of molecules 1..N
    const CalibrationFigures& Figures;
    double R2CV = 0; ///< the r2CV kept with the set
    const OutlierScan& Scan;
};

/// The cycle's best equation by Q just refitted and its statistics block; the equation
/// with the raw values of its predictors becomes the run's best model.
void RecordCycle(const CycleContext& context, const SignificantDescriptors& descriptors,
                 const BestByQFit& best);

/// The outlier this cycle removes (empty when the cycle is final).
void RecordRemoval(RunResults& results, const std::string& removed);

/// The distinct best equations of the ranking, as their report blocks give them.
void RecordRanking(RunResults& results, const CycleInputs& cycle,
                   const SignificantDescriptors& descriptors, const SearchState& search,
                   const FinalWork& work);

/// The bounds of the estimates: of the prediction set and of all molecules.
struct EstimateBounds {
    double LowPred = 0;
    double HighPred = 0;
    double LowAll = 0;
    double HighAll = 0;
};

/// The estimates-file block of equation work.EquationNumber for the prediction set, with
/// its marks against the prediction-set and all-molecule bounds.
void RecordPredictionBlock(RunResults& results, const CycleInputs& cycle,
                           const SignificantDescriptors& descriptors, const FinalWork& work,
                           const EstimateBounds& bounds);

/// The votes and final labels of the prediction molecules.
void RecordFinalLabels(RunResults& results, const CycleInputs& cycle, const FinalWork& work,
                       int distinct);

} // namespace kalemir::qspr
