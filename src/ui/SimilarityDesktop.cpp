#include "ui/SimilarityDesktop.h"

#include "ui/DialogService.h"
#include "ui/FolderBar.h"
#include "ui/FolderFiles.h"
#include "ui/SimilarityWindows.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>

namespace kalemir::ui {

int RunSimilarityDesktop(int argc, char** argv, const QString& folder) {
    QApplication app(argc, argv);
    // The installed menu entry kalemirs.desktop and icon kalemirs: the desktop shows the
    // windows under the entry, with its icon.
    QGuiApplication::setDesktopFileName("kalemirs");
    QApplication::setWindowIcon(QIcon::fromTheme("kalemirs"));
    KeepNumbersLocaleIndependent();
    // Without a folder argument the program starts where the user last chose to work.
    const QString remembered = RememberedFolder("KalemirS");
    if (folder.isEmpty() && !remembered.isEmpty()) {
        QDir::setCurrent(remembered);
    }
    if (!folder.isEmpty() && !QDir::setCurrent(folder)) {
        QMessageBox::critical(nullptr, "KalemirS", "Cannot work in the folder " + folder + ".");
        return 2;
    }
    QtDialogService dialogs;
    SimilarityFlow flow(dialogs);
    QObject::connect(&flow, &SimilarityFlow::Ended, &app, &QApplication::quit);
    flow.Start();
    return app.exec();
}

} // namespace kalemir::ui
