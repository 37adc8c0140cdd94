#pragma once
// The questions the windows ask the user, behind one small interface so that tests can
// answer them instead of a person.

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace kalemir::ui {

class DialogService {
public:
    virtual ~DialogService() = default;
    /// An input dialog with prompt, title and default text; nullopt when cancelled.
    virtual std::optional<QString> AskText(QWidget* parent, const QString& prompt,
                                           const QString& title, const QString& defaultText) = 0;
    /// A yes/no question; true for yes. No is the default answer: Return alone never
    /// replaces a file or stops a run.
    virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& question) = 0;
    /// A yes/no question whose default answer (Enter, Escape) is No; true for yes.
    virtual bool AskYesNoDefaultNo(QWidget* parent, const QString& title,
                                   const QString& question) = 0;
    /// A question with several answers, one button each; returns the index of the answer
    /// chosen, or -1 when the dialog is closed (Escape). No answer is the default.
    virtual int AskChoice(QWidget* parent, const QString& title, const QString& question,
                          const QStringList& answers) = 0;
    /// A message the user acknowledges.
    virtual void Inform(QWidget* parent, const QString& title, const QString& message) = 0;
    /// A folder chooser opened on `start`; nullopt when cancelled.
    virtual std::optional<QString> AskFolder(QWidget* parent, const QString& title,
                                             const QString& start) = 0;
    /// A page of Markdown text to read (help, about).
    virtual void ShowText(QWidget* parent, const QString& title, const QString& markdown) = 0;
};

/// The page ShowText shows: a Markdown text with a Close button (not yet shown).
QDialog* MakeTextPage(QWidget* parent, const QString& title, const QString& markdown);

/// The real dialogs of the desktop.
class QtDialogService : public DialogService {
public:
    std::optional<QString> AskText(QWidget* parent, const QString& prompt, const QString& title,
                                   const QString& defaultText) override;
    bool AskYesNo(QWidget* parent, const QString& title, const QString& question) override;
    bool AskYesNoDefaultNo(QWidget* parent, const QString& title, const QString& question) override;
    int AskChoice(QWidget* parent, const QString& title, const QString& question,
                  const QStringList& answers) override;
    void Inform(QWidget* parent, const QString& title, const QString& message) override;
    std::optional<QString> AskFolder(QWidget* parent, const QString& title,
                                     const QString& start) override;
    void ShowText(QWidget* parent, const QString& title, const QString& markdown) override;
};

} // namespace kalemir::ui
