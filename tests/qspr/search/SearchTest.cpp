// The ranked candidate list, the searches, the cycle preparation and a whole run on the
// BZR01 example.

#include "TestData.h"
#include "common/ComputingWindow.h"
#include "qspr/core/Driver.h"
#include "qspr/core/Fit.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/CyclePreparation.h"
#include "qspr/search/LargerSets.h"
#include "qspr/search/PairSearch.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// A list whose rows 1..1000 hold r2 = 1 - row / 2000 (sorted) and set (row, row + 1).
void FillSortedList(ComputingState& cs) {
    for (int r = 1; r <= kListRows; ++r) {
        cs.CandidateR2[r] = 1 - r / 2000.0;
        cs.CandidateSets[r] = PredictorSet{0, r, r + 1};
    }
    cs.FitTermCount = 2;
}

TEST(InsertCandidate, TieWithRowThousandEntersAndPushesItOut) {
    ComputingState cs;
    FillSortedList(cs);
    cs.CandidateR2[kCandidateRow] = cs.CandidateR2[kListRows];
    cs.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs), kListRows);
    EXPECT_EQ(cs.CandidateSets[kListRows][1], 7);
    EXPECT_EQ(cs.CandidateSets[kCandidateRow][1], 1000); // the former row 1000, dropped
}

TEST(InsertCandidate, WeakerCandidateStaysOut) {
    ComputingState cs;
    FillSortedList(cs);
    cs.CandidateR2[kCandidateRow] = 0.1;
    cs.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs), 0);
    EXPECT_EQ(cs.CandidateSets[kListRows][1], 1000);
}

TEST(InsertCandidate, TieInsideTheListGoesAboveTheEqualSets) {
    ComputingState cs;
    FillSortedList(cs);
    cs.CandidateR2[kCandidateRow] = cs.CandidateR2[5];
    cs.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs), 5);
    EXPECT_EQ(cs.CandidateSets[6][1], 5);
    EXPECT_EQ(cs.CandidateR2[1], 1 - 1 / 2000.0);
}

TEST(InsertCandidate, BestCandidateTakesRowOneAndColumnsBeyondTheSizeStay) {
    ComputingState cs;
    FillSortedList(cs);
    cs.CandidateSets[3][4] = 44; // not part of a two-descriptor set: stays in row 3
    cs.CandidateR2[kCandidateRow] = 2;
    cs.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs), 1);
    EXPECT_EQ(cs.CandidateSets[1], (PredictorSet{0, 7, 9}));
    EXPECT_EQ(cs.CandidateSets[3], (PredictorSet{0, 2, 3, 0, 44}));
    EXPECT_EQ(cs.CandidateSets[kCandidateRow], (PredictorSet{0, 1000, 1001}));
    EXPECT_EQ(cs.CandidateR2[2], 1 - 1 / 2000.0);
    EXPECT_EQ(cs.CandidateR2[kCandidateRow], 1 - kListRows / 2000.0);
}

TEST(RankCandidates, ExchangeSortMovesTiedRows) {
    ComputingState cs;
    cs.CandidateR2[1] = 1;
    cs.CandidateR2[2] = 1;
    cs.CandidateR2[3] = 2;
    for (int r = 1; r <= 3; ++r) {
        cs.CandidateSets[r][1] = r;
    }
    RankCandidates(cs, 3);
    EXPECT_EQ(cs.CandidateSets[1][1], 3);
    EXPECT_EQ(cs.CandidateSets[2][1], 2);
    EXPECT_EQ(cs.CandidateSets[3][1], 1);
}

TEST(ListedSetIndex, InsertContainsErase) {
    ListedSetIndex index(3);
    std::vector<PredictorSet> sets;
    for (int i = 1; i <= 1500; ++i) {
        sets.push_back(PredictorSet{0, i, i + 1, i + 2});
        index.Insert(sets.back());
    }
    for (int i = 0; i < 1500; i += 2) {
        index.Erase(sets[i]);
    }
    for (int i = 0; i < 1500; ++i) {
        EXPECT_EQ(index.Contains(sets[i]), i % 2 == 1) << i;
    }
    EXPECT_FALSE(index.IsComplete(PredictorSet{0, 1, 2}));
}

