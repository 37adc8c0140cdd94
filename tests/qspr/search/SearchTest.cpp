// The ranked candidate list, the searches, the cycle preparation and a whole run on the
// BZR01 example.

#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/WorkerPool.h"
#include "qspr/core/Fit.h"
#include "qspr/run/ComputingState.h"
#include "qspr/run/Driver.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/CyclePreparation.h"
#include "qspr/search/LargerSets.h"
#include "qspr/search/PairSearch.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// A list whose rows 1..1000 hold r2 = 1 - row / 2000 (sorted) and set (row, row + 1).
void FillSortedList(ComputingState& cs) {
    for (int r = 1; r <= kListRows; ++r) {
        cs.Search.CandidateR2[r] = 1 - r / 2000.0;
        cs.Search.CandidateSets[r] = PredictorSet{0, r, r + 1};
    }
    cs.Search.FitTermCount = 2;
}

TEST(InsertCandidate, TieWithRowThousandEntersAndPushesItOut) {
    ComputingState cs;
    FillSortedList(cs);
    cs.Search.CandidateR2[kCandidateRow] = cs.Search.CandidateR2[kListRows];
    cs.Search.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs.Search), kListRows);
    EXPECT_EQ(cs.Search.CandidateSets[kListRows][1], 7);
    EXPECT_EQ(cs.Search.CandidateSets[kCandidateRow][1], 1000); // the former row 1000, dropped
}

TEST(InsertCandidate, WeakerCandidateStaysOut) {
    ComputingState cs;
    FillSortedList(cs);
    cs.Search.CandidateR2[kCandidateRow] = 0.1;
    cs.Search.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs.Search), 0);
    EXPECT_EQ(cs.Search.CandidateSets[kListRows][1], 1000);
}

TEST(InsertCandidate, TieInsideTheListGoesAboveTheEqualSets) {
    ComputingState cs;
    FillSortedList(cs);
    cs.Search.CandidateR2[kCandidateRow] = cs.Search.CandidateR2[5];
    cs.Search.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs.Search), 5);
    EXPECT_EQ(cs.Search.CandidateSets[6][1], 5);
    EXPECT_EQ(cs.Search.CandidateR2[1], 1 - 1 / 2000.0);
}

TEST(InsertCandidate, BestCandidateTakesRowOneAndColumnsBeyondTheSizeStay) {
    ComputingState cs;
    FillSortedList(cs);
    cs.Search.CandidateSets[3][4] = 44; // not part of a two-descriptor set: stays in row 3
    cs.Search.CandidateR2[kCandidateRow] = 2;
    cs.Search.CandidateSets[kCandidateRow] = PredictorSet{0, 7, 9};
    EXPECT_EQ(InsertCandidate(cs.Search), 1);
    EXPECT_EQ(cs.Search.CandidateSets[1], (PredictorSet{0, 7, 9}));
    EXPECT_EQ(cs.Search.CandidateSets[3], (PredictorSet{0, 2, 3, 0, 44}));
    EXPECT_EQ(cs.Search.CandidateSets[kCandidateRow], (PredictorSet{0, 1000, 1001}));
    EXPECT_EQ(cs.Search.CandidateR2[2], 1 - 1 / 2000.0);
    EXPECT_EQ(cs.Search.CandidateR2[kCandidateRow], 1 - kListRows / 2000.0);
}

