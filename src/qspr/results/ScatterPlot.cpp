#include "qspr/results/ScatterPlot.h"

#include "common/NumberText.h"
#include "common/Rounding.h"

namespace kalemir::qspr {

namespace {

double RoundToHundredths(double value) {
    return IntFloor(100.0 * value + 0.5) * 0.01;
}

} // namespace

int ScatterPlotCount(int cycleNumber) {
    return cycleNumber == 1 ? 1 : 2;
}

ScatterDrawing DrawScatterPlot(std::vector<std::array<double, 5>>& scatterPoints, int k) {
    const std::size_t computedColumn = static_cast<std::size_t>(2 * k - 1);
    const std::size_t observedColumn = static_cast<std::size_t>(2 * k);
    std::size_t n = 0;
    while (n + 1 < scatterPoints.size() && scatterPoints[n + 1][computedColumn] != 0) {
        ++n;
    }
    ScatterDrawing drawing;
    if (n == 0) {
        // A run stopped before the plot had its estimates: say so, instead of a frame whose
        // axes run from -100000 to 100000.
        drawing.Texts.push_back({kNoPointsX, kNoPointsY, kNoPointsText});
        return drawing;
    }
    drawing.Frame = {{1500, 200, 1500, 7000},
                     {1500, 7000, 9500, 7000},
                     {9500, 7000, 9500, 200},
                     {9500, 200, 1500, 200}};
    drawing.Texts.push_back({8700, 7500, "Observed"});
    drawing.Texts.push_back({100, 200, "Computed"});

    double cMin = 100000, cMax = -100000, oMin = 100000, oMax = -100000;
    for (std::size_t i = 1; i <= n; ++i) {
        const double c = scatterPoints[i][computedColumn];
        const double o = scatterPoints[i][observedColumn];
        cMin = c < cMin ? c : cMin;
        cMax = c > cMax ? c : cMax;
        oMin = o < oMin ? o : oMin;
        oMax = o > oMax ? o : oMax;
    }

    drawing.Texts.push_back({1000, 6800, NumText(RoundToHundredths(cMin))});
    drawing.Texts.push_back({1000, 400, NumText(RoundToHundredths(cMax))});
    drawing.Texts.push_back({1000, 3600, NumText(RoundToHundredths((cMin + cMax) / 2))});
    drawing.Texts.push_back({1700, 7200, NumText(RoundToHundredths(oMin))});
    drawing.Texts.push_back({9300, 7200, NumText(RoundToHundredths(oMax))});
    drawing.Texts.push_back({5500, 7200, NumText(RoundToHundredths((oMin + oMax) / 2))});

    // A zero range puts the points on the middle of that axis instead of dividing by it.
    const double cRange = cMax - cMin;
    const double oRange = oMax - oMin;
    for (std::size_t i = 1; i <= n; ++i) {
        const double c = scatterPoints[i][computedColumn];
        const double o = scatterPoints[i][observedColumn];
        const double y = cRange > 0 ? 6800 - 6400 * (c - cMin) / cRange : 3600;
        const double x = oRange > 0 ? 1700 + 7600 * (o - oMin) / oRange : 5500;
        scatterPoints[i][computedColumn] = y;
        scatterPoints[i][observedColumn] = x;
        drawing.Points.push_back({x, y});
    }

    double sumX = 0, sumY = 0;
    for (const ScatterDrawing::Dot& p : drawing.Points) {
        sumX += p.X;
        sumY += p.Y;
    }
    const double meanX = sumX / static_cast<double>(n);
    const double meanY = sumY / static_cast<double>(n);
    double sxy = 0, sxx = 0;
    for (const ScatterDrawing::Dot& p : drawing.Points) {
        sxy += (p.Y - meanY) * (p.X - meanX);
        sxx += (p.X - meanX) * (p.X - meanX);
    }
    if (sxx == 0) {
        // Every point on one vertical: no line y = b x + a goes through them.
        return drawing;
    }
    const double b = sxy / sxx;
    const double a = (sumY - b * sumX) / static_cast<double>(n);
    for (int x = 1500; x <= 9500; ++x) {
        const double y = b * x + a;
        if (y > 200 && y < 7000) {
            drawing.LinePoints.push_back({static_cast<double>(x), y});
        }
    }
    return drawing;
}

std::string ScatterPlotDefaultName(const std::string& qsprTableCopy, int k) {
    return qsprTableCopy + (k == 1 ? ".bmp" : "after.bmp");
}

std::string ScatterPrompt(int k, int count) {
    if (count == 1) {
        return "The program will save the image of this scatter-plot. Give a name to the saved "
               "file.";
    }
    if (k == 1) {
        return "The program will save the image of the scatter-plot BEFORE removing outliers.  "
               "Give a name to the saved file.";
    }
    return "The program will save the image of the scatter-plot AFTER removing outliers.  Give "
           "other name to the saved file.";
}

} // namespace kalemir::qspr
