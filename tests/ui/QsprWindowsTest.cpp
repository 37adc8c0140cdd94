#include "ui/QsprWindows.h"

#include "app/QsprCommandLine.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"

#include "TestData.h"
#include "support/TempDir.h"
#include "ui/FakeDialogs.h"

#include "ui/FolderBar.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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
        // The similarity and shape tables lie in the folder too: no descriptor tables.
        CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des", "BZR02",
                               "BZR02vfr.des", "BZR01SIM.des", "BZR01SHP.des"});
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

    // Entries outside their range go through the clamping of OK once the user confirms.
    parameters->Text5->setText("45");
    parameters->Text6->setText("3");
    parameters->Text4->setText("0.9");
    QTest::mouseClick(parameters->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Results() != nullptr; }, 300));
    EXPECT_EQ(dialogs.questions,
              QStringList({"Max. descriptors intercorrelation: 0.9 is outside the range 0.1 to "
                           "0.64; OK takes 0.64. Take it?",
                           "Max. predictors number: 45 is outside the range 2 to 20; OK takes 20. "
                           "Take it?"}));
    EXPECT_EQ(flow.State().MaxPredictors, 20);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(flow.State().MaxInterR2, 0.64);
    EXPECT_EQ(flow.State().RandomisationRuns, 3);
    EXPECT_NE(ReadFile("BZR01-results.json").find("\"share_q_reached\""), std::string::npos);

    ResultsWindow* results = flow.Results();
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");
    EXPECT_TRUE(results->Scatterp->isVisible());
    // The run wrote its model report, and the window offers to open it.
    EXPECT_NE(ReadFile("BZR01-model.html").find("id=\"williams-plot\""), std::string::npos);
    EXPECT_TRUE(results->ModelReport->isVisible());
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
    // After the plots the report and all its buttons are back.
    EXPECT_TRUE(results->Text->isVisible());
    EXPECT_TRUE(results->Scatterp->isVisible());
    EXPECT_TRUE(results->Williams->isVisible());
    EXPECT_TRUE(results->ButonPrint->isVisible());
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");
    dialogs.prompts.clear();
    dialogs.titles.clear();
    dialogs.defaults.clear();

    // Quit: asked again while the answer is empty, then saved under the name.
    dialogs.textAnswers = {QString(""), QString("mine.rez")};
    QSignalSpy ended(&flow, &QsprFlow::Ended);
    QTest::mouseClick(results->ButonQuit, Qt::LeftButton);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dialogs.prompts.size(), 2);
    EXPECT_EQ(dialogs.prompts.front(),
              "The program will save the results.  Give a name please to the saved file.");
    EXPECT_EQ(dialogs.titles.front(), "*.rez file name");
    EXPECT_EQ(dialogs.defaults.front(), "BZR01qspr.rez");
    EXPECT_TRUE(fs::exists("mine.rez"));
    EXPECT_FALSE(fs::exists("rezultat.rez"));
}

/// Swaps the rows of molecules bzr002 and bzr003 of a table.
void SwapSecondAndThirdMolecule(const std::string& table) {
    const std::string text = ReadFile(table);
    const std::size_t second = text.find("bzr002");
    const std::size_t third = text.find("bzr003");
    const std::size_t fourth = text.find("bzr004");
    WriteFile(table, text.substr(0, second) + text.substr(third, fourth - third) +
                         text.substr(second, third - second) + text.substr(fourth));
}

