#include "qspr/setup/Workfiles.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

class WorkfilesOkTest : public ::testing::Test {
protected:
    ScratchDir dir{"workfiles"};
    ProgramState state;

    void SetUp() override { WriteFile("TAB", "Cases\tp\r\nm1\t1\r\nm2\t2\r\nm3\t?\r\n"); }
};

TEST_F(WorkfilesOkTest, ThreeOfFiveTablesFillTheRowsInListOrder) {
    WorkfilesChoice choice{
        "TAB", {"a.des", "b.des", "c.des", "d.des", "e.des"}, {false, true, false, true, true}};
    ASSERT_TRUE(WorkfilesOk(state, choice));
    EXPECT_EQ(state.TableCount, 3);
    EXPECT_EQ(state.SelectedTableCount, 3);
    ASSERT_EQ(state.TableNames.size(), 51u);
    EXPECT_EQ(state.TableNames[1].First, "b.des");
    EXPECT_EQ(state.TableNames[2].First, "d.des");
    EXPECT_EQ(state.TableNames[3].First, "e.des");
    EXPECT_EQ(state.TableNames[3].Second, "e.des");
    EXPECT_EQ(state.ChosenTableNames[2].Second, "d.des");
    EXPECT_TRUE(state.TableNames[4].First.empty());
}

TEST_F(WorkfilesOkTest, FiveOfFive) {
    WorkfilesChoice choice{"TAB", {"a.des", "b.des", "c.des", "d.des", "e.des"}, {}};
    choice.Selected.assign(5, true);
    ASSERT_TRUE(WorkfilesOk(state, choice));
    EXPECT_EQ(state.TableCount, 5);
    EXPECT_EQ(state.TableNames[5].First, "e.des");
}

TEST_F(WorkfilesOkTest, CountsHeaderAndNames) {
    WorkfilesChoice choice{"TAB", {"a.des"}, {true}};
    ASSERT_TRUE(WorkfilesOk(state, choice));
    EXPECT_EQ(state.QsprLastLine, 3);
    EXPECT_EQ(state.CalibrationCount, 2);
    EXPECT_EQ(state.PredictionCount, 1);
    EXPECT_EQ(state.InitialCalibrationCount, 2);
    EXPECT_EQ(state.QsprTableCopy, "TAB");
    EXPECT_EQ(state.SelFileName, "TABsel.des");
    EXPECT_EQ(state.ValidationCount, 2);
    const std::string report = ReadFile(kWorkingReport);
    EXPECT_TRUE(
        std::regex_match(report, std::regex("\r\n"
                                            "     Program KALEMIRq for QSPR computations\r\n"
                                            "     \\d\\d-\\d\\d-\\d{4}     \\d\\d:\\d\\d:\\d\\d\r\n"
                                            "\r\n"
                                            "     QSPR table used:\r\n"
                                            "     TAB\r\n")));
}

TEST_F(WorkfilesOkTest, AnIncompleteChoiceWritesNothing) {
    EXPECT_FALSE(WorkfilesOk(state, {"", {"a.des"}, {true}}));
    EXPECT_FALSE(WorkfilesOk(state, {"TAB", {"a.des"}, {false}}));
    EXPECT_FALSE(std::filesystem::exists(kWorkingReport));
    // The chosen-table state is filled all the same.
    EXPECT_EQ(state.TableCount, 0);
    EXPECT_EQ(state.QsprTableName, "TAB");
}

// A report an earlier run left is kept under a free name, never replaced; leaving before
// the run starts gives it its name back and leaves no header-only report.
TEST_F(WorkfilesOkTest, AnEarlierReportIsKeptAsideAndComesBackWhenTheUserLeaves) {
    WriteFile(kWorkingReport, "old report\r\n");
    ASSERT_TRUE(WorkfilesOk(state, {"TAB", {"a.des"}, {true}}));
    EXPECT_EQ(state.EarlierReportKeptAs, "rezultat-1.rez");
    EXPECT_EQ(ReadFile("rezultat-1.rez"), "old report\r\n");
    EXPECT_EQ(ReadFile(kWorkingReport).find("old report"), std::string::npos);
    WithdrawWorkingReport(state);
    EXPECT_EQ(ReadFile(kWorkingReport), "old report\r\n");
    EXPECT_FALSE(std::filesystem::exists("rezultat-1.rez"));
    EXPECT_TRUE(state.EarlierReportKeptAs.empty());

    // Without an earlier report, leaving removes the report Workfiles OK began.
    std::filesystem::remove(kWorkingReport);
    ASSERT_TRUE(WorkfilesOk(state, {"TAB", {"a.des"}, {true}}));
    EXPECT_TRUE(state.EarlierReportKeptAs.empty());
    WithdrawWorkingReport(state);
    EXPECT_FALSE(std::filesystem::exists(kWorkingReport));
}

TEST(MissingChoiceTest, SaysWhatTheChoiceLacks) {
    struct Case {
        WorkfilesChoice choice;
        const char* missing;
    };
    const std::vector<std::string> listed = {"TABd2d.des", "TABvfr.des"};
    const Case cases[] = {
        {{"", listed, {false, false}}, "choose a QSPR table; choose the fragment table (*vfr.des)"},
        {{"", listed, {true, false}}, "choose a QSPR table; choose the fragment table (*vfr.des)"},
        {{"", listed, {false, true}}, "choose a QSPR table"},
        {{"TAB", listed, {false, false}}, "choose the fragment table (*vfr.des)"},
        {{"TAB", listed, {true, false}}, "choose the fragment table (*vfr.des)"},
        {{"TAB", listed, {true, true}}, ""},
        {{"TAB", {}, {}}, "choose the fragment table (*vfr.des)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MissingChoice(c.choice), c.missing) << c.choice.QsprTable << " " << c.missing;
    }
}

TEST(CountMoleculesTest, AllPredictionRecordsGiveNoCalibrationMolecule) {
    ProgramState state;
    state.QsprLines = {"Cases\tp", "a\t?", "b\t?"};
    state.QsprLastLine = 2;
    CountMolecules(state);
    EXPECT_EQ(state.CalibrationCount, 0);
    EXPECT_EQ(state.PredictionCount, 2);
}

TEST(CountMoleculesTest, AHeaderAloneCountsOneEmptyCalibrationMolecule) {
    ProgramState state;
    state.QsprLines = {"Cases\tp"};
    state.QsprLastLine = 0;
    CountMolecules(state);
    EXPECT_EQ(state.CalibrationCount, 1);
    EXPECT_EQ(state.PredictionCount, 0);
}

} // namespace
} // namespace kalemir::qspr
