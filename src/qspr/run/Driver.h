#pragma once
// The computation of the QSPR program: the analysis cycles from the first table split
// to the last final analysis.

#include "qspr/run/ComputingState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// The screening of one analysis cycle: the cycle's molecules and tables prepared, the
/// tables split and loaded, and their significant descriptors merged and ranked.
void ScreenCycle(ComputingState& cs, ComputingWindow& window);

/// The most outliers a run removes: Int(sqrt N0) of the first calibration set.
int MaxOutlierSteps(const RunInputs& in);

/// Whether the cycle just ended calls for another: not when no outlier stands out (its
/// name is then forgotten), when fewer than two descriptors are significant or no set is
/// valuable, or when maxSteps outliers are gone.
bool AnotherCycle(ComputingState& cs, int maxSteps);

/// Runs the whole computation once; a second call while or after it ran does nothing.
/// Work files (split tables, copies of the chosen tables) are removed on every exit.
void RunComputation(ProgramState& ps, ComputingWindow& window);

/// The same on a computing state the caller owns (tests read it afterwards).
void RunComputation(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

} // namespace kalemir::qspr
