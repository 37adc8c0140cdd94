#pragma once
// Plots as SVG text, for pictures that go into a report file or stand alone: points on
// two numbered axes with guide lines, and histograms with marked values. Written as plain
// text so that a report stays one file that any browser opens without a network.

#include <string>
#include <vector>

namespace kalemir {

struct SvgPoint {
    double X = 0;
    double Y = 0;
    std::string Title; ///< shown by the browser when the pointer rests on the point
};

/// Points drawn alike: filled or open circles of one colour, named in the legend.
struct SvgSeries {
    std::string Label;
    std::string Colour;
    bool Open = false;
    std::vector<SvgPoint> Points;
    /// Filled dots drawn as one path of round-capped zero-length strokes, without titles:
    /// a tenth of the bytes of circles, for plots of many thousand points.
    bool Compact = false;
};

/// A straight line in data coordinates, clipped to the plot, with an optional label.
struct SvgGuide {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::string Colour;
    std::string Label;
};

struct SvgPlotContent {
    std::string Id; ///< the id attribute of the <svg> element
    std::string Title;
    std::string XLabel;
    std::string YLabel;
    std::vector<SvgSeries> Series;
    std::vector<SvgGuide> Guides;
    /// Data ranges; when min >= max the range of the points and guides, widened by 5%.
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
};

/// The plot as one <svg> element (no XML declaration): 640 x 440 pixels.
std::string DrawSvgPlot(const SvgPlotContent& plot);

/// A histogram of `values` in `bins` equal bins over their range and the marked values,
/// with each mark a vertical red line labelled with its name and value.
struct SvgMark {
    std::string Label;
    double Value = 0;
};
std::string DrawSvgHistogram(const std::string& id, const std::string& title,
                             const std::string& xLabel, const std::vector<double>& values,
                             const std::vector<SvgMark>& marks, int bins);

/// Text with &, <, > and " written as character references, for HTML and SVG.
std::string EscapeMarkup(const std::string& text);

/// Fixed-point text with `decimals` decimals, locale-independent; "-" when not finite.
std::string FixedText(double value, int decimals);

} // namespace kalemir