TEST_F(QsprWindowsTest, TablesInAnotherOrderAreUsedOnlyWhenTheUserAgrees) {
    SwapSecondAndThirdMolecule("BZR01d2d.des");
    QsprFlow flow(dialogs, nullptr);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickItem(files->List1, RowOf(files->List1, "BZR01"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01d2d.des"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01vfr.des"), Qt::ControlModifier);
    // No answer: the dialog closed.
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions.front().toStdString(),
              "BZR01d2d.des line 3: molecule bzr003, the QSPR table has bzr002 there (tables are "
              "joined by position: every table lists the molecules of the QSPR table in its "
              "order)\n\nevery molecule of the QSPR table is found once in each table, so they "
              "can be joined by name\n\nJoin these tables to the QSPR table by position or by "
              "name?");
    EXPECT_EQ(dialogs.choices.front(), (QStringList{"Join by position", "Join by name"}));
    EXPECT_FALSE(fs::exists("rezultat.rez"));
    EXPECT_EQ(flow.Parameters(), nullptr);

    dialogs.choiceAnswers = {0};
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    // The report says so in the command line's words, after the QSPR table's name.
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_NE(report.find("     BZR01\r\n     warning: BZR01d2d.des line 3: molecule bzr003, the "
                          "QSPR table has bzr002 there (tables are joined by position: every "
                          "table lists the molecules of the QSPR table in its order); joined by "
                          "position as asked\r\n"),
              std::string::npos)
        << report;
    EXPECT_TRUE(fs::exists("rezultat.rez"));
    EXPECT_FALSE(state.JoinByName);
}

TEST_F(QsprWindowsTest, TablesMissingAMoleculeCanOnlyBeJoinedByPosition) {
    const std::string text = ReadFile("BZR01d2d.des");
    const std::size_t second = text.find("bzr002");
    WriteFile("BZR01d2d.des", text.substr(0, second) + text.substr(text.find("bzr003")));
    WorkfilesWindow window(state, dialogs);
    window.show();
    ClickItem(window.List1, RowOf(window.List1, "BZR01"));
    ClickItem(window.List2, RowOf(window.List2, "BZR01d2d.des"));
    dialogs.yesNoAnswers = {true};
    QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_TRUE(dialogs.choices.isEmpty());
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions.front().endsWith("by position anyway?"));
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(state.JoinByName);
}

TEST_F(QsprWindowsTest, TheJoinByNameIsTheRunsAndItsReportSaysSo) {
    SwapSecondAndThirdMolecule("BZR01d2d.des");
    WorkfilesWindow window(state, dialogs);
    window.show();
    ClickItem(window.List1, RowOf(window.List1, "BZR01"));
    ClickItem(window.List2, RowOf(window.List2, "BZR01d2d.des"));
    ClickItem(window.List2, RowOf(window.List2, "BZR01vfr.des"), Qt::ControlModifier);
    dialogs.choiceAnswers = {1};
    QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_TRUE(state.JoinByName);
    qspr::ParameterEntries entries = qspr::LoadParameters(state);
    qspr::ParametersOk(state, entries);
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_NE(report.find("\r\n     Descriptor tables joined to the QSPR table by name: each "
                          "table's rows taken in the QSPR table's order\r\n"),
              std::string::npos);
}

TEST_F(QsprWindowsTest, WorkfilesRefusesWhatTheCommandLineRefuses) {
    const std::string qspr = ReadFile("BZR01");
    std::string twice = qspr;
    twice.replace(twice.find("bzr003"), 6, "bzr001");
    std::string comma = qspr;
    comma.replace(comma.find("7.7"), 3, "7,7");
    struct Case {
        const char* kind;
        std::string table;
        std::string message;
    };
    for (const Case& c :
         {Case{"a name twice", twice,
               "BZR01 lines 2 and 4: molecule bzr001 is listed twice (each molecule needs a "
               "name of its own)"},
          Case{"a decimal comma", comma,
               "BZR01 line 3: molecule bzr002: the value 7,7 has a decimal comma (a comma ends a "
               "record in these tables; write it with a decimal point)"}}) {
        SCOPED_TRACE(c.kind);
        WriteFile("BZR01", c.table);
        dialogs.messages.clear();
        WorkfilesWindow window(state, dialogs);
        window.show();
        ClickItem(window.List1, RowOf(window.List1, "BZR01"));
        ClickItem(window.List2, RowOf(window.List2, "BZR01vfr.des"));
        QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
        QTest::mouseClick(window.ButonOK, Qt::LeftButton);
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromStdString(c.message)});
        EXPECT_EQ(accepted.count(), 0);
        EXPECT_FALSE(fs::exists("rezultat.rez"));
    }
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
    QPointer<ParametersWindow> parameters = flow.Parameters();
    QTest::mouseClick(parameters->ButonOK, Qt::LeftButton);
    ASSERT_NE(flow.Results(), nullptr);
    EXPECT_EQ(flow.Computing(), nullptr);
    // The parameters window goes when the results come: its OK cannot be pressed again.
    EXPECT_EQ(flow.Parameters(), nullptr);
    EXPECT_TRUE(parameters.isNull() || !parameters->isVisible());
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

