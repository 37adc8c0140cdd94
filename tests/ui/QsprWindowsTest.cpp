#include "ui/QsprWindows.h"

#include "app/QsprCommandLine.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"

#include "TestData.h"
#include "support/TempDir.h"
#include "ui/FakeDialogs.h"
#include "ui/Widgets.h"

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
using testing::Child;
using testing::ControlNameProblems;
using testing::FakeDialogs;
using testing::Press;

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

/// Clicks the row showing `text` in the list of `window` named `list`.
void ClickRowOf(const QWidget* window, const char* list, const QString& text,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QListWidget* rows = Child<QListWidget>(window, list);
    ClickItem(rows, RowOf(rows, text), modifiers);
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
    const QListWidget* qsprTables = Child<QListWidget>(&window, "qsprTableList");
    const QListWidget* descriptorTables = Child<QListWidget>(&window, "descriptorTableList");
    const QLabel* reminder = Child<QLabel>(&window, "reminderLabel");
    ASSERT_EQ(qsprTables->count(), 2);
    EXPECT_EQ(qsprTables->item(0)->text(), "BZR01");
    EXPECT_EQ(descriptorTables->count(), 4);
    EXPECT_EQ(descriptorTables->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(Child<QLabel>(&window, "qsprTablesLabel")->text(), "           QSPR tables");
    EXPECT_EQ(Child<QLabel>(&window, "descriptorTablesLabel")->text(), "        Descriptor tables");
    EXPECT_EQ(reminder->text(), "  If you please, heed         the above rules");
    EXPECT_FALSE(reminder->isVisible());
    EXPECT_EQ(Child<QPushButton>(&window, "okButton")->text(), "OK");
}

// Each control carries the name of its role, once per window: the tests and the window
// tour find them by it. The computing window of both programs is checked here too.
TEST_F(QsprWindowsTest, EveryControlIsNamedByItsRoleOnce) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    WorkfilesWindow workfiles(state, dialogs);
    ParametersWindow parameters(state, dialogs);
    ResultsWindow results(state, dialogs);
    ComputingView computing(dialogs);
    const std::pair<const char*, const QWidget*> windows[] = {{"workfiles", &workfiles},
                                                              {"parameters", &parameters},
                                                              {"results", &results},
                                                              {"computing", &computing}};
    for (const auto& [caption, window] : windows) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(ControlNameProblems(window), "");
        EXPECT_GE(window->findChildren<QPushButton*>(QRegularExpression("Button$")).size(), 1);
    }
}

TEST_F(QsprWindowsTest, TheReminderAndTheClickCounter) {
    WorkfilesWindow window(state, dialogs);
    window.show();
    const QLabel* reminder = Child<QLabel>(&window, "reminderLabel");
    QListWidget* descriptorTables = Child<QListWidget>(&window, "descriptorTableList");
    // OK with nothing chosen shows the reminder and writes nothing.
    Press(&window, "okButton");
    EXPECT_TRUE(reminder->isVisible());
    EXPECT_FALSE(fs::exists("rezultat.rez"));
    // The first click after load leaves it, the second hides it.
    ClickItem(Child<QListWidget>(&window, "qsprTableList"), 0);
    EXPECT_TRUE(reminder->isVisible());
    ClickItem(descriptorTables, 0);
    EXPECT_FALSE(reminder->isVisible());
    // A failed OK shows it again; later clicks no longer hide it (the counter is past 2).
    descriptorTables->clearSelection();
    Press(&window, "okButton");
    EXPECT_TRUE(reminder->isVisible());
    ClickItem(descriptorTables, 1);
    EXPECT_TRUE(reminder->isVisible());
}

