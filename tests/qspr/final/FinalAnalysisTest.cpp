// The final analysis on a small table whose answers were worked out independently: an
// exact rational least-squares fit with an intercept column on the raw values (Cramer's
// rule on the 3 x 3 normal equations), the statistics from their definitions, and the
// figures rounded and written as the report does (a short script, not this code).

#include "qspr/final/FinalAnalysis.h"
#include "common/ComputingWindow.h"
#include "common/WorkerPool.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/run/ComputingState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;

/// The lines of `text` from the first that equals `first`, `count` of them.
std::vector<std::string> Block(const std::string& text, const std::string& first,
                               std::size_t count) {
    const std::vector<std::string> all = SplitReportLines(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == first) {
            return {all.begin() + static_cast<long>(i),
                    all.begin() + static_cast<long>(std::min(all.size(), i + count))};
        }
    }
    return {};
}

/// Six calibration molecules m1..m6 and two prediction molecules p1, p2; descriptors
/// d1, d2; the matrix centred as the centring stage leaves it.
struct SmallTable {
    ScratchDir dir{"final"};
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    CycleContext Context() { return {ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName}; }

    SmallTable() {
        const double d1[] = {0, 1, 2, 3, 4, 5, 6, 2.5, 7};
        const double d2[] = {0, 2, 1, 4, 3, 6, 5, 3, 8};
        const double y[] = {0, 3.1, 6.4, 5.2, 8.9, 12.1, 9.7};
        const int n = 6;
        const int pc = 2;
        ps.QsprTableName = "TESTQ";
        cs.Cycle.CalibrationCount = n;
        ps.InitialCalibrationCount = n;
        cs.Cycle.PredictionCount = pc;
        cs.Cycle.MaxPredictors = 2;
        cs.Cycle.Number = 1;
        ps.EliminateOutliers = 0;
        cs.Cycle.ValidationCount = n;
        cs.Cycle.ValidationNames.assign(n + 1, "");
        cs.Cycle.QsprLines.assign(n + pc + 1, "");
        cs.Descriptors.DescriptorMatrix.Reset(n + pc + 5);
        cs.Pair.HoldRows(n + pc + 5);
        DescriptorMatrixStore& dm = cs.Descriptors.DescriptorMatrix;
        dm.ColumnNames[1] = "d1";
        dm.ColumnNames[2] = "d2";
        for (int i = 1; i <= n + pc; ++i) {
            dm.MoleculeNames[i] = i <= n ? "m" + std::to_string(i) : "p" + std::to_string(i - n);
            dm.At(i, 1) = d1[i];
            dm.At(i, 2) = d2[i];
            if (i <= n) {
                dm.At(i, kPropertyColumn) = y[i];
                cs.Cycle.ValidationNames[i] = dm.MoleculeNames[i];
            }
        }
        // Means over the calibration molecules, subtracted from every molecule row.
        for (int c : {1, 2, kPropertyColumn}) {
            const int rows = c == kPropertyColumn ? n : n + pc;
            double sum = 0;
            for (int i = 1; i <= n; ++i) {
                sum += dm.At(i, c);
            }
            const double mean = sum / n;
            for (int i = 1; i <= rows; ++i) {
                dm.At(i, c) -= mean;
            }
            dm.At(n + pc + 1, c) = mean;
        }
        cs.Descriptors.SignificantCount = 2;
        cs.Search.ValuableSetCount = 1;
        cs.Search.BestSets[3][1] = 1;
        cs.Search.BestSets[3][2] = 2;
        cs.Search.BestSets[3][22] = 0.4321; // the r2CV kept with the set
        cs.CV.LastFitR2CV = 0.9;            // that of another set: must not be printed
        for (int e = 1; e <= kListRows; ++e) {
            cs.Search.KeptSets[e][1] = 1;
            cs.Search.KeptSets[e][2] = 2;
        }
    }
};

