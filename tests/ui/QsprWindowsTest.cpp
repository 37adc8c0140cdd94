#include "ui/QsprWindows.h"

#include "app/QsprCommandLine.h"
#include "qspr/setup/Workfiles.h"

#include "TestData.h"
#include "support/TempDir.h"
#include "ui/FakeDialogs.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::ui {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;
using testing::FakeDialogs;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

void ClickItem(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QListWidgetItem* item = list->item(row);
    ASSERT_NE(item, nullptr);
    const QRect rect = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

int RowOf(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == text) {
            return i;
        }
    }
    return -1;
}

/// Runs the event loop until the condition holds or `seconds` passed (a whole analysis
/// under the sanitizers takes a while).
template <typename Condition> bool WaitFor(Condition condition, int seconds = 5) {
    for (int i = 0; i < seconds * 100 && !condition(); ++i) {
        QTest::qWait(10);
    }
    return condition();
}

class QsprWindowsTest : public ::testing::Test {
protected:
    ScratchDir dir{"qspr-windows"};
    FakeDialogs dialogs;
    qspr::ProgramState state;

    void SetUp() override {
        CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des", "BZR02",
                               "BZR02vfr.des"});
    }
};

TEST_F(QsprWindowsTest, WorkfilesListsTablesWithTheirTexts) {
    WorkfilesWindow window(state, dialogs);
    window.show();
    EXPECT_EQ(window.windowTitle(), QString(42, ' ') + "Workfiles");
    ASSERT_EQ(window.List1->count(), 2);
    EXPECT_EQ(window.List1->item(0)->text(), "BZR01");
    EXPECT_EQ(window.List2->count(), 4);
    EXPECT_EQ(window.List2->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(window.Label2->text(), "           QSPR tables");
    EXPECT_EQ(window.Label3->text(), "        Descriptor tables");
    EXPECT_EQ(window.Label5->text(), "  If you please, heed         the above rules");
    EXPECT_FALSE(window.Label5->isVisible());
    EXPECT_EQ(window.findChild<QListWidget*>("List1"), window.List1);
    EXPECT_EQ(window.findChild<QPushButton*>("ButonOK")->text(), "OK");
}

TEST_F(QsprWindowsTest, TheReminderAndTheClickCounter) {
    WorkfilesWindow window(state, dialogs);
    window.show();
    // OK with nothing chosen shows the reminder and writes nothing.
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_TRUE(window.Label5->isVisible());
    EXPECT_FALSE(fs::exists("rezultat.rez"));
    // The first click after load leaves it, the second hides it.
    ClickItem(window.List1, 0);
    EXPECT_TRUE(window.Label5->isVisible());
    ClickItem(window.List2, 0);
    EXPECT_FALSE(window.Label5->isVisible());
    // A failed OK shows it again; later clicks no longer hide it (the counter is past 2).
    window.List2->clearSelection();
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_TRUE(window.Label5->isVisible());
    ClickItem(window.List2, 1);
    EXPECT_TRUE(window.Label5->isVisible());
}

TEST_F(QsprWindowsTest, ClickSequenceToTheParametersAndOn) {
    QsprFlow flow(dialogs, qspr::RunQsprComputation);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickItem(files->List1, RowOf(files->List1, "BZR01"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01d2d.des"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01vfr.des"), Qt::ControlModifier);
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));

    ParametersWindow* parameters = flow.Parameters();
    EXPECT_EQ(parameters->windowTitle(), QString(25, ' ') + "Parameters of statistical analysis");
    EXPECT_EQ(parameters->Text1->text(), " .0338");
    EXPECT_EQ(parameters->Text2->text(), " 148");
    EXPECT_EQ(parameters->Text3->text(), " .5001");
    EXPECT_EQ(parameters->Text4->text(), " .3288");
    EXPECT_EQ(parameters->Text5->text(), " 20");
    EXPECT_TRUE(parameters->Text3->isVisible());
    EXPECT_TRUE(parameters->Label7->isVisible());
    EXPECT_TRUE(parameters->Option2->isChecked());

    EXPECT_EQ(parameters->Text6->text(), " 0");

    // Entries go through the clamping of OK.
    parameters->Text5->setText("45");
    parameters->Text6->setText("3");
    parameters->Text4->setText("0.9");
    QTest::mouseClick(parameters->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Results() != nullptr; }, 300));
    EXPECT_EQ(flow.State().MaxPredictors, 20);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(flow.State().MaxInterR2, 0.64);
    EXPECT_EQ(flow.State().RandomisationRuns, 3);
    EXPECT_NE(ReadFile("BZR01-results.json").find("\"share_q_reached\""), std::string::npos);

    ResultsWindow* results = flow.Results();
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");
    EXPECT_TRUE(results->Scatterp->isVisible());
    EXPECT_TRUE(results->ButonPrint->isVisible());
    QStringList items;
    for (int i = 0; i < results->Text->count(); ++i) {
        items << results->Text->item(i)->text();
    }
    EXPECT_TRUE(items.contains("     Maximum predictors number:  20"));
    EXPECT_TRUE(items.contains("     BZR01vfr.des"));
    EXPECT_TRUE(items.contains("     Finishing all calculations"));

    // Williams: the plot saved under the answer, then the report and the buttons are back.
    ASSERT_TRUE(results->Williams->isVisible());
    dialogs.textAnswers = {QString("williams.bmp")};
    QTest::mouseClick(results->Williams, Qt::LeftButton);
    EXPECT_TRUE(fs::exists("williams.bmp"));
    EXPECT_EQ(dialogs.defaults.back(), "BZR01-williams.bmp");
    EXPECT_TRUE(results->Text->isVisible());
    EXPECT_TRUE(results->Scatterp->isVisible());
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");

    // Scatter: one plot (BZR01 keeps its outliers), saved under the answer.
    dialogs.textAnswers = {QString(""), QString("plot.bmp")};
    QTest::mouseClick(results->Scatterp, Qt::LeftButton);
    EXPECT_TRUE(fs::exists("plot.bmp"));
    EXPECT_EQ(dialogs.prompts.back(), "The program will save the image of this scatter-plot. "
                                      "Give a name to the saved file.");
    EXPECT_EQ(dialogs.defaults.back(), "BZR01.bmp");
    EXPECT_FALSE(results->Scatterp->isVisible());
    EXPECT_FALSE(results->Text->isVisible());
    EXPECT_EQ(results->windowTitle(), " You can quit the program.");
    dialogs.prompts.clear();
    dialogs.titles.clear();
    dialogs.defaults.clear();

    // Quit: asked again while the answer is empty, then saved under the name.
    dialogs.textAnswers = {QString(""), QString(), QString("mine.rez")};
    QSignalSpy ended(&flow, &QsprFlow::Ended);
    QTest::mouseClick(results->ButonQuit, Qt::LeftButton);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dialogs.prompts.size(), 3);
    EXPECT_EQ(dialogs.prompts.front(),
              "The program will save the results.  Give a name please to the saved file.");
    EXPECT_EQ(dialogs.titles.front(), "*.rez file name");
    EXPECT_EQ(dialogs.defaults.front(), "BZR01qspr.rez");
    EXPECT_TRUE(fs::exists("mine.rez"));
    EXPECT_FALSE(fs::exists("rezultat.rez"));
}

