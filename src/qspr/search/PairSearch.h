#pragma once
// The two-predictor search: every nearly orthogonal pair of significant descriptors is
// fitted and the 1000 best by r2 are kept in the ranked list.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Fits every pair of significant descriptors intercorrelated no more than the cycle's
/// threshold, ranks the best 1000 by r2, keeps those above twice the property threshold and
/// cross-validates the best.
void SearchPairs(const CycleContext& context, SignificantDescriptors& descriptors,
                 SearchState& search, CrossValidationState& cv, const OutlierState& outliers);

} // namespace kalemir::qspr