TEST_F(QsprWindowsTest, ClickSequenceToTheParametersAndOn) {
    QsprFlow flow(dialogs, qspr::RunQsprComputation);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickRowOf(files, "qsprTableList", "BZR01");
    ClickRowOf(files, "descriptorTableList", "BZR01d2d.des");
    ClickRowOf(files, "descriptorTableList", "BZR01vfr.des", Qt::ControlModifier);
    Press(files, "okButton");
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));

    ParametersWindow* parameters = flow.Parameters();
    const QLineEdit* minR2 = Child<QLineEdit>(parameters, "minPropertyR2Field");
    const QLineEdit* validationCount = Child<QLineEdit>(parameters, "validationCountField");
    const QLineEdit* estimatedCor = Child<QLineEdit>(parameters, "estimatedCorField");
    QLineEdit* maxInterR2 = Child<QLineEdit>(parameters, "maxInterR2Field");
    QLineEdit* maxPredictors = Child<QLineEdit>(parameters, "maxPredictorsField");
    QLineEdit* runs = Child<QLineEdit>(parameters, "randomisationRunsField");
    EXPECT_EQ(parameters->windowTitle(), QString(25, ' ') + "Parameters of statistical analysis");
    EXPECT_EQ(minR2->text(), " .0338");
    EXPECT_EQ(validationCount->text(), " 148");
    EXPECT_EQ(estimatedCor->text(), " .5001");
    EXPECT_EQ(maxInterR2->text(), " .3288");
    EXPECT_EQ(maxPredictors->text(), " 20");
    EXPECT_TRUE(estimatedCor->isVisible());
    EXPECT_TRUE(Child<QLabel>(parameters, "estimatedCorLabel")->isVisible());
    EXPECT_TRUE(Child<QRadioButton>(parameters, "keepOutliersOption")->isChecked());

    EXPECT_EQ(runs->text(), " 0");

    // Entries outside their range go through the clamping of OK once the user confirms.
    maxPredictors->setText("45");
    runs->setText("3");
    maxInterR2->setText("0.9");
    Press(parameters, "okButton");
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
    const QPushButton* scatter = Child<QPushButton>(results, "scatterButton");
    const QPushButton* williams = Child<QPushButton>(results, "williamsButton");
    const QPushButton* print = Child<QPushButton>(results, "printButton");
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");
    EXPECT_TRUE(scatter->isVisible());
    // The run wrote its model report, and the window offers to open it.
    EXPECT_NE(ReadFile("BZR01-model.html").find("id=\"williams-plot\""), std::string::npos);
    EXPECT_TRUE(Child<QPushButton>(results, "modelReportButton")->isVisible());
    EXPECT_TRUE(print->isVisible());
    QStringList items;
    const QListWidget* report = Child<QListWidget>(results, "reportList");
    for (int i = 0; i < report->count(); ++i) {
        items << report->item(i)->text();
    }
    EXPECT_TRUE(items.contains("     Maximum predictors number:  20"));
    EXPECT_TRUE(items.contains("     BZR01vfr.des"));
    EXPECT_TRUE(items.contains("     Finishing all calculations"));

    // Williams: the plot saved under the answer, then the report and the buttons are back.
    ASSERT_TRUE(williams->isVisible());
    dialogs.textAnswers = {QString("williams.bmp")};
    Press(results, "williamsButton");
    EXPECT_TRUE(fs::exists("williams.bmp"));
    EXPECT_EQ(dialogs.defaults.back(), "BZR01-williams.bmp");
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(scatter->isVisible());
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");

    // Scatter: one plot (BZR01 keeps its outliers), saved under the answer.
    dialogs.textAnswers = {QString(""), QString("plot.bmp")};
    Press(results, "scatterButton");
    EXPECT_TRUE(fs::exists("plot.bmp"));
    EXPECT_EQ(dialogs.prompts.back(), "The program will save the image of this scatter-plot. "
                                      "Give a name to the saved file.");
    EXPECT_EQ(dialogs.defaults.back(), "BZR01.bmp");
    // After the plots the report and all its buttons are back.
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(scatter->isVisible());
    EXPECT_TRUE(williams->isVisible());
    EXPECT_TRUE(print->isVisible());
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ...");
    dialogs.prompts.clear();
    dialogs.titles.clear();
    dialogs.defaults.clear();

    // Quit: asked again while the answer is empty, then saved under the name.
    dialogs.textAnswers = {QString(""), QString("mine.rez")};
    QSignalSpy ended(&flow, &QsprFlow::Ended);
    Press(results, "quitButton");
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
    ClickRowOf(files, "qsprTableList", "BZR01");
    ClickRowOf(files, "descriptorTableList", "BZR01d2d.des");
    ClickRowOf(files, "descriptorTableList", "BZR01vfr.des", Qt::ControlModifier);
    // No answer: the dialog closed.
    Press(files, "okButton");
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
    Press(files, "okButton");
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
    ClickRowOf(&window, "qsprTableList", "BZR01");
    ClickRowOf(&window, "descriptorTableList", "BZR01d2d.des");
    dialogs.yesNoAnswers = {true};
    QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
    Press(&window, "okButton");
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
    ClickRowOf(&window, "qsprTableList", "BZR01");
    ClickRowOf(&window, "descriptorTableList", "BZR01d2d.des");
    ClickRowOf(&window, "descriptorTableList", "BZR01vfr.des", Qt::ControlModifier);
    dialogs.choiceAnswers = {1};
    QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
    Press(&window, "okButton");
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
        ClickRowOf(&window, "qsprTableList", "BZR01");
        ClickRowOf(&window, "descriptorTableList", "BZR01vfr.des");
        QSignalSpy accepted(&window, &WorkfilesWindow::Accepted);
        Press(&window, "okButton");
        EXPECT_EQ(dialogs.messages, QStringList{QString::fromStdString(c.message)});
        EXPECT_EQ(accepted.count(), 0);
        EXPECT_FALSE(fs::exists("rezultat.rez"));
    }
}