TEST(AnalyseCalibrationSet, EveryFigureAgreesWithAnIndependentFit) {
    SmallTable t;
    t.cs.Search.FitTermCount = 2;
    AnalyseCalibrationSet(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
    const std::string report = ReadFile(kWorkingReport);
    const std::vector<std::string> expected = {
        "    Weighting factors and intercept in the best (by Q) QSPR",
        "",
        "     d1     1.5354",
        "     d2     0.0021",
        "",
        "    Intercept =   2.1854",
        "",
        "   ESTIMATED AND OBSERVED VALUES IN THE CALIBRATION SET",
        "   CALCULATED USING THE BEST QSPR (BY Q)",
        "",
        "   Molecule   Estimated   Observed          Outlier Index",
        "   m1         3.725      3.1",
        "   m2         5.258      6.4",
        "   m3         6.8      5.2",
        "   m4         8.333      8.9",
        "   m5         9.875      12.1",
        "   m6         11.408      9.7",
        "",
        "   average of the observed Dependent Property values =  7.567  \xB1   3.28",
        "   average of the estimated Dependent Property values =  7.567  \xB1   2.876",
        "   variation coefficient of the observed Dependent Property values =  43.3 %",
        "",
        "   standard error of equation SEE for values =  1.7638    RMS =  1.4401",
        "   relative standard error of equation RSEE for values =  23.3 %",
        "   corrected RSEE for values =  39.5 %",
        "",
        "   standard error of estimation for ranks =  .8944",
        "   relative standard error for ranks =  25.6 %",
        "",
        "   r2 =  .7687",
        "   F =  6.6",
        "   r Kendall =  .7333",
        "   Q =  .4557",
        "   r2CV = 0.4321",
        "",
        "   Your option was: do not eliminate identified outliers.",
    };
    EXPECT_EQ(Block(report, expected[0], expected.size()), expected);
    // The largest outlier index (1.2615, by the script) is m5's; no removal asked for.
    EXPECT_EQ(t.cs.Outliers.OutlierName, "m5");
    EXPECT_DOUBLE_EQ(t.cs.Outliers.OutlierRatio, 1.1);
    EXPECT_EQ(t.cs.Outliers.OutlierSteps, 0);
    // No fragment table: the fragments report says so right after its header lines.
    EXPECT_NE(report.find("     SIGNIFICANT MOLECULAR FRAGMENTS ARE\r\n\r\n     MISSING\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("   Relative utility of the predictors within [0 - 1000] range"),
              std::string::npos);
    // Scatter series before (cycle 1) and after (final cycle) hold the estimates.
    ASSERT_GE(t.ps.ScatterPoints.size(), 8u);
    EXPECT_NEAR(t.ps.ScatterPoints[1][1], 3.725, 5e-4);
    EXPECT_DOUBLE_EQ(t.ps.ScatterPoints[1][2], 3.1);
    EXPECT_NEAR(t.ps.ScatterPoints[6][3], 11.408, 5e-4);
    EXPECT_DOUBLE_EQ(t.ps.ScatterPoints[6][4], 9.7);
    EXPECT_EQ(t.ps.ScatterPoints[7][1], 0);
    EXPECT_EQ(t.ps.ScatterPoints[7][3], 0);
}

/// The block of the equation {d1, d2} of the small table under its title, its figures
/// worked out by the script.
std::vector<std::string> D1D2Block(const std::string& title) {
    return {
        title,
        "",
        "     d1     1.5354",
        "     d2     0.0021",
        "",
        "    Intercept =   2.1854",
        "",
        "quality criteria:",
        "",
        "  r2 = 0.7687",
        "  Q = 0.4557",
        "  F = 6.6",
        "  SEE = 1.7638",
        "    RR% = 17.3275",
        "    KK% = 19.0476",
    };
}

TEST(FinalAnalysis, OneEquationBestByAllFourCriteria) {
    SmallTable t;
    FinalAnalysis(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
    const std::string report = ReadFile(kWorkingReport);
    std::vector<std::string> block = D1D2Block("The equation #1 with the highest value of Q");
    block.insert(block.end(),
                 {"", "In order to understand the physical meaning of the predictors"});
    // Equal figures for all 1000 equations: the strict comparisons keep equation 1 for
    // every criterion, so there is one block, one file and one distinct equation.
    EXPECT_EQ(Block(report, block[0], block.size()), block);
    EXPECT_EQ(report.find("The equation #2"), std::string::npos);
    EXPECT_EQ(report.find("lowest value of RR%"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("TESTQ#1prd.dat"));
    EXPECT_FALSE(std::filesystem::exists("TESTQ#2prd.dat"));

    // Prediction set: 6.030 lies below both lower bounds, 12.95 above both upper ones
    // (bounds 7.044 / 11.937 and 6.457 / 9.638 by the script); COR 0.454.
    const std::vector<std::string> estimates = {
        " USING THE QSPR #1",
        " Average of the estimated Dependent Property values =  9.49  \xB1   4.893",
        " calculated in presence of the ADO molecules.",
        "",
        " p1     6.03     low     LOW",
        " p2     12.95     high   HIGH",
        "",
        " The estimated correctness of the 'low/high' labeling using the QSPR #1",
        "",
        "     COR = 0.454",
        "",
        "There are 1 equations that were used for final prediction.",
        "",
        "The below list includes the molecules in the prediction set",
        "that have been finally labeled 'low' OR 'high'",
        "",
        "p1       low",
        "p2       high",
        "",
        "   " + std::string(70, '-'),
        "",
        "     Finishing all calculations",
    };
    EXPECT_EQ(Block(report, estimates[0], estimates.size()), estimates);
    EXPECT_NE(report.find("            You indicated COR (KalemirS) = 0.5001\r\n"),
              std::string::npos);

    // The estimates file: the calibration block, a blank line, the prediction block.
    const std::vector<std::string> est = SplitReportLines(ReadFile("TESTQ-EST"));
    ASSERT_EQ(est.size(), 10u);
    EXPECT_EQ(est[0], "Mol\tCalc. by Q#1");
    EXPECT_EQ(est[1], "m1\t3.725");
    EXPECT_EQ(est[7], "");
    EXPECT_EQ(est[8], "p1\t6.03");
    EXPECT_EQ(est[9], "p2\t12.95");
    // The number of cycles is final: the driver stops.
    EXPECT_GT(t.cs.Outliers.OutlierRatio, 1);
    EXPECT_EQ(t.cs.Cycle.CalibrationCount, 6);
}

TEST(FinalAnalysis, RankingOnWorkersTakesTheEquationsInOrder) {
    // A third descriptor d3 = 1 3 2 3 1 2 | 2 1: every kept set is {d2, d3} (r2 .6910 by
    // the script) except equations 250, 777 and 1000, the {d1, d2} of the blocks above
    // (r2 .7687). Equations 250 and 777 fall to different chunks, 1000 is assessed last on
    // the calling thread: whoever assesses them, the first of the tied ones is best by Q,
    // and the whole report is the same with no workers and with 1, 2 or 3.
    const std::vector<std::string> bestByQ =
        D1D2Block("The equation #250 with the highest value of Q");
    std::string reference;
    for (int threads : {0, 1, 2, 3}) {
        SCOPED_TRACE(threads);
        SmallTable t;
        if (threads > 0) {
            t.cs.Workers = std::make_unique<WorkerPool>(threads);
        }
        DescriptorMatrixStore& dm = t.cs.Descriptors.DescriptorMatrix;
        const double d3[] = {0, 1, 3, 2, 3, 1, 2, 2, 1};
        dm.ColumnNames[3] = "d3";
        for (int i = 1; i <= 8; ++i) {
            dm.At(i, 3) = d3[i] - 2; // centred on the calibration mean 2
        }
        dm.At(9, 3) = 2;
        t.cs.Descriptors.SignificantCount = 3;
        for (int e = 1; e <= kListRows; ++e) {
            const bool best = e == 250 || e == 777 || e == kListRows;
            t.cs.Search.KeptSets[e][1] = best ? 1 : 2;
            t.cs.Search.KeptSets[e][2] = best ? 2 : 3;
        }
        FinalAnalysis(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
        const std::string report = ReadFile(kWorkingReport);
        EXPECT_EQ(Block(report, bestByQ[0], bestByQ.size()), bestByQ);
        const std::size_t from = report.find("The equation #");
        const std::size_t to = report.find("     Finishing all calculations");
        ASSERT_NE(from, std::string::npos);
        ASSERT_NE(to, std::string::npos);
        const std::string ranking = report.substr(from, to - from);
        if (threads == 0) {
            reference = ranking;
        } else {
            EXPECT_EQ(ranking, reference);
        }
    }
}

TEST(FinalAnalysis, WithoutPredictionSetOnlyTheRrAndKkBlocks) {
    SmallTable t;
    t.cs.Cycle.PredictionCount = 0;
    // The matrix keeps its two extra rows; with P = 0 they are simply not read, except
    // the mean row, which moves: put the means where P = 0 expects them.
    for (int c : {1, 2, kPropertyColumn}) {
        t.cs.Descriptors.DescriptorMatrix.At(7, c) = t.cs.Descriptors.DescriptorMatrix.At(9, c);
    }
    FinalAnalysis(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
    const std::string report = ReadFile(kWorkingReport);
    EXPECT_NE(report.find("The equation #1 with the lowest value of RR%\r\n"), std::string::npos);
    EXPECT_EQ(report.find("lowest value of KK%"), std::string::npos); // the same equation
    EXPECT_EQ(report.find("highest value of Q"), std::string::npos);
    EXPECT_NE(report.find("    Intercept =   2.1854\r\n\r\nUsing the above equation and the "
                          "content of the 'NAMEprd.dat' file\r\nyou can calculate the values of "
                          "the dependent property.\r\n\r\nquality criteria:"),
              std::string::npos);
    EXPECT_EQ(report.find("ESTIMATION FOR THE MOLECULES"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("TESTQ#1prd.dat"));
    EXPECT_FALSE(std::filesystem::exists("TESTQ-EST"));
    const std::string tail = report.substr(report.size() - 80);
    EXPECT_NE(tail.find("     Finishing all calculations\r\n"), std::string::npos);
}

TEST(FinalAnalysis, NothingWithoutAValuableSet) {
    SmallTable t;
    t.cs.Search.ValuableSetCount = 0;
    FinalAnalysis(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
    EXPECT_FALSE(std::filesystem::exists(kWorkingReport));
}

} // namespace
} // namespace kalemir::qspr

namespace kalemir::qspr {
namespace {

TEST(AnalyseCalibrationSet, StopRuleMakesTheRemovalCycleFinal) {
    SmallTable t;
    t.ps.EliminateOutliers = 1;
    t.ps.InitialCalibrationCount = 4; // Int(sqrt(4)) = 2 removals at most
    t.cs.Cycle.Number = 2;
    t.cs.Outliers.OutlierSteps = 1;
    t.cs.Search.FitTermCount = 2;
    AnalyseCalibrationSet(t.Context(), t.cs.Descriptors, t.cs.Search, t.cs.Outliers, t.cs.Pair);
    // Q = 0.4557, OI_max = 1.2615: ratio 0.4557^2.396 / 1.2615 = 0.12, a removal, then
    // the limit is reached and the cycle is final with m5 kept.
    const std::string report = ReadFile(kWorkingReport);
    EXPECT_NE(report.find("   The program removed the outlier m5 out of calibration set"),
              std::string::npos);
    EXPECT_EQ(t.cs.Outliers.OutlierSteps, 2);
    EXPECT_DOUBLE_EQ(t.cs.Outliers.OutlierRatio, 1.1);
    const std::size_t stop = report.find("   The elimination of outliers was stopped because of");
    const std::size_t fragments =
        report.find("     TOTAL NUMBER OF IDENTIFIED MOLECULAR FRAGMENTS");
    ASSERT_NE(stop, std::string::npos);
    ASSERT_NE(fragments, std::string::npos);
    EXPECT_LT(stop, fragments);
    // The after series holds this final cycle's estimates.
    ASSERT_GE(t.ps.ScatterPoints.size(), 8u);
    EXPECT_NEAR(t.ps.ScatterPoints[5][3], 9.875, 5e-4);
    EXPECT_DOUBLE_EQ(t.ps.ScatterPoints[5][4], 12.1);
}

} // namespace
} // namespace kalemir::qspr
