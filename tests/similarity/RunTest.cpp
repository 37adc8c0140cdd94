#include "similarity/Run.h"

#include "SimTestSupport.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "similarity/SimTable.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

namespace kalemir::sim {
namespace {

struct RoundingCase {
    float model;
    const char* reported;
};

class CorrectnessRoundingTest : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(CorrectnessRoundingTest, ClampsAndKeepsThreeDecimals) {
    EXPECT_EQ(PlainNumberSingle(RoundCorrectness(GetParam().model)), GetParam().reported);
}

// 0.7495 is held as 0.74949998; x 1000 in single precision is 749.5, which rounds up.
const RoundingCase kRoundingCases[] = {{1.37f, "0.999"},   {-2.0f, "-0.999"},   {0.7495f, "0.75"},
                                       {0.7494f, "0.749"}, {-0.7495f, "-0.75"}, {0.0f, "0"},
                                       {1.0f, "1"},        {0.873f, "0.873"}};

INSTANTIATE_TEST_SUITE_P(Values, CorrectnessRoundingTest, ::testing::ValuesIn(kRoundingCases));

TEST(CorrectnessModelsTest, OnlyTheFlexibilityDiversitiesSet) {
    // All observances, set similarities and diversities 0 except Dc_5 = Dp_5 = 0.5.
    // MA = 0.3624*2 + 0.1289 + 0.0018*100 + 0.4388 = 1.4725 (a8: (O+1) Dp = 0,0,0,0,0.5,
    // mean 0.1, median 0, spread 100); MB = -3.588*0.5 + 0.9188 + 2.3357 = 1.4605;
    // MC = 1.4167*2 - 4.4101*0.1 + 1.1635*0.5 - 4.8442 = -1.87006. MB is nearer to MC.
    MeasureSummary summary;
    summary.At(3, 5) = 0.5;
    summary.At(4, 5) = 0.5;
    const CorrectnessModels m = EvaluateCorrectnessModels(summary);
    EXPECT_NEAR(m.Ma, 1.4725, 1e-6);
    EXPECT_NEAR(m.Mb, 1.4605, 1e-12);
    EXPECT_NEAR(m.Mc, -1.87006, 1e-6);
    EXPECT_EQ(PlainNumberSingle(ChooseCorrectness(m)), "0.999");
}

TEST(CorrectnessModelsTest, NearerModelIsChosenAndEqualDistanceTakesB) {
    EXPECT_EQ(ChooseCorrectness({0.5, 0.9, 0.45}), 0.5f);
    EXPECT_EQ(ChooseCorrectness({0.5, 0.9, 0.85}), 0.9f);
    EXPECT_EQ(ChooseCorrectness({0.5, 0.7, 0.6}), 0.7f);
}

TEST(CorrectnessModelsTest, NoDiversityAtAllGivesAFiniteValue) {
    const CorrectnessModels m = EvaluateCorrectnessModels(MeasureSummary{});
    EXPECT_TRUE(std::isfinite(m.Mb));
    // b6 = 0: MB = 0.9188 + 2.3357.
    EXPECT_NEAR(m.Mb, 0.9188 + 2.3357, 1e-12);
}

class DuplicateCheckTest : public test::TempFolderTest {
protected:
    void SetUp() override {
        test::TempFolderTest::SetUp();
        choices_.ResultsFileName = "DUPLSIM.res";
        table_.MoleculeCount = 3;
        table_.Names = {"Cases", "a", "b", "c"};
    }
    RunChoices choices_;
    PreparedTable table_;
};

TEST_F(DuplicateCheckTest, FiveVotesAreReportedFourAreNot) {
    CheckDuplicates(choices_, table_, {4, 5, 6}); // pairs (a,b), (a,c), (b,c)
    EXPECT_EQ(
        test::FileLines("DUPLSIM.res"),
        (std::vector<std::string>{
            "", "***** Program computed very high similarity for molecules",
            "***** a   c   SIM ~ 1", "",
            "***** Program computed very high similarity for molecules", "***** b   c   SIM ~ 1",
            "", std::string(60, '-'), "VERIFY if above molecules are DUPLICATE (see SIM ~ 1).",
            "Using of duplicate molecules in QSPR studies is prohibited.",
            "After elimination of the duplicate molecules all calculation should be "
            "repeated.",
            std::string(60, '-')}));
}

TEST_F(DuplicateCheckTest, NoDuplicates) {
    CheckDuplicates(choices_, table_, {4, 0, 1});
    EXPECT_EQ(
        test::FileLines("DUPLSIM.res"),
        (std::vector<std::string>{"", std::string(60, '-'), "There are no duplicate molecules.",
                                  std::string(60, '-')}));
}

class WholeRunTest : public test::TempFolderTest {
protected:
    std::vector<std::string> Run(int nc, int np, const std::vector<test::Row>& rows) {
        test::WriteTable("TINY1SIM.des", nc, np, {"CH3", "OH", "NH2"}, rows);
        const RunChoices choices = test::ChoicesFor("TINY1SIM.des");
        SilentWindow window;
        PreparedTable table;
        PrepareTable(choices, table, window);
        RunSimilarityAnalysis(choices, table, results_, window);
        return test::FileLines("TINY1SIM.res");
    }
    static long Find(const std::vector<std::string>& lines, const std::string& text,
                     long from = 0) {
        for (long k = from; k < static_cast<long>(lines.size()); ++k) {
            if (lines[static_cast<std::size_t>(k)] == text) {
                return k;
            }
        }
        return -1;
    }
    RunResults results_;
};

TEST_F(WholeRunTest, SectionsComeInTheirOrder) {
    const auto lines = Run(3, 1,
                           {{"m1", {"50", "50", "0"}, test::FixedColumns("1", 0)},
                            {"m2", {"50", "0", "50"}, test::FixedColumns("2", 1)},
                            {"m3", {"40", "60", "0"}, test::FixedColumns("5", 2)},
                            {"p1", {"50", "50", "0"}, test::FixedColumns("?", 0)}});
    long at = 0;
    for (const char* heading :
         {".......... RESULTS OF THE CHEMICAL STRUCTURE SIMILARITY COMPUTATIONS ..........",
          "The observance of the axiom in the analyzed calibration set",
          "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO CHEMICAL SIMILARITY",
          "ACCORDING TO CONTENT OF THE CLUSTERS BY CHEMICAL STRUCTURE",
          ".......... RESULTS OF THE MOLECULAR SHAPE SIMILARITY COMPUTATIONS ..........",
          "...........METHOD: corrected USR",
          ".......... RESULTS OF THE MOLECULAR SIZE SIMILARITY COMPUTATIONS ..........",
          ".......... RESULTS OF THE MOLECULAR HYDROPHILICITY SIMILARITY COMPUTATIONS ..........",
          ".......... RESULTS OF THE MOLECULAR FLEXIBILITY SIMILARITY COMPUTATIONS ..........",
          "THE SIMILARITY OF THE CALIBRATION AND PREDICTION SETS",
          "***** Program computed very high similarity for molecules", "***** m1   p1   SIM ~ 1",
          "VERIFY if above molecules are DUPLICATE (see SIM ~ 1).",
          "Taking into account all similarities, diversities and observances", "ATTENTION!",
          "In the new database NBX, saved on hard-disk:",
          "In the new database NVB, saved on hard-disk:"}) {
        const long found = Find(lines, heading, at);
        ASSERT_GE(found, 0) << heading;
        at = found;
    }
    EXPECT_EQ(lines.back(), std::string(60, '-'));
    // m1 and p1 are identical: in every measure they share a mixed cluster.
    EXPECT_EQ(results_.MixedClusterMarks[1], 5);
    EXPECT_EQ(results_.MixedClusterMarks[4], 5);
    EXPECT_TRUE(std::filesystem::exists("TINY1NDB"));
    EXPECT_TRUE(std::filesystem::exists("TINY1NVB"));
    EXPECT_TRUE(std::filesystem::exists("TINY1CLU"));
    // No number form of an undefined value anywhere.
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("nan"), std::string::npos) << line;
        EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    }
}

