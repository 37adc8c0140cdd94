// Goes through the windows of both programs on the example data and saves a screenshot of
// each, for the documentation. Run under a display (Xvfb) with the example tables in the
// current folder: window_tour OUTPUT_FOLDER.

#include "app/QsprCommandLine.h"
#include "ui/ComputingView.h"
#include "ui/DialogService.h"
#include "ui/FakeDialogs.h"
#include "ui/FolderBar.h"
#include "ui/QsprWindows.h"
#include "ui/SimilarityWindows.h"
#include "ui/Widgets.h"

#include <QDialog>
#include <QMessageBox>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace {

using kalemir::ui::testing::Child;
using kalemir::ui::testing::FakeDialogs;
using kalemir::ui::testing::Press;

QString outputFolder;

void Settle(int ms = 300) {
    QTest::qWait(ms);
}

/// The window with its frame, as the screen shows it, and a dialog over it. A window its
/// flow hands over while it settles is not taken.
void Shoot(QWidget* window, const QString& name, QWidget* over = nullptr) {
    const QPointer<QWidget> shown = window;
    window->raise();
    window->activateWindow();
    if (over != nullptr) {
        over->raise();
        over->activateWindow();
    }
    Settle();
    if (shown.isNull() || !shown->isVisible()) {
        return;
    }
    const QRect frame =
        over == nullptr ? window->frameGeometry() : window->frameGeometry() | over->frameGeometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
        0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = outputFolder + "/" + name + ".png";
    if (!shot.save(path, "PNG")) {
        std::fprintf(stderr, "window_tour: cannot write %s\n", qPrintable(path));
    }
}