TEST_F(QsprWindowsTest, WithoutAPredictionSetCorrectnessIsNotAsked) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR02", {"BZR02vfr.des"}, {true}}));
    ParametersWindow window(state, dialogs);
    window.show();
    EXPECT_FALSE(Child<QLineEdit>(&window, "estimatedCorField")->isVisible());
    EXPECT_FALSE(Child<QLabel>(&window, "estimatedCorLabel")->isVisible());
    EXPECT_TRUE(Child<QRadioButton>(&window, "eliminateOutliersOption")->isChecked());
    EXPECT_EQ(Child<QLabel>(&window, "outliersNoteLabel")->text(),
              " If your option is 'elimination of outliers' the "
              "modification of above default values is futile.");
}

TEST_F(QsprWindowsTest, AMissingFragmentTableLeadsStraightToTheResults) {
    QsprFlow flow(dialogs, nullptr);
    flow.Start();
    WorkfilesWindow* files = flow.Workfiles();
    ClickRowOf(files, "qsprTableList", "BZR01");
    ClickRowOf(files, "descriptorTableList", "BZR01d2d.des");
    Press(files, "okButton");
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    QPointer<ParametersWindow> parameters = flow.Parameters();
    Press(parameters, "okButton");
    ASSERT_NE(flow.Results(), nullptr);
    EXPECT_EQ(flow.Computing(), nullptr);
    // The parameters window goes when the results come: its OK cannot be pressed again.
    EXPECT_EQ(flow.Parameters(), nullptr);
    EXPECT_TRUE(parameters.isNull() || !parameters->isVisible());
    EXPECT_FALSE(Child<QPushButton>(flow.Results(), "printButton")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(flow.Results(), "scatterButton")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(flow.Results(), "williamsButton")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(flow.Results(), "quitButton")->isVisible());
    const int last = Child<QListWidget>(flow.Results(), "reportList")->count() - 2;
    EXPECT_EQ(Child<QListWidget>(flow.Results(), "reportList")->item(last)->text(),
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
    Press(&window, "printButton");
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

// The results window draws the Williams plot from the figures the job computed; after a run
// stopped before its result files it has none from the job and computes them from the
// run's best equation: the same picture either way.
TEST_F(QsprWindowsTest, TheWilliamsPlotIsTheSameFromTheJobsFiguresOrFromTheRun) {
    ASSERT_TRUE(
        qspr::WorkfilesOk(state, {"BZR01", {"BZR01d2d.des", "BZR01vfr.des"}, {true, true}}));
    ASSERT_EQ(qspr::ParametersOk(state, qspr::LoadParameters(state)),
              qspr::ParametersOutcome::Compute);
    SilentWindow computing;
    const qspr::JobOutcome outcome = qspr::RunQsprComputation(state, computing);
    ASSERT_TRUE(outcome.Figures.has_value());
    for (const char* name : {"job.bmp", "run.bmp"}) {
        ResultsWindow window(state, dialogs);
        if (std::string(name) == "job.bmp") {
            window.TakeJobFigures(outcome.Figures);
        }
        window.show();
        window.Activate();
        dialogs.textAnswers = {QString(name)};
        Press(&window, "williamsButton");
        ASSERT_TRUE(fs::exists(name)) << name;
    }
    EXPECT_EQ(ReadFile("job.bmp"), ReadFile("run.bmp"));
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
    Press(&window, "scatterButton");
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
    ClickRowOf(files, "qsprTableList", "BZR01");
    ClickRowOf(files, "descriptorTableList", "BZR01vfr.des");
    Press(files, "okButton");
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    Press(flow.Parameters(), "okButton");
    ASSERT_NE(flow.Computing(), nullptr);
    ASSERT_TRUE(flow.Computing()->StopButton()->isVisible());
    QTest::mouseClick(flow.Computing()->StopButton(), Qt::LeftButton); // answered yes
    EXPECT_EQ(dialogs.questions,
              QStringList{"Stop the analysis? The report keeps what was written."});
    ASSERT_TRUE(WaitFor([&] { return flow.Results() != nullptr; }, 60));
    ResultsWindow* results = flow.Results();
    const QString where = "at the preliminary selection of descriptors";
    EXPECT_EQ(results->windowTitle(), QString(47, ' ') + "Results ... analysis stopped " + where);
    EXPECT_TRUE(Child<QLabel>(results, "stopNotice")->isVisible());
    EXPECT_EQ(Child<QLabel>(results, "stopNotice")->text(),
              "The analysis was stopped " + where + ": the report below is incomplete.");
    const QListWidget* report = Child<QListWidget>(results, "reportList");
    EXPECT_EQ(report->item(report->count() - 1)->text(),
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
    QLineEdit* minR2 = Child<QLineEdit>(&window, "minPropertyR2Field");
    QLineEdit* estimatedCor = Child<QLineEdit>(&window, "estimatedCorField");
    QLineEdit* maxPredictors = Child<QLineEdit>(&window, "maxPredictorsField");
    QLineEdit* runs = Child<QLineEdit>(&window, "randomisationRunsField");

    minR2->setText("abc");
    QTest::keyClick(Child<QLineEdit>(&window, "maxInterR2Field"), Qt::Key_Return);
    EXPECT_EQ(dialogs.messages,
              QStringList({"Min. descriptor / Property correlation: abc: not a number"}));
    EXPECT_EQ(window.focusWidget(), minR2);
    minR2->setText(" .0338");
    estimatedCor->setText("7");
    Press(&window, "okButton");
    EXPECT_EQ(dialogs.messages.back(),
              "Estimated correctness (KalemirS): 7 is outside the range -1 to 1");
    // A decimal comma used to run as 0; it is refused on the field that holds it.
    estimatedCor->setText("0,75");
    Press(&window, "okButton");
    EXPECT_EQ(dialogs.messages.back(),
              "Estimated correctness (KalemirS): 0,75: use a decimal point");
    estimatedCor->setText(" .5001");
    runs->setText("20 runs");
    Press(&window, "okButton");
    EXPECT_EQ(dialogs.messages.back(), "Y-randomisation runs: 20 runs: not a number");
    EXPECT_EQ(window.focusWidget(), runs);
    runs->setText(" 0");
    maxPredictors->setText("99");
    dialogs.yesNoAnswers = {false};
    Press(&window, "okButton");
    EXPECT_EQ(compute.count(), 0);
    EXPECT_EQ(window.focusWidget(), maxPredictors);

    // Return in a field presses OK; the confirmed value is limited as before.
    dialogs.yesNoAnswers = {true};
    QTest::keyClick(maxPredictors, Qt::Key_Return);
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
    EXPECT_TRUE(Child<QLabel>(&window, "stopNotice")->isVisible());
    EXPECT_EQ(Child<QLabel>(&window, "stopNotice")->text(),
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
    QListWidget* report = Child<QListWidget>(&window, "reportList");
    QLineEdit* find = Child<QLineEdit>(&window, "findField");
    QPushButton* print = Child<QPushButton>(&window, "printButton");
    ASSERT_EQ(report->count(), 6);

    report->setFocus();
    QList<QWidget*> order;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget();
    }
    EXPECT_EQ(order, QList<QWidget*>({Child<QPushButton>(&window, "scatterButton"), print,
                                      Child<QPushButton>(&window, "quitButton")}));
    // Return presses the focused button, as Space does.
    dialogs.textAnswers = {QString("report.pdf")};
    print->setFocus();
    QTest::keyClick(print, Qt::Key_Return);
    EXPECT_TRUE(fs::exists("report.pdf"));

    report->setFocus();
    QTest::keyClick(report, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(report, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "\n     Program KALEMIRq for QSPR computations\n" + report->item(2)->text() +
                  "\n\n     QSPR table used:\n     BZR01\n");

    QTest::keyClick(report, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(find->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), find);
    QTest::keyClicks(find, "bzr01");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(report->currentRow(), 5);
    EXPECT_EQ(window.SelectedText(), "     BZR01\n");
    EXPECT_TRUE(window.FindNext("program")); // wraps round to the top
    EXPECT_EQ(report->currentRow(), 1);
    EXPECT_FALSE(window.FindNext("no such text"));
    EXPECT_EQ(Child<QLabel>(&window, "findStatusLabel")->text(), "not found");
}

// F1 shows the README's section for the window (the README built into the program); the
// working folder is shown, can be changed and is remembered.
TEST_F(QsprWindowsTest, HelpAboutAndTheWorkingFolder) {
    WorkfilesWindow window(state, dialogs);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(Child<QListWidget>(&window, "qsprTableList"), Qt::Key_F1);
    ASSERT_EQ(dialogs.pages.size(), 1);
    EXPECT_EQ(dialogs.pageTitles.front(), "Help: KalemirQ: Workfiles");
    EXPECT_TRUE(dialogs.pages.front().startsWith("### KalemirQ: Workfiles\n"));
    EXPECT_TRUE(dialogs.pages.front().contains("Shift+Click"));
    Press(&window, "aboutButton");
    EXPECT_TRUE(dialogs.pages.back().contains(QString("KalemirQ ") + KALEMIR_VERSION_TEXT));
    EXPECT_TRUE(dialogs.pages.back().contains(QString("Qt ") + qVersion()));

    fs::create_directory("other");
    fs::copy_file("BZR02", "other/BZR02");
    const QString other =
        QDir(QString::fromStdString(fs::absolute("other").string())).canonicalPath();
    dialogs.folderAnswers = {other};
    Press(&window, "changeFolderButton");
    EXPECT_EQ(QDir::currentPath(), other);
    EXPECT_EQ(Child<QLabel>(&window, "folderLabel")->text(), "Working folder: " + other);
    ASSERT_EQ(Child<QListWidget>(&window, "qsprTableList")->count(), 1);
    EXPECT_EQ(Child<QListWidget>(&window, "qsprTableList")->item(0)->text(), "BZR02");
    EXPECT_EQ(Child<QListWidget>(&window, "descriptorTableList")->count(), 0);
    EXPECT_EQ(RememberedFolder("KalemirQ"), other);
}

TEST_F(QsprWindowsTest, AnObservedTableIsCheckedAtOk) {
    ASSERT_TRUE(qspr::WorkfilesOk(state, {"BZR01", {"BZR01vfr.des"}, {true}}));
    ParametersWindow window(state, dialogs);
    window.show();
    ASSERT_TRUE(Child<QLineEdit>(&window, "observedField")->isVisible());
    QSignalSpy compute(&window, &ParametersWindow::Compute);
    // bzr001 is a calibration molecule: refused, the window stays.
    WriteFile("OBS", "Cases\tpIC50\r\nbzr004\t6.45\r\nbzr001\t6.87\r\n");
    Child<QLineEdit>(&window, "observedField")->setText("OBS");
    Press(&window, "okButton");
    EXPECT_EQ(compute.count(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.front(), "OBS line 3: molecule bzr001 is not in the prediction set");
    WriteFile("OBS", "Cases\tpIC50\r\nbzr004\t6.45\r\n");
    Press(&window, "okButton");
    EXPECT_EQ(compute.count(), 1);
    EXPECT_EQ(state.ObservedTableName, "OBS");
}

/// The choice of BZR01 with its fragment table, as clicked in a Workfiles window.
void ChooseBzr01(WorkfilesWindow* files) {
    ClickRowOf(files, "qsprTableList", "BZR01");
    ClickRowOf(files, "descriptorTableList", "BZR01vfr.des");
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
         [](ResultsWindow& w) { Press(&w, "printButton"); },
         {"BZR01vfr.des", "OBS", "rezultat.rez", "print.pdf"},
         {tableRefused, observedRefused, reportRefused},
         "print.pdf"},
        {"scatter",
         [](ResultsWindow& w) { Press(&w, "scatterButton"); },
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
        Press(flow.Workfiles(), "okButton");
        ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
        EXPECT_EQ(dialogs.messages, QStringList{"the report of an earlier run, rezultat.rez, is "
                                                "kept as rezultat-1.rez"});
        EXPECT_EQ(ReadFile("rezultat-1.rez"), "earlier run\r\n");
        ParametersWindow* parameters = flow.Parameters();
        if (std::string(way) == "cancel") {
            Press(parameters, "cancelButton");
        } else if (std::string(way) == "escape") {
            parameters->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(parameters));
            QTest::keyClick(Child<QLineEdit>(parameters, "minPropertyR2Field"), Qt::Key_Escape);
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
    ClickRowOf(flow.Workfiles(), "qsprTableList", "BZR01");
    ClickRowOf(flow.Workfiles(), "descriptorTableList", "BZR01d2d.des");
    Press(flow.Workfiles(), "okButton");
    ASSERT_TRUE(WaitFor([&] { return flow.Parameters() != nullptr; }));
    Press(flow.Parameters(), "okButton");
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
    Press(&window, "scatterButton");
    EXPECT_EQ(dialogs.defaults, QStringList({"BZR01.bmp", "BZR01after.bmp"}));
    EXPECT_FALSE(fs::exists("BZR01.bmp"));
    EXPECT_TRUE(fs::exists("after.bmp"));
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_TRUE(Child<QListWidget>(&window, "reportList")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(&window, "scatterButton")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(&window, "printButton")->isVisible());
    EXPECT_TRUE(Child<QPushButton>(&window, "quitButton")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(&window, "williamsButton")
                     ->isVisible()); // no best equation: not shown before either
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
            QListWidget* qsprTables = Child<QListWidget>(&window, "qsprTableList");
            qsprTables->item(RowOf(qsprTables, row.qsprTable))->setSelected(true);
        }
        for (const QString& table : row.descriptorTables) {
            QListWidget* descriptorTables = Child<QListWidget>(&window, "descriptorTableList");
            descriptorTables->item(RowOf(descriptorTables, table))->setSelected(true);
        }
        const QLabel* reminder = Child<QLabel>(&window, "reminderLabel");
        const QLabel* missing = Child<QLabel>(&window, "missingNote");
        EXPECT_FALSE(missing->isVisible());
        Press(&window, "okButton");
        EXPECT_TRUE(reminder->isVisible());
        EXPECT_EQ(reminder->text(), "  If you please, heed         the above rules");
        EXPECT_TRUE(missing->isVisible());
        EXPECT_EQ(missing->text(), row.missing);
        EXPECT_FALSE(fs::exists("rezultat.rez"));
    }
}

} // namespace
} // namespace kalemir::ui
