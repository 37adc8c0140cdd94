#include "similarity/Measures.h"

#include "SimTestSupport.h"
#include "common/ComputingWindow.h"
#include "common/WorkerPool.h"
#include "similarity/SimTable.h"

#include <cmath>
#include <cstring>
#include <random>

namespace kalemir::sim {
namespace {

TEST(RatioRuleTest, GivesTheSmallerQuotientWhicheverComesFirst) {
    bool zero = false;
    EXPECT_DOUBLE_EQ(Ratio(2, 8, zero), 0.25);
    EXPECT_DOUBLE_EQ(Ratio(8, 2, zero), 0.25);
    EXPECT_DOUBLE_EQ(Ratio(3, 3, zero), 1);
    EXPECT_FALSE(zero);
    EXPECT_EQ(Ratio(0, 5, zero), 0);
    EXPECT_TRUE(zero);
}

struct NameCase {
    const char* name;
    int atomCount;
    int elementCode;
};

class FragmentNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FragmentNameTest, AtomCountAndElementCode) {
    EXPECT_EQ(AtomCount(GetParam().name), GetParam().atomCount) << GetParam().name;
    EXPECT_EQ(ElementCode(GetParam().name), GetParam().elementCode) << GetParam().name;
}

// Counts by the scan rule, codes as sums of the symbol weights (C 610, H 1597, N 377,
// O 233, F 144, S 34, Cl 21, Br 5, h 2584).
const NameCase kNames[] = {
    {"CCN", 3, 610 + 610 + 377},    // C-C, C-N and the last N
    {"C2H5O", 3, 610 + 1597 + 233}, // 2 before H, then O as the last letter
    {"CH3", 1, 610 + 1597},         // C before H; the H group ends the name
    {"Natom", 1, 377},              // a name ending in "atom" is one atom
    {"atom", 1, 0},                 // "atom" alone: scanned, the last letter counts
    {"NO2", 3, 377 + 233},          // N-O 1, last digit 2
    {"CF3", 4, 610 + 144},          // 1 + 3 = 4
    {"COOH", 3, 610 + 233 + 233 + 1597},
    {"Cl", 1, 21},
    {"Br", 1, 5},
    {"Sar", 1, 34},
    {"CHar", 1, 610 + 1597},
    {"Car", 1, 610},
    {"12C", 4, 610}, // 12 from the two leading digits (nothing before them) + 1: 4
    {"2C", 3, 610},  // 2 + 1 for the last C
    {"SeSiTeAsIM", 2, 8 + 89 + 3 + 13 + 2 + 1}, // I-M and the last M
    {"Ch", 1, 610 + 2584},
};

INSTANTIATE_TEST_SUITE_P(Names, FragmentNameTest, ::testing::ValuesIn(kNames));

TEST(FragmentMergeTest, EquivalentFragmentsCountAsOne) {
    // CH3 and CH2 share atom count 1 and element code 2207: their 30 + 20 merge into 50,
    // and with OH's 50 the entropy is -2 * 0.5 ln 0.5 = ln 2.
    const FragmentClasses classes = ClassifyFragments({"CH3", "OH", "CH2"});
    EXPECT_EQ(classes.ClassOf, (std::vector<int>{0, -1, 0}));
    std::vector<double> work;
    std::vector<int> leader;
    const double amounts[] = {30, 50, 20};
    EXPECT_DOUBLE_EQ(FragmentEntropy(amounts, 3, 0.05, classes, work, leader), std::log(2.0));
    // Without an equivalent partner: three separate terms.
    const FragmentClasses none = ClassifyFragments({"CH3", "OH", "NH2"});
    const double h = -(0.3 * std::log(0.3) + 0.5 * std::log(0.5) + 0.2 * std::log(0.2));
    EXPECT_NEAR(FragmentEntropy(amounts, 3, 0.05, none, work, leader), h, 1e-15);
    // Amounts at or below 1/n stay out of the sum.
    const double small[] = {50, 50, 0.5};
    EXPECT_DOUBLE_EQ(FragmentEntropy(small, 3, 0.5, none, work, leader), std::log(2.0));
}

TEST(ChemicalPairTest, HandCheckedPair) {
    // A: n 10, CH3 60, OH 40; B: n 20, CH3 30, OH 70. Joint amounts (10*60 + 20*30 - 2)/30
    // = 39.9333 and (400 + 1400 - 2)/30 = 59.9333; H_A = 0.6730117, H_B = 0.6108643,
    // H_AB = 0.6733927 (natural logarithms, a calculator), p = 0.9130812.
    const FragmentClasses classes = ClassifyFragments({"CH3", "OH"});
    PairScratch scratch;
    const double a[] = {60, 40};
    const double b[] = {30, 70};
    const double ha = FragmentEntropy(a, 2, 0.1, classes, scratch.Work, scratch.Leader);
    const double hb = FragmentEntropy(b, 2, 0.05, classes, scratch.Work, scratch.Leader);
    EXPECT_NEAR(ha, 0.6730116670092565, 1e-15);
    EXPECT_NEAR(hb, 0.6108643020548935, 1e-15);
    const PairResult r = ChemicalPair({a, 10, 500, ha}, {b, 20, 500, hb}, 2, classes, scratch);
    EXPECT_NEAR(r.P, 0.9130811965947276, 1e-15);
    EXPECT_TRUE(r.ExtraVote); // equal second descriptors
    EXPECT_FALSE(r.ZeroDenominator);
    const PairResult far = ChemicalPair({a, 10, 100, ha}, {b, 20, 500, hb}, 2, classes, scratch);
    EXPECT_FALSE(far.ExtraVote);
    const PairResult zero = ChemicalPair({a, 10, 100, ha}, {b, -10, 500, hb}, 2, classes, scratch);
    EXPECT_TRUE(zero.ZeroDenominator);
}

/// A table of `fragments` fragments, CH3 / CH2 / CH alternating with others so that classes
/// merge, a few present per molecule with amounts near the presence bound 1 / (n_a + n_b),
/// normalisers from -5 to 40 (negative sums take the full loop).
PreparedTable RandomChemicalTable(int fragments, unsigned seed) {
    static const char* const kNames[] = {"CH3", "OH", "CH2", "NH2", "CH", "Cl", "Car", "F"};
    PreparedTable table;
    table.FragmentCount = fragments;
    table.MoleculeCount = 60;
    table.CalibrationCount = 60;
    table.HeaderTokens.assign(static_cast<std::size_t>(table.Columns()), "x");
    for (int g = 1; g <= fragments; ++g) {
        table.HeaderTokens[static_cast<std::size_t>(g)] = kNames[g % 8];
    }
    table.Values.assign(61 * static_cast<std::size_t>(table.Columns()), 0.0);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 1; i <= 60; ++i) {
        const double n = unit(random) < 0.1 ? -5.0 : std::floor(1 + 40 * unit(random));
        table.Value(i, fragments + kNormaliserColumn) = n;
        table.Value(i, fragments + kSecondChemical) = std::floor(3 * unit(random));
        for (int g = 1; g <= fragments; ++g) {
            const double u = unit(random);
            table.Value(i, g) = u < 0.8 ? 0.0 : (u < 0.85 ? 0.04 : 100 * unit(random));
        }
    }
    return table;
}

