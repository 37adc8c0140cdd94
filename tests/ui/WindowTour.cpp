// Goes through the windows of both programs on the example data and saves a screenshot of
// each, for the documentation. Run under a display (Xvfb) with the example tables in the
// current folder: window_tour OUTPUT_FOLDER.

#include "app/QsprCommandLine.h"
#include "ui/ComputingView.h"
#include "ui/FakeDialogs.h"
#include "ui/QsprWindows.h"
#include "ui/SimilarityWindows.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {

using kalemir::ui::testing::FakeDialogs;

QString outputFolder;

void Settle(int ms = 300) {
    QTest::qWait(ms);
}

/// The window with its frame, as the screen shows it.
void Shoot(QWidget* window, const QString& name) {
    window->raise();
    window->activateWindow();
    Settle();
    const QRect frame = window->frameGeometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
        0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = outputFolder + "/" + name + ".png";
    if (!shot.save(path, "PNG")) {
        std::fprintf(stderr, "window_tour: cannot write %s\n", qPrintable(path));
    }
}

void Click(QListWidget* list, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == text) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                              list->visualItemRect(list->item(i)).center());
        }
    }
}

template <typename Condition> void WaitFor(Condition condition) {
    for (int i = 0; i < 6000 && !condition(); ++i) {
        QTest::qWait(10);
    }
}

void QsprTour() {
    FakeDialogs dialogs;
    kalemir::ui::QsprFlow flow(
        dialogs, [](kalemir::qspr::ProgramState& state, kalemir::ComputingWindow& window) {
            kalemir::qspr::RunQsprComputation(state, window);
        });
    flow.Start();
    auto* files = flow.Workfiles();
    files->move(40, 40);
    Click(files->List1, "BZR02");
    Click(files->List2, "BZR02d2d.des");
    Click(files->List2, "BZR02vfr.des", Qt::ControlModifier);
    Shoot(files, "kalemirq-workfiles");
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    WaitFor([&] { return flow.Parameters() != nullptr; });
    flow.Parameters()->move(40, 40);
    Shoot(flow.Parameters(), "kalemirq-parameters");
    QTest::mouseClick(flow.Parameters()->ButonOK, Qt::LeftButton);
    WaitFor([&] { return flow.Computing() != nullptr; });
    flow.Computing()->move(40, 40);
    Settle(250);
    if (flow.Computing() != nullptr) {
        Shoot(flow.Computing(), "kalemirq-computing");
    }
    WaitFor([&] { return flow.Results() != nullptr; });
    flow.Results()->move(40, 40);
    Shoot(flow.Results(), "kalemirq-results");
    dialogs.textAnswers = {"scatter-before.bmp", "scatter-after.bmp"};
    QTest::mouseClick(flow.Results()->Scatterp, Qt::LeftButton);
    for (const char* name : {"scatter-before", "scatter-after"}) {
        const QImage plot(QString(name) + ".bmp", "BMP");
        if (!plot.isNull()) {
            plot.save(outputFolder + "/kalemirq-" + name + ".png", "PNG");
        }
    }
}

void SimilarityTour() {
    FakeDialogs dialogs;
    kalemir::ui::SimilarityFlow flow(dialogs);
    flow.Start();
    flow.Table()->move(40, 40);
    Click(flow.Table()->Listfile, "BZR01SIM.des");
    Shoot(flow.Table(), "kalemirs-table");
    QTest::mouseClick(flow.Table()->ButonOK, Qt::LeftButton);
    WaitFor([&] { return flow.Computing() != nullptr; });
    flow.Computing()->move(40, 40);
    Settle(400);
    if (flow.Computing() != nullptr) {
        Shoot(flow.Computing(), "kalemirs-computing");
    }
    WaitFor([&] { return flow.Final() != nullptr; });
    flow.Final()->move(40, 40);
    Shoot(flow.Final(), "kalemirs-final");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: window_tour OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    outputFolder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QsprTour();
    SimilarityTour();
    return 0;
}
