#pragma once
// The Williams plot of the best equation by Q: each molecule's standardised residual
// against its leverage, with the limits of the applicability domain (the warning leverage
// h*) and of the residuals (+3 and -3 standard deviations). A molecule right of h* is
// estimated by extrapolation; one above +3 or below -3 is a response outlier. Drawn in
// twips of the window surface as the scatter plots are, so that the results window and
// the command line draw the same picture.

#include "qspr/results/ScatterPlot.h"
#include "qspr/validation/ValidationResults.h"

#include <string>

namespace kalemir::qspr {

/// The residual limits the plot marks, in residual standard deviations.
inline constexpr double kWilliamsResidualLimit = 3;

/// Calibration molecules as filled dots, prediction molecules with an observed value as
/// open circles (those without one have no residual and are left out), the light-red
/// lines at +3, -3 and h*, and the names of the molecules beyond them. The leverage axis
/// runs from 0 to 1.25 times the largest of h* and the leverages shown, the residual
/// axis from -m to m with m the larger of 4 and 1.25 times the largest |residual|.
ScatterDrawing DrawWilliamsPlot(const CalibrationDiagnostics& diagnostics);

/// The bitmap's default name: the QSPR table's name followed by "-williams.bmp".
std::string WilliamsPlotName(const std::string& qsprTable);

inline constexpr const char* kWilliamsCaption =
    " Williams plot: standardised residuals against leverages";
inline constexpr const char* kWilliamsPrompt =
    "The program will save the image of the Williams plot. Give a name to the saved file.";

} // namespace kalemir::qspr