class PresentFragmentsTest : public ::testing::TestWithParam<int> {};

TEST_P(PresentFragmentsTest, SameBitsAsTheLoopOverEveryFragment) {
    // Bit sets up to 64 fragments, merged index lists above.
    const PreparedTable table = RandomChemicalTable(GetParam(), 7);
    const int f = table.FragmentCount;
    const FragmentClasses classes =
        ClassifyFragments({table.HeaderTokens.begin() + 1, table.HeaderTokens.begin() + 1 + f});
    ASSERT_GT(classes.ClassCount, 0);
    const MeasureInputs inputs(table, kChemical, kCorrectedUsr);
    PairScratch scratch;
    PairScratch fullScratch;
    auto row = [&](int i) {
        return &table.Values[static_cast<std::size_t>(i) * table.Columns() + 1];
    };
    auto h = [&](int i) {
        return FragmentEntropy(row(i), f, 1 / table.Fixed(i, kNormaliserColumn), classes,
                               fullScratch.Work, fullScratch.Leader);
    };
    int differing = 0;
    for (int i = 1; i < 60; ++i) {
        for (int j = i + 1; j <= 60; ++j) {
            auto profile = [&](int m) {
                return ChemicalProfile{row(m), table.Fixed(m, kNormaliserColumn),
                                       table.Fixed(m, kSecondChemical), h(m)};
            };
            PairResult full = ChemicalPair(profile(i), profile(j), f, classes, fullScratch);
            if (full.ZeroDenominator || !std::isfinite(full.P)) {
                full.ZeroDenominator = true;
                full.P = 0;
            }
            const PairResult r = inputs.Compute(i, j, scratch);
            differing += std::memcmp(&r.P, &full.P, sizeof r.P) != 0 ||
                         r.ZeroDenominator != full.ZeroDenominator || r.ExtraVote != full.ExtraVote;
        }
    }
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(FragmentCounts, PresentFragmentsTest, ::testing::Values(6, 64, 70));

struct UsrCase {
    const char* label;
    double ga, gb;
    double pmiA[3], pmiB[3];
    double expected;
};

class CorrectedUsrTest : public ::testing::TestWithParam<UsrCase> {};

TEST_P(CorrectedUsrTest, ChoosesBetweenMomentsAndPowerOfRatio) {
    // Moments differ by 1 in each of the 12: d = 12, s_USR = 1 / (1 + 1) = 0.5.
    double ua[12], ub[12];
    for (int k = 0; k < 12; ++k) {
        ua[k] = 1;
        ub[k] = 2;
    }
    const UsrCase& c = GetParam();
    const PairResult r = CorrectedUsrPair(ua, ub, c.ga, c.gb, c.pmiA, c.pmiB);
    EXPECT_NEAR(r.P, c.expected, 1e-15) << c.label;
    EXPECT_FALSE(r.ZeroDenominator);
}

// (1/3)^1.3333334 = 0.2311204 (exponent in single precision); (2/2.005)^1.3333334 below.
const UsrCase kUsrCases[] = {
    {"InsideRange", 1.5, 3.0, {3, 2, 1}, {3, 2, 1}, 0.5},
    {"BelowRange", 1.0, 3.0, {3, 2, 1}, {3, 2, 1}, 0.2311204146939991},
    {"BelowRangeSwapped", 3.0, 1.0, {3, 2, 1}, {3, 2, 1}, 0.2311204146939991},
    {"AboveRange", 2.9, 2.9, {3, 2, 1}, {3, 2, 1}, 1.0},
    {"BothElongated",
     2.0,
     2.005,
     {10, 9, 1},
     {10, 1, 0.9},
     std::pow(2.0 / 2.005, double(4.0f / 3.0f))},
    {"OneElongated", 2.0, 2.005, {10, 9, 1}, {10, 5, 1}, 0.5},
    {"ElongatedOutsideWindow", 2.0, 2.05, {10, 9, 1}, {10, 9, 1}, 0.5},
};

INSTANTIATE_TEST_SUITE_P(Cases, CorrectedUsrTest, ::testing::ValuesIn(kUsrCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CorrectedUsrZeroTest, ZeroDescriptorsGiveZeroAndAreFlagged) {
    const double u[12] = {};
    const double pmi[3] = {3, 2, 1};
    const double flat[3] = {0, 2, 1};
    EXPECT_TRUE(CorrectedUsrPair(u, u, 0, 0, pmi, pmi).ZeroDenominator);
    const PairResult r = CorrectedUsrPair(u, u, 2.0, 2.0, pmi, flat);
    EXPECT_TRUE(r.ZeroDenominator);
    EXPECT_EQ(r.P, 0);
    // Identical molecules: d = 0, p = 1.
    EXPECT_EQ(CorrectedUsrPair(u, u, 2.2, 2.2, pmi, pmi).P, 1);
}

TEST(SuperpositionTest, MeanClosestDistances) {
    // One atom each, 3 apart: D = (3 + 3) / 2 = 3, p = 2 / 5.
    const double a1[] = {1, 1, 1};
    const double b1[] = {1, 1, 4};
    EXPECT_DOUBLE_EQ(SuperpositionPair(a1, 1, b1, 1).P, 0.4);
    // A: two atoms 0 and 2 from B's atom; B's atom 0 from A: D = 2/3, p = 0.75.
    const double a2[] = {1, 1, 1, 1, 1, 3};
    EXPECT_DOUBLE_EQ(SuperpositionPair(a2, 2, a1, 1).P, 0.75);
    // Distances are capped at 100: p = 2 / 102.
    const double far[] = {1, 1, 201};
    EXPECT_DOUBLE_EQ(SuperpositionPair(a1, 1, far, 1).P, 2.0 / 102);
    // A molecule without atoms.
    EXPECT_TRUE(SuperpositionPair(a1, 1, far, 0).ZeroDenominator);
}

TEST(SuperpositionTest, TwoHundredAtomsTogether) {
    std::vector<double> a, b;
    for (int k = 0; k < kMaxAtoms; ++k) {
        a.insert(a.end(), {1.0 + k, 1, 1});
        b.insert(b.end(), {1.0 + k, 1, 2});
    }
    // Every atom's closest partner is 1 away: D = 1, p = 2/3.
    EXPECT_DOUBLE_EQ(SuperpositionPair(a.data(), kMaxAtoms, b.data(), kMaxAtoms).P, 2.0 / 3);
}

TEST(SuperpositionTest, ByAxisFourAtATimeGivesTheSameBits) {
    // Atom counts around the four lanes (padding of 1 to 3 atoms, none) up to the 100 of a
    // full molecule; coordinates on a coarse grid (ties, shared atoms, distance 0) or spread
    // widely (distances capped at 100).
    const int counts[] = {0, 1, 2, 3, 4, 5, 7, 8, 13, 64, 99, 100};
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    auto molecule = [&](int atoms, bool grid) {
        std::vector<double> triples;
        for (int k = 0; k < 3 * atoms; ++k) {
            triples.push_back(grid ? std::floor(1 + 4 * unit(random)) : -150 + 300 * unit(random));
        }
        return triples;
    };
    std::vector<double> a(3 * kMaxAtoms), b(3 * kMaxAtoms);
    int differing = 0;
    for (bool grid : {true, false}) {
        for (int ma : counts) {
            for (int mb : counts) {
                const std::vector<double> ta = molecule(ma, grid);
                const std::vector<double> tb = molecule(mb, grid);
                AtomsByAxis(ta.data(), ma, a.data());
                AtomsByAxis(tb.data(), mb, b.data());
                const PairResult one = SuperpositionPair(ta.data(), ma, tb.data(), mb);
                const PairResult four = SuperposedAtomsPair(a.data(), ma, b.data(), mb);
                differing += std::memcmp(&one.P, &four.P, sizeof one.P) != 0 ||
                             one.ZeroDenominator != four.ZeroDenominator;
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

class PairLoopTest : public test::TempFolderTest {
protected:
    void Load(const std::vector<test::Row>& rows, int nc, int np) {
        test::WriteTable("LOOPSIM.des", nc, np, {"CH3", "OH"}, rows);
        PrepareTable(choices_, table_, window_);
    }
    /// The pair loop of `measure`: similarities, statistics and votes in the fixture's.
    void Compute(int measure) {
        const PairLoopOutcome outcome = ComputePairSimilarities(
            MeasureContext{choices_, table_, measure, pool_, window_}, similarity_, votes_);
        statistics_ = outcome.Statistics;
        zero_ = outcome.ZeroDenominators;
    }
    const RunChoices choices_ = test::ChoicesFor("LOOPSIM.des");
    PreparedTable table_;
    PairMatrix similarity_;
    PairStatistics statistics_;
    std::vector<std::uint8_t> votes_;
    ZeroDenominatorPairs zero_;
    SilentWindow window_;
    WorkerPool pool_{1};
};

TEST_F(PairLoopTest, IdenticalMoleculesCollectSixVotes) {
    const auto fixed = test::FixedColumns("1");
    Load({{"a", {"50", "50"}, fixed}, {"b", {"50", "50"}, fixed}}, 2, 0);
    for (int k = 1; k <= kMeasureCount; ++k) {
        Compute(k);
        // Chemical: joint amounts 49.95 against 50 give p = 0.9986, the others 1.
        EXPECT_GT(similarity_(1, 2), k == kChemical ? 0.99 : 0.999999) << k;
        EXPECT_EQ(statistics_.HighPairCount, 1);
    }
    EXPECT_EQ(votes_[0], 6);
    EXPECT_EQ(window_.Caption(), " Computation of the FLEXIBILITY similarities    1 / 1");
}

TEST_F(PairLoopTest, SizesTwoAndEightAndAZeroSize) {
    auto fixed = [](const char* size) {
        auto f = test::FixedColumns("1");
        f[kSizeColumn - 1] = size;
        return f;
    };
    Load({{"a", {"50", "50"}, fixed("2")},
          {"b", {"50", "50"}, fixed("8")},
          {"c", {"50", "50"}, fixed("0")}},
         3, 0);
    Compute(kSize);
    EXPECT_EQ(similarity_(1, 2), 0.25);
    EXPECT_EQ(similarity_(2, 1), 0.25);
    EXPECT_EQ(similarity_(1, 3), 0);
    EXPECT_EQ(zero_.Count, 2);
    EXPECT_EQ(statistics_.LowPairCount, 2);
    EXPECT_EQ(statistics_.LowestPair[0], 1); // the first pair in loop order wins the tie at 0
    EXPECT_EQ(statistics_.LowestPair[1], 3);
    ReportZeroDenominators(choices_, table_, kSize, zero_);
    ReportPairStatistics(choices_, table_, statistics_, kSize);
    EXPECT_EQ(test::FileLines(choices_.ResultsFileName),
              (std::vector<std::string>{
                  "",
                  "Division by zero in the size similarity of the molecules a and c: SIM = 0 "
                  "for this pair",
                  "Division by zero in the size similarity of the molecules b and c: SIM = 0 "
                  "for this pair",
                  "", "THERE ARE NO molecules having very high size similarity (SIM > 0.98)",
                  "THERE ARE 2 molecules pairs having very low size similarity (SIM < 0.1)", "",
                  "The molecules a and c",
                  "present lowest size similarity SIM = 0 within [0, 1] range", ""}));
}

TEST_F(PairLoopTest, OneMoleculeHasNoPairs) {
    Load({{"a", {"50", "50"}, test::FixedColumns("1")}}, 1, 0);
    Compute(kChemical);
    ReportPairStatistics(choices_, table_, statistics_, kChemical);
    EXPECT_EQ(test::FileLines(choices_.ResultsFileName),
              (std::vector<std::string>{
                  "", "THERE ARE NO molecules having very high chemical similarity (SIM > 0.98)",
                  "", "THERE ARE NO molecules having very low chemical similarity (SIM < 0.1)", "",
                  "The molecules Cases and Cases",
                  "present lowest chemical similarity SIM = 2 within [0, 1] range",
                  "because the molecular fragments are very different.", ""}));
}

TEST_F(PairLoopTest, HighPairsAndHydrophilicityMinimum) {
    // y 0 / 0 gives a = 1; q 0.9 / 1.9 gives b = 1 / 2: p = 0.5 (the smaller).
    auto fixed = [](const char* q) {
        auto f = test::FixedColumns("1");
        f[kHydro1 - 1] = "0";
        f[kHydro2 - 1] = q;
        return f;
    };
    Load({{"a", {"50", "50"}, fixed("0.9")},
          {"b", {"50", "50"}, fixed("1.9")},
          {"c", {"50", "50"}, fixed("1.9")}},
         3, 0);
    Compute(kHydrophilicity);
    EXPECT_DOUBLE_EQ(similarity_(1, 2), 0.5);
    EXPECT_EQ(similarity_(2, 3), 1);
    ReportPairStatistics(choices_, table_, statistics_, kHydrophilicity);
    const auto lines = test::FileLines(choices_.ResultsFileName);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        lines[1],
        "THERE ARE 1 molecules pairs having very high hydrophilicity similarity (SIM > 0.98)");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4],
              "THERE ARE NO molecules having very low hydrophilicity similarity (SIM < 0.1)");
    EXPECT_EQ(lines[7], "present lowest hydrophilicity similarity SIM = 0.5 within [0, 1] range");
}

} // namespace
} // namespace kalemir::sim