TEST(EndTimeLine, WrapsAtMidnight) {
    // Started at 23:59:00, 100 of 1000 sets after 60 s (now 00:00:00 next day): the
    // level takes 600 s and ends at 00:09:00.
    EXPECT_EQ(EndTimeLine(86340.0f, 0.0f, 100), "   ... till  0. 9. 0  a clock");
    EXPECT_EQ(EndTimeLine(36000.0f, 36010.0f, 500), "   ... till  10. 0. 20  a clock");
}

/// Descriptor matrix of S descriptors on N molecules, centred as after CentreColumns.
struct SearchSetUp {
    ScratchDir dir{"search"};
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    SearchSetUp(int n, int s) {
        ps.CalibrationCount = n;
        ps.MinPropertyR2 = 0.05;
        ps.InvRootThreshold = 1;
        ps.MaxInterR2 = 0.64;
        ps.MaxPredictors = 3;
        cs.DescriptorMatrix.Reset(n + 5);
        cs.Pair.HoldRows(n + 5);
        cs.SignificantCount = s;
        unsigned state = 99;
        std::vector<double> y(static_cast<std::size_t>(n) + 1, 0.0);
        for (int c = 1; c <= s; ++c) {
            cs.DescriptorMatrix.ColumnNames[c] = "d" + std::to_string(c);
            for (int i = 1; i <= n; ++i) {
                state = state * 1103515245u + 12345u;
                cs.DescriptorMatrix.At(i, c) = static_cast<double>((state >> 8) % 1000) / 100;
                if (c <= 3) {
                    y[i] += c * cs.DescriptorMatrix.At(i, c);
                }
            }
        }
        for (int i = 1; i <= n; ++i) {
            cs.DescriptorMatrix.MoleculeNames[i] = "m" + std::to_string(i);
            state = state * 1103515245u + 12345u;
            cs.DescriptorMatrix.At(i, kPropertyColumn) = y[i] + ((state >> 8) % 100) / 50.0;
        }
        for (int c = 1; c <= kPropertyColumn; ++c) {
            if (c > s && c != kPropertyColumn) {
                continue;
            }
            double sum = 0;
            for (int i = 1; i <= n; ++i) {
                sum += cs.DescriptorMatrix.At(i, c);
            }
            const double mean = sum / n;
            for (int i = 1; i <= n; ++i) {
                cs.DescriptorMatrix.At(i, c) -= mean;
            }
            cs.DescriptorMatrix.At(n + 1, c) = mean;
        }
        cs.InterSize = s + 1;
        cs.InterR2.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.0);
        for (int c = 0; c <= s; ++c) {
            cs.InterR2[static_cast<std::size_t>(c) * (s + 1) + c] = 1;
        }
    }
};

TEST(SearchPairs, FewPairsAreRankedAndInterR2EqualToTIsTried) {
    SearchSetUp set(20, 4);
    set.ps.InvRootThreshold = 0.3;
    set.cs.InterR2[1 * 5 + 2] = set.cs.InterR2[2 * 5 + 1] = 0.3;  // equal to T: tried
    set.cs.InterR2[3 * 5 + 4] = set.cs.InterR2[4 * 5 + 3] = 0.31; // above T: skipped
    SearchPairs(set.ps, set.cs, set.window);
    EXPECT_EQ(set.cs.ValuableSetCount, 1);
    int listed = 0;
    for (int r = 1; r <= kListRows; ++r) {
        if (set.cs.CandidateR2[r] != 0) {
            ++listed;
            const bool skipped = set.cs.CandidateSets[r][1] == 3 && set.cs.CandidateSets[r][2] == 4;
            EXPECT_FALSE(skipped);
        }
        if (r > 1) {
            EXPECT_GE(set.cs.CandidateR2[r - 1], set.cs.CandidateR2[r]) << r;
        }
    }
    EXPECT_EQ(listed, 5);
    // The best pair holds descriptors 2 and 3 (weights 2 and 3 in the property).
    EXPECT_EQ(set.cs.CandidateSets[1][1], 2);
    EXPECT_EQ(set.cs.CandidateSets[1][2], 3);
    EXPECT_EQ(set.cs.BestSets[3][1], 2);
    EXPECT_NE(ReadFile("rezultat.rez").find(std::string(70, '-')), std::string::npos);
}

