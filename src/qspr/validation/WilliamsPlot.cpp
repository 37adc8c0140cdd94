#include "qspr/validation/WilliamsPlot.h"

#include "common/NumberText.h"
#include "common/Rounding.h"

#include <cmath>

namespace kalemir::qspr {

namespace {

// The frame is the scatter plots' one: x from 1500 to 9500, y from 200 to 7000 twips.
constexpr int kLeft = 1500;
constexpr int kRight = 9500;
constexpr int kTop = 200;
constexpr int kBottom = 7000;
constexpr int kMiddle = (kTop + kBottom) / 2;

/// Places leverages and residuals in the frame: leverage 0 on its left side, residual 0
/// on its middle line.
struct WilliamsScale {
    double LeverageMax = 1;
    double ResidualMax = 4;

    double X(double leverage) const { return kLeft + (kRight - kLeft) * leverage / LeverageMax; }
    double Y(double residual) const {
        return kMiddle - (kBottom - kMiddle) * residual / ResidualMax;
    }
};

WilliamsScale ScaleFor(const CalibrationDiagnostics& d) {
    double leverage = d.WarningLeverage;
    double residual = 0;
    for (const CalibrationDiagnostic& c : d.Calibration) {
        leverage = std::fmax(leverage, c.Leverage);
        residual = std::fmax(residual, std::fabs(c.StandardisedResidual));
    }
    for (const PredictionDiagnostic& p : d.Prediction) {
        if (p.Observed) {
            leverage = std::fmax(leverage, p.Leverage);
            residual = std::fmax(residual, std::fabs(p.StandardisedResidual));
        }
    }
    WilliamsScale scale;
    scale.LeverageMax = leverage > 0 ? 1.25 * leverage : 1;
    scale.ResidualMax = std::fmax(4, 1.25 * residual);
    return scale;
}

bool BeyondLimits(double leverage, double residual, double warningLeverage) {
    return leverage > warningLeverage || std::fabs(residual) > kWilliamsResidualLimit;
}

} // namespace

ScatterDrawing DrawWilliamsPlot(const CalibrationDiagnostics& d) {
    const WilliamsScale scale = ScaleFor(d);
    ScatterDrawing drawing;
    drawing.Frame = {{kLeft, kTop, kLeft, kBottom},
                     {kLeft, kBottom, kRight, kBottom},
                     {kRight, kBottom, kRight, kTop},
                     {kRight, kTop, kLeft, kTop}};
    drawing.Texts.push_back({8700, 7500, "Leverage"});
    drawing.Texts.push_back({100, 200, "Std. residual"});
    drawing.Texts.push_back({1000, 400, NumText(RoundHalfAway(scale.ResidualMax, 2))});
    drawing.Texts.push_back({1000, kMiddle, NumText(0)});
    drawing.Texts.push_back({1000, 6800, NumText(RoundHalfAway(-scale.ResidualMax, 2))});
    drawing.Texts.push_back({kLeft, 7200, NumText(0)});
    drawing.Texts.push_back({5500, 7200, NumText(RoundHalfAway(scale.LeverageMax / 2, 3))});
    drawing.Texts.push_back({9300, 7200, NumText(RoundHalfAway(scale.LeverageMax, 3))});

    for (const double limit : {kWilliamsResidualLimit, -kWilliamsResidualLimit}) {
        const int y = static_cast<int>(std::lround(scale.Y(limit)));
        drawing.Guides.push_back({kLeft, y, kRight, y});
        drawing.Texts.push_back({kRight + 60, y - 100, limit > 0 ? "+3" : "-3"});
    }
    if (d.WarningLeverage > 0) {
        const int x = static_cast<int>(std::lround(scale.X(d.WarningLeverage)));
        drawing.Guides.push_back({x, kTop, x, kBottom});
        drawing.Texts.push_back(
            {x - 300, 0, "h* = " + PlainNumber(RoundHalfAway(d.WarningLeverage, 3))});
    }

    auto name = [&](double x, double y, const std::string& text) {
        drawing.Texts.push_back(
            {static_cast<int>(std::lround(x)) + 60, static_cast<int>(std::lround(y)) - 100, text});
    };
    for (const CalibrationDiagnostic& c : d.Calibration) {
        const double x = scale.X(c.Leverage);
        const double y = scale.Y(c.StandardisedResidual);
        drawing.Points.push_back({x, y});
        if (BeyondLimits(c.Leverage, c.StandardisedResidual, d.WarningLeverage)) {
            name(x, y, c.Name);
        }
    }
    for (const PredictionDiagnostic& p : d.Prediction) {
        if (!p.Observed) {
            continue;
        }
        const double x = scale.X(p.Leverage);
        const double y = scale.Y(p.StandardisedResidual);
        drawing.OpenPoints.push_back({x, y});
        if (BeyondLimits(p.Leverage, p.StandardisedResidual, d.WarningLeverage)) {
            name(x, y, p.Name);
        }
    }
    return drawing;
}

std::string WilliamsPlotName(const std::string& qsprTable) {
    return qsprTable + "-williams.bmp";
}

} // namespace kalemir::qspr
