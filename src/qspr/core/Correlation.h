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

/// An observed series the estimates are correlated with, rows 1..N, with its mean and
/// centred sum of squares computed beforehand over the same rows in the same order.
struct FixedSeries {
    const double* Values = nullptr;
    int N = 0;
    double Mean = 0;
    double Syy = 0;
};

/// The same routine for X (rows 1..y.N) against a fixed Y (gives the same bits).
void CorrelateWithFixedY(PairCorrelation& pair, const double* x, const FixedSeries& y,
                         ComputingWindow& window);

/// What the correlation routine makes of its sums.
struct CorrelationOutcome {
    double R = 0;
    double R2 = 0; ///< carries the sign of r when asked
    double SEE = 0;
};

/// The sums of a correlation over N rows (D: the sum of squared differences X - Y).
struct CorrelationSums {
    int N = 0;
    double Sxy = 0;
    double Sxx = 0;
    double Syy = 0;
    double D = 0;
};

/// r (capped), r2 and SEE from the sums of rows fitted with k terms, as CorrelatePair
/// finishes them.
CorrelationOutcome FinishCorrelation(const CorrelationSums& sums, int k, bool signedR2);

/// r from the three sums, with the cap and the zero result of a constant series.
double CappedCorrelation(double sxy, double sxx, double syy);

} // namespace kalemir::qspr
