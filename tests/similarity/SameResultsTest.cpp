// Whole similarity runs on one worker thread and on two and three: every file they write
// must be the same, byte for byte (the date and time lines of the report aside). The random
// tables are made to hit what threads could get wrong: ties between pairs (the first pair in
// loop order must win the lowest similarity), duplicate molecules (votes), zero denominators
// (the first pairs are listed), more pairs than one batch, and pair counts that are not a
// multiple of any piece.

#include "SimTestSupport.h"
#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/WorkerPool.h"
#include "similarity/Measures.h"
#include "similarity/Run.h"
#include "similarity/SimTable.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

namespace kalemir::sim {
namespace {

namespace fs = std::filesystem;

/// Every file of a folder by name; the report's date and time lines are blanked.
std::map<std::string, std::string> FolderFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string text = test::FileText(entry.path().string());
        const std::string program = "\r\n     Program KalemirS\r\n\r\n";
        for (std::size_t at = text.find(program); at != std::string::npos;
             at = text.find(program, at + 1)) {
            // The two lines after the program line are the date and the time.
            const std::size_t date = at + program.size();
            const std::size_t time = text.find("\r\n", date) + 2;
            const std::size_t end = text.find("\r\n", time);
            text.replace(date, end - date, "<date>\r\n<time>");
        }
        files[entry.path().filename().string()] = text;
    }
    return files;
}

/// Runs the whole analysis on `threads` workers in a fresh folder holding copies of the
/// inputs, and returns the folder's files.
std::map<std::string, std::string> RunIn(const fs::path& folder,
                                         const std::vector<fs::path>& inputs,
                                         const std::string& table, int shapeMethod, int threads) {
    fs::create_directories(folder);
    for (const fs::path& input : inputs) {
        fs::copy_file(input, folder / input.filename(), fs::copy_options::overwrite_existing);
    }
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    RunChoices choices = test::ChoicesFor(table, shapeMethod, threads);
    if (shapeMethod == kSuperposition) {
        choices.MinClusterSimilarity[kShape] = 0.92;
    }
    SilentWindow window;
    PreparedTable prepared;
    PrepareTable(choices, prepared, window);
    RunResults results;
    RunSimilarityAnalysis(choices, prepared, results, window);
    fs::current_path(previous);
    return FolderFiles(folder);
}

struct RandomTable {
    const char* name;
    unsigned seed;
    int nc;
    int np;
    int shapeMethod;
    bool ties;       ///< values from a few levels only: many equal similarities
    bool duplicates; ///< about one molecule in five repeats an earlier one
};

std::string Text(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", x);
    return buffer;
}