TEST(SearchPairs, HandOnNeedsMoreThanTwiceTheThreshold) {
    SearchSetUp set(20, 2);
    SearchPairs(set.ps, set.cs, set.window);
    const double r2 = set.cs.CandidateR2[1];
    SearchSetUp again(20, 2);
    again.ps.MinPropertyR2 = r2 / 2; // exactly half: not handed on
    SearchPairs(again.ps, again.cs, again.window);
    EXPECT_EQ(again.cs.KeptSets[1][1], 0);
    EXPECT_EQ(again.cs.ValuableSetCount, 0);
    EXPECT_NE(ReadFile("rezultat.rez")
                  .find("     THE PROGRAM CANNOT BUILD ANY TWO DESCRIPTOR "
                        "VALUABLE SETS."),
              std::string::npos);
}

TEST(SearchPairs, NoOrthogonalPair) {
    SearchSetUp set(20, 2);
    set.ps.InvRootThreshold = 0.1;
    set.cs.InterR2[1 * 3 + 2] = set.cs.InterR2[2 * 3 + 1] = 0.5;
    SearchPairs(set.ps, set.cs, set.window);
    EXPECT_EQ(set.cs.ValuableSetCount, 0);
    EXPECT_NE(ReadFile("rezultat.rez").find("     PROGRAM FINISH"), std::string::npos);
}

TEST(SearchLargerSets, ThreePredictorsFoundAndHandedOn) {
    SearchSetUp set(30, 6);
    SearchPairs(set.ps, set.cs, set.window);
    SearchLargerSets(set.ps, set.cs, set.window);
    EXPECT_EQ(set.cs.BestSetSize, 3);
    EXPECT_EQ(set.cs.BestSets[3][1], 1);
    EXPECT_EQ(set.cs.BestSets[3][2], 2);
    EXPECT_EQ(set.cs.BestSets[3][3], 3);
    EXPECT_EQ(set.cs.KeptSets[1][3], set.cs.CandidateSets[1][3]); // the level was handed on
    // No set is listed twice.
    for (int a = 1; a <= kListRows; ++a) {
        for (int b = a + 1; b <= kListRows && set.cs.CandidateSets[a][3] != 0; ++b) {
            ASSERT_FALSE(set.cs.CandidateSets[a] == set.cs.CandidateSets[b]) << a << " " << b;
        }
    }
}

TEST(SearchLargerSets, TwoPredictorsOnlyDoesNothing) {
    SearchSetUp set(30, 6);
    set.ps.MaxPredictors = 2;
    SearchPairs(set.ps, set.cs, set.window);
    const auto kept = set.cs.KeptSets;
    SearchLargerSets(set.ps, set.cs, set.window);
    EXPECT_EQ(set.cs.KeptSets, kept);
}

TEST(IsMoleculeLine, MatchesTheWholeNameAfterLeadingSeparators) {
    EXPECT_TRUE(IsMoleculeLine("\tbzr01 \t1\t2", "bzr01"));
    EXPECT_TRUE(IsMoleculeLine("bzr01\t6.5", "bzr01"));
    EXPECT_FALSE(IsMoleculeLine("\tbzr010\t1", "bzr01"));
    EXPECT_FALSE(IsMoleculeLine("Cases\tbzr01", "bzr01"));
}

TEST(PrepareCycle, RemovesTheMoleculeFromLinesAndTables) {
    ScratchDir dir("prepare");
    ProgramState ps;
    ComputingState cs;
    ps.QsprLines = {"Cases\tp", "a1\t1", "a10\t2", "a2\t3"};
    ps.QsprLastLine = 3;
    ps.SelectedTableCount = 1;
    ps.ChosenTableNames = {{}, {"t.des", "t.des"}};
    ps.TableNames = {{}, {"other", "other"}};
    WriteFile("t.des", "\tCases\tx\r\n\ta1 \t5\r\n\r\n\ta10\t6\r\n\ta2\t7\r\n");
    PrepareCycle(ps, cs); // no outlier: only the list is restored
    EXPECT_EQ(ps.TableNames[1].first, "t.des");
    EXPECT_EQ(ReadFile("t.des"), "\tCases\tx\r\n\ta1 \t5\r\n\r\n\ta10\t6\r\n\ta2\t7\r\n");
    cs.OutlierName = "a1";
    PrepareCycle(ps, cs);
    EXPECT_EQ(ps.QsprLines, (std::vector<std::string>{"Cases\tp", "a10\t2", "a2\t3", ""}));
    EXPECT_EQ(ps.QsprLastLine, 2);
    EXPECT_EQ(ReadFile("t.des"), "\tCases\tx\r\n\ta10\t6\r\n\ta2\t7\r\n");
}

