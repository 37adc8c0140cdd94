#include "qspr/core/Correlation.h"

#include "common/ComputingWindow.h"
#include "qspr/core/CentredSums.h"

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

CorrelationOutcome FinishCorrelation(int n, int k, bool signedR2, double sxy, double sxx,
                                     double syy, double d) {
    CorrelationOutcome out;
    out.SEE = n - k > 0 ? std::sqrt(d / (n - k)) : 100.0;
    out.R = CappedCorrelation(sxy, std::fabs(sxx), std::fabs(syy));
    out.R2 = out.R * out.R;
    if (signedR2 && out.R < 0) {
        out.R2 = -out.R2;
    }
    return out;
}

namespace {

void Finish(PairCorrelation& pair, int n, double sxy, double sxx, double syy, double d) {
    const CorrelationOutcome out =
        FinishCorrelation(n, pair.FitTermCount, pair.SignedR2 == 1, sxy, sxx, syy, d);
    pair.SEE = out.SEE;
    pair.R = out.R;
    pair.R2 = out.R2;
}

} // namespace

void CorrelatePair(PairCorrelation& pair, int n, ComputingWindow& window) {
    const double* x = pair.X.data();
    const double* y = pair.Y.data();
    const CentredPairSums sums = CentredPairSumsOf(x + 1, y + 1, n);
    pair.MeanX = sums.MeanX;
    double d = 0;
    for (int i = 1; i <= n; ++i) {
        const double e = x[i] - y[i];
        d += e * e;
    }
    Finish(pair, n, sums.Sxy, sums.Sxx, sums.Syy, d);
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
