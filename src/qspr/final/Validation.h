#pragma once
// Validation-set measures of an equation (RR%, KK%) and its estimated correctness COR.

#include "qspr/core/StageState.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Ranks of values[1..count]: rank(v) = 1 + the number of other values not above
/// values[v], so tied values all take the highest rank of their group.
std::vector<int> TieRaisedRanks(const std::vector<double>& values, int count);

/// Looks up the calibration row of each validation molecule into work.ValidationRows
/// (0: not among them), once for the analysis: neither the names nor the rows change while
/// the equations are ranked.
void PrepareValidationRows(CycleInputs& cycle, FinalWork& work);

/// Validation measures of the equation just fitted (estimates and observed values in pair)
/// over the validation molecules at calibration rows rows[1..V]: fills columns 2..5 of
/// validation.Values, the two sums and KK% in validation.Sums, and leaves pair.R and
/// pair.MeanX as the validation molecules give them. With fewer than three validation
/// molecules pair.R is -0.9999, KK% 100 and pair.MeanX is not touched. Reads nothing
/// else: workers may assess equations side by side, each with its own pair and validation.
void MeasureValidation(const std::vector<int>& rows, PairCorrelation& pair,
                       ValidationWork& validation, ComputingWindow& window);

/// PrepareValidationRows, then MeasureValidation into work.Validation.
void ComputeValidationMeasures(CycleInputs& cycle, PairCorrelation& pair, FinalWork& work,
                               ComputingWindow& window);

/// RR% = 100 * error sum / sum of |observed|; 100 when there is nothing to compare.
double RelativeValidationError(const ValidationSums& sums);

/// Fix(1000 * x + 0.5) * 0.001, then limited to 0.999 above 1 and -0.999 below -1.
double RoundCorrectness(double x);

/// COR of an equation from the mean validation estimate m, the mean and spread of the
/// prediction-set estimates, RR% and the user's estimated correctness u (COR_low below
/// u = 0.75, COR_high from 0.75 on). A mean of 0 makes its quotient 0.
float EquationCorrectness(float u, double m, double meanPred, double spreadPred, double rr);

} // namespace kalemir::qspr
