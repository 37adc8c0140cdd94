#pragma once
// Cross-validation of the best set of each size and the best set by Q.

#include "qspr/core/ComputingState.h"
#include "qspr/setup/ProgramState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Records the best set of the size just searched (cs.FitTermCount), keeps the best over
/// all sizes, cross-validates it and shows the best set by Q.
void CrossValidateBest(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

/// Two-fold cross-validation of the set in CandidateSets row 1001: returns r2CV. Leaves
/// the calibration rows of the descriptor matrix in descending order of the property.
double CrossValidateSet(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

/// Updates slot 3 from slot 2 when it is better and prints it on the picture area.
void ShowBestByQ(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

/// The picture area's block of the best set by Q (slot 3): its predictors, N, p, r2, F,
/// Q and r2CV; the status line learns the best Q and r2 from it.
void ShowBestSetBlock(const ProgramState& ps, const ComputingState& cs, ComputingWindow& window);

/// Moves calibration rows 1..n so that row i receives the former row order[i]
/// (every column and the molecule name).
void ReorderCalibrationRows(ComputingState& cs, const std::vector<int>& order, int n);

/// Number of non-zero entries 1..20 of a best-set slot.
int SlotSize(const std::array<double, kSlotEntries>& slot);

} // namespace kalemir::qspr