/// Writes RANDxSIM.des and RANDxSHP.des for the case.
void WriteRandomTables(const RandomTable& c) {
    const std::vector<std::string> fragments{"CH3", "CH2", "OH", "NH2", "Cl", "Car"};
    std::mt19937 random(c.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    auto level = [&](std::initializer_list<double> levels) {
        const auto k = static_cast<std::size_t>(unit(random) * static_cast<double>(levels.size()));
        return *(levels.begin() + std::min(k, levels.size() - 1));
    };
    auto value = [&](double lo, double hi, std::initializer_list<double> levels) {
        return c.ties ? level(levels) : lo + (hi - lo) * unit(random);
    };
    const int n = c.nc + c.np;
    std::vector<test::Row> rows;
    std::vector<std::vector<std::string>> atoms;
    for (int i = 0; i < n; ++i) {
        const std::string name = "r" + std::to_string(i + 1);
        if (c.duplicates && i > 0 && unit(random) < 0.2) {
            const auto from = static_cast<std::size_t>(unit(random) * i);
            rows.push_back(rows[from]);
            rows.back().name = name;
            atoms.push_back(atoms[from]);
            continue;
        }
        test::Row row{name, {}, {}};
        double left = 100;
        for (std::size_t f = 0; f < fragments.size(); ++f) {
            const double share = f + 1 == fragments.size() ? left
                                 : c.ties                  ? level({0.0, left / 2})
                                                           : left * unit(random) * 0.7;
            row.fragments.push_back(Text(share));
            left -= share;
        }
        for (int k = 1; k <= 12; ++k) {
            row.fixed.push_back(Text(value(1, 4, {1, 2})));
        }
        // Shape correction around the bounds 1.47, 1.99, 2.01 and 2.81 of the formula.
        row.fixed.push_back(Text(value(1.3, 3.0, {1.0, 1.5, 2.0, 2.0, 2.2, 3.0})));
        row.fixed.push_back(Text(value(3000, 4000, {3000, 3400})));
        row.fixed.push_back(Text(value(2000, 3000, {2000, 3000})));
        row.fixed.push_back(Text(value(500, 2800, {500, 2700})));
        // Size: now and then 0 (zero denominators).
        row.fixed.push_back(Text(unit(random) < 0.05 ? 0 : value(200, 500, {200, 300, 400})));
        row.fixed.push_back(Text(value(0, 100, {0, 40, 41})));
        row.fixed.push_back(Text(std::floor(value(0, 10, {0, 5}))));
        row.fixed.push_back(Text(value(2, 8, {3, 4})));
        row.fixed.push_back(Text(value(5, 9, {6, 7, 8})));
        row.fixed.push_back(Text(10 + std::floor(30 * unit(random))));
        row.fixed.push_back(Text(value(300, 1300, {500, 501})));
        for (int k = 0; k < 4; ++k) {
            row.fixed.emplace_back("0");
        }
        rows.push_back(row);
        std::vector<std::string> coordinates;
        const int count = unit(random) < 0.05 ? 0 : 1 + static_cast<int>(unit(random) * 30);
        for (int v = 0; v < 3 * count; ++v) {
            coordinates.push_back(Text(c.ties ? level({1, 2, 3}) : 1 + 10 * unit(random)));
        }
        atoms.push_back(coordinates);
    }
    test::WriteTable("RANDxSIM.des", c.nc, c.np, fragments, rows);
    std::FILE* shape = std::fopen("RANDxSHP.des", "wb");
    ASSERT_NE(shape, nullptr);
    for (const auto& coordinates : atoms) {
        std::fputs("newmol\r\n", shape);
        for (const std::string& x : coordinates) {
            std::fprintf(shape, "%s\r\n", x.c_str());
        }
        std::fputs("finmol\r\n", shape);
    }
    std::fclose(shape);
}

class SameResultsTest : public test::TempFolderTest {
protected:
    /// Runs on 1, 2 and 3 threads and compares everything with the one-thread run.
    void ExpectSameFiles(const std::vector<fs::path>& inputs, const std::string& table,
                         int shapeMethod) {
        const auto one = RunIn("t1", inputs, table, shapeMethod, 1);
        ASSERT_GT(one.size(), inputs.size()); // the run wrote its files
        for (int threads : {2, 3}) {
            const auto many =
                RunIn("t" + std::to_string(threads), inputs, table, shapeMethod, threads);
            ASSERT_EQ(many.size(), one.size()) << threads << " threads";
            for (const auto& [name, text] : one) {
                const auto found = many.find(name);
                ASSERT_NE(found, many.end()) << name << ", " << threads << " threads";
                EXPECT_TRUE(found->second == text)
                    << name << " differs on " << threads << " threads";
            }
        }
    }
};

class RandomSameResultsTest : public SameResultsTest,
                              public ::testing::WithParamInterface<RandomTable> {};

TEST_P(RandomSameResultsTest, EveryFileIsTheSame) {
    WriteRandomTables(GetParam());
    const fs::path here = fs::current_path();
    ExpectSameFiles({here / "RANDxSIM.des", here / "RANDxSHP.des"}, "RANDxSIM.des",
                    GetParam().shapeMethod);
}

// 425 molecules make 90100 pairs: more than one batch of 65536, and neither count is a
// multiple of the 1024 pairs of a piece; 47 molecules make 1081 pairs (one piece and a bit).
const RandomTable kRandomTables[] = {
    {"TiesUsr", 1, 40, 7, kCorrectedUsr, true, false},
    {"DuplicatesSuperposition", 2, 30, 0, kSuperposition, false, true},
    {"TwoBatchesUsr", 3, 380, 45, kCorrectedUsr, false, true},
    {"TiesSuperposition", 4, 150, 20, kSuperposition, true, true},
    {"OneMolecule", 5, 1, 0, kCorrectedUsr, false, false},
    {"ThreeMolecules", 6, 2, 1, kSuperposition, false, false},
    {"TiedCalibrationOnly", 7, 200, 0, kCorrectedUsr, true, true},
};

INSTANTIATE_TEST_SUITE_P(Tables, RandomSameResultsTest, ::testing::ValuesIn(kRandomTables),
                         [](const auto& info) { return std::string(info.param.name); });

struct ExampleRun {
    const char* name;
    const char* table;
    int shapeMethod;
};

class ExampleSameResultsTest : public SameResultsTest,
                               public ::testing::WithParamInterface<ExampleRun> {};

TEST_P(ExampleSameResultsTest, EveryFileIsTheSame) {
    const fs::path examples = fs::path(KALEMIR_EXAMPLES_DIR) / "bzr";
    const std::string table = GetParam().table;
    std::vector<fs::path> inputs{examples / table};
    if (GetParam().shapeMethod == kSuperposition) {
        inputs.push_back(examples / (table.substr(0, 5) + "SHP.des"));
    }
    ExpectSameFiles(inputs, table, GetParam().shapeMethod);
}

const ExampleRun kExampleRuns[] = {
    {"Bzr01Usr", "BZR01SIM.des", kCorrectedUsr},
    {"Bzr01Superposition", "BZR01SIM.des", kSuperposition},
    {"Bzr02Usr", "BZR02SIM.des", kCorrectedUsr},
};

INSTANTIATE_TEST_SUITE_P(Examples, ExampleSameResultsTest, ::testing::ValuesIn(kExampleRuns),
                         [](const auto& info) { return std::string(info.param.name); });

/// The pair loop as plainly stated: pair after pair in loop order, the bookkeeping of each
/// pair before the next one. The loop in pieces must give the same matrix and statistics.
struct PlainLoop {
    PairMatrix similarity;
    std::vector<std::uint8_t> votes;
    long high = 0;
    long low = 0;
    double lowest = 2;
    int lowestPair[2] = {0, 0};
    ZeroDenominatorPairs zero;
};

PlainLoop RunPlainLoop(const PreparedTable& table, int shapeMethod, int measure) {
    const int n = table.MoleculeCount;
    PlainLoop plain;
    plain.similarity.Resize(n);
    plain.votes.assign(n < 2 ? 0 : static_cast<std::size_t>(n) * (n - 1) / 2, 0);
    const MeasureInputs inputs(table, measure, shapeMethod);
    PairScratch scratch;
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            const PairResult r = inputs.Compute(i, j, scratch);
            std::uint8_t& votes = plain.votes[plain.similarity.Index(i, j)];
            if (r.ZeroDenominator) {
                ++plain.zero.Count;
                if (plain.zero.First.size() < 100) {
                    plain.zero.First.emplace_back(i, j);
                }
            }
            if (r.P > 0.98) {
                ++plain.high;
                votes += r.P > 0.99 ? 1 : 0;
            }
            votes += r.ExtraVote ? 1 : 0;
            plain.low += r.P < 0.1 ? 1 : 0;
            if (r.P < plain.lowest) {
                plain.lowest = r.P;
                plain.lowestPair[0] = i;
                plain.lowestPair[1] = j;
            }
            plain.similarity.Set(i, j, r.P);
        }
    }
    return plain;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class PairLoopSameResultsTest : public test::TempFolderTest,
                                public ::testing::WithParamInterface<RandomTable> {};

