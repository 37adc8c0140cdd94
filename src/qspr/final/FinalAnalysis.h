#pragma once
// The final analysis of a cycle: ranking of the kept equations, outliers, prediction set.

#include "qspr/core/ComputingState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// For now no outlier is removed: the cycle is the last one (OutlierRatio above 1).
void FinalAnalysis(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

} // namespace kalemir::qspr
