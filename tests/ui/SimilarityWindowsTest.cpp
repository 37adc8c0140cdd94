#include "ui/SimilarityWindows.h"

#include "app/SimCommandLine.h"

#include "TestData.h"
#include "support/TempDir.h"
#include "ui/FakeDialogs.h"
#include "ui/Widgets.h"

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
using testing::Child;
using testing::ControlNameProblems;
using testing::FakeDialogs;
using testing::Press;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

void ClickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(row)).center());
}

class SimilarityWindowsTest : public ::testing::Test {
protected:
    ScratchDir dir{"sim-windows"};
    FakeDialogs dialogs;
    void SetUp() override {
        CopyExample(kExample, {"BZR01SIM.des", "BZR01SHP.des", "BZR02SIM.des", "BZR01"});
    }
};

TEST_F(SimilarityWindowsTest, TableWindowTextsAndPresets) {
    sim::RunChoices state;
    sim::PreparedTable table;
    TableWindow window(state, table, dialogs);
    window.show();
    EXPECT_EQ(window.windowTitle(), QString(68, ' ') + "Click to select certain table");
    EXPECT_EQ(ControlNameProblems(&window), "");
    ASSERT_EQ(Child<QListWidget>(&window, "tableList")->count(), 2);
    EXPECT_EQ(Child<QListWidget>(&window, "tableList")->item(0)->text(), "BZR01SIM.des");
    EXPECT_TRUE(Child<QRadioButton>(&window, "usrOption")->isChecked());
    EXPECT_EQ(Child<QRadioButton>(&window, "superpositionOption")->text(), "Superposition");
    EXPECT_EQ(Child<QLineEdit>(&window, "minStructureField")->text(), "0.9");
    EXPECT_EQ(Child<QLineEdit>(&window, "minFlexibilityField")->text(), "0.88");
    EXPECT_EQ(Child<QLabel>(&window, "flexibilityLabel")->text(), "by flexibility");
    EXPECT_FALSE(Child<QPushButton>(&window, "okButton")->isVisible());
    EXPECT_EQ(state.TableFileName, "XXXXX");
}

TEST_F(SimilarityWindowsTest, TheShapePresetFollowsTheOptionAtTheClick) {
    sim::RunChoices state;
    sim::PreparedTable table;
    TableWindow window(state, table, dialogs);
    window.show();
    QLineEdit* shape = Child<QLineEdit>(&window, "minShapeField");
    Child<QRadioButton>(&window, "superpositionOption")->setChecked(true);
    ClickRow(Child<QListWidget>(&window, "tableList"), 0);
    EXPECT_TRUE(Child<QPushButton>(&window, "okButton")->isVisible());
    EXPECT_EQ(shape->text(), "0.92");
    EXPECT_EQ(state.ShapeMethod, sim::kSuperposition);
    EXPECT_EQ(state.ShapeFileName, "BZR01SHP.des");
    // Changing the option after the click brings that method's shape minimum along.
    Child<QRadioButton>(&window, "usrOption")->setChecked(true);
    EXPECT_EQ(shape->text(), "0.9");
    ClickRow(Child<QListWidget>(&window, "tableList"), 0);
    EXPECT_EQ(shape->text(), "0.9");
    // A minimum the user typed stays when the method changes.
    shape->setText("0.8");
    Child<QRadioButton>(&window, "superpositionOption")->setChecked(true);
    EXPECT_EQ(shape->text(), "0.8");
}

