#include "similarity/Axiom.h"

#include "SimTestSupport.h"
#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/WorkerPool.h"

#include <cmath>
#include <cstdint>

namespace kalemir::sim {
namespace {

TEST(PropertySimilarityTest, ValuesOneTwoFive) {
    // Range 5 - 1 = 4: 1 - 1/4, 1 - 4/4, 1 - 3/4.
    EXPECT_DOUBLE_EQ(PropertySimilarity(1, 2, 5, 1), 0.75);
    EXPECT_DOUBLE_EQ(PropertySimilarity(1, 5, 5, 1), 0);
    EXPECT_DOUBLE_EQ(PropertySimilarity(2, 5, 5, 1), 0.25);
    // All values equal: every pair is fully similar.
    EXPECT_EQ(PropertySimilarity(3, 3, 3, 3), 1);
}

TEST(RankAgreementTest, ConcordantAndReversedLists) {
    PairList list{{0.1, 0.5, 0.9, 1.2}, {0.2, 0.4, 0.6, 0.8}};
    EXPECT_EQ(RankAgreement(list), 1);
    EXPECT_EQ(Observance(RankAgreement(list)), 1);
    PairList reversed{{0.1, 0.5, 0.9, 1.2}, {0.8, 0.6, 0.4, 0.2}};
    EXPECT_EQ(Observance(RankAgreement(reversed)), -1);
    // Equal keys with equal values agree; equal keys with different values do not.
    PairList ties{{0.5, 0.5, 0.5}, {0.3, 0.3, 0.4}};
    // (1,2) agree, (1,3) and (2,3) disagree: Agr = -1, tau = -2/6.
    EXPECT_DOUBLE_EQ(RankAgreement(ties), -1.0 / 3);
    // Fewer than two records: 0.
    EXPECT_EQ(RankAgreement(PairList{{0.5}, {0.5}}), 0);
    EXPECT_EQ(RankAgreement(PairList{}), 0);
}

/// The sum record by record, as the statistic is defined: the reference for the counting
/// method the program uses.
double AgreementRecordByRecord(const PairList& list) {
    const auto sign = [](double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); };
    const std::size_t l = list.Keys.size();
    long long agreement = 0;
    for (std::size_t u = 0; u + 1 < l; ++u) {
        for (std::size_t v = u + 1; v < l; ++v) {
            agreement +=
                sign(list.Keys[u] - list.Keys[v]) == sign(list.Values[u] - list.Values[v]) ? 1 : -1;
        }
    }
    return l < 2 ? 0 : 2 * static_cast<double>(agreement) / (double(l) * double(l - 1));
}

TEST(RankAgreementTest, CountingGivesTheSameBitsAsTheSumOverEveryTwoRecords) {
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t length = 2 + next() % 300;
        // Few distinct levels make many ties in keys, values and both.
        const unsigned levels = 1 + next() % (trial % 2 == 0 ? 4 : 1000);
        PairList list;
        for (std::size_t i = 0; i < length; ++i) {
            list.Keys.push_back(static_cast<double>(next() % levels) / levels);
            list.Values.push_back(static_cast<double>(next() % levels) / levels - 0.5);
        }
        ASSERT_EQ(RankAgreement(list), AgreementRecordByRecord(list)) << "trial " << trial;
    }
    // A value that is not a number has no sign of difference: it agrees only with ties.
    PairList nan{{0.1, 0.2, 0.3}, {0.5, std::nan(""), 0.7}};
    EXPECT_EQ(RankAgreement(nan), AgreementRecordByRecord(nan));
    // Infinite values: inf - inf has no sign, as for equal values.
    const double inf = HUGE_VAL;
    PairList infinite{{inf, inf, 0.3, -inf}, {0.5, 0.5, inf, 0.1}};
    EXPECT_EQ(RankAgreement(infinite), AgreementRecordByRecord(infinite));
}

TEST(ObservanceTest, FourDecimalsHalfAwayFromZero) {
    EXPECT_EQ(PlainNumber(Observance(-0.12345)), "-0.1235");
    EXPECT_EQ(PlainNumber(Observance(0.12345)), "0.1235");
    EXPECT_EQ(PlainNumber(Observance(0.00004)), "0");
}

TEST(SamplingTest, TenThousandEvenlySpacedPairsFillTheList) {
    // n_c = 200: 19900 pairs; the m-th sample is Int(0.5 + m * 1.99).
    const long pairs = 199L * 200 / 2;
    EXPECT_EQ(SampledRunningNumber(1, pairs), 2);
    EXPECT_EQ(SampledRunningNumber(2, pairs), 4);
    EXPECT_EQ(SampledRunningNumber(10000, pairs), pairs);
    long previous = 0;
    for (long m = 1; m <= 10000; ++m) {
        const long r = SampledRunningNumber(m, pairs);
        ASSERT_GT(r, previous);
        previous = r;
    }
}

TEST(SamplingTest, ListHoldsAllPairsUpTo141Molecules) {
    SilentWindow window;
    for (int nc : {141, 142, 200}) {
        PreparedTable table;
        table.CalibrationCount = nc;
        table.MoleculeCount = nc;
        table.FragmentCount = 0;
        table.Values.assign(static_cast<std::size_t>(nc + 1) * table.Columns(), 0.0);
        for (int i = 1; i <= nc; ++i) {
            table.Value(i, kPropertyColumn) = i;
        }
        PairMatrix s;
        s.Resize(nc);
        const PairList list = ListCalibrationPairs(table, s, kSize, window);
        const std::size_t expected = nc == 141 ? 141u * 140 / 2 : 10000u;
        EXPECT_EQ(list.Keys.size(), expected) << nc;
        EXPECT_EQ(list.Values.size(), expected);
        // Every record is a real pair: no zero places (property similarities > 0 except
        // for the pair of the smallest and largest value).
        std::size_t zeros = 0;
        for (double v : list.Values) {
            zeros += v == 0 ? 1 : 0;
        }
        EXPECT_LE(zeros, 1u) << nc;
    }
}

