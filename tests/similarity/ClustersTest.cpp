#include "similarity/Clusters.h"

#include "SimTestSupport.h"
#include "common/WorkerPool.h"
#include "similarity/SimTable.h"

#include <random>

namespace kalemir::sim {
namespace {

WorkerPool& Pool() {
    static WorkerPool pool(2);
    return pool;
}

PairMatrix Uniform(int n, double s) {
    PairMatrix m;
    m.Resize(n);
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            m.Set(i, j, s);
        }
    }
    return m;
}

std::vector<std::vector<int>> Members(const std::vector<Cluster>& clusters) {
    std::vector<std::vector<int>> members;
    for (const Cluster& c : clusters) {
        members.push_back(c.Members);
    }
    return members;
}

TEST(ClusteringTest, AllSimilaritiesAboveThresholdGiveOneCluster) {
    const auto clusters = FindClusters(Uniform(5, 0.95), 3, 0.9, Pool());
    ASSERT_EQ(clusters.size(), 1u);
    EXPECT_EQ(clusters[0].Members, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(clusters[0].Calibration, 3);
    EXPECT_EQ(clusters[0].Prediction, 2);
    EXPECT_EQ(clusters[0].Total, 5);
}

class SingletonTest : public ::testing::TestWithParam<double> {};

TEST_P(SingletonTest, SimilaritiesAtOrBelowThresholdGiveOneClusterPerMolecule) {
    // Equal affinities everywhere: the seeds come in table order.
    const auto clusters = FindClusters(Uniform(4, GetParam()), 4, 0.9, Pool());
    EXPECT_EQ(Members(clusters), (std::vector<std::vector<int>>{{1}, {2}, {3}, {4}}));
}

INSTANTIATE_TEST_SUITE_P(AtAndBelow, SingletonTest, ::testing::Values(0.9, 0.5, 0.0));

TEST(ClusteringTest, TwoPairsOfSimilarMolecules) {
    // S(1,2) = S(3,4) = 0.95, all else 0.2, t = 0.9. All affinities 1.95 - 2*0.8 = 0.35:
    // seed 1; then 3 (affinity -0.8 to seed 1, not similar to it); then 2 and 4 tie at
    // 1.15 with 2 similar to seed 1: seeding stops. Growth: 2 (first of the tie) joins
    // cluster 1, 4 joins cluster 2.
    PairMatrix m = Uniform(4, 0.2);
    m.Set(1, 2, 0.95);
    m.Set(3, 4, 0.95);
    EXPECT_EQ(Members(FindClusters(m, 4, 0.9, Pool())),
              (std::vector<std::vector<int>>{{1, 2}, {3, 4}}));
}

TEST(ClusteringTest, EqualMeanAffinitiesGoToTheLowerCluster) {
    // Seeds 1 and 2 (S = 0.5); molecule 3 is 0.95 from both: mean affinity 1.95 to each.
    PairMatrix m = Uniform(3, 0.95);
    m.Set(1, 2, 0.5);
    EXPECT_EQ(Members(FindClusters(m, 3, 0.9, Pool())),
              (std::vector<std::vector<int>>{{1, 3}, {2}}));
}

TEST(ClusteringTest, AdmissionNeedsSimilarityToEveryMember) {
    // Molecule 4 is 0.95 from 1 and 2 but exactly 0.9 from 3 (not above t): cluster
    // {1, 2, 3} would need S > 0.9 with each member. 1, 2, 3 are mutually 0.95.
    PairMatrix m = Uniform(4, 0.95);
    m.Set(3, 4, 0.9);
    // Seeds 3 (least connected) and 4 (0.9 from 3 is not above t); 1 and 2 then tie
    // between the two clusters (mean 1.95) and go to the lower-numbered one, {3}.
    EXPECT_EQ(Members(FindClusters(m, 4, 0.9, Pool())),
              (std::vector<std::vector<int>>{{1, 2, 3}, {4}}));
}

TEST(ClusteringTest, LargeTablesStillChooseMolecules) {
    // 1500 molecules all 0.95 apart: affinities near 2900, beyond which fixed start values
    // would lose the choice; one cluster holds them all.
    const auto clusters = FindClusters(Uniform(1500, 0.95), 1500, 0.9, Pool());
    ASSERT_EQ(clusters.size(), 1u);
    EXPECT_EQ(clusters[0].Total, 1500);
    // And 1500 dissimilar ones (affinities near -2250) give 1500 seeds.
    EXPECT_EQ(FindClusters(Uniform(1500, 0.1), 1500, 0.9, Pool()).size(), 1500u);
}

class SimilarityRowsTest : public ::testing::TestWithParam<int> {};

TEST_P(SimilarityRowsTest, CopiedAndGatheredRowsHoldEveryPairOfTheMolecule) {
    // S[i][j] = i + j / 1000 for i < j: every entry tells where it came from. 37 molecules
    // fit one tile of the copy; 300 fill several tiles and pieces, the last ones partly.
    const int n = GetParam();
    PairMatrix m;
    m.Resize(n);
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            m.Set(i, j, i + j / 1000.0);
        }
    }
    for (int threads : {1, 3}) {
        WorkerPool pool(threads);
        const SimilarityRows copied(m, pool, true);
        const SimilarityRows gathered(m, pool, false);
        EXPECT_TRUE(copied.Copied());
        EXPECT_FALSE(gathered.Copied());
        std::vector<double> a;
        std::vector<double> b;
        std::vector<double> c;
        int wrong = 0;
        for (int x = 1; x <= n; ++x) {
            copied.Load(x, a);
            gathered.Load(x, b);
            const SimilarityRows::View v = copied.Get(x, c);
            ASSERT_EQ(a.size(), static_cast<std::size_t>(n) + 1);
            for (int i = 1; i <= n; ++i) {
                const double expected = i == x ? 0 : (i < x ? i + x / 1000.0 : x + i / 1000.0);
                wrong += a[static_cast<std::size_t>(i)] != expected;
                wrong += b[static_cast<std::size_t>(i)] != expected;
                wrong += v[i] != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SimilarityRowsTest, ::testing::Values(37, 300));

TEST(ClusteringTest, CopiedAndGatheredRowsGiveTheSameClusters) {
    // Similarities from a few levels around the thresholds (ties in every choice), 420
    // molecules: the copy sums the affinities molecule by molecule on the workers, the
    // gathered rows pair by pair on one thread.
    const int n = 420;
    PairMatrix m;
    m.Resize(n);
    std::mt19937 random(5);
    const double levels[] = {0.1, 0.5, 0.85, 0.9, 0.9, 0.95, 0.99};
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            m.Set(i, j, levels[random() % 7]);
        }
    }
    std::vector<double> space;
    for (double t : {0.5, 0.9, 0.95}) {
        const auto gathered = FindClusters(m, 400, t, Pool(), space, 0);
        EXPECT_EQ(Members(FindClusters(m, 400, t, Pool(), space)), Members(gathered)) << t;
        WorkerPool one(1);
        EXPECT_EQ(Members(FindClusters(m, 400, t, one)), Members(gathered)) << t;
    }
}

