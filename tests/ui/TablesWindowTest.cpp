#include "ui/TablesWindow.h"

#include "FakeDialogs.h"
#include "Widgets.h"
#include "app/PredictCommandLine.h"
#include "app/QsprCommandLine.h"
#include "app/TablesCommandLine.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace kalemir::ui {
namespace {

using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;
using testing::Child;

// The window offers the file's columns, makes the set with the chosen fields, lists the
// files made and starts KalemirQ in their folder.
TEST(TablesWindow, MakesTheTablesOfTheChosenFields) {
    ScratchDir dir("tables-window");
    WriteFile("set.csv", "SMILES,ID,logS,Code\nCCCO,a,1,x\nCCCCO,b,2,y\nCCCCCO,c,?,z\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    QComboBox* properties = Child<QComboBox>(&window, "propertyList");
    QListWidget* filesMade = Child<QListWidget>(&window, "filesMadeList");
    QString started;
    window.SetQsprStarter([&started](const QString& folder) {
        started = folder;
        return true;
    });
    EXPECT_EQ(testing::ControlNameProblems(&window), "");
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.csv"));
    ASSERT_EQ(properties->count(), 4);
    // The first column other than the name and the SMILES that holds numbers.
    EXPECT_EQ(properties->currentText().toStdString(), "logS");
    Child<QComboBox>(&window, "nameList")->setCurrentText("Code");
    Child<QLineEdit>(&window, "setNameField")->setText("LOGS1");
    Child<QSpinBox>(&window, "holdOutField")->setValue(1);
    const tables::TableRequest request = window.Request();
    EXPECT_EQ(request.property, "logS");
    EXPECT_EQ(request.nameField, "Code");
    EXPECT_EQ(request.holdOut, 1);

    QSignalSpy made(&window, &TablesWindow::Made);
    Child<QPushButton>(&window, "makeButton")->click();
    ASSERT_TRUE(made.wait(60000));
    EXPECT_TRUE(made.takeFirst().at(1).toString().isEmpty())
        << dialogs.messages.join("\n").toStdString();
    QStringList files;
    for (int i = 0; i < filesMade->count(); ++i) {
        files << filesMade->item(i)->text();
    }
    EXPECT_EQ(files.join(" ").toStdString(),
              "LOGS1 LOGS1d2d.des LOGS1mfp.des LOGS1vfr.des LOGS1SIM.des LOGS1SHP.des "
              "LOGS1d3d.des LOGS1obs LOGS1map.txt LOGS1skipped.txt LOGS1manifest.json");
    EXPECT_EQ(Child<QProgressBar>(&window, "progressBar")->value(), 3);
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\nx\t1\r\ny\t?\r\nz\t?\r\n");
    Child<QPushButton>(&window, "openQsprButton")->click();
    EXPECT_EQ(started.toStdString(), dir.Path().string());
}

// Only the ticked tables are made; Return in a field presses Make; a set already in the
// folder is replaced only when the user says yes, No being the default answer.
TEST(TablesWindow, ChosenTablesAndNoSilentReplace) {
    ScratchDir dir("tables-window-again");
    WriteFile("set.csv", "SMILES,ID,logS\nCCCO,a,1\nCCCCO,b,2\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    QLineEdit* setName = Child<QLineEdit>(&window, "setNameField");
    QPushButton* make = Child<QPushButton>(&window, "makeButton");
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.csv"));
    setName->setText("LOGS1");
    QStringList boxes;
    for (const QCheckBox* box :
         window.findChildren<QCheckBox*>(QRegularExpression("^[a-z0-9]+Box$"))) {
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
    QTest::keyClick(setName, Qt::Key_Return);
    ASSERT_TRUE(made.wait(60000));
    // LOGS1, vfr, map, skipped, manifest
    EXPECT_EQ(Child<QListWidget>(&window, "filesMadeList")->count(), 5);
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t1\r\nb\t2\r\n");

    // Again, with a changed value: No (the default) keeps the tables.
    WriteFile("set.csv", "SMILES,ID,logS\nCCCO,a,7\nCCCCO,b,2\n");
    QTest::keyClick(setName, Qt::Key_Return);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].toStdString(),
              "The set LOGS1 is already in the folder (LOGS1, LOGS1vfr.des, LOGS1map.txt, "
              "LOGS1skipped.txt, LOGS1manifest.json). Replace its tables?");
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t1\r\nb\t2\r\n");

    // A request refused for another reason asks nothing.
    window.findChild<QCheckBox*>("qsprBox")->setChecked(false);
    window.findChild<QCheckBox*>("vfrBox")->setChecked(false);
    make->click();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.messages.back().toStdString(), "no table chosen");
    window.findChild<QCheckBox*>("qsprBox")->setChecked(true);

    dialogs.yesNoAnswers.push_back(true);
    make->click();
    ASSERT_TRUE(made.wait(60000));
    EXPECT_EQ(kalemir::testing::ReadFile("LOGS1"), "Cases\tlogS\r\na\t7\r\nb\t2\r\n");
}

TEST(TablesWindow, RefusedRequestIsShownAndNothingRuns) {
    ScratchDir dir("tables-window-refused");
    WriteFile("set.smi", "CCCO a\n");
    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    window.SetStructureFile(dir.Path().string().c_str() + QString("/set.smi"));
    // A SMILES file offers no fields.
    EXPECT_EQ(Child<QComboBox>(&window, "propertyList")->count(), 0);
    Child<QLineEdit>(&window, "setNameField")->setText("SMI01");
    Child<QPushButton>(&window, "makeButton")->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith("no measured values"));
    EXPECT_FALSE(window.Running());
}

