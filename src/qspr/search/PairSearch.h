#pragma once
// The two-predictor search: every nearly orthogonal pair of significant descriptors is
// fitted and the 1000 best by r2 are kept in the ranked list.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

void SearchPairs(CycleInputs& cycle, SignificantDescriptors& descriptors, SearchState& search,
                 CrossValidationState& cv, const OutlierState& outliers, PairCorrelation& pair,
                 const std::string& reportName, WorkerPool* pool, ComputingWindow& window);

} // namespace kalemir::qspr