// The window and the command line start from the same minimum similarities: Superposition
// chosen after the table used to run with the shape minimum 0.9 (50 shape clusters on
// BZR02), the command line with 0.92 (62).
TEST_F(SimilarityWindowsTest, TheWindowStartsFromTheCommandLinesDefaults) {
    for (const bool superposition : {false, true}) {
        for (const bool optionFirst : {false, true}) {
            sim::RunChoices state;
            sim::PreparedTable table;
            TableWindow window(state, table, dialogs);
            window.show();
            if (optionFirst) {
                Child<QRadioButton>(&window, "superpositionOption")->setChecked(superposition);
            }
            ClickRow(Child<QListWidget>(&window, "tableList"), 0);
            Child<QRadioButton>(&window, "superpositionOption")->setChecked(superposition);
            Press(&window, "okButton");
            std::vector<std::string> arguments = {"BZR01SIM.des"};
            if (superposition) {
                arguments.insert(arguments.begin(), {"--shape", "superposition"});
            }
            const sim::RunChoices commandLine =
                sim::ChoicesOfOptions(sim::ParseSimRunArguments(arguments));
            EXPECT_EQ(state.ShapeMethod, commandLine.ShapeMethod);
            for (int k = 1; k <= sim::kMeasureCount; ++k) {
                EXPECT_EQ(state.MinClusterSimilarity[k], commandLine.MinClusterSimilarity[k])
                    << "measure " << k << (superposition ? " superposition" : " usr")
                    << (optionFirst ? " chosen first" : " chosen after the table");
            }
        }
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

TEST_F(SimilarityWindowsTest, ClickSequenceToTheFinalWindow) {
    SimilarityFlow flow(dialogs);
    flow.Start();
    ClickRow(Child<QListWidget>(flow.Table(), "tableList"), 0);
    Press(flow.Table(), "okButton");
    ASSERT_NE(flow.Computing(), nullptr);
    for (int i = 0; i < 3000 && flow.Final() == nullptr; ++i) {
        QTest::qWait(10);
    }
    ASSERT_NE(flow.Final(), nullptr);
    EXPECT_EQ(flow.Final()->windowTitle(), QString(86, ' '));
    EXPECT_EQ(ControlNameProblems(flow.Final()), "");
    EXPECT_EQ(Child<QLabel>(flow.Final(), "resultsLabel")->text(),
              "See the results in BZR01SIM.res file.");
    // COR, the figure to carry into KalemirQ, is the one the results file gives.
    const std::string results = ReadFile("BZR01SIM.res");
    const std::string about = "labeling will be about ";
    const std::size_t at = results.find(about);
    ASSERT_NE(at, std::string::npos);
    const std::string cor =
        results.substr(at + about.size(), results.find('\r', at) - at - about.size());
    const QLabel* corLabel = Child<QLabel>(flow.Final(), "corLabel");
    EXPECT_TRUE(corLabel->isVisible());
    EXPECT_TRUE(corLabel->text().startsWith(
        "Estimated correctness COR = " + QString::fromStdString(cor) + " "))
        << corLabel->text().toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(fs::exists("BZR01SIM.res"));
    EXPECT_TRUE(fs::exists("BZR01NBX"));
    EXPECT_NE(ReadFile("BZR01SIM.res").find("     Program KalemirS"), std::string::npos);
    QSignalSpy ended(&flow, &SimilarityFlow::Ended);
    Press(flow.Final(), "quitButton");
    EXPECT_EQ(ended.count(), 1);
}

// The window can be used with the keyboard alone: the arrow keys choose a table and show OK
// in the place it keeps, Return presses it.
TEST_F(SimilarityWindowsTest, ATableChosenWithTheKeyboardShowsOkWithoutMovingAnything) {
    sim::RunChoices state;
    sim::PreparedTable table;
    TableWindow window(state, table, dialogs);
    QSignalSpy prepared(&window, &TableWindow::Prepared);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QListWidget* tables = Child<QListWidget>(&window, "tableList");
    const QLineEdit* field = Child<QLineEdit>(&window, "minFlexibilityField");
    const QRect tablesPlace = tables->geometry();
    const QRect fieldPlace = field->geometry();
    tables->setFocus();
    QTest::keyClick(tables, Qt::Key_Down);
    QTest::keyClick(tables, Qt::Key_Up);
    EXPECT_TRUE(Child<QPushButton>(&window, "okButton")->isVisible());
    EXPECT_EQ(state.TableFileName, "BZR01SIM.des");
    EXPECT_EQ(tables->geometry(), tablesPlace);
    EXPECT_EQ(field->geometry(), fieldPlace);
    QTest::keyClick(tables, Qt::Key_Return);
    EXPECT_EQ(prepared.count(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

// "abc" used to give one cluster and 1.5 one cluster per molecule: both are refused with
// the field's name, and nothing is prepared.
TEST_F(SimilarityWindowsTest, AMinimumSimilarityIsANumberFromZeroToOne) {
    sim::RunChoices state;
    sim::PreparedTable table;
    TableWindow window(state, table, dialogs);
    QSignalSpy prepared(&window, &TableWindow::Prepared);
    window.show();
    QLineEdit* structure = Child<QLineEdit>(&window, "minStructureField");
    QLineEdit* size = Child<QLineEdit>(&window, "minSizeField");
    ClickRow(Child<QListWidget>(&window, "tableList"), 0);
    size->setText("1.5");
    Press(&window, "okButton");
    size->setText("0.9");
    structure->setText("abc");
    Press(&window, "okButton");
    EXPECT_EQ(prepared.count(), 0);
    EXPECT_EQ(dialogs.messages,
              QStringList({"Minimum similarity in cluster(s) by size: 1.5 is outside the range "
                           "0 to 1.",
                           "Minimum similarity in cluster(s) by chemical structure: abc: not a "
                           "number."}));
    // A decimal comma used to read as 0 (one cluster of every molecule).
    structure->setText("0,85");
    Press(&window, "okButton");
    EXPECT_EQ(prepared.count(), 0);
    EXPECT_EQ(dialogs.messages.back(),
              "Minimum similarity in cluster(s) by chemical structure: 0,85: use a decimal point.");
    EXPECT_EQ(window.focusWidget(), structure);
    EXPECT_FALSE(fs::exists("BZR01NBX"));
}

TEST_F(SimilarityWindowsTest, AStoppedRunSaysWhereInTheFinalWindowAndTheResults) {
    SimilarityFlow flow(dialogs);
    flow.Start();
    ClickRow(Child<QListWidget>(flow.Table(), "tableList"), 0);
    Press(flow.Table(), "okButton");
    ASSERT_NE(flow.Computing(), nullptr);
    QTest::mouseClick(flow.Computing()->StopButton(), Qt::LeftButton); // answered yes
    EXPECT_EQ(dialogs.questions,
              QStringList{"Stop the analysis? The report keeps what was written."});
    for (int i = 0; i < 3000 && flow.Final() == nullptr; ++i) {
        QTest::qWait(10);
    }
    ASSERT_NE(flow.Final(), nullptr);
    const QString where = "at the chemical structure similarity computations";
    EXPECT_EQ(flow.Final()->windowTitle(), "Analysis stopped " + where);
    EXPECT_EQ(Child<QLabel>(flow.Final(), "resultsLabel")->text(),
              "The analysis was stopped " + where +
                  ": BZR01SIM.res holds what was written until "
                  "then.");
    EXPECT_FALSE(Child<QLabel>(flow.Final(), "corLabel")->isVisible());
    const std::string results = ReadFile("BZR01SIM.res");
    const std::string last =
        "\r\nANALYSIS STOPPED " + where.toStdString() + ": the results above are incomplete\r\n";
    ASSERT_GE(results.size(), last.size());
    EXPECT_EQ(results.substr(results.size() - last.size()), last);
}

TEST_F(SimilarityWindowsTest, ANameListedTwiceIsRefusedBeforeAnythingIsWritten) {
    std::string table = ReadFile("BZR01SIM.des");
    table.replace(table.find("bzr003"), 6, "bzr001");
    kalemir::testing::WriteFile("BZR01SIM.des", table);
    SimilarityFlow flow(dialogs);
    flow.Start();
    ClickRow(Child<QListWidget>(flow.Table(), "tableList"), 0);
    Press(flow.Table(), "okButton");
    EXPECT_EQ(flow.Computing(), nullptr);
    EXPECT_EQ(dialogs.messages,
              QStringList{"BZR01SIM.des lines 2 and 4: molecule bzr001 is listed twice (each "
                          "molecule needs a name of its own)"});
    EXPECT_FALSE(fs::exists("BZR01NBX"));
    EXPECT_FALSE(fs::exists("BZR01SIM.res"));
}

} // namespace
} // namespace kalemir::ui