TEST_F(WholeRunTest, WithoutPredictionSetTheReportEndsWithTheDuplicateCheck) {
    const auto lines = Run(2, 0,
                           {{"m1", {"50", "50", "0"}, test::FixedColumns("1", 0)},
                            {"m2", {"50", "0", "50"}, test::FixedColumns("1", 3)}});
    EXPECT_EQ(lines.back(), std::string(60, '-'));
    EXPECT_EQ(lines[lines.size() - 2], "There are no duplicate molecules.");
    EXPECT_EQ(Find(lines, "THE DIVERSITY OF THE CALIBRATION SET"), -1);
    EXPECT_GE(Find(lines, "THE DIVERSITY OF THE ANALYZED MOLECULES"), 0);
    EXPECT_GE(Find(lines, "FROM THE POINT OF VIEW OF MOLECULAR FLEXIBILITY"), 0);
    EXPECT_FALSE(std::filesystem::exists("TINY1NDB"));
    EXPECT_FALSE(std::filesystem::exists("TINY1NVB"));
    // Both calibration molecules have property 1: all property similarities are 1.
    for (int k = 1; k <= kMeasureCount; ++k) {
        EXPECT_EQ(results_.Summary.At(3, k), 0);
        EXPECT_EQ(results_.Summary.At(5, k), 0);
    }
}