/// The BZR01 job as the command line runs it, on copies of the example files.
struct Bzr01Run {
    ScratchDir dir{"bzr01"};
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    std::vector<std::string> tables{"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"};

    Bzr01Run() {
        kalemir::testing::CopyExample(KALEMIR_EXAMPLES_DIR "/bzr",
                                      {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
        WorkfilesChoice choice;
        choice.qsprTable = "BZR01";
        choice.listedTables = tables;
        choice.selected.assign(tables.size(), true);
        EXPECT_TRUE(WorkfilesOk(ps, choice));
        const ParameterEntries entries = LoadParameters(ps);
        EXPECT_EQ(ParametersOk(ps, entries), ParametersOutcome::Compute);
    }
};

TEST(RunComputation, Bzr01ReportStructurePredictorFileAndUntouchedInputs) {
    Bzr01Run run;
    std::vector<std::string> before;
    for (const auto& t : run.tables) {
        before.push_back(ReadFile(t));
    }
    RunComputation(run.ps, run.cs, run.window);
    for (std::size_t i = 0; i < run.tables.size(); ++i) {
        EXPECT_EQ(ReadFile(run.tables[i]), before[i]) << run.tables[i];
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find("newtab"), std::string::npos) << name;
        EXPECT_EQ(name.find("kalemirq-copy"), std::string::npos) << name;
    }
    const std::string report = ReadFile("rezultat.rez");
    const std::size_t params = report.find("     Starting statistical analysis parameters:");
    const std::size_t significant =
        report.find("   According to KalemirQ criteria in the QSPR computation phase");
    const std::size_t dashes = report.find("   " + std::string(70, '-'));
    const std::size_t best =
        report.find(" The most valuable predictors' set by correlation/intercorrelation is:");
    const std::size_t saved =
        report.find("    THE VALUE OF THE BELOW PREDICTORS is saved as BZR1prd.dat file.");
    ASSERT_NE(saved, std::string::npos);
    EXPECT_LT(params, significant);
    EXPECT_LT(significant, dashes);
    EXPECT_LT(dashes, best);
    EXPECT_LT(best, saved);

    // The predictor-value file: N + P + 1 rows in QSPR order, K + 1 cells each.
    const std::string prd = ReadFile("BZR1prd.dat");
    EXPECT_EQ(std::count(prd.begin(), prd.end(), '\n'), 148 + 15 + 1);
    EXPECT_EQ(prd.substr(0, 6), "Cases\t");
    EXPECT_NE(prd.find("\r\nbzr001\t"), std::string::npos);
    const int k = run.cs.BestSetSize;
    const std::string header = prd.substr(0, prd.find("\r\n"));
    EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), k + 1);

    // The best set's quality agrees with a fit of the same descriptors.
    PredictorSet set{};
    for (int b = 1; b <= k; ++b) {
        set[b] = static_cast<int>(run.cs.BestSets[3][b]);
    }
    run.cs.FitTermCount = k;
    run.cs.Cross.Valid = false;
    FitEquation(run.ps, run.cs, run.window, set);
    const double expected = k <= 2 ? run.cs.LastFitR2 : QualityQ(run.cs.LastFitR2, 148, k);
    EXPECT_NEAR(run.cs.BestSets[3][21], expected, 1e-9);
    EXPECT_GT(run.cs.LastFitR2CV, 0);
    EXPECT_LE(run.cs.LastFitR2CV, 1);
}

TEST(RunComputation, DoesNotStartTwice) {
    ProgramState ps;
    ps.ComputationStarted = true;
    SilentWindow window;
    RunComputation(ps, window); // returns at once: no table is even looked at
    SUCCEED();
}

} // namespace
} // namespace kalemir::qspr
