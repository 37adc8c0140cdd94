#pragma once
// The scatter plots of computed against observed property values, as drawing commands
// in twips of the window surface (1440 per inch, y growing downwards), so that the
// results window and the command line draw the same picture.

#include <array>
#include <string>
#include <vector>

namespace kalemir::qspr {

struct ScatterDrawing {
    struct Segment {
        int X1, Y1, X2, Y2;
    };
    struct Text {
        int X, Y;
        std::string Content;
    };
    struct Dot {
        double X, Y;
    };
    std::vector<Segment> Frame;
    std::vector<Text> Texts;
    /// Filled black circles of radius kPointRadius.
    std::vector<Dot> Points;
    /// Single light-red points of the least-squares line, inside the frame.
    std::vector<Dot> LinePoints;
    /// Light-red lines of the limits a Williams plot marks (none in a scatter plot).
    std::vector<Segment> Guides;
    /// Open black circles of radius kPointRadius: the Williams plot's prediction
    /// molecules (none in a scatter plot).
    std::vector<Dot> OpenPoints;
};

inline constexpr int kPointRadius = 30;
/// The window surface the plot needs, in twips.
inline constexpr int kPlotWidthTwips = 10200;
inline constexpr int kPlotHeightTwips = 7900;

/// One plot when the analysis ran one cycle (no outlier removed), otherwise two.
int ScatterPlotCount(int cycleNumber);

/// Draws plot k (1 before, 2 after removing outliers) of the scatter points; the columns
/// of that plot are overwritten with the window coordinates of its points. A plot without
/// points (a stopped run) is the one text kNoPointsText in the middle of the surface.
ScatterDrawing DrawScatterPlot(std::vector<std::array<double, 5>>& scatterPoints, int k);

inline constexpr const char* kNoPointsText = "no points";
inline constexpr int kNoPointsX = 4800;
inline constexpr int kNoPointsY = 3600;

/// The bitmap name the question proposes for plot k: the QSPR table's name + ".bmp" for
/// the first, + "after.bmp" for the second, so that saving both as proposed keeps both.
std::string ScatterPlotDefaultName(const std::string& qsprTableCopy, int k);

/// The question that asks for the bitmap's name of plot k of `count`.
std::string ScatterPrompt(int k, int count);

inline constexpr const char* kScatterCaption = " Scatter plots before and after removing outliers";
inline constexpr const char* kScatterTitle = "*.bmp file name";

} // namespace kalemir::qspr