TEST(DiversityTest, OneClusterAndSingletons) {
    const int n = 10;
    const double h1 = SetEntropy({n}, n);
    EXPECT_EQ(h1, 0);
    EXPECT_NEAR(Diversity(h1, n), 0.1 / (std::log(10.0) + 0.1), 1e-15);
    const double hn = SetEntropy(std::vector<int>(n, 1), n);
    EXPECT_NEAR(hn, std::log(10.0), 1e-14);
    EXPECT_NEAR(Diversity(hn, n), 1, 1e-15);
    EXPECT_EQ(Diversity(0, 1), 0);
    EXPECT_EQ(Diversity(0, 0), 0);
    // Empty clusters of a set do not count.
    EXPECT_NEAR(SetEntropy({2, 0, 2}, 4), std::log(2.0), 1e-15);
}

class CliffTest : public test::TempFolderTest {};

TEST_F(CliffTest, PropertyAndStructureCliffs) {
    // Properties 1, 2, 4; S(1,2) = 1, S(1,3) = 0.5, S(2,3) = 0.
    // Ratios R: (1,2) 2/3, (1,3) 0.4, (2,3) 2/3.
    // Property cliffs 2 (s^3 / (R + 0.01)) / 11: (1,2) 0.2687, (1,3) 0.0554, (2,3) 0.
    // Structure cliffs R / (1 + s^3): (1,2) 1/3, (1,3) 0.3556, (2,3) 2/3.
    PreparedTable table;
    table.CalibrationCount = 3;
    table.MoleculeCount = 3;
    table.FragmentCount = 0;
    table.Values.assign(4 * static_cast<std::size_t>(table.Columns()), 0.0);
    table.Value(1, kPropertyColumn) = 1;
    table.Value(2, kPropertyColumn) = 2;
    table.Value(3, kPropertyColumn) = 4;
    PairMatrix s;
    s.Resize(3);
    s.Set(1, 2, 1);
    s.Set(1, 3, 0.5);
    SilentWindow window;
    WorkerPool pool(1);
    const Cliffs cliffs = FindCliffs(table, s, kShape, window, pool);
    EXPECT_NEAR(cliffs.Property.Value, 2 * (1 / (2.0 / 3 + 0.01)) / 11, 1e-15);
    EXPECT_EQ(cliffs.Property.A, 1);
    EXPECT_EQ(cliffs.Property.B, 2);
    EXPECT_EQ(PlainNumber(Dec4(cliffs.Property.Value)), "0.2687");
    EXPECT_NEAR(cliffs.Structure.Value, 2.0 / 3, 1e-15);
    EXPECT_EQ(cliffs.Structure.A, 2);
    EXPECT_EQ(cliffs.Structure.B, 3);
    EXPECT_EQ(window.Caption(), " The identification of the Property / SHAPE cliffs    3 / 3");

    // Two zero properties: p_lo + p_hi = 0 for (1,2), whose ratio is taken as 1: structure
    // cliff 1 / (1 + 1) = 0.5 is the largest ((1,3) and (2,3) have R = 0).
    table.Value(1, kPropertyColumn) = 0;
    table.Value(2, kPropertyColumn) = 0;
    const Cliffs zero = FindCliffs(table, s, kShape, window, pool);
    EXPECT_EQ(zero.Structure.Value, 0.5);
    EXPECT_EQ(zero.Structure.A, 1);
    EXPECT_EQ(zero.Structure.B, 2);
    EXPECT_NEAR(zero.Property.Value, 2 * (0.125 / 0.01) / 11, 1e-14); // pair (1,3), R = 0
}

TEST_F(CliffTest, TiesAcrossRowsGoToTheFirstPairOnAnyThreadCount) {
    // 300 calibration molecules (44850 pairs, rows shared out among workers), every property
    // 1 and every similarity 0.5: all cliffs tie, so both are pair (1, 2). Then two equal
    // largest similarities far apart, in rows 40 and 250: the property cliff is (40, 41).
    PreparedTable table;
    table.CalibrationCount = 300;
    table.MoleculeCount = 310;
    table.FragmentCount = 0;
    table.Values.assign(311 * static_cast<std::size_t>(table.Columns()), 0.0);
    for (int i = 1; i <= 310; ++i) {
        table.Value(i, kPropertyColumn) = 1;
    }
    PairMatrix s;
    s.Resize(310);
    std::fill(s.Data(), s.Data() + 310 * 309 / 2, 0.5);
    SilentWindow window;
    for (int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        s.Set(40, 41, 0.5);
        s.Set(250, 300, 0.5);
        const Cliffs tied = FindCliffs(table, s, kSize, window, pool);
        EXPECT_EQ(tied.Property.A * 1000 + tied.Property.B, 1002) << threads;
        EXPECT_EQ(tied.Structure.A * 1000 + tied.Structure.B, 1002) << threads;
        s.Set(250, 300, 0.75);
        s.Set(40, 41, 0.75);
        const Cliffs two = FindCliffs(table, s, kSize, window, pool);
        EXPECT_EQ(two.Property.A * 1000 + two.Property.B, 40041) << threads;
        EXPECT_EQ(window.Caption(),
                  " The identification of the Property / SIZE cliffs    44850 / 44850");
    }
}

} // namespace
} // namespace kalemir::sim
