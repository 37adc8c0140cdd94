// The Williams plot's drawing: positions worked by hand from the axis rule (leverage axis
// to 1.25 times the largest leverage shown or h*, residual axis to the larger of 4 and
// 1.25 times the largest |residual|) in the scatter plots' frame.

#include "qspr/validation/WilliamsPlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kalemir::qspr {
namespace {

bool HasText(const ScatterDrawing& d, int x, int y, const std::string& text) {
    return std::any_of(d.Texts.begin(), d.Texts.end(), [&](const ScatterDrawing::Text& t) {
        return t.X == x && t.Y == y && t.Content == text;
    });
}

CalibrationDiagnostic Calibration(const std::string& name, double leverage, double residual) {
    CalibrationDiagnostic c;
    c.Name = name;
    c.Leverage = leverage;
    c.StandardisedResidual = residual;
    return c;
}

PredictionDiagnostic Prediction(const std::string& name, double leverage, double residual,
                                bool observed) {
    PredictionDiagnostic p;
    p.Name = name;
    p.Leverage = leverage;
    p.StandardisedResidual = residual;
    if (observed) {
        p.Observed = 1.0;
    }
    return p;
}

struct PlotCase {
    const char* what;
    std::vector<CalibrationDiagnostic> calibration;
    std::vector<PredictionDiagnostic> prediction;
    double warning;
    std::vector<ScatterDrawing::Dot> points;
    std::vector<ScatterDrawing::Dot> openPoints;
    int plus3, minus3, warningX; ///< y of the +3 and -3 lines, x of h* (0: no line)
    std::vector<std::string> named;
};

TEST(WilliamsPlot, PointsAndLimitsWhereWorkedByHand) {
    const PlotCase cases[] = {
        // Leverages to 0.8: x = 1500 + 8000 h; residuals within 2: y = 3600 - 850 r.
        // The prediction molecule without an observed value (leverage 0.9) is left out
        // of the points and of the axis.
        {"residuals within the limits",
         {Calibration("A", 0.2, 1.0), Calibration("B", 0.8, -2.0)},
         {Prediction("P", 0.4, 2.0, true), Prediction("Q", 0.9, 0.0, false)},
         0.5,
         {{3100, 2750}, {7900, 5300}},
         {{4700, 1900}},
         1050,
         6150,
         5500,
         {"B"}},
        // A residual of -4 stretches the residual axis to 5: y = 3600 - 680 r; h* 0.3
        // with leverages to 0.32 gives x = 1500 + 20000 h.
        {"a response outlier",
         {Calibration("C", 0.1, -4.0), Calibration("D", 0.32, 0.5)},
         {},
         0.3,
         {{3500, 6320}, {7900, 3260}},
         {},
         1560,
         5640,
         7500,
         {"C", "D"}},
        // No molecule and no h*: the axes keep their least ranges, no h* line.
        {"nothing to show", {}, {}, 0, {}, {}, 1050, 6150, 0, {}},
    };
    for (const PlotCase& c : cases) {
        SCOPED_TRACE(c.what);
        CalibrationDiagnostics d;
        d.Calibration = c.calibration;
        d.Prediction = c.prediction;
        d.WarningLeverage = c.warning;
        const ScatterDrawing drawing = DrawWilliamsPlot(d);
        ASSERT_EQ(drawing.Points.size(), c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_NEAR(drawing.Points[i].X, c.points[i].X, 1e-9);
            EXPECT_NEAR(drawing.Points[i].Y, c.points[i].Y, 1e-9);
        }
        ASSERT_EQ(drawing.OpenPoints.size(), c.openPoints.size());
        for (std::size_t i = 0; i < c.openPoints.size(); ++i) {
            EXPECT_NEAR(drawing.OpenPoints[i].X, c.openPoints[i].X, 1e-9);
            EXPECT_NEAR(drawing.OpenPoints[i].Y, c.openPoints[i].Y, 1e-9);
        }
        ASSERT_EQ(drawing.Guides.size(), c.warningX > 0 ? 3u : 2u);
        EXPECT_EQ(drawing.Guides[0].Y1, c.plus3);
        EXPECT_EQ(drawing.Guides[1].Y1, c.minus3);
        if (c.warningX > 0) {
            EXPECT_EQ(drawing.Guides[2].X1, c.warningX);
        }
        // Only the molecules right of h* or beyond +-3 carry their names.
        for (const CalibrationDiagnostic& m : c.calibration) {
            const bool named = std::find(c.named.begin(), c.named.end(), m.Name) != c.named.end();
            const bool shown =
                std::any_of(drawing.Texts.begin(), drawing.Texts.end(),
                            [&](const ScatterDrawing::Text& t) { return t.Content == m.Name; });
            EXPECT_EQ(shown, named) << m.Name;
        }
        EXPECT_TRUE(drawing.LinePoints.empty());
    }
}

TEST(WilliamsPlot, AxisLabels) {
    CalibrationDiagnostics d;
    d.Calibration = {Calibration("A", 0.2, 1.0), Calibration("B", 0.8, -2.0)};
    d.WarningLeverage = 0.5;
    const ScatterDrawing drawing = DrawWilliamsPlot(d);
    EXPECT_TRUE(HasText(drawing, 1000, 400, " 4"));
    EXPECT_TRUE(HasText(drawing, 1000, 6800, "-4"));
    EXPECT_TRUE(HasText(drawing, 9300, 7200, " 1"));
    EXPECT_TRUE(HasText(drawing, 5500, 7200, " .5"));
    EXPECT_TRUE(HasText(drawing, 5200, 0, "h* = 0.5"));
    EXPECT_TRUE(HasText(drawing, 9560, 950, "+3"));
    EXPECT_TRUE(HasText(drawing, 7960, 5200, "B"));
    EXPECT_EQ(WilliamsPlotName("BZR01"), "BZR01-williams.bmp");
}

} // namespace
} // namespace kalemir::qspr
