// Y-randomisation: the shuffles are the same on every platform, the summary's figures
// are those worked by hand, and whole runs on the example and on pure-noise tables tell
// a real model from chance correlation without touching the user's files.

#include "qspr/validation/Randomisation.h"
#include "TestData.h"
#include "common/ComputingWindow.h"
#include "qspr/run/Driver.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

// Expected orders worked out by a separate implementation of the 64-bit Mersenne Twister
// (checked against the 10000th output of the default seed, 9981545732273789042) and the
// same draw rule: the draw for position i is the first output not below 2^64 mod (i + 1),
// taken modulo i + 1.
struct PermutationCase {
    unsigned long long seed;
    int n;
    int skip; ///< permutations drawn before the one checked
    std::vector<int> expected;
};

TEST(Randomisation, PermutationsAreTheSameOnEveryPlatform) {
    const PermutationCase cases[] = {
        {20261208, 10, 0, {3, 2, 4, 9, 7, 5, 6, 8, 1, 0}},
        {20261208, 10, 1, {5, 2, 8, 3, 0, 7, 6, 1, 9, 4}},
        {1, 7, 0, {3, 1, 4, 6, 5, 0, 2}},
        {1, 1, 0, {0}},
        {1, 0, 0, {}},
    };
    for (const PermutationCase& c : cases) {
        std::mt19937_64 generator(c.seed);
        for (int k = 0; k < c.skip; ++k) {
            RandomPermutation(c.n, generator);
        }
        EXPECT_EQ(RandomPermutation(c.n, generator), c.expected)
            << "seed " << c.seed << ", n " << c.n << ", after " << c.skip;
    }
    std::mt19937_64 generator(7);
    EXPECT_EQ(UniformBelow(1, generator), 0u);
}

// Runs' r2 {0.1, 0.2, 0.3, 0} and Q {0.5, 1.0, 1.2, 0} against a real r2 of 0.64 and Q of
// 1.0: mean r2 0.15, mean Q 0.675, two runs reach Q 1.0 (equal counts), cR2p = 0.8 x 0.7.
struct SummaryCase {
    double realR2;
    double realQ;
    std::vector<double> r2;
    std::vector<double> q;
    double meanR2, maxR2, meanQ, maxQ, cr2p, share;
};

TEST(Randomisation, SummaryFiguresAsWorkedByHand) {
    const SummaryCase cases[] = {
        {0.64, 1.0, {0.1, 0.2, 0.3, 0.0}, {0.5, 1.0, 1.2, 0.0}, 0.15, 0.3, 0.675, 1.2, 0.56, 0.5},
        // A model no better than the shuffled runs gets cR2p 0, not a root of a negative.
        {0.1, 0.2, {0.1, 0.3}, {0.1, 0.5}, 0.2, 0.3, 0.3, 0.5, 0.0, 0.5},
        {0.2, 0.4, {0.2}, {0.4}, 0.2, 0.2, 0.4, 0.4, 0.0, 1.0},
    };
    for (const SummaryCase& c : cases) {
        const RandomisationSummary s = SummariseRandomisation(c.realR2, c.realQ, c.r2, c.q);
        EXPECT_EQ(s.Runs, static_cast<int>(c.r2.size()));
        EXPECT_NEAR(s.MeanR2, c.meanR2, 1e-12);
        EXPECT_NEAR(s.MaxR2, c.maxR2, 1e-12);
        EXPECT_NEAR(s.MeanQ, c.meanQ, 1e-12);
        EXPECT_NEAR(s.MaxQ, c.maxQ, 1e-12);
        EXPECT_NEAR(s.CR2p, c.cr2p, 1e-12);
        EXPECT_NEAR(s.ShareQReached, c.share, 1e-12);
    }
    EXPECT_EQ(SummariseRandomisation(0.5, 1.0, {}, {}).Runs, 0);
}

/// The state after the real run (its inputs as the Parameters window left them).
struct RealRun {
    ProgramState analysed;
};

RealRun RunReal(const std::string& qspr, const std::vector<std::string>& tables, int runs,
                int threads, bool eliminate) {
    RealRun run;
    ProgramState& ps = run.analysed;
    ps.ThreadCount = threads;
    WorkfilesChoice choice;
    choice.QsprTable = qspr;
    choice.ListedTables = tables;
    choice.Selected.assign(tables.size(), true);
    EXPECT_TRUE(WorkfilesOk(ps, choice));
    ParameterEntries entries = LoadParameters(ps);
    entries.EliminateOutliers = eliminate;
    entries.RandomisationRunsText = std::to_string(runs);
    EXPECT_EQ(ParametersOk(ps, entries), ParametersOutcome::Compute);
    SilentWindow window;
    RunComputation(ps, window);
    return run;
}

const CycleRecord& RealBest(const ProgramState& analysed) {
    for (const CycleRecord& cycle : analysed.Record.Cycles) {
        if (cycle.Cycle == analysed.Record.BestModel.Cycle) {
            return cycle;
        }
    }
    throw std::logic_error("no best model");
}

std::vector<int> Identity(int n) {
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    return order;
}

/// Names and bytes of every file of the current folder.
std::map<std::string, std::string> FolderFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
}

