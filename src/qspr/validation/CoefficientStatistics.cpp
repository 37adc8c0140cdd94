#include "qspr/validation/CoefficientStatistics.h"

#include "qspr/validation/ModelDiagnostics.h"

#include <boost/math/special_functions/beta.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalemir::qspr {

namespace {

constexpr double kNotDefined = std::numeric_limits<double>::quiet_NaN();

/// Inverse of the symmetric p x p matrix `a` (row-major); empty when a pivot vanishes
/// against the scale of the matrix.
std::vector<double> Inverse(std::vector<double> a, std::size_t p) {
    std::vector<double> inverse;
    return InvertMatrix(a, p, inverse) ? inverse : std::vector<double>();
}

TermStatistics TermOf(const std::string& term, double coefficient, double standardError,
                      int freedom, double vif) {
    TermStatistics s;
    s.Term = term;
    s.Coefficient = coefficient;
    s.StandardError = standardError;
    s.T = standardError > 0 ? coefficient / standardError : kNotDefined;
    s.P = TwoSidedTProbability(s.T, freedom);
    s.Vif = vif;
    return s;
}

} // namespace

double TwoSidedTProbability(double t, int freedom) {
    if (std::isnan(t) || freedom < 1) {
        return kNotDefined;
    }
    if (std::isinf(t)) {
        return 0;
    }
    const double nu = freedom;
    return boost::math::ibeta(nu / 2, 0.5, nu / (nu + t * t));
}

CoefficientStatistics ComputeCoefficientStatistics(const BestModelRecord& model) {
    CoefficientStatistics s;
    const std::size_t n = model.CalibrationValues.size();
    const std::size_t p = model.Descriptors.size();
    s.DegreesOfFreedom = static_cast<int>(n) - static_cast<int>(p) - 1;
    std::vector<double> mean(p, 0.0);
    for (const auto& x : model.CalibrationValues) {
        for (std::size_t k = 0; k < p; ++k) {
            mean[k] += x[k];
        }
    }
    for (double& m : mean) {
        m /= static_cast<double>(std::max<std::size_t>(n, 1));
    }
    std::vector<double> zz(p * p, 0.0);
    for (const auto& x : model.CalibrationValues) {
        for (std::size_t a = 0; a < p; ++a) {
            for (std::size_t b = 0; b < p; ++b) {
                zz[a * p + b] += (x[a] - mean[a]) * (x[b] - mean[b]);
            }
        }
    }
    double rss = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double e = model.Observed[i] - model.Estimated[i];
        rss += e * e;
    }
    const std::vector<double> c = n > 0 ? Inverse(zz, p) : std::vector<double>();
    const bool defined = s.DegreesOfFreedom > 0 && c.size() == p * p;
    const double variance = defined ? rss / s.DegreesOfFreedom : kNotDefined;

    double interceptFactor = n > 0 ? 1.0 / static_cast<double>(n) : kNotDefined;
    for (std::size_t a = 0; a < p && defined; ++a) {
        for (std::size_t b = 0; b < p; ++b) {
            interceptFactor += mean[a] * c[a * p + b] * mean[b];
        }
    }
    s.Intercept = TermOf("intercept", model.Intercept,
                         defined ? std::sqrt(variance * interceptFactor) : kNotDefined,
                         s.DegreesOfFreedom, kNotDefined);
    for (std::size_t k = 0; k < p; ++k) {
        const double ckk = c.size() == p * p ? c[k * p + k] : kNotDefined;
        s.Terms.push_back(TermOf(model.Descriptors[k], model.Coefficients[k],
                                 defined ? std::sqrt(variance * ckk) : kNotDefined,
                                 s.DegreesOfFreedom, zz[k * p + k] * ckk));
    }
    return s;
}

} // namespace kalemir::qspr