TEST_P(PairLoopSameResultsTest, PiecesGiveThePlainLoopsMatrixAndStatistics) {
    WriteRandomTables(GetParam());
    const int shapeMethod = GetParam().shapeMethod;
    const RunChoices choices = test::ChoicesFor("RANDxSIM.des", shapeMethod);
    SilentWindow window;
    PreparedTable table;
    PrepareTable(choices, table, window);
    const int n = table.MoleculeCount;
    for (int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        PairMatrix similarity;
        std::vector<std::uint8_t> votes;
        for (int measure = 1; measure <= kMeasureCount; ++measure) {
            const auto [statistics, zero] = ComputePairSimilarities(
                MeasureContext{choices, table, measure, pool, window}, similarity, votes);
            const PlainLoop plain = RunPlainLoop(table, shapeMethod, measure);
            SCOPED_TRACE(std::to_string(threads) + " threads, measure " + std::to_string(measure));
            long differing = 0;
            for (int i = 1; i < n; ++i) {
                for (int j = i + 1; j <= n; ++j) {
                    differing += SameBits(similarity(i, j), plain.similarity(i, j)) ? 0 : 1;
                }
            }
            EXPECT_EQ(differing, 0);
            EXPECT_EQ(statistics.HighPairCount, plain.high);
            EXPECT_EQ(statistics.LowPairCount, plain.low);
            EXPECT_TRUE(SameBits(statistics.LowestSimilarity, plain.lowest));
            EXPECT_EQ(statistics.LowestPair[0], plain.lowestPair[0]);
            EXPECT_EQ(statistics.LowestPair[1], plain.lowestPair[1]);
            EXPECT_EQ(zero.Count, plain.zero.Count);
            EXPECT_EQ(zero.First, plain.zero.First);
            // The votes add up over the measures; the plain loop's are this measure's.
            if (measure == 1) {
                EXPECT_EQ(votes, plain.votes);
            }
        }
        EXPECT_EQ(window.Caption(), " Computation of the FLEXIBILITY similarities    " +
                                        std::to_string(n * (n - 1) / 2) + " / " +
                                        std::to_string(n * (n - 1) / 2));
    }
}

