#include "qspr/core/Fit.h"

#include "common/ComputingWindow.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/CrossProducts.h"

#include <cmath>
#include <cstring>

namespace kalemir::qspr {

double QualityQ(double r2, int n, int k) {
    if (!(r2 > 0)) {
        return 0;
    }
    const double ratio = static_cast<double>(n - k) / static_cast<double>(n + k);
    return std::sqrt(r2 / (1 - r2)) * (ratio * ratio);
}

void SolveNormalEquations(double (&normal)[kSetWidth + 1][kSetWidth + 2], int k,
                          ComputingWindow& window) {
    for (int i = 1; i <= k; ++i) {
        window.Yield();
        double pivot = normal[i][i];
        if (pivot == 0) {
            pivot = 1e-6;
        }
        for (int j = 1; j <= k + 1; ++j) {
            normal[i][j] = normal[i][j] / pivot;
        }
        for (int r = 1; r <= k; ++r) {
            if (r == i) {
                continue;
            }
            const double f = normal[r][i];
            for (int j = 1; j <= k + 1; ++j) {
                normal[r][j] = normal[r][j] - f * normal[i][j];
            }
        }
    }
}

void PrepareCrossProducts(ProgramState& ps, ComputingState& cs) {
    const int n = ps.CalibrationCount;
    const int s = cs.SignificantCount;
    const DescriptorMatrixStore& dm = cs.DescriptorMatrix;
    CrossProductCache& cache = cs.Cross;
    if (cache.Valid && cache.DataVersion == cs.DataVersion && cache.N == n && cache.S == s) {
        return;
    }
    const std::size_t width = static_cast<std::size_t>(s) + 2; // property in column s+1
    std::vector<double> rows(width * (static_cast<std::size_t>(n) + 1), 0.0);
    for (int a = 1; a <= s; ++a) {
        const double* x = dm.Column(a);
        for (int i = 1; i <= n; ++i) {
            rows[static_cast<std::size_t>(i) * width + a] = x[i];
        }
    }
    const double* y = dm.Column(kPropertyColumn);
    for (int i = 1; i <= n; ++i) {
        rows[static_cast<std::size_t>(i) * width + s + 1] = y[i];
    }
    std::vector<double> all;
    SymmetricCrossProducts(rows, n, s + 1, all);
    cache.Gram.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.0);
    cache.Property.assign(static_cast<std::size_t>(s) + 1, 0.0);
    for (int a = 1; a <= s; ++a) {
        for (int b = 1; b <= s; ++b) {
            cache.Gram[static_cast<std::size_t>(a) * (s + 1) + b] =
                all[static_cast<std::size_t>(a) * width + b];
        }
        cache.Property[a] = all[static_cast<std::size_t>(a) * width + s + 1];
    }
    // The observed values and the sums the correlation routine makes of them.
    const int last = n + ps.PredictionCount;
    const double mean = dm.At(last + 1, kPropertyColumn);
    cache.Observed.assign(static_cast<std::size_t>(n) + 1, 0.0);
    double sum = 0;
    for (int i = 1; i <= n; ++i) {
        cache.Observed[i] = y[i] + mean;
        sum += cache.Observed[i];
    }
    cache.ObservedMean = sum / n;
    double syy = 0;
    for (int i = 1; i <= n; ++i) {
        const double d = cache.Observed[i] - cache.ObservedMean;
        syy += d * d;
    }
    cache.ObservedSyy = syy;
    cache.S = s;
    cache.N = n;
    cache.DataVersion = cs.DataVersion;
    cache.Valid = true;
}