TEST(SimilarityRowsSizeTest, OneMoleculeHasOnlyTheDiagonal) {
    PairMatrix m;
    m.Resize(1);
    const SimilarityRows rows(m, Pool(), true);
    std::vector<double> row;
    rows.Load(1, row);
    EXPECT_EQ(row, (std::vector<double>{0, 0}));
}

class CluDatabaseTest : public test::TempFolderTest {};

TEST_F(CluDatabaseTest, MixedClusterScoresAboveLargerPureOne) {
    // Cluster 1: 2 calibration molecules (2 x sqrt 1 = 2); cluster 2: 2 calibration and
    // 1 prediction molecule (2 x sqrt 2 = 2.83) wins.
    RunChoices choices;
    choices.TableFileName = "ABCDESIM.des";
    PreparedTable table;
    table.CalibrationCount = 4;
    table.PredictionCount = 1;
    table.MoleculeCount = 5;
    table.Names = {"Cases", "a", "b", "c", "d", "p"};
    table.PropertyTokens = {"", "1", "2", "3.50", "4", "9"};
    table.PropertyTexts = {"", "1", "2", "3.50", "4", "?"};
    const std::vector<Cluster> clusters = {{{1, 2}, 2, 0, 2}, {{3, 4, 5}, 2, 1, 3}};
    RunResults results;
    WriteCluDatabase(choices, table, clusters, results);
    EXPECT_EQ(test::FileLines("ABCDECLU"),
              (std::vector<std::string>{"Case \tProperty", "c\t3.50", "d\t4", "p\t?"}));
    EXPECT_EQ(results.CluCalibrationCount, 2);
    EXPECT_EQ(results.CluPredictionCount, 1);

    std::vector<int> marks(6, 0);
    MarkMixedClusters(table, clusters, marks);
    EXPECT_EQ(marks, (std::vector<int>{0, 0, 0, 1, 1, 1}));
}

TEST_F(CluDatabaseTest, MarkCountsSelectNdbAndNvb) {
    RunChoices choices;
    choices.TableFileName = "ABCDESIM.des";
    PreparedTable table;
    table.CalibrationCount = 4;
    table.PredictionCount = 2;
    table.MoleculeCount = 6;
    table.Names = {"Cases", "a", "b", "c", "d", "p", "q"};
    table.PropertyTexts = {"", "1", "2", "3", "4", "?", "?"};
    RunResults results;
    results.MixedClusterMarks = {0, 3, 1, 0, 5, 2, 3};
    WriteMarkDatabases(choices, table, results);
    EXPECT_EQ(test::FileLines("ABCDENDB"),
              (std::vector<std::string>{"Case \tProperty", "b\t2", "a\t1", "d\t4", "q\t?"}));
    EXPECT_EQ(test::FileLines("ABCDENVB"),
              (std::vector<std::string>{"Case \tProperty", "a\t1", "d\t4", "q\t?"}));
    EXPECT_EQ(results.NdbTrainingCount, 1);
    EXPECT_EQ(results.NdbValidationCount, 2);
    EXPECT_EQ(results.NdbPredictionCount, 1);
}

TEST_F(CluDatabaseTest, ListingFlagsSmallClusters) {
    // N = 25: clusters below sqrt(25) / 2 = 2.5 members are flagged.
    RunChoices choices;
    choices.ResultsFileName = "ABCDESIM.res";
    PreparedTable table;
    table.CalibrationCount = 24;
    table.PredictionCount = 0;
    table.MoleculeCount = 25;
    table.Names.assign(26, "");
    table.Names[1] = "a";
    table.Names[2] = "b";
    table.Names[3] = "c";
    table.Names[25] = "z";
    ReportClusters(choices, table, {{{1, 2, 3}, 3, 0, 3}, {{25}, 0, 1, 1}});
    EXPECT_EQ(
        test::FileLines("ABCDESIM.res"),
        (std::vector<std::string>{"     NUMBER OF CLUSTERS IS 2", "", "a", "b", "c", "",
                                  "Number of molecules in cluster 3", "", std::string(24, '-'),
                                  "  z", "", "Number of molecules in cluster 1",
                                  "Above cluster includes OUTLIERS", "", std::string(24, '-')}));
}

} // namespace
} // namespace kalemir::sim
