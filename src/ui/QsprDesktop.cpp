#include "ui/QsprDesktop.h"

#include "ui/FolderBar.h"
#include "ui/FolderFiles.h"

#include "ui/DialogService.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

namespace kalemir::ui {

int RunQsprDesktop(int argc, char** argv, const QString& folder,
                   QsprFlow::Computation computation) {
    QApplication app(argc, argv);
    // The installed menu entry kalemirq.desktop and icon kalemirq: the desktop shows the
    // windows under the entry, with its icon.
    QGuiApplication::setDesktopFileName("kalemirq");
    QApplication::setWindowIcon(QIcon::fromTheme("kalemirq"));
    KeepNumbersLocaleIndependent();
    // Without a folder argument the program starts where the user last chose to work.
    const QString remembered = RememberedFolder("KalemirQ");
    if (folder.isEmpty() && !remembered.isEmpty()) {
        QDir::setCurrent(remembered);
    }
    if (!folder.isEmpty() && !QDir::setCurrent(folder)) {
        QMessageBox::critical(nullptr, "KalemirQ", "Cannot work in the folder " + folder + ".");
        return 2;
    }
    QtDialogService dialogs;
    QsprFlow flow(dialogs, std::move(computation));
    QObject::connect(&flow, &QsprFlow::Ended, &app, &QApplication::quit);
    flow.Start();
    return app.exec();
}

} // namespace kalemir::ui
