#include "ui/ScatterPainter.h"

#include "ui/FolderFiles.h"

#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <memory>

namespace kalemir::ui {

namespace {

QPointF ToPixels(double x, double y) {
    return {x * kPixelsPerTwip, y * kPixelsPerTwip};
}

/// The classic 16-colour palette's light red (12).
const QColor kLightRed(255, 0, 0);

} // namespace

QSize ScatterSurfaceSize() {
    return {static_cast<int>(std::ceil(qspr::kPlotWidthTwips * kPixelsPerTwip)),
            static_cast<int>(std::ceil(qspr::kPlotHeightTwips * kPixelsPerTwip))};
}

QImage PaintScatterPlot(const qspr::ScatterDrawing& drawing, QSize surface) {
    surface = surface.expandedTo(ScatterSurfaceSize());
    QImage image(surface, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    for (const auto& s : drawing.Frame) {
        painter.drawLine(ToPixels(s.X1, s.Y1), ToPixels(s.X2, s.Y2));
    }
    if (!drawing.Guides.empty()) {
        painter.setPen(QPen(kLightRed, 1));
        for (const auto& s : drawing.Guides) {
            painter.drawLine(ToPixels(s.X1, s.Y1), ToPixels(s.X2, s.Y2));
        }
        painter.setPen(QPen(Qt::black, 1));
    }
    QFont font("DejaVu Sans", 8);
    painter.setFont(font);
    for (const auto& t : drawing.Texts) {
        // Text is placed by its top left corner, as on the window surface.
        const QPointF at = ToPixels(t.X, t.Y);
        painter.drawText(QRectF(at, QSizeF(200, 30)), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromLatin1(t.Content.c_str()));
    }
    painter.setBrush(Qt::black);
    const double radius = qspr::kPointRadius * kPixelsPerTwip;
    for (const auto& p : drawing.Points) {
        painter.drawEllipse(ToPixels(p.X, p.Y), radius, radius);
    }
    painter.setBrush(Qt::NoBrush);
    for (const auto& p : drawing.OpenPoints) {
        painter.drawEllipse(ToPixels(p.X, p.Y), radius, radius);
    }
    painter.end();
    for (const auto& p : drawing.LinePoints) {
        const QPointF at = ToPixels(p.X, p.Y);
        const int x = static_cast<int>(at.x());
        const int y = static_cast<int>(at.y());
        if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
            image.setPixelColor(x, y, kLightRed);
        }
    }
    return image;
}

bool SaveScatterImage(const QImage& image, const QString& name) {
    const char* format = name.endsWith(".png", Qt::CaseInsensitive) ? "PNG" : "BMP";
    return image.save(name, format);
}

namespace {

/// Headless drawing reports nothing of the drawing system's own housekeeping.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "KalemirQ: %s\n", message.toLocal8Bit().constData());
    }
}

} // namespace

std::unique_ptr<QGuiApplication> StartHeadlessDrawing() {
    static int argc = 3;
    static char program[] = "KalemirQ";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, option, platform, nullptr};
    qInstallMessageHandler(QuietMessages);
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    KeepNumbersLocaleIndependent();
    return app;
}

bool SaveScatterPlotHeadless(const qspr::ScatterDrawing& drawing, const std::string& name) {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    const QImage image = PaintScatterPlot(drawing, ScatterSurfaceSize());
    return SaveScatterImage(image, QString::fromLocal8Bit(name.c_str()));
}

} // namespace kalemir::ui