namespace {

/// A zero column long enough for any molecule row.
const double* ZeroColumn() {
    static const std::vector<double> zeros(3008, 0.0);
    return zeros.data();
}

bool CacheUsable(const ProgramState& ps, const ComputingState& cs, const PredictorSet& set, int k) {
    const CrossProductCache& cache = cs.Cross;
    if (!cache.Valid || cache.DataVersion != cs.DataVersion || cache.N != ps.CalibrationCount) {
        return false;
    }
    for (int i = 1; i <= k; ++i) {
        if (set[i] > cache.S) {
            return false;
        }
    }
    return true;
}

void FitNormal(ProgramState& ps, ComputingState& cs, ComputingWindow& window,
               const PredictorSet& set, int k) {
    const int n = ps.CalibrationCount;
    const int last = n + ps.PredictionCount;
    const DescriptorMatrixStore& dm = cs.DescriptorMatrix;
    FitResult& fit = cs.Fit;
    fit.K = k;
    const double* columns[kSetWidth + 2];
    for (int i = 1; i <= k; ++i) {
        const int c = set[i];
        columns[i] = c != 0 ? dm.Column(c) : ZeroColumn();
        fit.Means[i] = c != 0 ? dm.At(last + 1, c) : 0.0;
    }
    const double* property = dm.Column(kPropertyColumn);
    columns[k + 1] = property;
    fit.Means[k + 1] = dm.At(last + 1, kPropertyColumn);

    double normal[kSetWidth + 1][kSetWidth + 2];
    const bool cached = CacheUsable(ps, cs, set, k);
    if (cached) {
        const CrossProductCache& cache = cs.Cross;
        const std::size_t width = static_cast<std::size_t>(cache.S) + 1;
        for (int i = 1; i <= k; ++i) {
            const int ci = set[i];
            for (int j = 1; j <= k; ++j) {
                const int cj = set[j];
                normal[i][j] = ci != 0 && cj != 0 ? cache.Gram[ci * width + cj] : 0.0;
            }
            normal[i][k + 1] = ci != 0 ? cache.Property[ci] : 0.0;
        }
    } else {
        for (int i = 1; i <= k; ++i) {
            for (int j = 1; j <= k + 1; ++j) {
                const double* a = columns[i];
                const double* b = columns[j];
                double sum = 0;
                for (int m = 1; m <= n; ++m) {
                    sum += a[m] * b[m];
                }
                normal[i][j] = sum;
            }
        }
    }
    SolveNormalEquations(normal, k, window);
    double weighted = 0;
    for (int i = 1; i <= k; ++i) {
        fit.Coefficients[i] = normal[i][k + 1];
        weighted += fit.Coefficients[i] * fit.Means[i];
    }
    fit.Intercept = fit.Means[k + 1] - weighted;

    // Estimates of the calibration molecules against their observed values.
    PairCorrelation& pair = cs.Pair;
    double* estimate = pair.X.data();
    for (int m = 1; m <= n; ++m) {
        estimate[m] = fit.Intercept;
    }
    for (int i = 1; i <= k; ++i) {
        const double b = fit.Coefficients[i];
        const double mean = fit.Means[i];
        const double* x = columns[i];
        for (int m = 1; m <= n; ++m) {
            estimate[m] = estimate[m] + b * (x[m] + mean);
        }
    }
    pair.SignedR2 = 1;
    pair.FitTermCount = k;
    if (cached) {
        std::memcpy(pair.Y.data() + 1, cs.Cross.Observed.data() + 1,
                    static_cast<std::size_t>(n) * sizeof(double));
        CorrelateWithFixedY(pair, pair.X.data(), pair.Y.data(), n, cs.Cross.ObservedMean,
                            cs.Cross.ObservedSyy, window);
    } else {
        const double meanY = fit.Means[k + 1];
        for (int m = 1; m <= n; ++m) {
            pair.Y[m] = property[m] + meanY;
        }
        CorrelatePair(pair, n, window);
    }
    pair.SignedR2 = 0;
    cs.LastFitR2 = pair.R2;
    if (k <= 2) {
        cs.LastFitQ = pair.R2;
        if (k == 2) {
            cs.PairFitR2 = pair.R2;
        }
    } else {
        cs.LastFitQ = QualityQ(pair.R2, n, k);
        if (k == 3) {
            ps.BestQ = cs.LastFitQ;
        }
    }
    if (cs.LastFitQ > ps.BestQ) {
        ps.BestQSEE = pair.SEE;
        ps.BestQ = cs.LastFitQ;
    }
    if (cs.LastFitR2 > cs.BestR2Seen && k != 0) {
        cs.BestR2Seen = cs.LastFitR2;
    }
}

/// The fit of one half of the cross-validation: rows 1..n, each column centred on its
/// own mean over those rows (exactly 0 for a column constant on them).
void FitHalf(ProgramState& ps, ComputingState& cs, ComputingWindow& window, const PredictorSet& set,
             int k) {
    const int n = ps.CalibrationCount;
    const DescriptorMatrixStore& dm = cs.DescriptorMatrix;
    FitResult& fit = cs.Fit;
    fit.K = k;
    // Centred values go to the design columns 1..K+1 (K+1 the property).
    std::vector<double>& design = cs.HalfDesign;
    const std::size_t rows = static_cast<std::size_t>(n) + 1;
    if (design.size() < rows * (kSetWidth + 2)) {
        design.resize(rows * (kSetWidth + 2));
    }
    auto column = [&](int i) { return design.data() + static_cast<std::size_t>(i) * rows; };
    for (int i = 1; i <= k + 1; ++i) {
        double* into = column(i);
        const int c = i <= k ? set[i] : kPropertyColumn;
        if (c == 0) {
            std::fill(into, into + rows, 0.0);
            fit.Means[i] = 0;
            continue;
        }
        const double* x = dm.Column(c);
        double sum = 0;
        bool constant = true;
        for (int m = 1; m <= n; ++m) {
            sum += x[m];
            constant = constant && x[m] == x[1];
        }
        const double mean = sum / n;
        fit.Means[i] = mean;
        for (int m = 1; m <= n; ++m) {
            into[m] = (constant && i <= k) ? 0.0 : x[m] - mean;
        }
    }
    double normal[kSetWidth + 1][kSetWidth + 2];
    for (int i = 1; i <= k; ++i) {
        for (int j = 1; j <= k + 1; ++j) {
            const double* a = column(i);
            const double* b = column(j);
            double sum = 0;
            for (int m = 1; m <= n; ++m) {
                sum += a[m] * b[m];
            }
            normal[i][j] = sum;
        }
    }
    SolveNormalEquations(normal, k, window);
    double weighted = 0;
    for (int i = 1; i <= k; ++i) {
        fit.Coefficients[i] = normal[i][k + 1];
        weighted += fit.Coefficients[i] * fit.Means[i];
    }
    fit.Intercept = fit.Means[k + 1] - weighted;
}

} // namespace

void FitEquation(ProgramState& ps, ComputingState& cs, ComputingWindow& window,
                 const PredictorSet& set) {
    const int k = cs.FitTermCount;
    if (cs.CrossValidating) {
        FitHalf(ps, cs, window, set, k);
    } else {
        FitNormal(ps, cs, window, set, k);
    }
}

} // namespace kalemir::qspr
