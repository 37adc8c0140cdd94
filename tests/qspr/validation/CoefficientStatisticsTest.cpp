// Standard errors, t, p and VIF of an equation's terms against figures worked out by hand.

#include "qspr/validation/CoefficientStatistics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kalemir::qspr {
namespace {

struct TProbabilityRow {
    double t;
    int freedom;
    double expected; ///< closed forms of Student's t for 1, 2 and 3 degrees of freedom
};

class TProbabilityTest : public ::testing::TestWithParam<TProbabilityRow> {};

TEST_P(TProbabilityTest, MatchesTheClosedForm) {
    const TProbabilityRow& row = GetParam();
    EXPECT_NEAR(TwoSidedTProbability(row.t, row.freedom), row.expected, 1e-12);
    EXPECT_NEAR(TwoSidedTProbability(-row.t, row.freedom), row.expected, 1e-12);
}

const double kPi = std::acos(-1.0);

INSTANTIATE_TEST_SUITE_P(
    ClosedForms, TProbabilityTest,
    ::testing::Values(
        // df 1 (Cauchy): 1 - (2 / pi) atan|t|
        TProbabilityRow{1, 1, 0.5}, TProbabilityRow{0, 1, 1.0},
        TProbabilityRow{3, 1, 1 - 2 / kPi* std::atan(3.0)},
        // df 2: 1 - |t| / sqrt(2 + t^2); t = 2 gives 1 - 2 / sqrt(6) = 0.183503...
        TProbabilityRow{2, 2, 1 - 2 / std::sqrt(6.0)},
        // df 3: 1 - (2 / pi) (atan(u) + u / (1 + u^2)), u = t / sqrt 3; u = 4/3 gives
        // 1 - (2 / pi) (0.927295 + 0.48) = 0.104088
        TProbabilityRow{4 / std::sqrt(3.0), 3, 1 - 2 / kPi*(std::atan(4.0 / 3) + 0.48)},
        TProbabilityRow{INFINITY, 5, 0.0}));

TEST(TProbabilityEdgeTest, UndefinedWithoutFreedomOrT) {
    EXPECT_TRUE(std::isnan(TwoSidedTProbability(2, 0)));
    EXPECT_TRUE(std::isnan(TwoSidedTProbability(NAN, 4)));
}

BestModelRecord ModelOf(const std::vector<std::vector<double>>& x, const std::vector<double>& y,
                        const std::vector<double>& fitted, const std::vector<double>& b,
                        double intercept) {
    BestModelRecord m;
    for (std::size_t k = 0; k < b.size(); ++k) {
        m.Descriptors.push_back("X" + std::to_string(k + 1));
    }
    m.Coefficients = b;
    m.Intercept = intercept;
    m.CalibrationValues = x;
    m.Observed = y;
    m.Estimated = fitted;
    for (std::size_t i = 0; i < y.size(); ++i) {
        m.CalibrationNames.push_back("m" + std::to_string(i + 1));
    }
    return m;
}

TEST(CoefficientStatisticsTest, StraightLineByHand) {
    // x 1..5, y 1 3 2 5 4: Sxx 10, Sxy 8, b 0.8, a 0.6, residuals -0.4 0.8 -1 1.2 -0.6,
    // RSS 3.6, s^2 = 3.6 / 3 = 1.2; SE(b) = sqrt(1.2 / 10), SE(a) = sqrt(1.2 (1/5 + 9/10)),
    // t(b) = 0.8 / sqrt(0.12) = 4 / sqrt 3, whose p under 3 degrees of freedom is 0.104088.
    const CoefficientStatistics s = ComputeCoefficientStatistics(
        ModelOf({{1}, {2}, {3}, {4}, {5}}, {1, 3, 2, 5, 4}, {1.4, 2.2, 3.0, 3.8, 4.6}, {0.8}, 0.6));
    ASSERT_EQ(s.Terms.size(), 1u);
    EXPECT_EQ(s.DegreesOfFreedom, 3);
    EXPECT_NEAR(s.Terms[0].StandardError, std::sqrt(0.12), 1e-12);
    EXPECT_NEAR(s.Terms[0].T, 4 / std::sqrt(3.0), 1e-12);
    EXPECT_NEAR(s.Terms[0].P, 0.1040880, 1e-6);
    EXPECT_NEAR(s.Terms[0].Vif, 1.0, 1e-12);
    EXPECT_NEAR(s.Intercept.StandardError, std::sqrt(1.32), 1e-12);
    EXPECT_NEAR(s.Intercept.T, 0.6 / std::sqrt(1.32), 1e-12);
    EXPECT_TRUE(std::isnan(s.Intercept.Vif));
}

TEST(CoefficientStatisticsTest, VifFromTheCorrelationOfTwoPredictors) {
    // x1 1..5 and x2 2 1 4 3 5 correlate with r = 8 / 10: VIF = 1 / (1 - 0.64) for both.
    const std::vector<std::vector<double>> x = {{1, 2}, {2, 1}, {3, 4}, {4, 3}, {5, 5}};
    const CoefficientStatistics s = ComputeCoefficientStatistics(
        ModelOf(x, {1, 2, 3, 4, 6}, {1.1, 1.9, 3.2, 3.8, 6.0}, {1, 0.2}, 0));
    ASSERT_EQ(s.Terms.size(), 2u);
    EXPECT_NEAR(s.Terms[0].Vif, 1 / 0.36, 1e-12);
    EXPECT_NEAR(s.Terms[1].Vif, 1 / 0.36, 1e-12);
}

TEST(CoefficientStatisticsTest, NothingDefinedWithoutFreedomOrWithCollinearPredictors) {
    // Two molecules, one predictor: no residual degree of freedom.
    const CoefficientStatistics tight =
        ComputeCoefficientStatistics(ModelOf({{1}, {2}}, {1, 2}, {1, 2}, {1}, 0));
    EXPECT_TRUE(std::isnan(tight.Terms[0].StandardError));
    EXPECT_TRUE(std::isnan(tight.Terms[0].P));
    // x2 = 2 x1: the cross products cannot be inverted.
    const CoefficientStatistics collinear = ComputeCoefficientStatistics(
        ModelOf({{1, 2}, {2, 4}, {3, 6}, {4, 8}}, {1, 2, 3, 5}, {1, 2, 3, 4}, {1, 0}, 0));
    EXPECT_TRUE(std::isnan(collinear.Terms[1].StandardError));
    EXPECT_TRUE(std::isnan(collinear.Terms[1].Vif));
}

} // namespace
} // namespace kalemir::qspr
