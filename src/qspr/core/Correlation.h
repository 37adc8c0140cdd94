#pragma once
// The correlation routine every statistic of the QSPR program goes through: Pearson r,
// r2 and the standard error of X taken as an estimate of Y, with |r| capped at 0.9999.

#include "qspr/core/StageState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Largest |r| reported: a perfect correlation reads as 0.9999 (r2 0.99980001).
inline constexpr double kMaxCorrelation = 0.9999;

/// Correlates pair.X and pair.Y over rows 1..n. Allocates nothing; yields once.
void CorrelatePair(PairCorrelation& pair, int n, ComputingWindow& window);

/// The same routine for a fixed Y whose mean and centred sum of squares were computed
/// beforehand over the same rows in the same order (gives the same bits).
void CorrelateWithFixedY(PairCorrelation& pair, const double* x, const double* y, int n,
                         double meanY, double syy, ComputingWindow& window);

/// What the correlation routine makes of its sums.
struct CorrelationOutcome {
    double R = 0;
    double R2 = 0; ///< carries the sign of r when asked
    double SEE = 0;
};

/// r (capped), r2 and SEE from the sums of n rows fitted with k terms, as CorrelatePair
/// finishes them (d: the sum of squared differences X - Y).
CorrelationOutcome FinishCorrelation(int n, int k, bool signedR2, double sxy, double sxx,
                                     double syy, double d);

/// r from the three sums, with the cap and the zero result of a constant series.
double CappedCorrelation(double sxy, double sxx, double syy);

} // namespace kalemir::qspr
