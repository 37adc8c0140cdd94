#pragma once
// Preparation of the search: the squared intercorrelations of the significant
// descriptors and the centring of the descriptor and property columns.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

void ComputeInterR2(CycleInputs& cycle, SignificantDescriptors& descriptors, PairCorrelation& pair,
                    WorkerPool* pool, ComputingWindow& window);
void CentreColumns(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                   OutlierState& outliers, ComputingWindow& window);

/// Caption of the intercorrelation progress after `done` of the S(S-1)/2 pairs.
std::string InterR2Caption(long long done, int s);

} // namespace kalemir::qspr