// Typing a table's name (BZR01) as the report's name must not replace the table: the name
// is refused and asked again. Cancel keeps the report under its working name and says so.
TEST_F(QsprWindowsTest, QuitNeverReplacesATableAndCancelKeepsTheWorkingReport) {
    ASSERT_TRUE(
        qspr::WorkfilesOk(state, {"BZR01", {"BZR01d2d.des", "BZR01vfr.des"}, {true, true}}));
    const std::string table = ReadFile("BZR01");
    ResultsWindow window(state, dialogs);
    dialogs.textAnswers = {QString("BZR01"), QString("./BZR01vfr.des"), QString()};
    ASSERT_TRUE(window.SaveReport());
    EXPECT_EQ(dialogs.messages,
              QStringList({"BZR01: the QSPR table of this run; give another name.",
                           "./BZR01vfr.des: a descriptor table of this run; give another name.",
                           "The report stays under the name rezultat.rez."}));
    EXPECT_TRUE(dialogs.questions.isEmpty()); // never asked to replace a table
    EXPECT_EQ(ReadFile("BZR01"), table);
    EXPECT_TRUE(fs::exists("rezultat.rez"));
}

// After a run the tables it read are still the user's, though the run worked on copies:
// the report may not take a descriptor table's name.
TEST_F(QsprWindowsTest, AfterARunTheReportNeverReplacesADescriptorTable) {
    ASSERT_TRUE(
        qspr::WorkfilesOk(state, {"BZR01", {"BZR01d2d.des", "BZR01vfr.des"}, {true, true}}));
    ASSERT_EQ(qspr::ParametersOk(state, qspr::LoadParameters(state)),
              qspr::ParametersOutcome::Compute);
    SilentWindow computing;
    qspr::RunQsprComputation(state, computing);
    const std::string table = ReadFile("BZR01vfr.des");
    ResultsWindow window(state, dialogs);
    dialogs.textAnswers = {QString("BZR01vfr.des"), QString()};
    ASSERT_TRUE(window.SaveReport());
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages.front(),
              "BZR01vfr.des: a descriptor table of this run; give another name.");
    EXPECT_EQ(ReadFile("BZR01vfr.des"), table);
}

// The second plot proposes its own name; neither plot may take a table's, the report's or
// the first plot's name.
TEST_F(QsprWindowsTest, EachPlotHasItsOwnNameAndReplacesNoOtherFile) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    state.CycleNumber = 2;
    state.ScatterPoints = {{}, {0, 1, 1, 2, 2}, {0, 2, 3, 3, 4}, {}};
    ResultsWindow window(state, dialogs);
    window.show();
    dialogs.textAnswers = {QString("rezultat.rez"), QString("before.bmp"), QString("before.bmp"),
                           QString("BZR01vfr.des")}; // then the proposed name
    QTest::mouseClick(window.Scatterp, Qt::LeftButton);
    EXPECT_EQ(dialogs.defaults, QStringList({"BZR01.bmp", "BZR01.bmp", "BZR01after.bmp",
                                             "BZR01after.bmp", "BZR01after.bmp"}));
    EXPECT_EQ(dialogs.messages.size(), 3);
    EXPECT_TRUE(fs::exists("before.bmp"));
    EXPECT_TRUE(fs::exists("BZR01after.bmp"));
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

