#include "ui/Desktop.h"

#include "ui/DialogService.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <clocale>

namespace kalemir::ui {

namespace {

/// The engines format and read numbers themselves, but the C library's numeric locale
/// must stay "C" whatever the desktop's language: a German desktop must not write "0,25".
void KeepNumbersLocaleIndependent() {
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace

int RunQsprDesktop(int argc, char** argv, const QString& folder,
                   QsprFlow::Computation computation) {
    QApplication app(argc, argv);
    KeepNumbersLocaleIndependent();
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