/// A window that asks to stop at its first turn.
class StopAtOnce : public SilentWindow {
public:
    StopAtOnce() { SetYieldInterval(1); }

protected:
    void ProcessEvents() override {
        RequestStop();
        ComputingWindow::ProcessEvents();
    }
};

TEST_F(WholeRunTest, AStoppedRunEndsItsResultsWithWhereItStopped) {
    test::WriteTable("TINY1SIM.des", 2, 1, {"CH3", "OH", "NH2"},
                     {{"m1", {"50", "50", "0"}, test::FixedColumns("1", 0)},
                      {"m2", {"50", "0", "50"}, test::FixedColumns("2", 1)},
                      {"p1", {"50", "50", "0"}, test::FixedColumns("?", 0)}});
    const RunChoices choices = test::ChoicesFor("TINY1SIM.des");
    SilentWindow quiet;
    PreparedTable table;
    PrepareTable(choices, table, quiet);
    RunResults results;
    StopAtOnce window;
    EXPECT_THROW(RunSimilarityAnalysis(choices, table, results, window), RunInterrupted);
    EXPECT_EQ(results.StoppedStage, "at the chemical structure similarity computations");
    const auto lines = test::FileLines("TINY1SIM.res");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "ANALYSIS STOPPED at the chemical structure similarity "
                            "computations: the results above are incomplete");
}

// The rule of the table window's fields and of --min-similarity.
TEST(ClusterSimilarityRuleTest, ANumberFromZeroToOne) {
    struct Case {
        const char* text;
        std::optional<std::string> problem;
    };
    const Case cases[] = {{"0.9", std::nullopt},
                          {" 1", std::nullopt},
                          {"0", std::nullopt},
                          {"0.88x", "0.88x: not a number"},
                          {"0,85", "0,85: use a decimal point"}, // used to read as 0
                          {"1.5", "1.5 is outside the range 0 to 1"},
                          {"-0.1", "-0.1 is outside the range 0 to 1"},
                          {"abc", "abc: not a number"},
                          {"", "nothing typed"}};
    for (const Case& c : cases) {
        EXPECT_EQ(ClusterSimilarityProblem(c.text), c.problem) << c.text;
    }
}

} // namespace
} // namespace kalemir::sim
