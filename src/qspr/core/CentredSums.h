#pragma once
// Means and sums of centred values: every statistic of the program takes them from here,
// each sum over the rows in order (the mean first, then the deviations from it), so that
// a figure is the same to the bit wherever it is computed.

namespace kalemir::qspr {

/// The mean of a series and the sum of its squared deviations from that mean.
struct CentredSums {
    double Mean = 0;
    double Squares = 0;
};

/// Of x[0..n-1]: the mean (the values summed in order, over n) and the sum of the squared
/// deviations from it, in order (no rows: a mean of NaN, as the division gives).
CentredSums CentredSumsOf(const double* x, int n);

/// Two series over the same rows: both means and the sums of the products and squares of
/// their deviations.
struct CentredPairSums {
    double MeanX = 0;
    double MeanY = 0;
    double Sxy = 0; ///< sum of (x - mean x)(y - mean y)
    double Sxx = 0;
    double Syy = 0;
};

/// Of x[0..n-1] and y[0..n-1], every sum in row order.
CentredPairSums CentredPairSumsOf(const double* x, const double* y, int n);

} // namespace kalemir::qspr
