// The cliff list: SALI at its edges, the order of a hand-made set, and the example's list
// of every measure against a pair-by-pair recount done here.

#include "similarity/CliffList.h"

#include "SimTestSupport.h"
#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/WorkFiles.h"
#include "common/WorkerPool.h"
#include "similarity/Measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <tuple>

namespace kalemir::sim {
namespace {

struct SaliRow {
    double similarity;
    double difference;
    double expected;
};

class SaliTest : public ::testing::TestWithParam<SaliRow> {};

TEST_P(SaliTest, IsTheDifferenceOverTheDistance) {
    const SaliRow& row = GetParam();
    EXPECT_EQ(Sali(row.similarity, row.difference), row.expected);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Edges, SaliTest,
                         ::testing::Values(SaliRow{0.5, 1, 2}, SaliRow{0.5, -1, 2},
                                           SaliRow{0.75, 0.5, 2}, SaliRow{0.9, 0, 0},
                                           SaliRow{1, 2, kInf}, SaliRow{1, -2, kInf},
                                           SaliRow{1, 0, 0}, SaliRow{1.0000000001, 1, kInf}));

/// Four calibration molecules with properties 1, 2, 4, 4 and one prediction molecule.
PreparedTable FourMolecules() {
    PreparedTable table;
    table.CalibrationCount = 4;
    table.PredictionCount = 1;
    table.MoleculeCount = 5;
    table.Values.assign(static_cast<std::size_t>(6 * table.Columns()), 0.0);
    const double property[] = {0, 1, 2, 4, 4, 9};
    for (int row = 1; row <= 5; ++row) {
        table.Value(row, kPropertyColumn) = property[row];
    }
    table.Names = {"Cases", "m1", "m2", "m3", "m4", "p1"};
    return table;
}

TEST(CliffListTest, PairsAtTheThresholdByDescendingSaliTiesInPairOrder) {
    const PreparedTable table = FourMolecules();
    PairMatrix s;
    s.Resize(5);
    // SALI by hand: (1,2) 1/0.2 = 5; (1,3) 3/0.5 = 6; (1,4) 3/0.4 = 7.5 but below 0.7;
    // (2,3) 2/0.4 = 5 (tie with (1,2): pair order); (2,4) 2/0.3 = 6.67; (3,4) 0 at
    // similarity 1 with equal values. The prediction molecule's pairs never count.
    s.Set(1, 2, 0.8);
    s.Set(1, 3, 0.5);
    s.Set(1, 4, 0.6);
    s.Set(2, 3, 0.6);
    s.Set(2, 4, 0.7);
    s.Set(3, 4, 1.0);
    s.Set(1, 5, 0.99);
    const std::vector<CliffRecord> cliffs = ListCliffs(table, s, 0.6);
    std::vector<std::tuple<int, int, double>> got;
    for (const CliffRecord& c : cliffs) {
        got.emplace_back(c.A, c.B, c.Sali);
    }
    const std::vector<std::tuple<int, int, double>> expected = {{1, 4, 3 / (1 - 0.6)},
                                                                {2, 4, 2 / (1 - 0.7)},
                                                                {1, 2, 1 / (1 - 0.8)},
                                                                {2, 3, 2 / (1 - 0.6)},
                                                                {3, 4, 0}};
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(std::get<0>(got[k]), std::get<0>(expected[k])) << k;
        EXPECT_EQ(std::get<1>(got[k]), std::get<1>(expected[k])) << k;
        EXPECT_NEAR(std::get<2>(got[k]), std::get<2>(expected[k]), 1e-12) << k;
    }
}

TEST(CliffListTest, ThresholdIsTheClustersUnlessGiven) {
    RunChoices choices;
    EXPECT_EQ(CliffThreshold(choices, kFlexibility), 0.88);
    EXPECT_EQ(CliffThreshold(choices, kChemical), 0.9);
    choices.CliffSimilarity = 0.5;
    EXPECT_EQ(CliffThreshold(choices, kFlexibility), 0.5);
}

class ExampleCliffsTest : public test::TempFolderTest {};

/// Splits a CSV line of plain fields (the example's names hold no commas).
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma = line.find(','); comma != std::string::npos;
         start = comma + 1, comma = line.find(',', start)) {
        fields.push_back(line.substr(start, comma - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

TEST_F(ExampleCliffsTest, ListOfEveryMeasureMatchesARecount) {
    std::filesystem::copy_file(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr/BZR01SIM.des",
                               "BZR01SIM.des");
    const RunChoices choices = test::ChoicesFor("BZR01SIM.des");
    SilentWindow window;
    PreparedTable table;
    PrepareTable(choices, table, window);
    WorkerPool pool(1);
    std::vector<std::uint8_t> votes;
    std::vector<std::string> expected = {
        "measure,molecule_a,molecule_b,similarity,difference,sali"};
    for (int measure = 1; measure <= kMeasureCount; ++measure) {
        PairMatrix similarity;
        ComputePairSimilarities(MeasureContext{choices, table, measure, pool, window}, similarity,
                                votes);
        WriteCliffs(choices, table, similarity, measure);
        // Held seven at a time, the runs merged from a work file give the same lines.
        {
            ReportAppender whole("whole.csv", ReportAppender::Mode::Create);
            WriteMeasureCliffs(whole, table, similarity, measure,
                               choices.MinClusterSimilarity[measure]);
            whole.Close();
            ReportAppender merged("merged.csv", ReportAppender::Mode::Create);
            WriteMeasureCliffs(merged, table, similarity, measure,
                               choices.MinClusterSimilarity[measure], 7);
            merged.Close();
        }
        EXPECT_EQ(test::FileText("merged.csv"), test::FileText("whole.csv")) << measure;
        EXPECT_FALSE(std::filesystem::exists(kWorkFolderName));

        // The recount: every calibration pair, kept at the cluster threshold, SALI from its
        // definition, ordered by SALI descending then by (a, b).
        struct Pair {
            double sali;
            int a, b;
            double s, d;
        };
        std::vector<Pair> pairs;
        const double threshold = choices.MinClusterSimilarity[measure];
        for (int a = 1; a <= table.CalibrationCount; ++a) {
            for (int b = a + 1; b <= table.CalibrationCount; ++b) {
                const double s = similarity(a, b);
                const double d = table.Fixed(a, kPropertyColumn) - table.Fixed(b, kPropertyColumn);
                if (s < threshold) {
                    continue;
                }
                const double sali = s >= 1 ? (d == 0 ? 0 : kInf) : std::fabs(d) / (1 - s);
                pairs.push_back({sali, a, b, s, d});
            }
        }
        ASSERT_FALSE(pairs.empty()) << measure;
        std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
            return std::make_tuple(-x.sali, x.a, x.b) < std::make_tuple(-y.sali, y.a, y.b);
        });
        for (const Pair& p : pairs) {
            expected.push_back(
                std::string(KindWord(measure)) + "," + table.Names[static_cast<std::size_t>(p.a)] +
                "," + table.Names[static_cast<std::size_t>(p.b)] + "," + std::to_string(p.s) + "," +
                std::to_string(p.d) + "," + (std::isinf(p.sali) ? "inf" : std::to_string(p.sali)));
        }
        EXPECT_TRUE(std::filesystem::exists(SasMapName("BZR01SIM.des", measure))) << measure;
    }
    const std::vector<std::string> lines = test::FileLines("BZR01cliffs.csv");
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines[0], expected[0]);
    // Names and order exactly; the numbers as read back, against the recount's.
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> got = Fields(lines[k]);
        const std::vector<std::string> want = Fields(expected[k]);
        ASSERT_EQ(got.size(), 6u) << lines[k];
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 3),
                  std::vector<std::string>(want.begin(), want.begin() + 3))
            << "line " << k + 1;
        for (std::size_t c = 3; c < 6; ++c) {
            if (want[c] == "inf") {
                EXPECT_EQ(got[c], "inf") << "line " << k + 1;
                continue;
            }
            const double value = std::stod(want[c]);
            EXPECT_NEAR(std::stod(got[c]), value, 1e-6 * std::max(1.0, std::fabs(value)))
                << "line " << k + 1 << " column " << c + 1;
        }
    }
}

} // namespace
} // namespace kalemir::sim
