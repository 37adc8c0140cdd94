#include "qspr/results/ScatterPlot.h"

#include <gtest/gtest.h>

namespace kalemir::qspr {
namespace {

using Rows = std::vector<std::array<double, 5>>;

/// Rows for plot 1 from (computed, observed) pairs, row 0 unused, ending with a zero row.
Rows PlotOneRows(std::initializer_list<std::pair<double, double>> points) {
    Rows rows(1);
    for (auto [computed, observed] : points) {
        rows.push_back({0, computed, observed, 0, 0});
    }
    rows.push_back({});
    return rows;
}

TEST(ScatterPlotTest, PointsAreMappedOntoTheFrame) {
    Rows rows = PlotOneRows({{1, 1}, {2, 2}, {3, 3}});
    const ScatterDrawing d = DrawScatterPlot(rows, 1);
    ASSERT_EQ(d.Points.size(), 3u);
    // y = 6800 - 6400 (c - 1) / 2 and x = 1700 + 7600 (o - 1) / 2, worked by hand.
    EXPECT_DOUBLE_EQ(d.Points[0].Y, 6800);
    EXPECT_DOUBLE_EQ(d.Points[0].X, 1700);
    EXPECT_DOUBLE_EQ(d.Points[1].Y, 3600);
    EXPECT_DOUBLE_EQ(d.Points[1].X, 5500);
    EXPECT_DOUBLE_EQ(d.Points[2].Y, 400);
    EXPECT_DOUBLE_EQ(d.Points[2].X, 9300);
    // The plot's columns now hold the window coordinates.
    EXPECT_DOUBLE_EQ(rows[3][1], 400);
    EXPECT_DOUBLE_EQ(rows[3][2], 9300);
    EXPECT_EQ(d.Frame.size(), 4u);
}

TEST(ScatterPlotTest, AxisLabelsAreRoundedToHundredths) {
    Rows rows = PlotOneRows({{1.004, 5.5}, {2.996, 8.925}});
    const ScatterDrawing d = DrawScatterPlot(rows, 1);
    ASSERT_EQ(d.Texts.size(), 8u);
    EXPECT_EQ(d.Texts[0].Content, "Observed");
    EXPECT_EQ(d.Texts[1].Content, "Computed");
    EXPECT_EQ(d.Texts[2].Content, " 1");    // Cmin 1.004
    EXPECT_EQ(d.Texts[3].Content, " 3");    // Cmax 2.996
    EXPECT_EQ(d.Texts[4].Content, " 2");    // (1.004 + 2.996) / 2
    EXPECT_EQ(d.Texts[5].Content, " 5.5");  // Omin
    EXPECT_EQ(d.Texts[6].Content, " 8.93"); // Omax 8.925 rounds up
    EXPECT_EQ(d.Texts[7].Content, " 7.21"); // mid 7.2125
    EXPECT_EQ(d.Texts[6].X, 9300);
    EXPECT_EQ(d.Texts[6].Y, 7200);
}

TEST(ScatterPlotTest, TheLeastSquaresLineStaysInsideTheFrame) {
    Rows rows = PlotOneRows({{1, 1}, {2, 2}, {3, 3}});
    const ScatterDrawing d = DrawScatterPlot(rows, 1);
    // Through (1700, 6800), (5500, 3600), (9300, 400): b = -3200 / 3800, a = 8231.58; the
    // line runs from y = 6968 at x = 1500 to y = 232 at x = 9500, all inside.
    ASSERT_EQ(d.LinePoints.size(), 8001u);
    EXPECT_NEAR(d.LinePoints.front().Y, 6968.42, 0.01);
    EXPECT_NEAR(d.LinePoints.back().Y, 231.58, 0.01);
    for (const auto& p : d.LinePoints) {
        EXPECT_GT(p.Y, 200);
        EXPECT_LT(p.Y, 7000);
    }
}

TEST(ScatterPlotTest, AComputedValueOfZeroEndsThePoints) {
    Rows rows = PlotOneRows({{1, 1}, {0, 2}, {3, 3}});
    EXPECT_EQ(DrawScatterPlot(rows, 1).Points.size(), 1u);
}

TEST(ScatterPlotTest, AZeroRangeDrawsOnTheMiddleOfThatAxis) {
    Rows rows = PlotOneRows({{2, 1}, {2, 5}});
    const ScatterDrawing d = DrawScatterPlot(rows, 1);
    ASSERT_EQ(d.Points.size(), 2u);
    EXPECT_DOUBLE_EQ(d.Points[0].Y, 3600);
    EXPECT_DOUBLE_EQ(d.Points[1].Y, 3600);
    EXPECT_DOUBLE_EQ(d.Points[1].X, 9300);
    Rows vertical = PlotOneRows({{1, 4}, {2, 4}});
    const ScatterDrawing v = DrawScatterPlot(vertical, 1);
    EXPECT_DOUBLE_EQ(v.Points[0].X, 5500);
    EXPECT_TRUE(v.LinePoints.empty());
}

// A stopped run leaves a plot without estimates: it says so instead of an empty frame with
// axes from -100000 to 100000.
TEST(ScatterPlotTest, APlotWithoutPointsSaysNoPoints) {
    Rows none = PlotOneRows({});
    Rows empty; // not even row 0
    for (Rows* rows : {&none, &empty}) {
        const ScatterDrawing d = DrawScatterPlot(*rows, 1);
        EXPECT_TRUE(d.Points.empty());
        EXPECT_TRUE(d.Frame.empty());
        EXPECT_TRUE(d.LinePoints.empty());
        ASSERT_EQ(d.Texts.size(), 1u);
        EXPECT_EQ(d.Texts[0].Content, "no points");
    }
}

TEST(ScatterPlotTest, PlotTwoUsesItsOwnColumns) {
    Rows rows(1);
    rows.push_back({0, 1, 1, 7, 7});
    rows.push_back({0, 2, 2, 8, 9});
    rows.push_back({0, 0, 0, 0, 0});
    const ScatterDrawing d = DrawScatterPlot(rows, 2);
    ASSERT_EQ(d.Points.size(), 2u);
    EXPECT_DOUBLE_EQ(d.Points[0].Y, 6800);
    EXPECT_DOUBLE_EQ(d.Points[1].X, 9300);
    EXPECT_DOUBLE_EQ(rows[1][1], 1); // plot 1 untouched
}

TEST(ScatterPlotTest, PromptsAndCount) {
    EXPECT_EQ(ScatterPlotCount(1), 1);
    EXPECT_EQ(ScatterPlotCount(4), 2);
    EXPECT_EQ(ScatterPrompt(1, 1),
              "The program will save the image of this scatter-plot. Give a name to the saved "
              "file.");
    EXPECT_NE(ScatterPrompt(1, 2).find("BEFORE removing outliers.  Give a name"),
              std::string::npos);
    EXPECT_NE(ScatterPrompt(2, 2).find("AFTER removing outliers.  Give other name"),
              std::string::npos);
    // Saving both plots as proposed keeps both.
    EXPECT_EQ(ScatterPlotDefaultName("BZR01", 1), "BZR01.bmp");
    EXPECT_EQ(ScatterPlotDefaultName("BZR01", 2), "BZR01after.bmp");
}

} // namespace
} // namespace kalemir::qspr
