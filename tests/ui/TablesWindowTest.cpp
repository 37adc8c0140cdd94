#include "ui/TablesWindow.h"

#include "FakeDialogs.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace kalemir::ui {
namespace {

using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

// The window offers the file's columns, makes the set with the chosen fields, lists the
// files made and starts KalemirQ in their folder.
TEST(TablesWindow, MakesTheTablesOfTheChosenFields) {
    ScratchDir dir("tables-window");
    WriteFile("set.csv", "SMILES,ID,logS,Code\nCCCO,a,1,x\nCCCCO,b,2,y\nCCCCCO,c,?,z\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    QString started;
    window.startQspr = [&started](const QString& folder) {
        started = folder;
        return true;
    };
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.csv"));
    ASSERT_EQ(window.PropertyList->count(), 4);
    // The first column other than the name and the SMILES that holds numbers.
    EXPECT_EQ(window.PropertyList->currentText().toStdString(), "logS");
    window.NameList->setCurrentText("Code");
    window.SetName->setText("LOGS1");
    window.HoldOut->setValue(1);
    const tables::TableRequest request = window.Request();
    EXPECT_EQ(request.property, "logS");
    EXPECT_EQ(request.nameField, "Code");
    EXPECT_EQ(request.holdOut, 1);

    QSignalSpy made(&window, &TablesWindow::Made);
    window.MakeButton->click();
    ASSERT_TRUE(made.wait(60000));
    EXPECT_TRUE(made.takeFirst().at(1).toString().isEmpty())
        << dialogs.messages.join("\n").toStdString();
    QStringList files;
    for (int i = 0; i < window.FilesMade->count(); ++i) {
        files << window.FilesMade->item(i)->text();
    }
    EXPECT_EQ(files.join(" ").toStdString(),
              "LOGS1 LOGS1d2d.des LOGS1mfp.des LOGS1vfr.des LOGS1SIM.des LOGS1SHP.des "
              "LOGS1d3d.des LOGS1obs LOGS1map.txt LOGS1skipped.txt LOGS1manifest.json");
    EXPECT_EQ(window.Progress->value(), 3);
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\nx\t1\r\ny\t?\r\nz\t?\r\n");
    window.OpenQsprButton->click();
    EXPECT_EQ(started.toStdString(), dir.Path().string());
}

// Only the ticked tables are made; Return in a field presses Make; a set already in the
// folder is replaced only when the user says yes, No being the default answer.
TEST(TablesWindow, ChosenTablesAndNoSilentReplace) {
    ScratchDir dir("tables-window-again");
    WriteFile("set.csv", "SMILES,ID,logS\nCCCO,a,1\nCCCCO,b,2\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.csv"));
    window.SetName->setText("LOGS1");
    QStringList boxes;
    for (const QCheckBox* box : window.TableBoxes) {
        boxes << box->objectName();
    }
    EXPECT_EQ(boxes.join(" ").toStdString(), "qsprBox d2dBox mfpBox vfrBox simBox shpBox d3dBox");
    for (const char* name : {"d2dBox", "mfpBox", "simBox", "shpBox", "d3dBox"}) {
        window.findChild<QCheckBox*>(name)->setChecked(false);
    }
    EXPECT_EQ(window.Request().tables, "qspr,vfr");
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QSignalSpy made(&window, &TablesWindow::Made);
    QTest::keyClick(window.SetName, Qt::Key_Return);
    ASSERT_TRUE(made.wait(60000));
    EXPECT_EQ(window.FilesMade->count(), 4); // LOGS1, vfr, map, skipped
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t1\r\nb\t2\r\n");

    // Again, with a changed value: No (the default) keeps the tables.
    WriteFile("set.csv", "SMILES,ID,logS\nCCCO,a,7\nCCCCO,b,2\n");
    QTest::keyClick(window.SetName, Qt::Key_Return);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].toStdString(),
              "The set LOGS1 is already in the folder (LOGS1, LOGS1vfr.des, LOGS1map.txt, "
              "LOGS1skipped.txt). Replace its tables?");
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t1\r\nb\t2\r\n");

    // A request refused for another reason asks nothing.
    window.findChild<QCheckBox*>("qsprBox")->setChecked(false);
    window.findChild<QCheckBox*>("vfrBox")->setChecked(false);
    window.MakeButton->click();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.messages.back().toStdString(), "no table chosen");
    window.findChild<QCheckBox*>("qsprBox")->setChecked(true);

    dialogs.yesNoAnswers.push_back(true);
    window.MakeButton->click();
    ASSERT_TRUE(made.wait(60000));
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t7\r\nb\t2\r\n");
}

TEST(TablesWindow, RefusedRequestIsShownAndNothingRuns) {
    ScratchDir dir("tables-window-refused");
    WriteFile("set.smi", "CCCO a\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.smi"));
    EXPECT_EQ(window.PropertyList->count(), 0); // a SMILES file offers no fields
    window.SetName->setText("SMI01");
    window.MakeButton->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith("no measured values"));
    EXPECT_FALSE(window.Running());
}

} // namespace
} // namespace kalemir::ui
