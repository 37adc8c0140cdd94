// The parts of the final analysis: trackers, distinct equations, validation measures,
// COR, outliers, marks and votes, the end of the cycle, predictor files and leverage,
// fragments. Expected values are worked by hand in the comments.

#include "common/ComputingWindow.h"
#include "common/Report.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/FinalAnalysis.h"
#include "qspr/final/Fragments.h"
#include "qspr/final/PredictionSet.h"
#include "qspr/final/PredictorFiles.h"
#include "qspr/final/Validation.h"
#include "qspr/run/ComputingState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

EquationFigures Figures(double q, double rr, float kk, float cor) {
    EquationFigures f;
    f.Q = q;
    f.RR = rr;
    f.KK = kk;
    f.COR = cor;
    return f;
}

void Offer(EquationTrackers& tr, int e, const EquationFigures& f) {
    UpdateTrackers(tr, e, f, BestEquation{}, {kByQ, kByRR, kByKK, kByCOR});
}

TEST(Trackers, EqualValuesKeepTheLowerEquationNumber) {
    EquationTrackers tr;
    Offer(tr, 3, Figures(0.8, 12, 30, 0.4f));
    Offer(tr, 7, Figures(0.8, 12, 30, 0.4f));
    EXPECT_EQ(tr.Number[kByQ], 3);
    EXPECT_EQ(tr.Number[kByRR], 3);
    EXPECT_EQ(tr.Number[kByKK], 3);
    EXPECT_EQ(tr.Number[kByCOR], 3);
    Offer(tr, 9, Figures(0.81, 11.9, 29.9f, 0.41f));
    EXPECT_EQ(tr.Number[kByQ], 9);
    EXPECT_EQ(tr.Number[kByCOR], 9);
}

TEST(Trackers, KkAndCorCompareInSinglePrecision) {
    EquationTrackers tr;
    Offer(tr, 1, Figures(0.5, 10, 25.0f, 0.3f));
    // 25 - 1e-9 is 25 in single precision: not lower. RR% in double: lower.
    EquationFigures f = Figures(0.5, 10 - 1e-9, static_cast<float>(25.0 - 1e-9), 0.3f);
    Offer(tr, 2, f);
    EXPECT_EQ(tr.Number[kByKK], 1);
    EXPECT_EQ(tr.Number[kByRR], 2);
}