TEST(RankCandidates, ExchangeSortMovesTiedRows) {
    ComputingState cs;
    cs.Search.CandidateR2[1] = 1;
    cs.Search.CandidateR2[2] = 1;
    cs.Search.CandidateR2[3] = 2;
    for (int r = 1; r <= 3; ++r) {
        cs.Search.CandidateSets[r][1] = r;
    }
    RankCandidates(cs.Search, 3);
    EXPECT_EQ(cs.Search.CandidateSets[1][1], 3);
    EXPECT_EQ(cs.Search.CandidateSets[2][1], 2);
    EXPECT_EQ(cs.Search.CandidateSets[3][1], 1);
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

TEST(ListedSetIndex, ContainsGivenTheStateAtTheLogStartFollowsTheChangesSince) {
    const PredictorSet a{0, 1, 2, 3}, b{0, 1, 2, 4}, c{0, 1, 2, 5}, d{0, 1, 2, 6}, e{0, 1, 2, 7},
        f{0, 1, 2, 8};
    ListedSetIndex index(3);
    // Without a log the flag is not trusted: every set is looked up.
    index.Insert(a);
    EXPECT_TRUE(index.ContainsGiven(a, index.HashOf(a), false));
    EXPECT_FALSE(index.ContainsGiven(b, index.HashOf(b), true));
    index.Insert(b);
    index.Insert(c);
    index.StartChangeLog();
    index.Insert(d);
    index.Erase(b);
    index.Insert(e);
    index.Erase(e);
    // Held at the log start: a, b, c. Changed since: d in, b out, e in and out again.
    const struct {
        PredictorSet Set;
        bool HeldAtStart;
        bool Held;
    } rows[] = {{a, true, true},  {b, true, false},  {c, true, true},
                {d, false, true}, {e, false, false}, {f, false, false}};
    for (const auto& row : rows) {
        EXPECT_EQ(index.ContainsGiven(row.Set, index.HashOf(row.Set), row.HeldAtStart), row.Held)
            << row.Set[3];
        EXPECT_EQ(index.Contains(row.Set), row.Held) << row.Set[3];
    }
    // Many changes: the sets changed are still told by the index itself.
    std::vector<PredictorSet> added;
    for (int i = 10; i < 400; ++i) {
        added.push_back(PredictorSet{0, 2, 3, i});
        index.Insert(added.back());
    }
    for (const PredictorSet& set : added) {
        EXPECT_TRUE(index.ContainsGiven(set, index.HashOf(set), false)) << set[3];
    }
    EXPECT_TRUE(index.ContainsGiven(a, index.HashOf(a), true));
    // Emptied, the index trusts no flag.
    index.Clear();
    EXPECT_FALSE(index.ContainsGiven(a, index.HashOf(a), true));
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

    CycleContext Context() { return {ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName}; }

    SearchSetUp(int n, int s) {
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.MinPropertyR2 = 0.05;
        cs.Cycle.InvRootThreshold = 1;
        cs.Cycle.MaxInterR2 = 0.64;
        cs.Cycle.MaxPredictors = 3;
        cs.Descriptors.DescriptorMatrix.Reset(n + 5);
        cs.Pair.HoldRows(n + 5);
        cs.Descriptors.SignificantCount = s;
        unsigned state = 99;
        std::vector<double> y(static_cast<std::size_t>(n) + 1, 0.0);
        for (int c = 1; c <= s; ++c) {
            cs.Descriptors.DescriptorMatrix.ColumnNames[c] = "d" + std::to_string(c);
            for (int i = 1; i <= n; ++i) {
                state = state * 1103515245u + 12345u;
                cs.Descriptors.DescriptorMatrix.At(i, c) =
                    static_cast<double>((state >> 8) % 1000) / 100;
                if (c <= 3) {
                    y[i] += c * cs.Descriptors.DescriptorMatrix.At(i, c);
                }
            }
        }
        for (int i = 1; i <= n; ++i) {
            cs.Descriptors.DescriptorMatrix.MoleculeNames[i] = "m" + std::to_string(i);
            state = state * 1103515245u + 12345u;
            cs.Descriptors.DescriptorMatrix.At(i, kPropertyColumn) =
                y[i] + ((state >> 8) % 100) / 50.0;
        }
        for (int c = 1; c <= kPropertyColumn; ++c) {
            if (c > s && c != kPropertyColumn) {
                continue;
            }
            double sum = 0;
            for (int i = 1; i <= n; ++i) {
                sum += cs.Descriptors.DescriptorMatrix.At(i, c);
            }
            const double mean = sum / n;
            for (int i = 1; i <= n; ++i) {
                cs.Descriptors.DescriptorMatrix.At(i, c) -= mean;
            }
            cs.Descriptors.DescriptorMatrix.At(n + 1, c) = mean;
        }
        cs.Descriptors.InterSize = s + 1;
        cs.Descriptors.InterR2.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.0);
        for (int c = 0; c <= s; ++c) {
            cs.Descriptors.InterR2[static_cast<std::size_t>(c) * (s + 1) + c] = 1;
        }
    }
};

