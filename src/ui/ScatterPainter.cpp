#include "ui/ScatterPainter.h"

#include <QPainter>

#include <cmath>

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
    for (const auto& s : drawing.frame) {
        painter.drawLine(ToPixels(s.x1, s.y1), ToPixels(s.x2, s.y2));
    }
    QFont font("DejaVu Sans", 8);
    painter.setFont(font);
    for (const auto& t : drawing.texts) {
        // Text is placed by its top left corner, as on the window surface.
        const QPointF at = ToPixels(t.x, t.y);
        painter.drawText(QRectF(at, QSizeF(200, 30)), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromLatin1(t.text.c_str()));
    }
    painter.setBrush(Qt::black);
    const double radius = qspr::kPointRadius * kPixelsPerTwip;
    for (const auto& p : drawing.points) {
        painter.drawEllipse(ToPixels(p.x, p.y), radius, radius);
    }
    painter.end();
    for (const auto& p : drawing.linePoints) {
        const QPointF at = ToPixels(p.x, p.y);
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

} // namespace kalemir::ui
