#pragma once
// The row of a program's first window that shows the working folder, with a button to
// choose another (remembered for the next start), and the Help and About buttons.

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace kalemir::ui {

class DialogService;

class FolderBar : public QWidget {
    Q_OBJECT
public:
    /// `program` names the remembered folder and the About page; `section` is the window's
    /// README section shown by Help.
    FolderBar(const QString& program, const QString& section, DialogService& dialogs,
              QWidget* parent);

signals:
    /// The working folder is another one: the window lists its tables again.
    void FolderChanged();

private:
    void ShowFolder();
    void ChooseFolder();

    QString program_;
    DialogService& dialogs_;
    QLabel* folderLabel_ = nullptr;
    QPushButton* changeFolderButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
};

/// The folder the program worked in when it last changed folder; empty when none is
/// remembered or it no longer exists.
QString RememberedFolder(const QString& program);
void RememberFolder(const QString& program, const QString& folder);

} // namespace kalemir::ui
