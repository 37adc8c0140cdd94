#pragma once
// Cross-validation of the best set of each size and the best set by Q.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Records the best set of the size just searched (search.FitTermCount), keeps the best over
/// all sizes, cross-validates it and shows the best set by Q.
/// (Not while the outlier ratio of the centring is 1 or more: the slots are cleared.)
void CrossValidateBest(const CycleContext& context, SignificantDescriptors& descriptors,
                       SearchState& search, CrossValidationState& cv, double outlierRatio);

/// Two-fold cross-validation of the set in CandidateSets row 1001: returns r2CV. Leaves
/// the calibration rows of the descriptor matrix in descending order of the property.
double CrossValidateSet(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                        const SearchState& search, CrossValidationState& cv, WorkerPool* pool,
                        ComputingWindow& window);

/// Updates slot 3 from slot 2 when it is better and prints it on the picture area.
void ShowBestByQ(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                 SearchState& search, const CrossValidationState& cv, ComputingWindow& window);

/// The picture area's block of the best set by Q (slot 3): its predictors, N, p, r2, F,
/// Q and r2CV; the status line learns the best Q and r2 from it.
void ShowBestSetBlock(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                      const SearchState& search, const CrossValidationState& cv,
                      ComputingWindow& window);

/// Moves calibration rows 1..n so that row i receives the former row order[i]
/// (every column and the molecule name).
void ReorderCalibrationRows(SignificantDescriptors& descriptors, WorkerPool* pool,
                            const std::vector<int>& order, int n);

/// Number of non-zero entries 1..20 of a best-set slot.
int SlotSize(const std::array<double, kSlotEntries>& slot);

} // namespace kalemir::qspr
