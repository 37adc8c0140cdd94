#pragma once
// Predictor-value files of the best equations and the leverage of the prediction
// molecules read back from them.

#include "qspr/core/StageState.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// First five characters of the QSPR table, "#", the equation number, "prd.dat"
/// (equation 17 of ABCDE... gives ABCDE#17prd.dat).
std::string EquationPredictorFileName(const std::string& qsprTableName, int equation);

/// Writes the raw values of the predictors of equation work.EquationNumber for every
/// molecule in descriptor-matrix order, replacing an existing file of that name.
void WritePredictorFile(const RunInputs& in, const CycleInputs& cycle,
                        const SignificantDescriptors& descriptors, const SearchState& search,
                        const FinalWork& work);

/// Leverages x M^-1 x' of the rows `first`..`last` of x (p columns, row-major with
/// p + 1 entries per row, entries 1..p), M = X'X over the rows 1..calibrationRows.
/// Gauss-Jordan inversion with partial pivoting; returns false (leverages all 0) when a
/// pivot falls below a small tolerance relative to the largest diagonal entry of M.
bool Leverages(const std::vector<double>& x, int p, int calibrationRows, int first, int last,
               std::vector<double>& leverage);

/// Reads the predictor file of work.EquationNumber back and sets LeverageValues (j =
/// 1..P), LeverageMean and LeverageSpread (0 for one prediction molecule). A singular
/// X'X leaves every leverage, the mean and the spread at 0, so that the leverage
/// criterion marks nothing for that equation.
void AssessApplicability(const RunInputs& in, const CycleInputs& cycle, const SearchState& search,
                         FinalWork& work);

} // namespace kalemir::qspr