TEST(SearchPairs, FewPairsAreRankedAndInterR2EqualToTIsTried) {
    SearchSetUp set(20, 4);
    set.cs.Cycle.InvRootThreshold = 0.3;
    set.cs.Descriptors.InterR2[1 * 5 + 2] = set.cs.Descriptors.InterR2[2 * 5 + 1] =
        0.3; // equal to T: tried
    set.cs.Descriptors.InterR2[3 * 5 + 4] = set.cs.Descriptors.InterR2[4 * 5 + 3] =
        0.31; // above T: skipped
    SearchPairs(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    EXPECT_EQ(set.cs.Search.ValuableSetCount, 1);
    int listed = 0;
    for (int r = 1; r <= kListRows; ++r) {
        if (set.cs.Search.CandidateR2[r] != 0) {
            ++listed;
            const bool skipped =
                set.cs.Search.CandidateSets[r][1] == 3 && set.cs.Search.CandidateSets[r][2] == 4;
            EXPECT_FALSE(skipped);
        }
        if (r > 1) {
            EXPECT_GE(set.cs.Search.CandidateR2[r - 1], set.cs.Search.CandidateR2[r]) << r;
        }
    }
    EXPECT_EQ(listed, 5);
    // The best pair holds descriptors 2 and 3 (weights 2 and 3 in the property).
    EXPECT_EQ(set.cs.Search.CandidateSets[1][1], 2);
    EXPECT_EQ(set.cs.Search.CandidateSets[1][2], 3);
    EXPECT_EQ(set.cs.Search.BestSets[3][1], 2);
    EXPECT_NE(ReadFile("rezultat.rez").find(std::string(70, '-')), std::string::npos);
}

TEST(SearchPairs, HandOnNeedsMoreThanTwiceTheThreshold) {
    SearchSetUp set(20, 2);
    SearchPairs(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    const double r2 = set.cs.Search.CandidateR2[1];
    SearchSetUp again(20, 2);
    again.cs.Cycle.MinPropertyR2 = r2 / 2; // exactly half: not handed on
    SearchPairs(again.Context(), again.cs.Descriptors, again.cs.Search, again.cs.CV,
                again.cs.Outliers);
    EXPECT_EQ(again.cs.Search.KeptSets[1][1], 0);
    EXPECT_EQ(again.cs.Search.ValuableSetCount, 0);
    EXPECT_NE(ReadFile("rezultat.rez")
                  .find("     THE PROGRAM CANNOT BUILD ANY TWO DESCRIPTOR "
                        "VALUABLE SETS."),
              std::string::npos);
}

TEST(SearchPairs, NoOrthogonalPair) {
    SearchSetUp set(20, 2);
    set.cs.Cycle.InvRootThreshold = 0.1;
    set.cs.Descriptors.InterR2[1 * 3 + 2] = set.cs.Descriptors.InterR2[2 * 3 + 1] = 0.5;
    SearchPairs(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    EXPECT_EQ(set.cs.Search.ValuableSetCount, 0);
    EXPECT_NE(ReadFile("rezultat.rez").find("     PROGRAM FINISH"), std::string::npos);
}

TEST(SearchLargerSets, ThreePredictorsFoundAndHandedOn) {
    SearchSetUp set(30, 6);
    SearchPairs(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    SearchLargerSets(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    EXPECT_EQ(set.cs.Search.BestSetSize, 3);
    EXPECT_EQ(set.cs.Search.BestSets[3][1], 1);
    EXPECT_EQ(set.cs.Search.BestSets[3][2], 2);
    EXPECT_EQ(set.cs.Search.BestSets[3][3], 3);
    EXPECT_EQ(set.cs.Search.KeptSets[1][3],
              set.cs.Search.CandidateSets[1][3]); // the level was handed on
    // No set is listed twice.
    for (int a = 1; a <= kListRows; ++a) {
        for (int b = a + 1; b <= kListRows && set.cs.Search.CandidateSets[a][3] != 0; ++b) {
            ASSERT_FALSE(set.cs.Search.CandidateSets[a] == set.cs.Search.CandidateSets[b])
                << a << " " << b;
        }
    }
}

/// Stops the run at its `calls`-th turn to process events.
class StoppingWindow : public SilentWindow {
public:
    explicit StoppingWindow(int calls) : left_(calls) { SetYieldInterval(1); }

protected:
    void ProcessEvents() override {
        if (--left_ == 0) {
            RequestStop();
        }
        SilentWindow::ProcessEvents();
    }

private:
    int left_;
};

/// What a search leaves: the list, the best sets and the figures of its progress.
struct SearchOutcome {
    std::vector<PredictorSet> Sets;
    std::vector<double> R2;
    std::array<std::array<double, kSlotEntries>, kBestSetSlots + 1> BestSets{};
    double BestQ = 0;
    long long PassedFits = 0;
};

/// A search of three and four predictors over 60 descriptors, a quarter of the pairs
/// intercorrelated beyond the limit, on `threads` workers: 1000 kept sets of some 40
/// extensions each, so that a level takes many groups of kept sets. A window stopping at
/// its `stopAt`-th turn to process events (0: never) stops it.
SearchOutcome SearchWide(int threads, bool passBy, int stopAt = 0) {
    SearchSetUp set(40, 60);
    set.cs.Cycle.MaxPredictors = 4;
    set.cs.Search.PassByIdleFits = passBy;
    set.cs.Workers = std::make_unique<WorkerPool>(threads);
    const int s = set.cs.Descriptors.SignificantCount;
    for (int c = 1; c <= s; ++c) {
        for (int d = 1; d <= s; ++d) {
            if (c != d) {
                set.cs.Descriptors.InterR2[static_cast<std::size_t>(c) * (s + 1) + d] =
                    (c * d) % 4 == 0 ? 0.9 : 0.1;
            }
        }
    }
    StoppingWindow window(stopAt);
    CycleContext context{set.ps, set.ps,           set.cs.Cycle, set.cs.Workers.get(),
                         window, set.cs.ReportName};
    SearchPairs(context, set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    try {
        SearchLargerSets(context, set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    } catch (const RunInterrupted&) {
        // The pool still runs a loop in full.
        std::atomic<int> total{0};
        set.cs.Workers->ForEach(1000, 10, [&](int first, int last, int) { total += last - first; });
        EXPECT_EQ(total.load(), 1000);
        throw;
    }
    EXPECT_EQ(set.cs.Search.FitTermCount, 4);
    return {set.cs.Search.CandidateSets, set.cs.Search.CandidateR2, set.cs.Search.BestSets,
            set.cs.Search.Progress.BestQ, set.cs.Search.PassedFitCount};
}

// With more than one worker a group of kept sets is worked out while the one before is
// taken, against the thresholds of before: the list, the best sets and the fits passed by
// are those of one worker, and the list and best sets those of the plain path that fits
// every set.
TEST(SearchLargerSets, GroupsWorkedOutAheadChangeNothing) {
    const SearchOutcome plain = SearchWide(1, false);
    const SearchOutcome one = SearchWide(1, true);
    EXPECT_GT(one.PassedFits, 0);
    for (int threads : {1, 2, 3}) {
        const SearchOutcome fast = SearchWide(threads, true);
        EXPECT_EQ(fast.Sets, plain.Sets) << threads;
        EXPECT_EQ(fast.R2, plain.R2) << threads;
        EXPECT_EQ(fast.BestSets, plain.BestSets) << threads;
        EXPECT_EQ(fast.BestQ, plain.BestQ) << threads;
        EXPECT_EQ(fast.PassedFits, one.PassedFits) << threads;
    }
}

// A stop asked for while a group is taken and the next one worked out ends the search with
// the stop; the workers leave the group before it goes, and the pool runs the next loop.
TEST(SearchLargerSets, StopWhileTheNextGroupIsWorkedOutLeavesThePoolSound) {
    for (int stopAt : {2000, 20000, 40000}) {
        EXPECT_THROW(SearchWide(2, true, stopAt), RunInterrupted) << stopAt;
    }
}

TEST(SearchLargerSets, TwoPredictorsOnlyDoesNothing) {
    SearchSetUp set(30, 6);
    set.cs.Cycle.MaxPredictors = 2;
    SearchPairs(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    const auto kept = set.cs.Search.KeptSets;
    SearchLargerSets(set.Context(), set.cs.Descriptors, set.cs.Search, set.cs.CV, set.cs.Outliers);
    EXPECT_EQ(set.cs.Search.KeptSets, kept);
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
    cs.Cycle.QsprLines = {"Cases\tp", "a1\t1", "a10\t2", "a2\t3"};
    cs.Cycle.QsprLastLine = 3;
    cs.Cycle.SelectedTableCount = 1;
    cs.Cycle.ChosenTableNames = {{}, {"t.des", "t.des"}};
    cs.Cycle.TableNames = {{}, {"other", "other"}};
    WriteFile("t.des", "\tCases\tx\r\n\ta1 \t5\r\n\r\n\ta10\t6\r\n\ta2\t7\r\n");
    PrepareCycle(cs.Cycle, cs.Tables, cs.Outliers); // no outlier: only the list is restored
    EXPECT_EQ(cs.Cycle.TableNames[1].First, "t.des");
    EXPECT_EQ(ReadFile("t.des"), "\tCases\tx\r\n\ta1 \t5\r\n\r\n\ta10\t6\r\n\ta2\t7\r\n");
    cs.Outliers.OutlierName = "a1";
    PrepareCycle(cs.Cycle, cs.Tables, cs.Outliers);
    EXPECT_EQ(cs.Cycle.QsprLines, (std::vector<std::string>{"Cases\tp", "a10\t2", "a2\t3", ""}));
    EXPECT_EQ(cs.Cycle.QsprLastLine, 2);
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
        choice.QsprTable = "BZR01";
        choice.ListedTables = tables;
        choice.Selected.assign(tables.size(), true);
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
    const int k = run.cs.Search.BestSetSize;
    const std::string header = prd.substr(0, prd.find("\r\n"));
    EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), k + 1);

    // The best set's quality agrees with a fit of the same descriptors.
    PredictorSet set{};
    for (int b = 1; b <= k; ++b) {
        set[b] = static_cast<int>(run.cs.Search.BestSets[3][b]);
    }
    run.cs.Search.Cross.Valid = false;
    const double r2 = FitSet(FitProblemOf(run.cs.Cycle, run.cs.Descriptors, run.cs.Search), set, k,
                             run.cs.Pair, run.window)
                          .R2;
    const double expected = k <= 2 ? r2 : QualityQ(r2, 148, k);
    EXPECT_NEAR(run.cs.Search.BestSets[3][21], expected, 1e-9);
    EXPECT_GT(run.cs.CV.LastFitR2CV, 0);
    EXPECT_LE(run.cs.CV.LastFitR2CV, 1);
}

/// Records the steps and cycles the loop goes through; ends the first cycle it finishes.
class RecordingPolicy : public CyclePolicy {
public:
    void StartStep(CycleStep step, const CycleContext& context, const ComputingState&) override {
        steps.emplace_back(context.Cycle.Number, step);
    }
    bool FinishCycle(const CycleContext&, ComputingState& cs) override {
        ++finished;
        bestSetSize = cs.Search.BestSetSize;
        return false;
    }
    std::vector<std::pair<int, CycleStep>> steps;
    int finished = 0;
    int bestSetSize = 0;
};

TEST(RunCycles, APolicyThatEndsTheCycleEndsTheLoopAfterItsSteps) {
    // The loop tells the policy each step in order, the preselection before cycle 1, and
    // hands it the cycle once the searches are done; its false ends the loop.
    Bzr01Run run;
    run.cs.Cycle = FirstCycleInputs(run.ps);
    run.cs.Workers = std::make_unique<WorkerPool>(1);
    RecordingPolicy policy;
    RunCycles({run.ps, run.ps, run.cs.Cycle, run.cs.Workers.get(), run.window, run.cs.ReportName},
              run.cs, policy);
    run.cs.WorkFiles.RemoveAll();
    const std::vector<std::pair<int, CycleStep>> expected = {
        {0, CycleStep::Preselection},      {1, CycleStep::Screening},
        {1, CycleStep::Intercorrelations}, {1, CycleStep::PairSearch},
        {1, CycleStep::LargerSetSearch},   {1, CycleStep::FinalAnalysis}};
    EXPECT_EQ(policy.steps, expected);
    EXPECT_EQ(policy.finished, 1);
    EXPECT_GE(policy.bestSetSize, 2); // the searches ran before the policy's end of cycle
    EXPECT_EQ(run.ps.CycleNumber, 1);
    // The report holds the searches' lines, and none of the run's final analysis.
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_NE(report.find("   " + std::string(70, '-')), std::string::npos);
    EXPECT_EQ(report.find("Weighting factors and intercept"), std::string::npos);
}

/// Names of the files in the current folder, sorted.
std::vector<std::string> FolderFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A job ready to run whose computation has already started (a second start from the
// computing window): the call returns without touching the window, the folder, the report
// or what the first start left in the state. Started afresh, the job would write its analysis.
TEST(RunComputation, DoesNotStartTwice) {
    Bzr01Run run;
    run.ps.ComputationStarted = true;
    run.ps.CycleNumber = 3;
    run.ps.Record.Cycles.resize(2);
    const auto given = run.ps.Record.GivenParameters;
    ASSERT_FALSE(given.empty());
    const std::vector<std::string> files = FolderFiles();
    const std::string report = ReadFile("rezultat.rez"); // the parameters, as the window wrote
    RunComputation(run.ps, run.cs, run.window);
    EXPECT_TRUE(run.ps.ComputationStarted);
    EXPECT_EQ(run.ps.CycleNumber, 3);
    EXPECT_EQ(run.ps.Record.Cycles.size(), 2U);
    EXPECT_EQ(run.ps.Record.GivenParameters, given);
    EXPECT_EQ(run.window.Caption(), "");
    EXPECT_EQ(FolderFiles(), files);
    EXPECT_EQ(ReadFile("rezultat.rez"), report);
}

} // namespace
} // namespace kalemir::qspr
