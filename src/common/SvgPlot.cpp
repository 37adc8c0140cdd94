#include "common/SvgPlot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace kalemir {

namespace {

constexpr double kWidth = 640;
constexpr double kHeight = 440;
constexpr double kLeft = 70;
constexpr double kRight = 20;
constexpr double kTop = 36;
constexpr double kBottom = 56;

/// Pixel text with one decimal.
std::string Px(double v) {
    return FixedText(v, 1);
}

/// A step of 1, 2 or 5 times a power of ten giving about five intervals over `span`.
double TickStep(double span) {
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10 * power;
}

struct Range {
    double Min = std::numeric_limits<double>::infinity();
    double Max = -std::numeric_limits<double>::infinity();
    void Add(double v) {
        if (std::isfinite(v)) {
            Min = std::min(Min, v);
            Max = std::max(Max, v);
        }
    }
    /// The range widened by 5% each side; a single value or none gives a unit range.
    void Widen() {
        if (!std::isfinite(Min)) {
            Min = 0;
            Max = 1;
        }
        const double pad = Max > Min ? (Max - Min) * 0.05 : 0.5;
        Min -= pad;
        Max += pad;
    }
};

/// Maps data coordinates into the plot area.
struct Frame {
    Range X, Y;
    double Px(double x) const { return kLeft + (x - X.Min) / (X.Max - X.Min) * PlotWidth(); }
    double Py(double y) const {
        return kHeight - kBottom - (y - Y.Min) / (Y.Max - Y.Min) * PlotHeight();
    }
    static double PlotWidth() { return kWidth - kLeft - kRight; }
    static double PlotHeight() { return kHeight - kTop - kBottom; }
};

std::string TickText(double v, double step) {
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, 6);
    return FixedText(std::fabs(v) < step * 1e-9 ? 0.0 : v, decimals);
}

/// The frame, the numbered ticks, the title and the axis labels.
std::string Axes(const Frame& f, const std::string& title, const std::string& xLabel,
                 const std::string& yLabel) {
    std::string s;
    const double bottom = kHeight - kBottom;
    s += "<rect x=\"" + Px(kLeft) + "\" y=\"" + Px(kTop) + "\" width=\"" + Px(Frame::PlotWidth()) +
         "\" height=\"" + Px(Frame::PlotHeight()) + "\" fill=\"none\" stroke=\"#000\"/>\n";
    const double xStep = TickStep(f.X.Max - f.X.Min);
    for (double v = std::ceil(f.X.Min / xStep) * xStep; v <= f.X.Max; v += xStep) {
        const double x = f.Px(v);
        s += "<line x1=\"" + Px(x) + "\" y1=\"" + Px(bottom) + "\" x2=\"" + Px(x) + "\" y2=\"" +
             Px(bottom + 5) + "\" stroke=\"#000\"/><text x=\"" + Px(x) + "\" y=\"" +
             Px(bottom + 18) + "\" text-anchor=\"middle\">" + TickText(v, xStep) + "</text>\n";
    }
    const double yStep = TickStep(f.Y.Max - f.Y.Min);
    for (double v = std::ceil(f.Y.Min / yStep) * yStep; v <= f.Y.Max; v += yStep) {
        const double y = f.Py(v);
        s += "<line x1=\"" + Px(kLeft - 5) + "\" y1=\"" + Px(y) + "\" x2=\"" + Px(kLeft) +
             "\" y2=\"" + Px(y) + "\" stroke=\"#000\"/><text x=\"" + Px(kLeft - 8) + "\" y=\"" +
             Px(y + 4) + "\" text-anchor=\"end\">" + TickText(v, yStep) + "</text>\n";
    }
    s += "<text x=\"" + Px(kWidth / 2) +
         "\" y=\"22\" text-anchor=\"middle\" font-weight=\"bold\">" + EscapeMarkup(title) +
         "</text>\n";
    s += "<text x=\"" + Px(kLeft + Frame::PlotWidth() / 2) + "\" y=\"" + Px(kHeight - 14) +
         "\" text-anchor=\"middle\">" + EscapeMarkup(xLabel) + "</text>\n";
    s += "<text transform=\"translate(16 " + Px(kTop + Frame::PlotHeight() / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">" + EscapeMarkup(yLabel) + "</text>\n";
    return s;
}

std::string SvgOpen(const std::string& id, const std::string& title) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + EscapeMarkup(id) +
           "\" width=\"640\" height=\"440\" viewBox=\"0 0 640 440\" font-family=\"sans-serif\" "
           "font-size=\"12\" role=\"img\" aria-label=\"" +
           EscapeMarkup(title) + "\">\n<rect width=\"640\" height=\"440\" fill=\"#fff\"/>\n";
}

/// The line from (x1, y1) to (x2, y2) cut to the rectangle of the frame's ranges
/// (Liang-Barsky); false when none of it is inside.
bool Clip(const Frame& f, double& x1, double& y1, double& x2, double& y2) {
    double t0 = 0;
    double t1 = 1;
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const std::array<double, 4> p = {-dx, dx, -dy, dy};
    const std::array<double, 4> q = {x1 - f.X.Min, f.X.Max - x1, y1 - f.Y.Min, f.Y.Max - y1};
    for (std::size_t i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (t0 > t1) {
        return false;
    }
    const double ax = x1 + t0 * dx;
    const double ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = ax;
    y1 = ay;
    return true;
}

} // namespace

std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "-";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1); // no "-0.00"
    }
    return text;
}