// Many tied pairs across pieces and batches (the first in loop order must stay the lowest),
// thousands of zero-denominator pairs (the first hundred are listed), and short last rows.
const RandomTable kPairLoopTables[] = {
    {"TiedUsr", 9, 400, 25, kCorrectedUsr, true, true},
    {"TiedSuperposition", 10, 300, 70, kSuperposition, true, false},
    {"SpreadUsr", 11, 370, 0, kCorrectedUsr, false, false},
};

INSTANTIATE_TEST_SUITE_P(Tables, PairLoopSameResultsTest, ::testing::ValuesIn(kPairLoopTables),
                         [](const auto& info) { return std::string(info.param.name); });

/// A window that asks to stop on its first turn and counts the pairs yielded before it.
class StoppingWindow : public SilentWindow {
public:
    StoppingWindow() { SetYieldInterval(1); }
    unsigned long yields = 0;

protected:
    void ProcessEvents() override {
        ++yields;
        RequestStop();
        ComputingWindow::ProcessEvents();
    }
};

/// A window that counts its turns.
class CountingWindow : public SilentWindow {
public:
    explicit CountingWindow(unsigned interval) { SetYieldInterval(interval); }
    unsigned long turns = 0;

protected:
    void ProcessEvents() override { ++turns; }
};

TEST(YieldForManyTest, TurnsComeAsWhenYieldingOneByOne) {
    // {interval, yields one by one before, yields at once}: turns on exact multiples of the
    // interval, just before and just after them, and none at all.
    const unsigned long long cases[][3] = {{1, 0, 5},     {4, 3, 1},        {4, 3, 0},
                                           {4, 0, 8},     {4, 1, 7},        {4, 2, 11},
                                           {256, 255, 1}, {256, 100, 1000}, {65536, 7, 300000}};
    for (const auto& c : cases) {
        CountingWindow one(static_cast<unsigned>(c[0]));
        CountingWindow many(static_cast<unsigned>(c[0]));
        for (unsigned long long k = 0; k < c[1]; ++k) {
            one.Yield();
            many.Yield();
        }
        for (unsigned long long k = 0; k < c[2]; ++k) {
            one.Yield();
        }
        many.Yield(c[2]);
        EXPECT_EQ(many.turns, one.turns) << c[0] << " " << c[1] << " " << c[2];
        // The next turn comes after the same number of further yields.
        for (int k = 0; k < 70000 && many.turns == one.turns; ++k) {
            one.Yield();
            many.Yield();
        }
        EXPECT_EQ(many.turns, one.turns) << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST_F(SameResultsTest, AStopEndsTheRunOnTheCallingThreadWhateverTheWorkers) {
    WriteRandomTables({"Stop", 8, 380, 45, kCorrectedUsr, false, false});
    for (int threads : {1, 2, 3}) {
        const RunChoices choices = test::ChoicesFor("RANDxSIM.des", kCorrectedUsr, threads);
        StoppingWindow window;
        PreparedTable table;
        PrepareTable(choices, table, window);
        RunResults results;
        EXPECT_THROW(RunSimilarityAnalysis(choices, table, results, window), RunInterrupted)
            << threads;
        // The stop takes effect at the first pair's turn, before any further batch.
        EXPECT_EQ(window.yields, 1u) << threads;
    }
}

} // namespace
} // namespace kalemir::sim
