#include "qspr/validation/ModelDiagnostics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kalemir::qspr {

namespace {

bool SameValue(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

double NotDefined() {
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

/// Inverts the symmetric positive matrix `a` (p x p, row-major) by Gauss-Jordan
/// elimination with partial pivoting; false when a pivot vanishes against the scale of
/// the matrix.
bool InvertMatrix(std::vector<double>& a, std::size_t p, std::vector<double>& inverse) {
    inverse.assign(p * p, 0.0);
    double scale = 0;
    for (std::size_t i = 0; i < p; ++i) {
        inverse[i * p + i] = 1;
        scale = std::max(scale, std::fabs(a[i * p + i]));
    }
    for (std::size_t col = 0; col < p; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < p; ++r) {
            if (std::fabs(a[r * p + col]) > std::fabs(a[pivot * p + col])) {
                pivot = r;
            }
        }
        if (!(std::fabs(a[pivot * p + col]) > scale * 1e-13)) {
            return false;
        }
        if (pivot != col) {
            for (std::size_t c = 0; c < p; ++c) {
                std::swap(a[pivot * p + c], a[col * p + c]);
                std::swap(inverse[pivot * p + c], inverse[col * p + c]);
            }
        }
        const double d = a[col * p + col];
        for (std::size_t c = 0; c < p; ++c) {
            a[col * p + c] /= d;
            inverse[col * p + c] /= d;
        }
        for (std::size_t r = 0; r < p; ++r) {
            if (r == col) {
                continue;
            }
            const double factor = a[r * p + col];
            if (factor == 0) {
                continue;
            }
            for (std::size_t c = 0; c < p; ++c) {
                a[r * p + c] -= factor * a[col * p + c];
                inverse[r * p + c] -= factor * inverse[col * p + c];
            }
        }
    }
    return true;
}

std::vector<double> LeveragesOf(const std::vector<std::vector<double>>& calibration,
                                const std::vector<std::vector<double>>& rows) {
    const std::size_t n = calibration.size();
    if (n == 0) {
        return {};
    }
    const std::size_t p = calibration.front().size();
    std::vector<double> mean(p, 0.0);
    for (const auto& x : calibration) {
        for (std::size_t k = 0; k < p; ++k) {
            mean[k] += x[k];
        }
    }
    for (double& m : mean) {
        m /= static_cast<double>(n);
    }
    std::vector<double> zz(p * p, 0.0);
    for (const auto& x : calibration) {
        for (std::size_t a = 0; a < p; ++a) {
            for (std::size_t b = 0; b < p; ++b) {
                zz[a * p + b] += (x[a] - mean[a]) * (x[b] - mean[b]);
            }
        }
    }
    std::vector<double> inverse;
    if (!InvertMatrix(zz, p, inverse)) {
        return {};
    }
    std::vector<double> leverages;
    std::vector<double> z(p);
    for (const auto& x : rows) {
        for (std::size_t k = 0; k < p; ++k) {
            z[k] = x[k] - mean[k];
        }
        double h = 1.0 / static_cast<double>(n);
        for (std::size_t a = 0; a < p; ++a) {
            double row = 0;
            for (std::size_t b = 0; b < p; ++b) {
                row += inverse[a * p + b] * z[b];
            }
            h += z[a] * row;
        }
        leverages.push_back(h);
    }
    return leverages;
}

CalibrationDiagnostics DiagnoseModel(const BestModelRecord& model) {
    CalibrationDiagnostics d;
    const std::size_t n = model.CalibrationNames.size();
    const int p = static_cast<int>(model.Descriptors.size());
    d.PredictorCount = p;
    if (n == 0) {
        return d;
    }
    d.WarningLeverage = 3.0 * (p + 1) / static_cast<double>(n);
    std::vector<double> calibrationLeverage =
        LeveragesOf(model.CalibrationValues, model.CalibrationValues);
    std::vector<double> predictionLeverage =
        LeveragesOf(model.CalibrationValues, model.PredictionValues);
    if (calibrationLeverage.size() != n) {
        calibrationLeverage.assign(n, NotDefined());
        predictionLeverage.assign(model.PredictionNames.size(), NotDefined());
    }
    double rss = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double e = model.Observed[i] - model.Estimated[i];
        rss += e * e;
    }
    const int freedom = static_cast<int>(n) - p - 1;
    d.SEE = freedom > 0 ? std::sqrt(rss / freedom) : NotDefined();
    for (std::size_t i = 0; i < n; ++i) {
        CalibrationDiagnostic c;
        c.Name = model.CalibrationNames[i];
        c.Observed = model.Observed[i];
        c.Estimated = model.Estimated[i];
        c.Residual = c.Observed - c.Estimated;
        c.StandardisedResidual = d.SEE > 0 ? c.Residual / d.SEE : NotDefined();
        c.Leverage = calibrationLeverage[i];
        if (std::fabs(1 - c.Leverage) > kUnitLeverageTolerance) {
            c.LooEstimate = c.Observed - c.Residual / (1 - c.Leverage);
        }
        d.Calibration.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < model.PredictionNames.size(); ++j) {
        PredictionDiagnostic pd;
        pd.Name = model.PredictionNames[j];
        pd.Estimated = j < model.PredictionEstimates.size() ? model.PredictionEstimates[j] : 0.0;
        pd.Leverage = predictionLeverage[j];
        pd.BeyondWarningLeverage = pd.Leverage > d.WarningLeverage;
        d.Prediction.push_back(std::move(pd));
    }
    return d;
}

LeaveOneOutSummary LeaveOneOutOf(const CalibrationDiagnostics& d) {
    LeaveOneOutSummary s;
    double sum = 0;
    for (const CalibrationDiagnostic& c : d.Calibration) {
        if (!c.LooEstimate) {
            s.FittedExactly.push_back(c.Name);
            continue;
        }
        const double press = c.Observed - *c.LooEstimate;
        s.Press += press * press;
        sum += c.Observed;
        ++s.Count;
    }
    if (s.Count == 0) {
        s.Q2 = s.Rmse = NotDefined();
        return s;
    }
    const double mean = sum / s.Count;
    for (const CalibrationDiagnostic& c : d.Calibration) {
        if (c.LooEstimate) {
            s.TotalSquares += (c.Observed - mean) * (c.Observed - mean);
        }
    }
    s.Q2 = s.TotalSquares > 0 ? 1 - s.Press / s.TotalSquares : NotDefined();
    s.Rmse = std::sqrt(s.Press / s.Count);
    return s;
}

std::vector<RarePredictor> FindRarePredictors(const BestModelRecord& model) {
    std::vector<RarePredictor> rare;
    const std::size_t n = model.CalibrationValues.size();
    for (std::size_t k = 0; k < model.Descriptors.size(); ++k) {
        std::vector<double> values;
        for (const auto& row : model.CalibrationValues) {
            values.push_back(row[k]);
        }
        // The most common value: the largest run of equal values in sorted order.
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        double common = 0;
        std::size_t best = 0;
        for (std::size_t i = 0; i < sorted.size();) {
            std::size_t j = i;
            while (j < sorted.size() && SameValue(sorted[j], sorted[i])) {
                ++j;
            }
            if (j - i > best) {
                best = j - i;
                common = sorted[i];
            }
            i = j;
        }
        const std::size_t others = n - best;
        if (others == 0 || others >= 3) {
            continue;
        }
        RarePredictor r;
        r.Descriptor = model.Descriptors[k];
        r.CommonValue = common;
        for (std::size_t i = 0; i < n; ++i) {
            if (!SameValue(values[i], common)) {
                r.Molecules.push_back(model.CalibrationNames[i]);
            }
        }
        rare.push_back(std::move(r));
    }
    return rare;
}

} // namespace kalemir::qspr
