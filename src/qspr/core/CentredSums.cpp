#include "qspr/core/CentredSums.h"

namespace kalemir::qspr {

CentredSums CentredSumsOf(const double* x, int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += x[i];
    }
    CentredSums out;
    out.Mean = sum / n;
    double squares = 0;
    for (int i = 0; i < n; ++i) {
        const double d = x[i] - out.Mean;
        squares += d * d;
    }
    out.Squares = squares;
    return out;
}

CentredPairSums CentredPairSumsOf(const double* x, const double* y, int n) {
    double sumX = 0;
    double sumY = 0;
    for (int i = 0; i < n; ++i) {
        sumX += x[i];
        sumY += y[i];
    }
    CentredPairSums out;
    out.MeanX = sumX / n;
    out.MeanY = sumY / n;
    double sxy = 0;
    double sxx = 0;
    double syy = 0;
    for (int i = 0; i < n; ++i) {
        const double dx = x[i] - out.MeanX;
        const double dy = y[i] - out.MeanY;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    out.Sxy = sxy;
    out.Sxx = sxx;
    out.Syy = syy;
    return out;
}

} // namespace kalemir::qspr
