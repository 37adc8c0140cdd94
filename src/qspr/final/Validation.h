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

/// Validation measures of the equation just fitted (estimates and observed values in
/// pair): fills ValidationValues columns 2..5, the two sums and KK% in work.Validation,
/// and leaves pair.R and pair.MeanX as the validation molecules give them. With fewer
/// than three validation molecules pair.R is -0.9999, KK% 100 and pair.MeanX is not
/// touched.
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
