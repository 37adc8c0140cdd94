#pragma once
// Paints a scatter plot's drawing commands into an image of the window surface and
// saves it as a bitmap.

#include "qspr/results/ScatterPlot.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

class QGuiApplication;

namespace kalemir::ui {

/// Screen pixels per twip at the usual 96 dots per inch: 1440 twips per inch.
inline constexpr double kPixelsPerTwip = 96.0 / 1440.0;

/// The image of the window surface (white) with the plot drawn on it.
QImage PaintScatterPlot(const qspr::ScatterDrawing& drawing, QSize surface);

/// The window surface a plot needs, in pixels.
QSize ScatterSurfaceSize();

/// Saves the image under the name exactly as given: PNG when it ends in ".png",
/// otherwise a Windows bitmap. Returns false when the file cannot be written.
bool SaveScatterImage(const QImage& image, const QString& name);

} // namespace kalemir::ui

namespace kalemir::ui {

/// Starts the drawing system on the offscreen platform, for drawing without any window;
/// it lives as long as the returned object.
std::unique_ptr<QGuiApplication> StartHeadlessDrawing();

/// Paints and saves a plot without any window (after StartHeadlessDrawing): for the
/// command line. False when the file cannot be written.
bool SaveScatterPlotHeadless(const qspr::ScatterDrawing& drawing, const std::string& name);

} // namespace kalemir::ui