// A stop from the computing window leads to a results window that says so, over a report
// that ends with the same words.
TEST_F(QsprWindowsTest, AStoppedRunSaysSoInCaptionFirstLineAndReport) {
    QsprFlow flow(dialogs, qspr::RunQsprComputation);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickItem(files->List1, RowOf(files->List1, "BZR01"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01vfr.des"));
    QTest::mouseClick(files->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    QTest::mouseClick(flow.Parameters()->ButonOK, Qt::LeftButton);
    ASSERT_NE(flow.Computing(), nullptr);
    ASSERT_TRUE(flow.Computing()->StopButton()->isVisible());
    QTest::mouseClick(flow.Computing()->StopButton(), Qt::LeftButton); // answered yes
    EXPECT_EQ(dialogs.questions,
              QStringList{"Stop the analysis? The report keeps what was written."});
    ASSERT_TRUE(WaitFor([&] { return flow.Results() != nullptr; }, 60));
    ResultsWindow* results = flow.Results();
    const QString where = "at the preliminary selection of descriptors";
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ... analysis stopped " + where);
    EXPECT_TRUE(results->StopNotice->isVisible());
    EXPECT_EQ(results->StopNotice->text(),
              "The analysis was stopped " + where + ": the report below is incomplete.");
    EXPECT_EQ(results->Text->item(results->Text->count() - 1)->text(),
              "     ANALYSIS STOPPED " + where + ": the results above are incomplete");
}

// Every field is checked with the command line's rule when OK is pressed; the window stays
// open on the field until the entries can be taken.
TEST_F(QsprWindowsTest, FieldsAreCheckedAndReturnPressesOk) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ParametersWindow window(state, dialogs);
    QSignalSpy compute(&window, &ParametersWindow::Compute);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    window.Text1->setText("abc");
    QTest::keyClick(window.Text4, Qt::Key_Return);
    EXPECT_EQ(dialogs.messages,
              QStringList({"Min. descriptor / Property correlation: abc: not a number"}));
    EXPECT_EQ(window.focusWidget(), window.Text1);
    window.Text1->setText(" .0338");
    window.Text3->setText("7");
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.back(),
              "Estimated correctness (KalemirS): 7 is outside the range -1 to 1");
    // A decimal comma used to run as 0; it is refused on the field that holds it.
    window.Text3->setText("0,75");
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.back(),
              "Estimated correctness (KalemirS): 0,75: use a decimal point");
    window.Text3->setText(" .5001");
    window.Text6->setText("20 runs");
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.back(), "Y-randomisation runs: 20 runs: not a number");
    EXPECT_EQ(window.focusWidget(), window.Text6);
    window.Text6->setText(" 0");
    window.Text5->setText("99");
    dialogs.yesNoAnswers = {false};
    QTest::mouseClick(window.ButonOK, Qt::LeftButton);
    EXPECT_EQ(compute.count(), 0);
    EXPECT_EQ(window.focusWidget(), window.Text5);

    // Return in a field presses OK; the confirmed value is limited as before.
    dialogs.yesNoAnswers = {true};
    QTest::keyClick(window.Text5, Qt::Key_Return);
    EXPECT_EQ(compute.count(), 1);
    EXPECT_EQ(state.MaxPredictors, 20);
}

// Result files of an earlier run removed at the start are named above the report.
TEST_F(QsprWindowsTest, TheResultsSayWhichEarlierResultFilesWereRemoved) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    state.EarlierResultFilesRemoved = {"BZR01-results.json", "BZR01-validation.txt"};
    ResultsWindow window(state, dialogs);
    window.show();
    window.Activate();
    EXPECT_TRUE(window.StopNotice->isVisible());
    EXPECT_EQ(window.StopNotice->text(),
              "Removed at the start: BZR01-results.json, BZR01-validation.txt of an earlier run.");
}