TEST_F(QsprWindowsTest, WithoutAPredictionSetCorrectnessIsNotAsked) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR02", {"BZR02vfr.des"}, {true}}));
    ParametersWindow window(state, dialogs);
    window.show();
    EXPECT_FALSE(window.Text3->isVisible());
    EXPECT_FALSE(window.Label7->isVisible());
    EXPECT_TRUE(window.Option1->isChecked());
    EXPECT_EQ(window.Label2->text(), " If your option is 'elimination of outliers' the "
                                     "modification of above default values is futile.");
}

TEST_F(QsprWindowsTest, AMissingFragmentTableLeadsStraightToTheResults) {
    QsprFlow flow(dialogs, nullptr);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickItem(files->List1, RowOf(files->List1, "BZR01"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01d2d.des"));
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    QTest::mouseClick(flow.Parameters()->ButonOK, Qt::LeftButton);
    ASSERT_NE(flow.Results(), nullptr);
    EXPECT_EQ(flow.Computing(), nullptr);
    EXPECT_FALSE(flow.Results()->ButonPrint->isVisible());
    EXPECT_FALSE(flow.Results()->Scatterp->isVisible());
    EXPECT_FALSE(flow.Results()->Williams->isVisible());
    EXPECT_TRUE(flow.Results()->ButonQuit->isVisible());
    const int last = flow.Results()->Text->count() - 2;
    EXPECT_EQ(flow.Results()->Text->item(last)->text(),
              " USING OF DESCRIPTOR TABLE NAMEvfr.des IS COMPULSORY !!");
}

TEST_F(QsprWindowsTest, SavingOverAnExistingFileAsksFirst) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    WriteFile("old.rez", "keep me\r\n");
    ResultsWindow window(state, dialogs);
    dialogs.textAnswers = {QString("old.rez"), QString("new.rez")};
    dialogs.yesNoAnswers = {false};
    ASSERT_TRUE(window.SaveReport());
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(ReadFile("old.rez"), "keep me\r\n");
    EXPECT_TRUE(fs::exists("new.rez"));
}

TEST_F(QsprWindowsTest, AFailedRenameSaysWhyAndAsksAgain) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ResultsWindow window(state, dialogs);
    dialogs.textAnswers = {QString("no/such/folder.rez"), QString("ok.rez")};
    ASSERT_TRUE(window.SaveReport());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.front().contains("no/such/folder.rez"));
    EXPECT_TRUE(fs::exists("ok.rez"));
}

TEST_F(QsprWindowsTest, PrintingWithoutAPrinterOffersAPdf) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ResultsWindow window(state, dialogs);
    window.Activate();
    dialogs.textAnswers = {QString("print.pdf")};
    QTest::mouseClick(window.ButonPrint, Qt::LeftButton);
    ASSERT_TRUE(fs::exists("print.pdf"));
    EXPECT_EQ(ReadFile("print.pdf").substr(0, 5), "%PDF-");
}

TEST_F(QsprWindowsTest, AnObservedTableIsCheckedAtOk) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ParametersWindow window(state, dialogs);
    window.show();
    ASSERT_TRUE(window.Observed->isVisible());
    QSignalSpy compute(&window, &ParametersWindow::Compute);
    // bzr001 is a calibration molecule: refused, the window stays.
    WriteFile("OBS", "Cases\tpIC50\r\nbzr004\t6.45\r\nbzr001\t6.87\r\n");
    window.Observed->setText("OBS");
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(compute.count(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.front(), "OBS line 3: molecule bzr001 is not in the prediction set");
    WriteFile("OBS", "Cases\tpIC50\r\nbzr004\t6.45\r\n");
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(compute.count(), 1);
    EXPECT_EQ(state.ObservedTableName, "OBS");
}

} // namespace
} // namespace kalemir::ui
