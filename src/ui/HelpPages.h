#pragma once
// Help and About of both programs: F1 shows the README's section for the window, taken
// from the README built into the program (a Qt resource), so help always matches the
// program it comes with.

#include <QString>

class QWidget;

namespace kalemir::ui {

class DialogService;

/// The section of a Markdown text under the heading "### title", up to the next heading
/// of that level or above; empty when there is no such heading.
QString ReadmeSection(const QString& markdown, const QString& title);

/// The README the program was built with.
QString ShippedReadme();

/// Shows the README's section `section` ("KalemirQ: Workfiles") through the dialogs.
void ShowHelp(QWidget* window, DialogService& dialogs, const QString& section);

/// F1 on the window shows its README section.
void InstallHelpKey(QWidget* window, DialogService& dialogs, const QString& section);

/// The About page: the program, its version, its licence and the libraries it uses.
QString AboutText(const QString& program);

} // namespace kalemir::ui
