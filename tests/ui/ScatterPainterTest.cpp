#include "ui/ScatterPainter.h"

#include "support/TempDir.h"

#include <QImage>
#include <gtest/gtest.h>

namespace kalemir::ui {
namespace {

using kalemir::testing::ScratchDir;

TEST(ScatterPainterTest, BitmapHasPointsInBlackAndTheLineInLightRed) {
    std::vector<std::array<double, 5>> rows(1);
    rows.push_back({0, 1, 1, 0, 0});
    rows.push_back({0, 2, 2, 0, 0});
    rows.push_back({0, 3, 3, 0, 0});
    rows.push_back({});
    const qspr::ScatterDrawing drawing = qspr::DrawScatterPlot(rows, 1);
    const QImage image = PaintScatterPlot(drawing, QSize());
    // 10200 x 7900 twips at 15 twips a pixel.
    EXPECT_EQ(image.size(), QSize(680, 527));

    ScratchDir dir("scatter");
    ASSERT_TRUE(SaveScatterImage(image, "plot.bmp"));
    const QImage saved("plot.bmp", "BMP");
    ASSERT_EQ(saved.size(), image.size());
    // The middle point at (5500, 3600) twips is pixel (366.7, 240); the line crosses it on
    // rows 239 and 240, so look just below.
    EXPECT_EQ(saved.pixelColor(366, 241), QColor(Qt::black));
    EXPECT_EQ(saved.pixelColor(113, 454), QColor(Qt::black)); // (1700, 6800) twips, below the line
    // A point of the line away from the points: x = 3000 twips.
    const double y = drawing.LinePoints[1500].Y;
    EXPECT_EQ(saved.pixelColor(static_cast<int>(3000 / 15.0), static_cast<int>(y / 15.0)),
              QColor(255, 0, 0));
    // Background stays white far from anything drawn.
    EXPECT_EQ(saved.pixelColor(600, 100), QColor(Qt::white));
    ASSERT_TRUE(SaveScatterImage(image, "plot.png"));
    EXPECT_FALSE(QImage("plot.png", "PNG").isNull());
}

} // namespace
} // namespace kalemir::ui
