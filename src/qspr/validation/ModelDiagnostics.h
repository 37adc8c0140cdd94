#pragma once
// Robustness and applicability domain of the best equation by Q: leverages from the hat
// matrix of the calibration set (intercept included), standardised residuals, the
// leave-one-out estimates and Q2, the warning leverage h* = 3 (p + 1) / n, the leverage of
// every prediction molecule, and the predictors that separate fewer than three molecules.

#include "qspr/setup/RunRecord.h"
#include "qspr/validation/ValidationResults.h"

#include <vector>

namespace kalemir::qspr {

/// Inverts the symmetric positive matrix `a` (p x p, row-major; overwritten) into
/// `inverse` by Gauss-Jordan elimination with partial pivoting; false when a pivot vanishes
/// against the scale of the matrix.
bool InvertMatrix(std::vector<double>& a, std::size_t p, std::vector<double>& inverse);

/// A leverage within this of 1 means the molecule is fitted exactly whatever its value.
inline constexpr double kUnitLeverageTolerance = 1e-9;

/// Leverages h = 1/n + z (Z'Z)^-1 z' of the rows of `values` (z: the row minus the
/// calibration means, Z the centred calibration rows). Empty when Z'Z is singular.
std::vector<double> LeveragesOf(const std::vector<std::vector<double>>& calibration,
                                const std::vector<std::vector<double>>& rows);

/// Per-molecule diagnostics, h* and the residual standard deviation of the model.
CalibrationDiagnostics DiagnoseModel(const BestModelRecord& model);

/// Leave-one-out figures from the diagnostics.
LeaveOneOutSummary LeaveOneOutOf(const CalibrationDiagnostics& diagnostics);

/// Predictors whose values differ from their most common value for one or two
/// calibration molecules.
std::vector<RarePredictor> FindRarePredictors(const BestModelRecord& model);

} // namespace kalemir::qspr