// The report can be selected, copied and searched; Tab follows the screen order.
TEST_F(QsprWindowsTest, TheReportCanBeCopiedAndSearchedFromTheKeyboard) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ResultsWindow window(state, dialogs);
    window.show();
    window.Activate();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(window.Text->count(), 6);

    window.Text->setFocus();
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"Scatterp", "ButonPrint", "ButonQuit"}));
    // Return presses the focused button, as Space does.
    dialogs.textAnswers = {QString("report.pdf")};
    window.ButonPrint->setFocus();
    QTest::keyClick(window.ButonPrint, Qt::Key_Return);
    EXPECT_TRUE(fs::exists("report.pdf"));

    window.Text->setFocus();
    QTest::keyClick(window.Text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.Text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "\n     Program KALEMIRq for QSPR computations\n" + window.Text->item(2)->text() +
                  "\n\n     QSPR table used:\n     BZR01\n");

    QTest::keyClick(window.Text, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(window.FindText->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), window.FindText);
    QTest::keyClicks(window.FindText, "bzr01");
    QTest::keyClick(window.FindText, Qt::Key_Return);
    EXPECT_EQ(window.Text->currentRow(), 5);
    EXPECT_EQ(window.SelectedText(), "     BZR01\n");
    EXPECT_TRUE(window.FindNext("program")); // wraps round to the top
    EXPECT_EQ(window.Text->currentRow(), 1);
    EXPECT_FALSE(window.FindNext("no such text"));
    EXPECT_EQ(window.FindStatus->text(), "not found");
}

// F1 shows the README's section for the window (the README built into the program); the
// working folder is shown, can be changed and is remembered.
TEST_F(QsprWindowsTest, HelpAboutAndTheWorkingFolder) {
    WorkfilesWindow window(state, dialogs);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.List1, Qt::Key_F1);
    ASSERT_EQ(dialogs.pages.size(), 1);
    EXPECT_EQ(dialogs.pageTitles.front(), "Help: KalemirQ: Workfiles");
    EXPECT_TRUE(dialogs.pages.front().startsWith("### KalemirQ: Workfiles\n"));
    EXPECT_TRUE(dialogs.pages.front().contains("Shift+Click"));
    QTest::mouseClick(window.Folder->ButonAbout, Qt::LeftButton);
    EXPECT_TRUE(dialogs.pages.back().contains(QString("KalemirQ ") + KALEMIR_VERSION_TEXT));
    EXPECT_TRUE(dialogs.pages.back().contains(QString("Qt ") + qVersion()));

    fs::create_directory("other");
    fs::copy_file("BZR02", "other/BZR02");
    const QString other =
        QDir(QString::fromStdString(fs::absolute("other").string())).canonicalPath();
    dialogs.folderAnswers = {other};
    QTest::mouseClick(window.Folder->ButonFolder, Qt::LeftButton);
    EXPECT_EQ(QDir::currentPath(), other);
    EXPECT_EQ(window.Folder->FolderLabel->text(), "Working folder: " + other);
    ASSERT_EQ(window.List1->count(), 1);
    EXPECT_EQ(window.List1->item(0)->text(), "BZR02");
    EXPECT_EQ(window.List2->count(), 0);
    EXPECT_EQ(RememberedFolder("KalemirQ"), other);
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

/// The choice of BZR01 with its fragment table, as clicked in a Workfiles window.
void ChooseBzr01(WorkfilesWindow* files) {
    ClickItem(files->List1, RowOf(files->List1, "BZR01"));
    ClickItem(files->List2, RowOf(files->List2, "BZR01vfr.des"));
}

