#include "ui/SimilarityWindows.h"

#include "TestData.h"
#include "support/TempDir.h"
#include "ui/FakeDialogs.h"

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
using testing::FakeDialogs;

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
    sim::ProgramState state;
    TableWindow window(state, dialogs);
    window.show();
    EXPECT_EQ(window.windowTitle(), QString(68, ' ') + "Click to select certain table");
    ASSERT_EQ(window.Listfile->count(), 2);
    EXPECT_EQ(window.Listfile->item(0)->text(), "BZR01SIM.des");
    EXPECT_TRUE(window.Option1->isChecked());
    EXPECT_EQ(window.Option2->text(), "Superposition");
    EXPECT_EQ(window.Text1->text(), "0.9");
    EXPECT_EQ(window.Text5->text(), "0.88");
    EXPECT_EQ(window.Label9->text(), "by flexibility");
    EXPECT_FALSE(window.ButonOK->isVisible());
    EXPECT_EQ(state.tableFileName, "XXXXX");
}

TEST_F(SimilarityWindowsTest, TheShapePresetFollowsTheOptionAtTheClick) {
    sim::ProgramState state;
    TableWindow window(state, dialogs);
    window.show();
    window.Option2->setChecked(true);
    ClickRow(window.Listfile, 0);
    EXPECT_TRUE(window.ButonOK->isVisible());
    EXPECT_EQ(window.Text2->text(), "0.92");
    EXPECT_EQ(state.shapeMethod, sim::kSuperposition);
    EXPECT_EQ(state.shapeFileName, "BZR01SHP.des");
    // Changing the option after the click leaves the text as it is.
    window.Option1->setChecked(true);
    EXPECT_EQ(window.Text2->text(), "0.92");
    ClickRow(window.Listfile, 0);
    EXPECT_EQ(window.Text2->text(), "0.9");
}

TEST_F(SimilarityWindowsTest, ClickSequenceToTheFinalWindow) {
    SimilarityFlow flow(dialogs);
    flow.Start();
    ClickRow(flow.Table()->Listfile, 0);
    QTest::mouseClick(flow.Table()->ButonOK, Qt::LeftButton);
    ASSERT_NE(flow.Computing(), nullptr);
    for (int i = 0; i < 3000 && flow.Final() == nullptr; ++i) {
        QTest::qWait(10);
    }
    ASSERT_NE(flow.Final(), nullptr);
    EXPECT_EQ(flow.Final()->windowTitle(), QString(86, ' '));
    EXPECT_EQ(flow.Final()->Label1->text(), "See the results in BZR01SIM.res file.");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(fs::exists("BZR01SIM.res"));
    EXPECT_TRUE(fs::exists("BZR01NBX"));
    EXPECT_NE(ReadFile("BZR01SIM.res").find("     Program KalemirS"), std::string::npos);
    QSignalSpy ended(&flow, &SimilarityFlow::Ended);
    QTest::mouseClick(flow.Final()->ButonQuit, Qt::LeftButton);
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(SimilarityWindowsTest, ANameListedTwiceIsRefusedBeforeAnythingIsWritten) {
    std::string table = ReadFile("BZR01SIM.des");
    table.replace(table.find("bzr003"), 6, "bzr001");
    kalemir::testing::WriteFile("BZR01SIM.des", table);
    SimilarityFlow flow(dialogs);
    flow.Start();
    ClickRow(flow.Table()->Listfile, 0);
    QTest::mouseClick(flow.Table()->ButonOK, Qt::LeftButton);
    EXPECT_EQ(flow.Computing(), nullptr);
    EXPECT_EQ(dialogs.messages,
              QStringList{"BZR01SIM.des lines 2 and 4: molecule bzr001 is listed twice (each "
                          "molecule needs a name of its own)"});
    EXPECT_FALSE(fs::exists("BZR01NBX"));
    EXPECT_FALSE(fs::exists("BZR01SIM.res"));
}

} // namespace
} // namespace kalemir::ui
