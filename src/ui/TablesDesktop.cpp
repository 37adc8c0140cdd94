#include "ui/TablesDesktop.h"

#include "ui/DialogService.h"
#include "ui/FolderFiles.h"
#include "ui/TablesWindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

namespace kalemir::ui {

int RunTablesDesktop(int argc, char** argv, const std::string& folder) {
    QApplication app(argc, argv);
    // The installed menu entry kalemirt.desktop and icon kalemirt: the desktop shows the
    // windows under the entry, with its icon.
    QGuiApplication::setDesktopFileName("kalemirt");
    QApplication::setWindowIcon(QIcon::fromTheme("kalemirt"));
    KeepNumbersLocaleIndependent();
    const QString path = QString::fromLocal8Bit(folder.c_str());
    if (!path.isEmpty() && !QDir::setCurrent(path)) {
        QMessageBox::critical(nullptr, "KalemirT", "Cannot work in the folder " + path + ".");
        return 2;
    }
    QtDialogService dialogs;
    TablesWindow window(dialogs);
    window.show();
    return app.exec();
}

} // namespace kalemir::ui
