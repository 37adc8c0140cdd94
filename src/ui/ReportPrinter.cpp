#include "ui/ReportPrinter.h"

#include "ui/DialogService.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace kalemir::ui {

bool PrintLines(const QStringList& lines, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    QFont font("DejaVu Sans Mono", 9);
    font.setStyleHint(QFont::Monospace);
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), &printer);
    const int lineHeight = metrics.lineSpacing();
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    int y = metrics.ascent();
    for (const QString& line : lines) {
        if (y + metrics.descent() > page.height()) {
            printer.newPage();
            y = metrics.ascent();
        }
        painter.drawText(0, y, line);
        y += lineHeight;
    }
    return painter.end();
}

QString PrintReport(QWidget* parent, DialogService& dialogs, const QStringList& lines,
                    const std::function<std::optional<QString>()>& askPdfName) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrinter printer(QPrinterInfo::defaultPrinter());
        if (!PrintLines(lines, printer)) {
            dialogs.Inform(parent, "Print", "The printer could not be started.");
        }
        return {};
    }
    dialogs.Inform(parent, "Print",
                   "No printer is installed on this system: the print can be saved as a PDF "
                   "file instead.");
    for (;;) {
        const std::optional<QString> answer = askPdfName();
        if (!answer) {
            return {};
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(*answer);
        if (PrintLines(lines, printer)) {
            return *answer;
        }
        dialogs.Inform(parent, "Print", "The PDF file " + *answer + " cannot be written.");
    }
}

} // namespace kalemir::ui
