// Leverages, standardised residuals and leave-one-out figures of a best equation, against
// a straight line worked by hand in fractions: x = 1, 2, 3, 6 and y = 1, 3, 2, 7 give
// y = -5/28 + 8/7 x, residuals 1/28, 25/28, -35/28, 9/28, leverages 1/4 + (x - 3)^2 / 14 =
// 15/28, 9/28, 7/28, 25/28, left-out errors e / (1 - h) = 1/13, 25/19, -5/3, 3, so
// PRESS = 1/169 + 625/361 + 25/9 + 9, the total sum of squares 83/4 and
// Q2 = 1 - PRESS / (83/4) = 0.348674849...

#include "qspr/validation/ModelDiagnostics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kalemir::qspr {
namespace {

constexpr double kPress = 1.0 / 169 + 625.0 / 361 + 25.0 / 9 + 9;

BestModelRecord Line() {
    BestModelRecord m;
    m.Descriptors = {"x"};
    m.Coefficients = {8.0 / 7};
    m.Intercept = -5.0 / 28;
    m.CalibrationNames = {"a", "b", "c", "d"};
    m.Observed = {1, 3, 2, 7};
    for (const double x : {1.0, 2.0, 3.0, 6.0}) {
        m.CalibrationValues.push_back({x});
        m.Estimated.push_back(-5.0 / 28 + 8.0 / 7 * x);
    }
    m.PredictionNames = {"p", "far"};
    m.PredictionValues = {{4}, {20}};
    m.PredictionEstimates = {-5.0 / 28 + 32.0 / 7, -5.0 / 28 + 160.0 / 7};
    return m;
}

TEST(ModelDiagnosticsTest, LineWorkedByHand) {
    const CalibrationDiagnostics d = DiagnoseModel(Line());
    ASSERT_EQ(d.Calibration.size(), 4u);
    const double leverage[] = {15.0 / 28, 9.0 / 28, 7.0 / 28, 25.0 / 28};
    const double residual[] = {1.0 / 28, 25.0 / 28, -35.0 / 28, 9.0 / 28};
    const double loo[] = {12.0 / 13, 32.0 / 19, 11.0 / 3, 4};
    const double s = std::sqrt(1932.0 / 784 / 2); // RSS / (n - p - 1)
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(d.Calibration[i].Leverage, leverage[i], 1e-12) << i;
        EXPECT_NEAR(d.Calibration[i].Residual, residual[i], 1e-12) << i;
        EXPECT_NEAR(d.Calibration[i].StandardisedResidual, residual[i] / s, 1e-12) << i;
        ASSERT_TRUE(d.Calibration[i].LooEstimate.has_value()) << i;
        EXPECT_NEAR(*d.Calibration[i].LooEstimate, loo[i], 1e-12) << i;
    }
    EXPECT_DOUBLE_EQ(d.WarningLeverage, 1.5); // 3 (1 + 1) / 4
    // Prediction leverage 1/4 + (x - 3)^2 / 14: 4 lies inside, 20 far beyond h*.
    ASSERT_EQ(d.Prediction.size(), 2u);
    EXPECT_NEAR(d.Prediction[0].Leverage, 0.25 + 1.0 / 14, 1e-12);
    EXPECT_FALSE(d.Prediction[0].BeyondWarningLeverage);
    EXPECT_NEAR(d.Prediction[1].Leverage, 0.25 + 289.0 / 14, 1e-10);
    EXPECT_TRUE(d.Prediction[1].BeyondWarningLeverage);

    const LeaveOneOutSummary s1 = LeaveOneOutOf(d);
    EXPECT_EQ(s1.Count, 4);
    EXPECT_NEAR(s1.Press, kPress, 1e-12);
    EXPECT_NEAR(s1.TotalSquares, 83.0 / 4, 1e-12);
    EXPECT_NEAR(s1.Q2, 0.34867484932051745, 1e-12);
    EXPECT_NEAR(s1.Rmse, std::sqrt(kPress / 4), 1e-12);
    EXPECT_TRUE(s1.FittedExactly.empty());
}

// A fifth molecule with a term of its own (an indicator non-zero for it alone) has
// leverage 1: it is named, and Q2 over the other four is that of the line above.
TEST(ModelDiagnosticsTest, MoleculeOfLeverageOneIsLeftOut) {
    BestModelRecord m = Line();
    m.Descriptors = {"x", "single"};
    m.Coefficients = {8.0 / 7, 10 - (-5.0 / 28 + 32.0 / 7)};
    for (auto& row : m.CalibrationValues) {
        row.push_back(0);
    }
    m.CalibrationNames.push_back("e");
    m.CalibrationValues.push_back({4, 1});
    m.Observed.push_back(10);
    m.Estimated.push_back(10);
    m.PredictionNames.clear();
    m.PredictionValues.clear();
    m.PredictionEstimates.clear();

    const CalibrationDiagnostics d = DiagnoseModel(m);
    EXPECT_NEAR(d.Calibration[4].Leverage, 1, 1e-12);
    EXPECT_FALSE(d.Calibration[4].LooEstimate.has_value());
    EXPECT_NEAR(d.Calibration[0].Leverage, 15.0 / 28, 1e-12);
    const LeaveOneOutSummary s = LeaveOneOutOf(d);
    EXPECT_EQ(s.FittedExactly, std::vector<std::string>{"e"});
    EXPECT_EQ(s.Count, 4);
    EXPECT_NEAR(s.Q2, 0.34867484932051745, 1e-10);
    EXPECT_NEAR(s.Press, kPress, 1e-10);

    const std::vector<RarePredictor> rare = FindRarePredictors(m);
    ASSERT_EQ(rare.size(), 1u);
    EXPECT_EQ(rare[0].Descriptor, "single");
    EXPECT_EQ(rare[0].CommonValue, 0);
    EXPECT_EQ(rare[0].Molecules, std::vector<std::string>{"e"});
}

// How many molecules leave the most common value decides the flag: one or two are
// flagged, three are not; values equal but for rounding of the centring count as one.
TEST(ModelDiagnosticsTest, RarePredictorCounts) {
    struct Case {
        std::vector<double> values;
        std::vector<std::string> flagged;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 2}, {"m6"}}, {{0, 1, 0, 0, 0, 1}, {"m2", "m6"}},
        {{0, 1, 0, 1, 0, 1}, {}},     {{0.1, 0.1 + 1e-15, 0.1, 0.1, 0.1, 0.3}, {"m6"}},
        {{1, 2, 3, 4, 5, 6}, {}},
    };
    for (const Case& c : cases) {
        BestModelRecord m;
        m.Descriptors = {"d"};
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            m.CalibrationNames.push_back("m" + std::to_string(i + 1));
            m.CalibrationValues.push_back({c.values[i]});
        }
        const std::vector<RarePredictor> rare = FindRarePredictors(m);
        if (c.flagged.empty()) {
            EXPECT_TRUE(rare.empty()) << c.values[1];
        } else {
            ASSERT_EQ(rare.size(), 1u) << c.values[1];
            EXPECT_EQ(rare[0].Molecules, c.flagged);
        }
    }
}

} // namespace
} // namespace kalemir::qspr