// No result of the window (the print, a plot, the report) takes the name of a table the
// run read, of the observed values given in Parameters or of the working report: each is
// refused and asked again, and the table stays as it was.
TEST_F(QsprWindowsTest, NoResultTakesTheNameOfATableTheObservedValuesOrTheReport) {
    ASSERT_TRUE(
        qspr::WorkfilesOk(state, {"BZR01", {"BZR01d2d.des", "BZR01vfr.des"}, {true, true}}));
    WriteFile("OBS", "Cases\tpIC50\r\nbzr004\t6.45\r\n");
    state.ObservedTableName = "OBS";
    state.CycleNumber = 1;
    state.ScatterPoints = {{}, {0, 1, 1, 2, 2}, {0, 2, 3, 3, 4}, {}};
    const std::string fragments = ReadFile("BZR01vfr.des");
    const QString tableRefused = "BZR01vfr.des: a descriptor table of this run; give another name.";
    const QString observedRefused = "OBS: the table of observed values; give another name.";
    const QString reportRefused = "rezultat.rez: the report of this run; give another name.";
    struct Row {
        const char* action;
        std::function<void(ResultsWindow&)> act;
        QStringList answers;
        QStringList refusals;
        const char* written;
    };
    const Row rows[] = {
        {"print",
         [](ResultsWindow& w) { QTest::mouseClick(w.ButonPrint, Qt::LeftButton); },
         {"BZR01vfr.des", "OBS", "rezultat.rez", "print.pdf"},
         {tableRefused, observedRefused, reportRefused},
         "print.pdf"},
        {"scatter",
         [](ResultsWindow& w) { QTest::mouseClick(w.Scatterp, Qt::LeftButton); },
         {"BZR01vfr.des", "OBS", "rezultat.rez", "print.pdf", "plot.bmp"},
         {tableRefused, observedRefused, reportRefused,
          "print.pdf: the print of the report; give another name."},
         "plot.bmp"},
        // Quit's name for the report may be its working name: it then stays there.
        {"quit",
         [](ResultsWindow& w) { w.SaveReport(); },
         {"BZR01vfr.des", "OBS", "mine.rez"},
         {tableRefused, observedRefused},
         "mine.rez"},
    };
    ResultsWindow window(state, dialogs);
    window.show();
    window.Activate();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        dialogs.messages.clear();
        dialogs.textAnswers = row.answers;
        row.act(window);
        QStringList refusals = dialogs.messages;
        refusals.removeAll("No printer is installed on this system: the print can be saved as a "
                           "PDF file instead.");
        EXPECT_EQ(refusals, row.refusals);
        EXPECT_TRUE(dialogs.questions.isEmpty()); // never asked to replace one of them
        EXPECT_TRUE(fs::exists(row.written));
        EXPECT_EQ(ReadFile("BZR01vfr.des"), fragments);
        EXPECT_EQ(ReadFile("OBS"), "Cases\tpIC50\r\nbzr004\t6.45\r\n");
    }
}

// A report an earlier run left as rezultat.rez is kept under a free name when Workfiles
// OK starts a new one, and the window says so. Cancel, Escape or closing Parameters takes
// the new report back and gives the earlier one its name again.
TEST_F(QsprWindowsTest, AnEarlierReportIsKeptAndLeavingParametersLosesNothing) {
    WriteFile("rezultat.rez", "earlier run\r\n");
    QsprFlow flow(dialogs, nullptr);
    flow.Start();
    const char* ways[] = {"cancel", "escape", "close"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        dialogs.messages.clear();
        ASSERT_NE(flow.Workfiles(), nullptr);
        ChooseBzr01(flow.Workfiles());
        QTest::mouseClick(flow.Workfiles()->ButonOK, Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
        EXPECT_EQ(dialogs.messages, QStringList{"the report of an earlier run, rezultat.rez, is "
                                                "kept as rezultat-1.rez"});
        EXPECT_EQ(ReadFile("rezultat-1.rez"), "earlier run\r\n");
        ParametersWindow* parameters = flow.Parameters();
        if (std::string(way) == "cancel") {
            QTest::mouseClick(parameters->ButonCancel, Qt::LeftButton);
        } else if (std::string(way) == "escape") {
            parameters->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(parameters));
            QTest::keyClick(parameters->Text1, Qt::Key_Escape);
        } else {
            parameters->close();
        }
        EXPECT_EQ(ReadFile("rezultat.rez"), "earlier run\r\n");
        EXPECT_FALSE(fs::exists("rezultat-1.rez"));
        if (std::string(way) != "close") {
            // Back to Workfiles, as at the start.
            ASSERT_TRUE(WaitFor([&] { return flow.Parameters() == nullptr; }));
            ASSERT_NE(flow.Workfiles(), nullptr);
            EXPECT_TRUE(flow.Workfiles()->isVisible());
            EXPECT_TRUE(flow.State().QsprTableName.empty());
        }
    }
}

