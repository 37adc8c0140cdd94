#include "ui/TablesWindow.h"

#include "FakeDialogs.h"
#include "support/TempDir.h"

#include <QSignalSpy>
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
    window.PropertyList->setCurrentText("logS");
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
              "LOGS1 LOGS1d2d.des LOGS1mfp.des LOGS1vfr.des LOGS1SIM.des LOGS1SHP.des LOGS1obs "
              "LOGS1map.txt LOGS1skipped.txt LOGS1manifest.json");
    EXPECT_EQ(window.Progress->value(), 3);
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\nx\t1\r\ny\t?\r\nz\t?\r\n");
    window.OpenQsprButton->click();
    EXPECT_EQ(started.toStdString(), dir.Path().string());
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