void CopyExample() {
    for (const char* name : {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}) {
        std::filesystem::copy_file(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr/" + name, name);
    }
}

const std::vector<std::string> kExampleTables{"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"};

TEST(Randomisation, ExampleModelIsNoChanceCorrelation) {
    ScratchDir dir{"randomise-example"};
    CopyExample();
    const RealRun real = RunReal("BZR01", kExampleTables, 20, 2, false);
    const CycleRecord& best = RealBest(real.analysed);
    const auto before = FolderFiles();
    SilentWindow window;

    // Unshuffled, the run finds the real model again: the same analysis, not a look-alike.
    const BestByQFigures same =
        AnalysePermuted(real.analysed, Identity(real.analysed.CalibrationCount), window);
    EXPECT_NEAR(same.R2, best.R2, 1e-12);
    EXPECT_NEAR(same.Q, best.Q, 1e-12);

    const RandomisationSummary twoThreads = RandomiseResponses(real.analysed, window);
    EXPECT_EQ(twoThreads.Runs, 20);
    EXPECT_EQ(twoThreads.Seed, kDefaultRandomisationSeed);
    EXPECT_EQ(twoThreads.ShareQReached, 0.0);
    EXPECT_LT(twoThreads.MaxQ, best.Q);
    EXPECT_LT(twoThreads.MeanR2, 0.25 * best.R2);
    EXPECT_GT(twoThreads.CR2p, 0.4);
    EXPECT_EQ(window.Caption().rfind(" Y-randomisation run 20 of 20 ", 0), 0u) << window.Caption();

    // The shuffled runs leave every file of the folder as it was, and no work file.
    EXPECT_TRUE(FolderFiles() == before);

    ProgramState analysed = real.analysed;
    analysed.ThreadCount = 1;
    const RandomisationSummary oneThread = RandomiseResponses(analysed, window);
    EXPECT_EQ(oneThread.R2, twoThreads.R2);
    EXPECT_EQ(oneThread.Q, twoThreads.Q);

    // Another seed, other shuffles.
    analysed.RandomisationSeed = 5;
    analysed.RandomisationRuns = 3;
    const std::vector<double> firstThree(twoThreads.Q.begin(), twoThreads.Q.begin() + 3);
    EXPECT_NE(RandomiseResponses(analysed, window).Q, firstThree);
}

/// A QSPR table of 40 molecules whose property is drawn independently of its 40
/// descriptors and 4 fragments.
void WriteNoiseTables(unsigned seed) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::string qspr = "Cases\tProperty\r\n";
    std::string des = "Cases";
    for (int c = 1; c <= 40; ++c) {
        des += "\tD" + std::to_string(c);
    }
    des += "\r\n";
    std::string vfr = "Cases\tF1\tF2\tF3\tF4\r\n";
    for (int m = 0; m < 40; ++m) {
        const std::string name = "m" + std::to_string(1000 + m);
        qspr += name + "\t" + std::to_string(6 + normal(random)) + "\r\n";
        des += name;
        for (int c = 0; c < 40; ++c) {
            des += "\t" + std::to_string(10 + 3 * normal(random));
        }
        des += "\r\n";
        vfr += name;
        for (int f = 0; f < 4; ++f) {
            vfr += "\t" + std::to_string(static_cast<int>(random() % 3));
        }
        vfr += "\r\n";
    }
    WriteFile("N", qspr);
    WriteFile("Nd2d.des", des);
    WriteFile("Nvfr.des", vfr);
}

// On a property that is pure noise the real model is one more shuffle: its Q ranks
// anywhere among the runs', so the share reaching it is spread over 0..1 rather than near
// 0 as for a real model. Its mean lies below one half because the tables whose real run
// found nothing are left out while a third of the shuffled runs find nothing (Q 0, never
// reaching). With the elimination of outliers the shuffled runs remove outliers as the
// real run did; without that, the real model's removals gave noise tables shares down
// to 0.02, as if the noise were modelled.
TEST(Randomisation, NoiseModelsAreReachedByShuffledRuns) {
    double shareSum = 0;
    int tables = 0;
    for (unsigned seed = 1; tables < 4 && seed < 40; ++seed) {
        ScratchDir dir{"randomise-noise"};
        WriteNoiseTables(seed);
        const RealRun real = RunReal("N", {"Nd2d.des", "Nvfr.des"}, 20, 2, true);
        if (real.analysed.Record.BestModel.Descriptors.empty()) {
            continue; // nothing significant in this table: no model to randomise
        }
        const CycleRecord& best = RealBest(real.analysed);
        SilentWindow window;
        if (tables == 0) {
            // The unshuffled run repeats the real run's outlier cycles.
            ASSERT_GT(real.analysed.Record.Cycles.size(), 1u);
            const BestByQFigures same =
                AnalysePermuted(real.analysed, Identity(real.analysed.CalibrationCount), window);
            EXPECT_NEAR(same.R2, best.R2, 1e-12);
            EXPECT_NEAR(same.Q, best.Q, 1e-12);
        }
        const auto before = FolderFiles();
        const RandomisationSummary s = RandomiseResponses(real.analysed, window);
        EXPECT_TRUE(FolderFiles() == before) << "noise table " << seed;
        EXPECT_GT(s.MaxQ, best.Q) << "noise table " << seed;
        EXPECT_GT(s.ShareQReached, 0.0) << "noise table " << seed;
        shareSum += s.ShareQReached;
        ++tables;
    }
    ASSERT_EQ(tables, 4);
    EXPECT_GT(shareSum / tables, 0.15);
}

} // namespace
} // namespace kalemir::qspr