// The close button of the Results window asks for the report's name as Quit does, once.
TEST_F(QsprWindowsTest, ClosingTheResultsAsksForTheReportsName) {
    QsprFlow flow(dialogs, nullptr);
    flow.Start();
    ClickItem(flow.Workfiles()->List1, RowOf(flow.Workfiles()->List1, "BZR01"));
    ClickItem(flow.Workfiles()->List2, RowOf(flow.Workfiles()->List2, "BZR01d2d.des"));
    QTest::mouseClick(flow.Workfiles()->ButonOK, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    QTest::mouseClick(flow.Parameters()->ButonOK, Qt::LeftButton);
    ASSERT_NE(flow.Results(), nullptr);
    QSignalSpy ended(&flow, &QsprFlow::Ended);
    dialogs.textAnswers = {QString("closed.rez")};
    flow.Results()->close();
    flow.Results()->close();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dialogs.prompts,
              QStringList{"The program will save the results.  Give a name please to the saved "
                          "file."});
    EXPECT_TRUE(fs::exists("closed.rez"));
    EXPECT_FALSE(fs::exists("rezultat.rez"));
}

// Cancel on a plot's name leaves that plot unsaved (it is not asked again); after the
// plots the report and its buttons are back.
TEST_F(QsprWindowsTest, CancelOnAPlotSkipsItAndTheReportComesBack) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    state.CycleNumber = 2;
    state.ScatterPoints = {{}, {0, 1, 1, 2, 2}, {0, 2, 3, 3, 4}, {}};
    ResultsWindow window(state, dialogs);
    window.show();
    window.Activate();
    const QString caption = window.windowTitle();
    dialogs.textAnswers = {QString(), QString("after.bmp")};
    QTest::mouseClick(window.Scatterp, Qt::LeftButton);
    EXPECT_EQ(dialogs.defaults, QStringList({"BZR01.bmp", "BZR01after.bmp"}));
    EXPECT_FALSE(fs::exists("BZR01.bmp"));
    EXPECT_TRUE(fs::exists("after.bmp"));
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_TRUE(window.Text->isVisible());
    EXPECT_TRUE(window.Scatterp->isVisible());
    EXPECT_TRUE(window.ButonPrint->isVisible());
    EXPECT_TRUE(window.ButonQuit->isVisible());
    EXPECT_FALSE(window.Williams->isVisible()); // no best equation: not shown before either
}

// Under the reminder a second line says what the choice lacks.
TEST_F(QsprWindowsTest, TheReminderSaysWhatIsMissing) {
    struct Row {
        const char* qsprTable;
        QStringList descriptorTables;
        const char* missing;
    };
    const Row rows[] = {
        {nullptr, {}, "choose a QSPR table; choose the fragment table (*vfr.des)"},
        {nullptr, {"BZR01vfr.des"}, "choose a QSPR table"},
        {"BZR01", {}, "choose the fragment table (*vfr.des)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.missing);
        WorkfilesWindow window(state, dialogs);
        window.show();
        if (row.qsprTable != nullptr) {
            window.List1->item(RowOf(window.List1, row.qsprTable))->setSelected(true);
        }
        for (const QString& table : row.descriptorTables) {
            window.List2->item(RowOf(window.List2, table))->setSelected(true);
        }
        EXPECT_FALSE(window.MissingNote->isVisible());
        QTest::mouseClick(window.ButonOK, Qt::LeftButton);
        EXPECT_TRUE(window.Label5->isVisible());
        EXPECT_EQ(window.Label5->text(), "  If you please, heed         the above rules");
        EXPECT_TRUE(window.MissingNote->isVisible());
        EXPECT_EQ(window.MissingNote->text(), row.missing);
        EXPECT_FALSE(fs::exists("rezultat.rez"));
    }
}

} // namespace
} // namespace kalemir::ui