std::string EscapeMarkup(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string DrawSvgPlot(const SvgPlotContent& plot) {
    Frame f;
    if (plot.XMin < plot.XMax && plot.YMin < plot.YMax) {
        f.X = {plot.XMin, plot.XMax};
        f.Y = {plot.YMin, plot.YMax};
    } else {
        for (const SvgSeries& series : plot.Series) {
            for (const SvgPoint& p : series.Points) {
                f.X.Add(p.X);
                f.Y.Add(p.Y);
            }
        }
        f.X.Widen();
        f.Y.Widen();
    }
    std::string s = SvgOpen(plot.Id, plot.Title) + Axes(f, plot.Title, plot.XLabel, plot.YLabel);
    for (const SvgGuide& g : plot.Guides) {
        double x1 = g.X1, y1 = g.Y1, x2 = g.X2, y2 = g.Y2;
        if (!Clip(f, x1, y1, x2, y2)) {
            continue;
        }
        s += "<line x1=\"" + Px(f.Px(x1)) + "\" y1=\"" + Px(f.Py(y1)) + "\" x2=\"" + Px(f.Px(x2)) +
             "\" y2=\"" + Px(f.Py(y2)) + "\" stroke=\"" + g.Colour +
             "\" stroke-dasharray=\"6 4\"/>\n";
        if (!g.Label.empty()) {
            s += "<text x=\"" + Px(f.Px(x2) - 4) + "\" y=\"" + Px(f.Py(y2) + 14) +
                 "\" text-anchor=\"end\" fill=\"" + g.Colour + "\">" + EscapeMarkup(g.Label) +
                 "</text>\n";
        }
    }
    double legendY = kTop + 14;
    for (const SvgSeries& series : plot.Series) {
        const std::string fill = series.Open ? "fill=\"none\" stroke=\"" + series.Colour + "\""
                                             : "fill=\"" + series.Colour + "\"";
        if (series.Compact) {
            std::string path;
            for (const SvgPoint& p : series.Points) {
                if (std::isfinite(p.X) && std::isfinite(p.Y)) {
                    path +=
                        (path.empty() ? "M" : " M") + Px(f.Px(p.X)) + " " + Px(f.Py(p.Y)) + "h0";
                }
            }
            if (!path.empty()) {
                s += "<path d=\"" + path + "\" stroke=\"" + series.Colour +
                     "\" stroke-width=\"5\" stroke-linecap=\"round\" fill=\"none\"/>\n";
            }
        }
        for (const SvgPoint& p : series.Points) {
            if (series.Compact || !std::isfinite(p.X) || !std::isfinite(p.Y)) {
                continue;
            }
            s += "<circle cx=\"" + Px(f.Px(p.X)) + "\" cy=\"" + Px(f.Py(p.Y)) + "\" r=\"3\" " +
                 fill +
                 (p.Title.empty() ? "/>\n"
                                  : "><title>" + EscapeMarkup(p.Title) + "</title></circle>\n");
        }
        if (!series.Label.empty()) {
            s += "<circle cx=\"" + Px(kLeft + 14) + "\" cy=\"" + Px(legendY - 4) + "\" r=\"4\" " +
                 fill + "/><text x=\"" + Px(kLeft + 24) + "\" y=\"" + Px(legendY) + "\">" +
                 EscapeMarkup(series.Label) + "</text>\n";
            legendY += 16;
        }
    }
    return s + "</svg>\n";
}

std::string DrawSvgHistogram(const std::string& id, const std::string& title,
                             const std::string& xLabel, const std::vector<double>& values,
                             const std::vector<SvgMark>& marks, int bins) {
    Range x;
    for (const double v : values) {
        x.Add(v);
    }
    for (const SvgMark& m : marks) {
        x.Add(m.Value);
    }
    x.Widen();
    bins = std::max(bins, 1);
    const double width = (x.Max - x.Min) / bins;
    std::vector<int> counts(static_cast<std::size_t>(bins), 0);
    for (const double v : values) {
        if (std::isfinite(v)) {
            const int b = std::clamp(static_cast<int>((v - x.Min) / width), 0, bins - 1);
            ++counts[static_cast<std::size_t>(b)];
        }
    }
    Frame f;
    f.X = x;
    f.Y = {0, std::max(1.0, *std::max_element(counts.begin(), counts.end()) * 1.15)};
    std::string s = SvgOpen(id, title) + Axes(f, title, xLabel, "runs");
    for (int b = 0; b < bins; ++b) {
        const int count = counts[static_cast<std::size_t>(b)];
        if (count == 0) {
            continue;
        }
        const double left = f.Px(x.Min + b * width);
        const double top = f.Py(count);
        s += "<rect x=\"" + Px(left) + "\" y=\"" + Px(top) + "\" width=\"" +
             Px(f.Px(x.Min + (b + 1) * width) - left) + "\" height=\"" + Px(f.Py(0) - top) +
             "\" fill=\"#8aa9d6\" stroke=\"#35507a\"/>\n";
    }
    for (const SvgMark& m : marks) {
        if (!std::isfinite(m.Value)) {
            continue;
        }
        const double px = f.Px(m.Value);
        s += "<line x1=\"" + Px(px) + "\" y1=\"" + Px(kTop) + "\" x2=\"" + Px(px) + "\" y2=\"" +
             Px(kHeight - kBottom) + "\" stroke=\"#c00\" stroke-width=\"2\"/><text x=\"" +
             Px(px - 4) + "\" y=\"" + Px(kTop + 14) + "\" text-anchor=\"end\" fill=\"#c00\">" +
             EscapeMarkup(m.Label) + " " + FixedText(m.Value, 4) + "</text>\n";
    }
    return s + "</svg>\n";
}

} // namespace kalemir
