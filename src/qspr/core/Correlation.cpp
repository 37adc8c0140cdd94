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

CorrelationOutcome FinishCorrelation(const CorrelationSums& sums, int k, bool signedR2) {
    const int n = sums.N;
    CorrelationOutcome out;
    out.SEE = n - k > 0 ? std::sqrt(sums.D / (n - k)) : 100.0;
    out.R = CappedCorrelation(sums.Sxy, std::fabs(sums.Sxx), std::fabs(sums.Syy));
    out.R2 = out.R * out.R;
    if (signedR2 && out.R < 0) {
        out.R2 = -out.R2;
    }
    return out;
}

namespace {

void Finish(PairCorrelation& pair, const CorrelationSums& sums) {
    const CorrelationOutcome out = FinishCorrelation(sums, pair.FitTermCount, pair.SignedR2 == 1);
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
    Finish(pair, {n, sums.Sxy, sums.Sxx, sums.Syy, d});
    window.Yield();
}

void CorrelateWithFixedY(PairCorrelation& pair, const double* x, const FixedSeries& fixed,
                         ComputingWindow& window) {
    const double* y = fixed.Values;
    const int n = fixed.N;
    const double meanY = fixed.Mean;
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
    Finish(pair, {n, sxy, sxx, fixed.Syy, d});
    window.Yield();
}

} // namespace kalemir::qspr
