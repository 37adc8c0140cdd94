#pragma once
// The correlation routine every statistic of the QSPR program goes through: Pearson r,
// r2 and the standard error of X taken as an estimate of Y, with |r| capped at 0.9999.

#include "qspr/core/ComputingState.h"

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

/// r from the three sums, with the cap and the zero result of a constant series.
double CappedCorrelation(double sxy, double sxx, double syy);

} // namespace kalemir::qspr
