#pragma once
// The figures a reader of an equation asks for beside each coefficient: its standard error,
// its t value and the two-sided probability of a t that large by chance, and the variance
// inflation factor of each predictor, all from the calibration data of the equation.

#include "qspr/setup/RunRecord.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// One term of the equation; NaN where a figure is not defined (no degrees of freedom
/// left, or predictors so correlated that their cross products cannot be inverted).
struct TermStatistics {
    std::string Term; ///< the descriptor, or "intercept"
    double Coefficient = 0;
    double StandardError = 0;
    double T = 0;   ///< coefficient / standard error
    double P = 0;   ///< two-sided, from Student's t with n - p - 1 degrees of freedom
    double Vif = 0; ///< 1 / (1 - R2 of the predictor on the others); NaN for the intercept
};

struct CoefficientStatistics {
    int DegreesOfFreedom = 0; ///< n - p - 1
    TermStatistics Intercept;
    std::vector<TermStatistics> Terms; ///< in the equation's order
};

/// Two-sided probability of |T| >= |t| for Student's t with `freedom` degrees of freedom:
/// the regularised incomplete beta I_x(freedom / 2, 1 / 2) at x = freedom / (freedom + t^2).
/// NaN when t is NaN or freedom < 1.
double TwoSidedTProbability(double t, int freedom);

/// Standard errors s sqrt(c_kk) with s^2 = RSS / (n - p - 1) and c the inverse of the
/// centred cross products of the predictors (the intercept's s sqrt(1/n + m' c m), m the
/// predictor means), and VIF_k = (Z'Z)_kk c_kk. Residuals are observed - estimated.
CoefficientStatistics ComputeCoefficientStatistics(const BestModelRecord& model);

} // namespace kalemir::qspr
