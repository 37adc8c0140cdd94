// The SVG plots: where points land in the 640 x 440 picture, guides cut to the frame,
// histogram bins, and the text rules that keep names and numbers safe in markup.

#include "common/SvgPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kalemir {
namespace {

long Count(const std::string& text, const std::string& part) {
    long n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(SvgPlotTest, PointsLandInTheFrameByTheirRanges) {
    SvgPlotContent plot;
    plot.Id = "p";
    plot.XMin = 0;
    plot.XMax = 10;
    plot.YMin = 0;
    plot.YMax = 5;
    // The frame runs from x 70 to 620 and from y 36 to 384 (640 x 440 less the margins).
    plot.Series = {{"s", "#000", false, {{0, 0, ""}, {10, 5, "a<b"}, {5, 2.5, ""}}}};
    const std::string svg = DrawSvgPlot(plot);
    EXPECT_NE(svg.find("<circle cx=\"70.0\" cy=\"384.0\""), std::string::npos);
    EXPECT_NE(svg.find("<circle cx=\"620.0\" cy=\"36.0\""), std::string::npos);
    EXPECT_NE(svg.find("<circle cx=\"345.0\" cy=\"210.0\""), std::string::npos);
    EXPECT_NE(svg.find("<title>a&lt;b</title>"), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

TEST(SvgPlotTest, GuidesAreCutToTheFrameAndDroppedOutsideIt) {
    SvgPlotContent plot;
    plot.XMin = 0;
    plot.XMax = 10;
    plot.YMin = 0;
    plot.YMax = 10;
    plot.Guides = {{-10, -10, 20, 20, "#c00", ""}, {0, 20, 10, 20, "#c00", ""}};
    const std::string svg = DrawSvgPlot(plot);
    // The diagonal from (0, 0) to (10, 10) only; the line at y = 20 is outside.
    EXPECT_NE(svg.find("<line x1=\"70.0\" y1=\"384.0\" x2=\"620.0\" y2=\"36.0\" stroke=\"#c00\""),
              std::string::npos);
    EXPECT_EQ(Count(svg, "stroke=\"#c00\""), 1);
}

TEST(SvgPlotTest, CompactSeriesIsOnePathOfDots) {
    SvgPlotContent plot;
    plot.XMin = 0;
    plot.XMax = 1;
    plot.YMin = 0;
    plot.YMax = 1;
    plot.Series = {{"", "#123", false, {{0, 0, ""}, {1, 1, ""}, {NAN, 1, ""}}, true}};
    const std::string svg = DrawSvgPlot(plot);
    EXPECT_NE(svg.find("<path d=\"M70.0 384.0h0 M620.0 36.0h0\" stroke=\"#123\""),
              std::string::npos);
    EXPECT_EQ(Count(svg, "<circle"), 0);
}

TEST(SvgPlotTest, HistogramCountsEachValueOnceAndMarksTheRealOne) {
    // Five values and the mark 1 over 0 .. 1 widened by 5%: bins of 0.11 from -0.05, so
    // 0 and 0 fall in bin 0, 0.1 in bin 1, 0.53 and 0.55 in bin 5.
    const std::string svg =
        DrawSvgHistogram("h", "t", "r2", {0, 0, 0.1, 0.53, 0.55}, {{"real", 1}}, 10);
    EXPECT_EQ(Count(svg, "fill=\"#8aa9d6\""), 3);
    EXPECT_NE(svg.find(">real 1.0000</text>"), std::string::npos);
}

TEST(SvgPlotTest, TextRules) {
    EXPECT_EQ(EscapeMarkup("a&b \"c\" <d>"), "a&amp;b &quot;c&quot; &lt;d&gt;");
    EXPECT_EQ(FixedText(-0.00001, 4), "0.0000");
    EXPECT_EQ(FixedText(2.5, 1), "2.5");
    EXPECT_EQ(FixedText(NAN, 4), "-");
    EXPECT_EQ(FixedText(INFINITY, 4), "-");
}

} // namespace
} // namespace kalemir