int Quietly(int (*main)(const std::vector<std::string>&),
            const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    const int status = main(arguments);
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    return status;
}

int Qspr(const std::vector<std::string>& arguments) {
    return qspr::QsprMain(arguments);
}

// Apply a model... estimates new structures with a model KalemirQ made from KalemirT's
// tables, as `KalemirT predict` does; a model of other tables is used only when the user
// says yes (No being the default); a cancelled file dialog starts nothing.
TEST(TablesWindow, AppliesASavedModelToNewStructures) {
    ScratchDir dir("tables-window-predict");
    ASSERT_EQ(
        Quietly(tables::TablesMain,
                {"run", "--quiet", "--property", "ACTIVITY", "--hold-out", "15", "--tables",
                 "qspr,d2d,mfp,vfr", "/usr/share/RDKit/Projects/DbCLI/testData/bzr.sdf", "BZR09"}),
        kExitSuccess);
    ASSERT_EQ(
        Quietly(Qspr, {"run", "--quiet", "BZR09", "BZR09d2d.des", "BZR09mfp.des", "BZR09vfr.des"}),
        kExitSuccess);
    WriteFile("new.smi", "CCOc1ccccc1 a\nnot-a-smiles b\nCCCCOc1ccccc1 c\n");
    ASSERT_EQ(Quietly(tables::PredictMain, {"predict", "-o", "cli.csv", "--equations", "all",
                                            "BZR09-results.json", "new.smi"}),
              kExitSuccess);
    const QString folder = QString::fromStdString(dir.Path().string()) + "/";

    testing::FakeDialogs dialogs;
    TablesWindow window(dialogs);
    QPushButton* applyModel = Child<QPushButton>(&window, "applyModelButton");
    QCheckBox* allEquations = Child<QCheckBox>(&window, "allEquationsBox");
    QListWidget* filesMade = Child<QListWidget>(&window, "filesMadeList");
    QSignalSpy estimated(&window, &TablesWindow::Estimated);
    applyModel->click(); // the model's dialog cancelled
    dialogs.fileAnswers = {folder + "BZR09-results.json"};
    applyModel->click(); // the structures' dialog cancelled
    EXPECT_EQ(dialogs.fileTitles.join("|").toStdString(), "Model|Model|Structures to estimate");
    EXPECT_FALSE(window.Running());

    dialogs.fileAnswers = {folder + "BZR09-results.json", folder + "new.smi"};
    allEquations->setChecked(true);
    applyModel->click();
    ASSERT_TRUE(estimated.wait(60000));
    EXPECT_TRUE(estimated.takeFirst().at(1).toString().isEmpty())
        << dialogs.messages.join("\n").toStdString();
    ASSERT_EQ(filesMade->count(), 1);
    EXPECT_EQ(filesMade->item(0)->text(), folder + "new.smi-estimates.csv");
    EXPECT_EQ(kalemir::testing::ReadFile("new.smi-estimates.csv"),
              kalemir::testing::ReadFile("cli.csv"));
    EXPECT_EQ(Child<QLabel>(&window, "estimateSummary")->text().toStdString(),
              "3 molecules estimated, 1 without an estimate (the problem column says why)");
    EXPECT_EQ(Child<QProgressBar>(&window, "progressBar")->value(), 3);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(dialogs.questions.isEmpty());

    // A model whose tables another version made: No (the default) estimates nothing.
    auto results = nlohmann::ordered_json::parse(kalemir::testing::ReadFile("BZR09-results.json"));
    results["table_manifest"]["version"] = "0.0.9";
    WriteFile("edited-results.json", results.dump(2));
    std::filesystem::remove("new.smi-estimates.csv");
    allEquations->setChecked(false);
    dialogs.fileAnswers = {folder + "edited-results.json", folder + "new.smi"};
    applyModel->click();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].startsWith(folder + "edited-results.json: the tables of the "
                                                         "model were made by KalemirT 0.0.9"))
        << dialogs.questions[0].toStdString();
    EXPECT_TRUE(dialogs.questions[0].endsWith("Estimate anyway?"));
    EXPECT_FALSE(window.Running());
    EXPECT_FALSE(std::filesystem::exists("new.smi-estimates.csv"));

    dialogs.fileAnswers = {folder + "edited-results.json", folder + "new.smi"};
    dialogs.yesNoAnswers.push_back(true);
    applyModel->click();
    ASSERT_TRUE(estimated.wait(60000));
    EXPECT_EQ(kalemir::testing::ReadFile("new.smi-estimates.csv").substr(0, 60),
              "name,smiles,estimate,leverage,domain,nearest,similarity,prob");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "the accepted warning is not repeated";

    // A file that is not a model is refused with its message, before any work.
    dialogs.fileAnswers = {folder + "new.smi", folder + "new.smi"};
    applyModel->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(folder + "new.smi"))
        << dialogs.messages[0].toStdString();
    EXPECT_FALSE(window.Running());
}

} // namespace
} // namespace kalemir::ui