TEST(Trackers, NoEquationBeatingTheStartKeepsZero) {
    EquationTrackers tr;
    Offer(tr, 1, Figures(0, 1000, 1000, 0));
    Offer(tr, 2, Figures(-1, 2000, 1500, -0.5f));
    EXPECT_EQ(tr.Number, (std::array<int, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(DistinctEquationCount(tr.Number), 0);
}

struct DistinctCase {
    std::array<int, 5> numbers;
    int distinct;
    std::array<bool, 5> fresh;
};

class DistinctEquations : public ::testing::TestWithParam<DistinctCase> {};

TEST_P(DistinctEquations, CountAndNewEquations) {
    const DistinctCase& c = GetParam();
    EXPECT_EQ(DistinctEquationCount(c.numbers), c.distinct);
    for (int t = kByQ; t <= kByCOR; ++t) {
        EXPECT_EQ(IsNewEquation(c.numbers, t), c.fresh[t]) << t;
    }
}

// Coinciding ordered pairs 0, 2, 4, 6 and 12 give 4, 3, 2, 2 and 1 distinct equations;
// a criterion without an equation (0) is left out.
INSTANTIATE_TEST_SUITE_P(
    Cases, DistinctEquations,
    ::testing::Values(DistinctCase{{0, 1, 2, 3, 4}, 4, {false, true, true, true, true}},
                      DistinctCase{{0, 5, 5, 2, 3}, 3, {false, true, false, true, true}},
                      DistinctCase{{0, 5, 2, 5, 2}, 2, {false, true, true, false, false}},
                      DistinctCase{{0, 5, 5, 5, 2}, 2, {false, true, false, false, true}},
                      DistinctCase{{0, 8, 8, 8, 8}, 1, {false, true, false, false, false}},
                      DistinctCase{{0, 8, 8, 8, 0}, 1, {false, true, false, false, false}}));

struct RankCase {
    std::vector<double> Values; ///< entry 0 unused
    int Count;
    std::vector<int> Ranks;
};

class TieRaisedRankCases : public ::testing::TestWithParam<RankCase> {};

TEST_P(TieRaisedRankCases, TiesTakeTheHighestRankOfTheirGroup) {
    EXPECT_EQ(TieRaisedRanks(GetParam().Values, GetParam().Count), GetParam().Ranks);
}

// Ranks counted by hand: 1 + the other values not above each one. Values past the count
// take no part; -0 ties with 0.
INSTANTIATE_TEST_SUITE_P(
    Cases, TieRaisedRankCases,
    ::testing::Values(RankCase{{0, 1, 2, 2, 3}, 4, {0, 1, 3, 3, 4}},
                      RankCase{{0, 3, 2, 2, 1}, 4, {0, 4, 3, 3, 1}}, RankCase{{0, 7}, 1, {0, 1}},
                      RankCase{{0}, 0, {0}}, RankCase{{0, 5, 5, 5}, 3, {0, 3, 3, 3}},
                      RankCase{{0, -0.0, 0.0, -1, 9}, 3, {0, 3, 3, 1}},
                      RankCase{{0, 2, -1, 2, -1, 0.5, 2}, 6, {0, 6, 2, 6, 2, 3, 6}}));

TEST(TieRaisedRanks, AgreeWithCountingOnManyTies) {
    // Ties among a few values, and values of every sign and size: huge, tiny (subnormal),
    // both zeros, infinite.
    const double spread[] = {-1e300, -2.5,  -1e-310,
                             -0.0,   0.0,   1e-310,
                             3.5,    1e300, std::numeric_limits<double>::infinity()};
    std::vector<double> values(1001, 0.0);
    unsigned state = 11;
    for (std::size_t v = 1; v < values.size(); ++v) {
        state = state * 1103515245u + 12345u;
        values[v] = v % 3 == 0 ? spread[(state >> 8) % 9]
                               : static_cast<double>((state >> 8) % 40) * 0.25 - 5;
    }
    const std::vector<int> ranks = TieRaisedRanks(values, 1000);
    for (int v = 1; v <= 1000; ++v) {
        int notAbove = 0;
        for (int w = 1; w <= 1000; ++w) {
            notAbove += values[w] <= values[v] ? 1 : 0;
        }
        ASSERT_EQ(ranks[v], notAbove) << "value " << v;
    }
}

// Ranks (1 = largest, ties broken by the other series) and Kendall's sum (-1 for each
// pair strictly in opposite order, +1 otherwise), worked by hand; entry 0 is unused.
struct KendallCase {
    const char* label;
    std::vector<double> e;
    std::vector<double> o;
    std::vector<int> ranksOfE;
    long long concordance;
};

class RankAndKendall : public ::testing::TestWithParam<KendallCase> {};

TEST_P(RankAndKendall, HandValues) {
    const KendallCase& c = GetParam();
    const int n = static_cast<int>(c.e.size()) - 1;
    EXPECT_EQ(TieBrokenRanks(c.e.data(), c.o.data(), n), c.ranksOfE) << c.label;
    EXPECT_EQ(KendallConcordance(c.e.data(), c.o.data(), n), c.concordance) << c.label;
}

// "one swap": pairs (1,2) +1, (1,3) +1, (2,3) -1. "ties": E 1,1,2 and O 2,1,1: (1,2) tied
// in E +1, (1,3) -1, (2,3) tied in O +1; molecule 1 beats 2 on O. "equal pairs": both
// rank 1, the pair counts +1. "reversed": all 6 pairs -1. "one": no pair.
INSTANTIATE_TEST_SUITE_P(
    Cases, RankAndKendall,
    ::testing::Values(KendallCase{"one swap", {0, 1, 2, 3}, {0, 1, 3, 2}, {0, 3, 2, 1}, 1},
                      KendallCase{"ties", {0, 1, 1, 2}, {0, 2, 1, 1}, {0, 2, 3, 1}, 1},
                      KendallCase{"equal pairs", {0, 5, 5}, {0, 1, 1}, {0, 1, 1}, 1},
                      KendallCase{
                          "reversed", {0, 1, 2, 3, 4}, {0, 4, 3, 2, 1}, {0, 4, 3, 2, 1}, -6},
                      KendallCase{"one", {0, 7}, {0, 7}, {0, 1}, 0}));

TEST(RankAndKendall, ManyTiesAgreeWithThePairwiseCount) {
    // 400 molecules on 7 x 5 values: most pairs tie in E, O or both.
    const int n = 400;
    std::vector<double> e(n + 1, 0.0);
    std::vector<double> o(n + 1, 0.0);
    unsigned state = 12345;
    for (int i = 1; i <= n; ++i) {
        state = state * 1103515245u + 12345u;
        e[i] = static_cast<double>((state >> 16) % 7);
        state = state * 1103515245u + 12345u;
        o[i] = static_cast<double>((state >> 16) % 5) * 0.5;
    }
    long long concordance = 0;
    std::vector<int> ranks(n + 1, 0);
    std::vector<int> raised(n + 1, 0); // values not above E_i, i itself included
    for (int i = 1; i <= n; ++i) {
        ranks[i] = 1;
        for (int j = 1; j <= n; ++j) {
            raised[i] += e[j] <= e[i] ? 1 : 0;
            ranks[i] += e[j] > e[i] || (e[j] == e[i] && o[j] > o[i]) ? 1 : 0;
            if (i < j) {
                const bool opposite = (e[i] < e[j] && o[i] > o[j]) || (e[i] > e[j] && o[i] < o[j]);
                concordance += opposite ? -1 : 1;
            }
        }
    }
    EXPECT_EQ(KendallConcordance(e.data(), o.data(), n), concordance);
    EXPECT_EQ(TieBrokenRanks(e.data(), o.data(), n), ranks);
    EXPECT_EQ(TieRaisedRanks(e, n), raised);
}

struct ValidationSetUp {
    ProgramState ps;
    ComputingState cs;
    FinalWork work;
    SilentWindow window;

    ValidationSetUp(const std::vector<double>& estimated, const std::vector<double>& observed,
                    int v) {
        const int n = static_cast<int>(estimated.size());
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.ValidationCount = v;
        cs.Cycle.ValidationNames.assign(
            1,
            ""); // too small on purpose: ComputeValidationMeasures sizes it
        cs.Pair.HoldRows(n);
        for (int i = 1; i <= n; ++i) {
            cs.Pair.X[i] = estimated[i - 1];
            cs.Pair.Y[i] = observed[i - 1];
            work.CalibrationRowOf["m" + std::to_string(i)] = i;
        }
        for (int w = 1; w <= v; ++w) {
            cs.Cycle.ValidationNames.push_back("m" + std::to_string(n - v + w));
        }
        cs.Pair.MeanX = 77;
    }
};

TEST(Corlinx, ThreeMolecules) {
    // Estimates 1, 2, 3 against observed 1, 3, 2: sums |O| = 6 and |E - O| = 2, so RR% =
    // 33.33; ranks 1 2 3 and 1 3 2 differ by 2 in all: KK% = 200 * 2 / 12 = 33.33; r =
    // Sxy / sqrt(Sxx Syy) = 1 / 2.
    ValidationSetUp s({1, 2, 3}, {1, 3, 2}, 3);
    ComputeValidationMeasures(s.cs.Cycle, s.cs.Pair, s.work, s.window);
    EXPECT_DOUBLE_EQ(s.work.Validation.Sums.AbsSum, 6);
    EXPECT_DOUBLE_EQ(s.work.Validation.Sums.ErrorSum, 2);
    EXPECT_NEAR(RelativeValidationError(s.work.Validation.Sums), 100.0 / 3, 1e-12);
    EXPECT_FLOAT_EQ(s.work.Validation.Sums.RankErrorPercent, 100.0f / 3);
    EXPECT_DOUBLE_EQ(s.cs.Pair.R, 0.5);
    EXPECT_DOUBLE_EQ(s.cs.Pair.MeanX, 2);
    ASSERT_EQ(s.work.Validation.Values.size(), 4u);
    EXPECT_EQ(s.work.Validation.Values[2][4], 2);
    EXPECT_EQ(s.work.Validation.Values[2][5], 3);
}

TEST(Corlinx, TwoMoleculesGiveKk100AndTheSumsTheyHave) {
    ValidationSetUp s({5, 1, 2}, {5, 2, 4}, 2);
    ComputeValidationMeasures(s.cs.Cycle, s.cs.Pair, s.work, s.window);
    EXPECT_FLOAT_EQ(s.work.Validation.Sums.RankErrorPercent, 100);
    EXPECT_DOUBLE_EQ(s.cs.Pair.R, -0.9999);
    EXPECT_DOUBLE_EQ(s.cs.Pair.MeanX, 77); // left as the fit had it
    // Molecules m2 and m3: |O| = 6, |E - O| = 1 + 2 = 3: RR% 50.
    EXPECT_DOUBLE_EQ(RelativeValidationError(s.work.Validation.Sums), 50);
}

TEST(Corlinx, NoValidationMoleculeGivesRr100) {
    ValidationSetUp s({5, 1, 2}, {5, 2, 4}, 0);
    ComputeValidationMeasures(s.cs.Cycle, s.cs.Pair, s.work, s.window);
    EXPECT_DOUBLE_EQ(RelativeValidationError(s.work.Validation.Sums), 100);
    ValidationSetUp zero({1, 2, 3}, {0, 0, 0}, 3);
    ComputeValidationMeasures(zero.cs.Cycle, zero.cs.Pair, zero.work, zero.window);
    EXPECT_DOUBLE_EQ(RelativeValidationError(zero.work.Validation.Sums), 100);
}

TEST(EquationCorrectness, ThresholdOfTheUsersCorrectness) {
    // m = 5, m_pred = 4, s_pred = 1, RR% = 10: D = 0.2, Cv = 0.25, A = 0.525,
    // B = 0.75 / 0.7 = 1.0714286.
    // COR_low(0.7499) = 0.56235 + 0.17646 + 0.021 + 0.00278 - 0.1829 = 0.5797 -> 0.58;
    // COR_high(0.75) = 0.5415 + 1.40004 - 0.981 - 0.37905 - 0.8563 = -0.2748 -> -0.274
    // (Fix truncates -274.31 toward zero).
    EXPECT_FLOAT_EQ(EquationCorrectness(0.7499f, 5, 4, 1, 10), 0.58f);
    EXPECT_FLOAT_EQ(EquationCorrectness(0.75f, 5, 4, 1, 10), -0.274f);
}

TEST(EquationCorrectness, ZeroMeansGiveZeroQuotients) {
    // D = Cv = 0: A = 0.25, B = 1; COR_low(0.5) = 0.37495 + 0.1647 + 0.021 + 0.001325
    // - 0.1829 = 0.379075 (Fix of 379.075 + 0.5 is 379).
    const float cor = EquationCorrectness(0.5f, 0, 0, 1, 10);
    EXPECT_TRUE(std::isfinite(cor));
    EXPECT_FLOAT_EQ(cor, 0.379f);
}

TEST(RoundCorrectness, FixRoundingAndLimits) {
    EXPECT_DOUBLE_EQ(RoundCorrectness(1.2), 0.999);
    EXPECT_DOUBLE_EQ(RoundCorrectness(-3), -0.999);
    EXPECT_NEAR(RoundCorrectness(1.0), 1.0, 1e-12); // not above 1: kept
    EXPECT_NEAR(RoundCorrectness(0.1234), 0.123, 1e-12);
    EXPECT_NEAR(RoundCorrectness(-0.1236), -0.123, 1e-12); // Fix(-123.1) = -123
}

TEST(OutlierRatio, QualityAgainstLargestIndex) {
    // Q = 1: w = 1.5 and the ratio is 1 / OI_max.
    EXPECT_DOUBLE_EQ(OutlierRatioFor(1, 2), 0.5);
    // Q = 4, OI_max = 2.5: w = 0.9375, 4^0.9375 = 3.668, ratio 1.467 (no removal).
    EXPECT_NEAR(OutlierRatioFor(4, 2.5), 1.4672, 1e-4);
    EXPECT_DOUBLE_EQ(OutlierRatioFor(2, 0), 1.1);
    EXPECT_DOUBLE_EQ(OutlierRatioFor(0, 3), 1.1);
}

TEST(ScanOutliers, IndexFromOneAndAHalfAndFirstOfTheLargest) {
    const std::vector<std::string> names = {"", "a", "b", "c"};
    const double e[] = {0, 0, 0, 0};
    const double o[] = {0, 1.5, 1.4999, -1.5};
    CalibrationFigures f;
    f.SEE = 1.0;
    f.MeanO = 0.5;
    f.SpreadO = 2.0;
    const OutlierScan scan = ScanOutliers(names, e, o, 3, f);
    ASSERT_EQ(scan.Rows.size(), 3u);
    EXPECT_EQ(scan.Rows[0], "   a         0      1.5               1.5");
    EXPECT_EQ(scan.Rows[1], "   b         0      1.5"); // 1.4999 rounds to 1.5, no index
    EXPECT_EQ(scan.Rows[2], "   c         0      -1.5               1.5");
    EXPECT_EQ(scan.Name, "a");
    EXPECT_DOUBLE_EQ(scan.OIMax, 1.5);
    EXPECT_DOUBLE_EQ(scan.H, 1.0 * 1.5 / 2.0); // |1.5 - 0.5| * 1.5 / 2
    // Zero residuals: no index, no outlier.
    const double same[] = {0, 1.5, 1.4999, -1.5};
    f.SEE = 0.0;
    const OutlierScan none = ScanOutliers(names, same, o, 3, f);
    EXPECT_EQ(none.OIMax, 0);
    EXPECT_EQ(none.Name, "");
}

struct DecisionSetUp {
    ScratchDir dir{"decision"};
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    DecisionSetUp() {
        cs.Cycle.CalibrationCount = 2;
        ps.EliminateOutliers = 1;
        cs.Cycle.Number = 2;
        cs.Pair.HoldRows(2);
        cs.Pair.X[1] = 1;
        cs.Pair.Y[1] = 2;
        cs.Pair.X[2] = 3;
        cs.Pair.Y[2] = 4;
        cs.Outliers.OutlierName = "bzr9";
    }
    std::string Decide(double q, double oiMax, double h) {
        ReportAppender report(kWorkingReport);
        OutlierScan scan;
        scan.OIMax = oiMax;
        scan.H = h;
        DecideOutlier({ps, ps, cs.Cycle, nullptr, window, cs.ReportName}, cs.Outliers, cs.Pair,
                      report, q, scan);
        report.Close();
        return ReadFile(kWorkingReport);
    }
};

TEST(DecideOutlier, LeadHoppingOnlyAboveSix) {
    DecisionSetUp at6;
    const std::string six = at6.Decide(1, 2, 6);
    EXPECT_EQ(six, "   The program removed the outlier bzr9 out of calibration set\r\n");
    EXPECT_EQ(at6.cs.Outliers.OutlierSteps, 1);
    EXPECT_DOUBLE_EQ(at6.cs.Outliers.OutlierRatio, 0.5);
    DecisionSetUp above;
    EXPECT_NE(above.Decide(1, 2, 6.0001).find("possible OUTLIER FOR LEAD HOPPING."),
              std::string::npos);
}

TEST(DecideOutlier, NoEliminationIsFinalAndFillsBothSeries) {
    DecisionSetUp s;
    s.cs.Cycle.Number = 1;
    s.ps.EliminateOutliers = 0;
    const std::string report = s.Decide(1, 5, 9);
    EXPECT_EQ(report.rfind("   Your option was: do not eliminate identified outliers.\r\n", 0), 0u);
    EXPECT_DOUBLE_EQ(s.cs.Outliers.OutlierRatio, 1.1);
    EXPECT_EQ(s.cs.Outliers.OutlierSteps, 0);
    EXPECT_EQ(s.ps.ScatterPoints[2][1], 3);
    EXPECT_EQ(s.ps.ScatterPoints[2][4], 4);
    EXPECT_EQ(s.ps.ScatterPoints[3][3], 0);
}

TEST(EliminationStops, IntOfTheRootOfTheFirstCount) {
    EXPECT_FALSE(EliminationStops(4, 30));
    EXPECT_TRUE(EliminationStops(5, 30)); // Int(sqrt(30)) = 5
    EXPECT_FALSE(EliminationStops(6, 50));
    EXPECT_TRUE(EliminationStops(7, 50)); // Int(sqrt(50)) = 7
}

struct EndCase {
    int predictionCount;
    double ratio;
    bool step;
    bool hyphens;
};

class EndOfCycle : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndOfCycle, WhatIsWritten) {
    const EndCase& c = GetParam();
    ScratchDir dir("endcycle");
    ProgramState ps;
    ComputingState cs;
    cs.Cycle.CalibrationCount = 5;
    cs.Cycle.PredictionCount = c.predictionCount;
    cs.Cycle.Number = 3;
    cs.Cycle.MaxPredictors = 1;
    cs.Outliers.OutlierRatio = c.ratio;
    SilentWindow window;
    EndCycle({ps, ps, cs.Cycle, nullptr, window, cs.ReportName}, cs.Search, cs.Outliers);
    const std::string report = ReadFile(kWorkingReport);
    const std::string dashes = "   " + std::string(70, '-') + "\r\n";
    if (c.step) {
        EXPECT_EQ(report, dashes + "\r\n   STEP #4 IN IDENTIFICATION AND ELIMINATION OF "
                                   "OUTLIERS\r\n\r\n");
        EXPECT_EQ(cs.Cycle.CalibrationCount, 4);
        EXPECT_EQ(cs.Cycle.ValidationCount, 4);
        EXPECT_EQ(cs.Cycle.MaxPredictors, 2); // Int(4 / 3) = 1, raised to 2
    } else {
        const std::string start = c.hyphens ? "\r\n" + dashes + "\r\n" : "\r\n";
        EXPECT_EQ(report.substr(0, start.size()), start);
        EXPECT_EQ(report.substr(start.size(), 33), "     Finishing all calculations\r\n");
        EXPECT_EQ(cs.Cycle.CalibrationCount, 5);
        // "     mm-dd-yyyy     hh:mm:ss"
        EXPECT_EQ(report.size(), start.size() + 33 + 5 + 10 + 5 + 8 + 2);
    }
}

INSTANTIATE_TEST_SUITE_P(FiveRows, EndOfCycle,
                         ::testing::Values(EndCase{0, 0.5, true, false},
                                           EndCase{0, 1.1, false, false},
                                           EndCase{2, 0, false, false},
                                           EndCase{2, 1.0, true, false},
                                           EndCase{2, 1.1, false, true}));

struct MarkCase {
    double estimate;
    std::string text;
    int vote;
};

class Marks : public ::testing::TestWithParam<MarkCase> {};

// Prediction bounds 4..6, all-molecule bounds 3..7: the nine rows of the table.
TEST_P(Marks, NineRowsAndTheVote) {
    const MarkCase& c = GetParam();
    const LowHighMarks m = MarkEstimate(c.estimate, 4, 6, 3, 7);
    EXPECT_EQ(m.Text, c.text);
    EXPECT_EQ(m.Text.size(), 16u);
    EXPECT_EQ(m.Vote, c.vote);
}

INSTANTIATE_TEST_SUITE_P(Table, Marks,
                         ::testing::Values(MarkCase{2, "     low     LOW", -1},
                                           MarkCase{2.5, "     low     LOW", -1},
                                           MarkCase{5, std::string(16, ' '), 0},
                                           MarkCase{6, std::string(16, ' '), 0},
                                           MarkCase{4, std::string(16, ' '), 0},
                                           MarkCase{6.5, "     high" + std::string(7, ' '), 1},
                                           MarkCase{3.5, "     low" + std::string(8, ' '), -1},
                                           MarkCase{8, "     high   HIGH", 1}));

TEST(Marks, RowsThatNeedCrossedBounds) {
    // Prediction bounds above or below the all-molecule ones give the other rows.
    EXPECT_EQ(MarkEstimate(5, 4, 6, 5.5, 7).Text, std::string(8, ' ') + "     LOW");
    EXPECT_EQ(MarkEstimate(6.5, 4, 6, 6.8, 9).Text, "     high    LOW");
    EXPECT_EQ(MarkEstimate(5, 4, 6, 1, 4.5).Text, std::string(8, ' ') + "    HIGH");
    EXPECT_EQ(MarkEstimate(3.5, 4, 6, 1, 3).Text, "     low    HIGH");
}

struct LabelCase {
    int distinct;
    int vote;
    int label;
};

class FinalLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(FinalLabels, ScoreThresholds) {
    const LabelCase& c = GetParam();
    EXPECT_EQ(FinalLabel(c.vote, c.distinct), c.label);
}

INSTANTIATE_TEST_SUITE_P(Votes, FinalLabels,
                         ::testing::Values(LabelCase{1, -1, -1}, LabelCase{1, 0, 0},
                                           LabelCase{1, 1, 1}, LabelCase{3, 1, 0},
                                           LabelCase{3, -1, 0}, LabelCase{3, 2, 1},
                                           LabelCase{3, -2, -1}, LabelCase{4, -1, 0},
                                           LabelCase{4, -2, -1}, LabelCase{4, 2, 1},
                                           LabelCase{0, -3, 0}));

TEST(SpreadsOf, OnePredictionMolecule) {
    const double x[] = {0, 1, 2, 3};
    const double e[] = {0, 6};
    const EstimateSpreads s = SpreadsOf(x, e, 3, 1);
    EXPECT_DOUBLE_EQ(s.MeanPred, 6);
    EXPECT_DOUBLE_EQ(s.SpreadPred, 0);
    EXPECT_DOUBLE_EQ(s.MeanAll, 3);
    // Deviations -2, -1, 0, 3 over the four molecules: sqrt(14 / 3).
    EXPECT_DOUBLE_EQ(s.SpreadAll, std::sqrt(14.0 / 3));
}

/// Three calibration and two prediction molecules with one descriptor column (raw values
/// 1, 2, 3 | 2, 4, centred on their mean 2.4).
struct PredictorFileSetUp {
    ScratchDir dir{"prd"};
    ProgramState ps;
    ComputingState cs;
    FinalWork work;

    explicit PredictorFileSetUp(int p = 1) {
        ps.QsprTableName = "ABCDEFG";
        cs.Cycle.CalibrationCount = 3;
        cs.Cycle.PredictionCount = 2;
        cs.Search.FitTermCount = p;
        cs.Descriptors.DescriptorMatrix.Reset(10);
        cs.Pair.HoldRows(10);
        DescriptorMatrixStore& dm = cs.Descriptors.DescriptorMatrix;
        const double raw[] = {0, 1, 2, 3, 2, 4};
        const char* names[] = {"", "molecule10", "b", "c", "p", "q"};
        dm.ColumnNames[1] = "descriptor";
        dm.ColumnNames[2] = "same";
        for (int i = 1; i <= 5; ++i) {
            dm.MoleculeNames[i] = names[i];
            dm.At(i, 1) = raw[i] - 2.4;
            dm.At(i, 2) = raw[i] - 2.4;
        }
        dm.At(6, 1) = 2.4;
        dm.At(6, 2) = 2.4;
        cs.Search.KeptSets[17][1] = 1;
        cs.Search.KeptSets[17][2] = 2;
        work.EquationNumber = 17;
    }
};

TEST(PredictorFiles, NameRoundingAndCut) {
    EXPECT_EQ(EquationPredictorFileName("ABCDEFG", 17), "ABCDE#17prd.dat");
    EXPECT_EQ(EquationPredictorFileName("AB", 3), "AB#3prd.dat");
    PredictorFileSetUp s;
    s.cs.Descriptors.DescriptorMatrix.At(2, 1) = 12.345678 - 2.4;
    s.cs.Descriptors.DescriptorMatrix.At(3, 1) = -0.000049 - 2.4;
    WritePredictorFile(s.ps, s.cs.Cycle, s.cs.Descriptors, s.cs.Search, s.work);
    EXPECT_EQ(ReadFile("ABCDE#17prd.dat"), "Cases\tdescrip\t\r\n"
                                           "molecul\t 1\t\r\n"
                                           "b\t 12.345\t\r\n"
                                           "c\t 0\t\r\n"
                                           "p\t 2\t\r\n"
                                           "q\t 4\t\r\n");
}

TEST(AssessApplicability, LeverageReadBackFromTheFile) {
    // X'X over the calibration rows = 1 + 4 + 9 = 14: leverages 4/14 and 16/14, mean
    // 10/14, spread sqrt(2 * (6/14)^2) = 0.6061.
    PredictorFileSetUp s;
    s.work.Size(5, 2);
    WritePredictorFile(s.ps, s.cs.Cycle, s.cs.Descriptors, s.cs.Search, s.work);
    AssessApplicability(s.ps, s.cs.Cycle, s.cs.Search, s.work);
    EXPECT_FLOAT_EQ(s.work.LeverageValues[1], 4.0f / 14);
    EXPECT_FLOAT_EQ(s.work.LeverageValues[2], 16.0f / 14);
    EXPECT_NEAR(s.work.LeverageMean, 10.0 / 14, 1e-7);
    EXPECT_NEAR(s.work.LeverageSpread, std::sqrt(2.0) * 6 / 14, 1e-6);
}

TEST(AssessApplicability, OnePredictionMoleculeHasNoSpread) {
    PredictorFileSetUp s;
    s.cs.Cycle.PredictionCount = 1;
    s.cs.Descriptors.DescriptorMatrix.At(5, 1) = 2.4; // the mean row moves up with P = 1
    s.work.Size(4, 1);
    WritePredictorFile(s.ps, s.cs.Cycle, s.cs.Descriptors, s.cs.Search, s.work);
    AssessApplicability(s.ps, s.cs.Cycle, s.cs.Search, s.work);
    EXPECT_FLOAT_EQ(s.work.LeverageValues[1], 4.0f / 14);
    EXPECT_EQ(s.work.LeverageSpread, 0);
}

TEST(AssessApplicability, SingularCrossProductsAddNothing) {
    PredictorFileSetUp s(2); // two equal columns
    s.work.Size(5, 2);
    WritePredictorFile(s.ps, s.cs.Cycle, s.cs.Descriptors, s.cs.Search, s.work);
    AssessApplicability(s.ps, s.cs.Cycle, s.cs.Search, s.work);
    EXPECT_EQ(s.work.LeverageValues[1], 0);
    EXPECT_EQ(s.work.LeverageValues[2], 0);
    EXPECT_EQ(s.work.LeverageMean, 0);
    EXPECT_EQ(s.work.LeverageSpread, 0);
}

TEST(Leverages, PartialPivotingHandlesAZeroLeadingEntry) {
    // Rows (0, 1) and (1, 0): M = I, M^-1 = I; the prediction row (2, 3) gives 13.
    const std::vector<double> x = {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 3};
    std::vector<double> h;
    ASSERT_TRUE(Leverages(x, 2, 2, 3, 3, h));
    EXPECT_DOUBLE_EQ(h[3], 13);
}

TEST(Fragments, ThresholdForTwentyMolecules) {
    // ln(20) / 20 = 0.149787: |r| must exceed 0.38702.
    EXPECT_FALSE(IsSignificantFragment(0.387, 20));
    EXPECT_TRUE(IsSignificantFragment(0.3871, 20));
    EXPECT_TRUE(IsSignificantFragment(-0.3871, 20));
}

TEST(Fragments, LineFillsShortNamesOnly) {
    EXPECT_EQ(FragmentLine("CO", "m1", 0.51234),
              "        CO         included in  m1  molecule   r =  0.5123");
    EXPECT_EQ(FragmentLine("ABCDEFGHIJ", "m1", -0.5),
              "        ABCDEFGHIJ   included in  m1  molecule   r =  -0.5");
}

TEST(ReportFragments, SignificantFragmentsAndAShortTable) {
    ScratchDir dir("fragments");
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    cs.Cycle.CalibrationCount = 4;
    cs.Cycle.QsprLines = {"Cases Property", "a 1", "b 2", "c 3", "d 4"};
    cs.Cycle.SelectedTableCount = 2;
    cs.Cycle.ChosenTableNames = {{}, {"xd2d.des", ""}, {"xvfr.des", ""}};
    // F1 follows the property (r = 1, capped 0.9999), F2 runs against it but never
    // exceeds 0.04, F3 is unrelated. The table lacks molecule d: its cells read 0.
    WriteFile("xvfr.des", "Cases F1 F2 F3\r\na 1 0.03 5\r\nb 2 0.02 5\r\nc 3 0.01 5\r\n");
    ReportAppender report(kWorkingReport);
    ReportFragments(ps, cs.Cycle, cs.Outliers, cs.Pair, window, report);
    report.Close();
    const std::string text = ReadFile(kWorkingReport);
    EXPECT_NE(text.find("FRAGMENTS IN THE CALIBRATION SET IS 3\r\n"
                        "     SIGNIFICANT MOLECULAR FRAGMENTS ARE\r\n\r\n"),
              std::string::npos);
    // F1 over a, b, c, d = 1, 2, 3, 0 against 1..4: r = 0.2 (r2 0.04 < ln4/4 = 0.3466).
    // F2 = .03 .02 .01 0 against 1..4: r = -1 -> -0.9999, significant, but no line.
    EXPECT_EQ(text.find("F1 "), std::string::npos);
    EXPECT_EQ(text.find("F2 "), std::string::npos);
    // F3 = 5 5 5 0: r = -7.5 / sqrt(18.75 * 5) = -0.77460, significant, first in a.
    EXPECT_NE(text.find("\r\n        F3         included in  a  molecule   r =  -0.7746\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("     Correlation sign + means"), std::string::npos);
}

TEST(ReportFragments, NoneSignificantSaysMissing) {
    ScratchDir dir("fragments-missing");
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    cs.Cycle.CalibrationCount = 3;
    cs.Cycle.QsprLines = {"Cases Property", "a 1", "b 2", "c 3"};
    cs.Cycle.SelectedTableCount = 1;
    cs.Cycle.ChosenTableNames = {{}, {"yvfr.des", ""}};
    cs.Outliers.OutlierSteps = 1;
    WriteFile("yvfr.des", "Cases F1\r\na 1\r\nb 2\r\nc 1\r\n");
    ReportAppender report(kWorkingReport);
    ReportFragments(ps, cs.Cycle, cs.Outliers, cs.Pair, window, report);
    report.Close();
    EXPECT_EQ(ReadFile(kWorkingReport),
              "\r\n     TOTAL NUMBER OF IDENTIFIED MOLECULAR FRAGMENTS IN THE CALIBRATION SET IS "
              "1\r\n     SIGNIFICANT MOLECULAR FRAGMENTS AFTER ELIMINATION OF HIGH OUTLIERS "
              "ARE\r\n\r\n     MISSING\r\n");
}

} // namespace
} // namespace kalemir::qspr
