#include "ui/FolderBar.h"

#include "ui/Controls.h"
#include "ui/DialogService.h"
#include "ui/HelpPages.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QSettings>

namespace kalemir::ui {

namespace {

QSettings ProgramSettings(const QString& program) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Kalemir", program);
}

} // namespace

QString RememberedFolder(const QString& program) {
    const QString folder = ProgramSettings(program).value("folder").toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFolder(const QString& program, const QString& folder) {
    ProgramSettings(program).setValue("folder", folder);
}

FolderBar::FolderBar(const QString& program, const QString& section, DialogService& dialogs,
                     QWidget* parent)
    : QWidget(parent), program_(program), dialogs_(dialogs) {
    setObjectName("folderBar");
    folderLabel_ = NamedLabel(this, "folderLabel", "");
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    changeFolderButton_ = NamedButton(this, "changeFolderButton", "Change folder...");
    helpButton_ = NamedButton(this, "helpButton", "Help");
    aboutButton_ = NamedButton(this, "aboutButton", "About");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(folderLabel_, 1);
    row->addWidget(changeFolderButton_);
    row->addWidget(helpButton_);
    row->addWidget(aboutButton_);
    ShowFolder();
    connect(changeFolderButton_, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(helpButton_, &QPushButton::clicked, this,
            [this, section] { ShowHelp(window(), dialogs_, section); });
    connect(aboutButton_, &QPushButton::clicked, this,
            [this] { dialogs_.ShowText(window(), "About " + program_, AboutText(program_)); });
}

void FolderBar::ShowFolder() {
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    folderLabel_->setText("Working folder: " + folder);
    folderLabel_->setToolTip(folder);
}

void FolderBar::ChooseFolder() {
    const std::optional<QString> chosen =
        dialogs_.AskFolder(window(), "Working folder", QDir::currentPath());
    if (!chosen) {
        return;
    }
    if (!QDir::setCurrent(*chosen)) {
        dialogs_.Inform(window(), "Working folder", "Cannot work in the folder " + *chosen + ".");
        return;
    }
    RememberFolder(program_, QDir::currentPath());
    ShowFolder();
    emit FolderChanged();
}

} // namespace kalemir::ui