/// Clicks the row showing `text` in the list of `window` named `name`.
void Click(const QWidget* window, const char* name, const QString& text,
           Qt::KeyboardModifiers modifiers = {}) {
    QListWidget* list = Child<QListWidget>(window, name);
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
            return kalemir::qspr::RunQsprComputation(state, window);
        });
    flow.Start();
    auto* files = flow.Workfiles();
    files->move(40, 40);
    Click(files, "qsprTableList", "BZR02");
    // OK with no descriptor table: the reminder and what is missing.
    Press(files, "okButton");
    Shoot(files, "kalemirq-workfiles-reminder");
    Click(files, "descriptorTableList", "BZR02d2d.des");
    Click(files, "descriptorTableList", "BZR02vfr.des", Qt::ControlModifier);
    Shoot(files, "kalemirq-workfiles");
    Press(files, "okButton");
    WaitFor([&] { return flow.Parameters() != nullptr; });
    flow.Parameters()->move(40, 40);
    Shoot(flow.Parameters(), "kalemirq-parameters");
    // A field that does not read as a number: the message the window gives, as it shows it.
    Child<QLineEdit>(flow.Parameters(), "maxPredictorsField")->setText("twelve");
    Press(flow.Parameters(), "okButton");
    if (!dialogs.messages.isEmpty()) {
        QMessageBox box(QMessageBox::Information, "Parameters", dialogs.messages.back(),
                        QMessageBox::Ok, flow.Parameters());
        box.show();
        box.move(140, 200);
        Shoot(flow.Parameters(), "kalemirq-field-message", &box);
    }
    Child<QLineEdit>(flow.Parameters(), "maxPredictorsField")->setText(" 20");
    Press(flow.Parameters(), "okButton");
    WaitFor([&] { return flow.Computing() != nullptr; });
    flow.Computing()->move(40, 40);
    Settle(250);
    if (flow.Computing() != nullptr) {
        Shoot(flow.Computing(), "kalemirq-computing");
    }
    WaitFor([&] { return flow.Results() != nullptr; });
    flow.Results()->move(40, 40);
    Shoot(flow.Results(), "kalemirq-results");
    // Ctrl+F: the find field, the next line holding the text selected.
    QTest::keyClick(flow.Results(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(Child<QLineEdit>(flow.Results(), "findField"), "Intercept");
    QTest::keyClick(Child<QLineEdit>(flow.Results(), "findField"), Qt::Key_Return);
    Shoot(flow.Results(), "kalemirq-results-find");
    dialogs.textAnswers = {"scatter-before.bmp", "scatter-after.bmp"};
    Press(flow.Results(), "scatterButton");
    for (const char* name : {"scatter-before", "scatter-after"}) {
        const QImage plot(QString(name) + ".bmp", "BMP");
        if (!plot.isNull()) {
            plot.save(outputFolder + "/kalemirq-" + name + ".png", "PNG");
        }
    }
}

/// A run of the larger example stopped shortly after it started, as Stop -> Yes stops it.
void StoppedQsprTour() {
    FakeDialogs dialogs;
    kalemir::ui::QsprFlow flow(
        dialogs, [](kalemir::qspr::ProgramState& state, kalemir::ComputingWindow& window) {
            return kalemir::qspr::RunQsprComputation(state, window);
        });
    flow.Start();
    auto* files = flow.Workfiles();
    Click(files, "qsprTableList", "BZR02");
    Click(files, "descriptorTableList", "BZR02d2d.des");
    Click(files, "descriptorTableList", "BZR02vfr.des", Qt::ControlModifier);
    Press(files, "okButton");
    WaitFor([&] { return flow.Parameters() != nullptr; });
    Press(flow.Parameters(), "okButton");
    WaitFor([&] { return flow.Computing() != nullptr; });
    Settle(200);
    if (flow.Computing() != nullptr) {
        flow.Computing()->EngineWindow().RequestStop();
    }
    WaitFor([&] { return flow.Results() != nullptr; });
    flow.Results()->move(40, 40);
    Child<QListWidget>(flow.Results(), "reportList")->scrollToBottom();
    Shoot(flow.Results(), "kalemirq-stopped");
    dialogs.textAnswers = {"stopped-plot.bmp", "stopped-after.bmp"};
    Press(flow.Results(), "scatterButton");
    // The last plot is the one the stop left without points.
    QImage plot("stopped-after.bmp", "BMP");
    if (plot.isNull()) {
        plot.load("stopped-plot.bmp", "BMP");
    }
    if (!plot.isNull()) {
        plot.save(outputFolder + "/kalemirq-scatter-no-points.png", "PNG");
    }
    dialogs.textAnswers = {"stopped.rez"};
    Press(flow.Results(), "quitButton");
}

/// Help (F1) and About of the first window, as the program shows them.
void HelpTour() {
    FakeDialogs dialogs;
    kalemir::qspr::ProgramState state;
    kalemir::ui::WorkfilesWindow files(state, dialogs);
    files.move(40, 40);
    files.show();
    Settle();
    Press(&files, "helpButton");
    Press(&files, "aboutButton");
    const char* names[] = {"kalemirq-help", "kalemirq-about"};
    for (int i = 0; i < dialogs.pages.size() && i < 2; ++i) {
        QDialog* page = kalemir::ui::MakeTextPage(&files, dialogs.pageTitles[i], dialogs.pages[i]);
        if (i == 1) {
            page->resize(520, 300);
        }
        page->show();
        page->move(40, 40);
        Shoot(page, names[i]);
        delete page;
    }
}

void SimilarityTour() {
    FakeDialogs dialogs;
    kalemir::ui::SimilarityFlow flow(dialogs);
    flow.Start();
    flow.Table()->move(40, 40);
    Click(flow.Table(), "tableList", "BZR01SIM.des");
    Shoot(flow.Table(), "kalemirs-table");
    Press(flow.Table(), "okButton");
    WaitFor([&] { return flow.Computing() != nullptr; });
    flow.Computing()->move(40, 40);
    Settle(100);
    // The example's analysis may end before the window is taken.
    if (flow.Computing() != nullptr) {
        Shoot(flow.Computing(), "kalemirs-computing");
    }
    WaitFor([&] { return flow.Final() != nullptr; });
    flow.Final()->move(40, 40);
    Shoot(flow.Final(), "kalemirs-final");
    Press(flow.Final(), "quitButton");

    // The same table, stopped at once (Stop, answered yes).
    FakeDialogs stopDialogs;
    kalemir::ui::SimilarityFlow stopped(stopDialogs);
    stopped.Start();
    Click(stopped.Table(), "tableList", "BZR01SIM.des");
    Press(stopped.Table(), "okButton");
    if (stopped.Computing() != nullptr) {
        QTest::mouseClick(stopped.Computing()->StopButton(), Qt::LeftButton);
    }
    WaitFor([&] { return stopped.Final() != nullptr; });
    stopped.Final()->move(40, 40);
    Shoot(stopped.Final(), "kalemirs-stopped");
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
    StoppedQsprTour();
    HelpTour();
    SimilarityTour();
    return 0;
}
