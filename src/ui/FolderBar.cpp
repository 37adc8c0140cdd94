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
    setObjectName("FolderBar");
    FolderLabel = NamedLabel(this, "FolderLabel", "");
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ButonFolder = NamedButton(this, "ButonFolder", "Change folder...");
    ButonHelp = NamedButton(this, "ButonHelp", "Help");
    ButonAbout = NamedButton(this, "ButonAbout", "About");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(FolderLabel, 1);
    row->addWidget(ButonFolder);
    row->addWidget(ButonHelp);
    row->addWidget(ButonAbout);
    ShowFolder();
    connect(ButonFolder, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(ButonHelp, &QPushButton::clicked, this,
            [this, section] { ShowHelp(window(), dialogs_, section); });
    connect(ButonAbout, &QPushButton::clicked, this,
            [this] { dialogs_.ShowText(window(), "About " + program_, AboutText(program_)); });
}

void FolderBar::ShowFolder() {
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    FolderLabel->setText("Working folder: " + folder);
    FolderLabel->setToolTip(folder);
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
