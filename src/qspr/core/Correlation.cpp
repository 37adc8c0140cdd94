#include "qspr/core/Correlation.h"

#include "common/ComputingWindow.h"

#include <cmath>

namespace kalemir::qspr {

double CappedCorrelation(double sxy, double sxx, double syy) {
    double r = 0;
    if (sxx * syy > 0) {
        r = sxy / std::sqrt(sxx * syy);
    }
    if (std::fabs(r) == 1.0) {
        r = r > 0 ? kMaxCorrelation : -kMaxCorrelation;
    }
    return r;
}

namespace {

void Finish(PairCorrelation& pair, int n, double sxy, double sxx, double syy, double d) {
    const int k = pair.FitTermCount;
    pair.SEE = n - k > 0 ? std::sqrt(d / (n - k)) : 100.0;
    pair.R = CappedCorrelation(sxy, std::fabs(sxx), std::fabs(syy));
    double r2 = pair.R * pair.R;
    if (pair.SignedR2 == 1 && pair.R < 0) {
        r2 = -r2;
    }
    pair.R2 = r2;
}

} // namespace

void CorrelatePair(PairCorrelation& pair, int n, ComputingWindow& window) {
    const double* x = pair.X.data();
    const double* y = pair.Y.data();
    double sumX = 0;
    double sumY = 0;
    for (int i = 1; i <= n; ++i) {
        sumX += x[i];
        sumY += y[i];
    }
    pair.MeanX = sumX / n;
    const double meanX = pair.MeanX;
    const double meanY = sumY / n;
    double sxy = 0;
    double sxx = 0;
    double syy = 0;
    double d = 0;
    for (int i = 1; i <= n; ++i) {
        const double dx = x[i] - meanX;
        const double dy = y[i] - meanY;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
        const double e = x[i] - y[i];
        d += e * e;
    }
    Finish(pair, n, sxy, sxx, syy, d);
    window.Yield();
}

void CorrelateWithFixedY(PairCorrelation& pair, const double* x, const double* y, int n,
                         double meanY, double syy, ComputingWindow& window) {
    double sumX = 0;
    for (int i = 1; i <= n; ++i) {
        sumX += x[i];
    }
    pair.MeanX = sumX / n;
    const double meanX = pair.MeanX;
    double sxy = 0;
    double sxx = 0;
    double d = 0;
    for (int i = 1; i <= n; ++i) {
        const double dx = x[i] - meanX;
        sxy += dx * (y[i] - meanY);
        sxx += dx * dx;
        const double e = x[i] - y[i];
        d += e * e;
    }
    Finish(pair, n, sxy, sxx, syy, d);
    window.Yield();
}

} // namespace kalemir::qspr
