#pragma once
// Printing the report: each line as one printed line on the default printer; without a
// printer, the print goes to a PDF file under a name the user gives.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace kalemir::ui {

class DialogService;

/// Lays the lines out on the printer's pages, one report line per printed line.
/// Returns false when the printer could not be started.
bool PrintLines(const QStringList& lines, QPrinter& printer);

/// The results window's Print. Without a printer the PDF goes under the name
/// `askPdfName` gives (nullopt: not printed), which checks it as the name of a result.
/// Returns the PDF's name when the print went to a file.
QString PrintReport(QWidget* parent, DialogService& dialogs, const QStringList& lines,
                    const std::function<std::optional<QString>()>& askPdfName);

} // namespace kalemir::ui
