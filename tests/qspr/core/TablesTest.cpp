// Splitting, loading and screening of the tables, the merge into the descriptor matrix,
// the ranking report and the predictor-value texts.

#include "common/ComputingWindow.h"
#include "qspr/core/BestSetReport.h"
#include "qspr/core/Significant.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/run/ComputingState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

int CountChar(const std::string& text, char c) {
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

/// A table of `columns` descriptors for two molecules.
std::string WideTable(int columns) {
    std::string header = "Cases";
    std::string row1 = "m1";
    std::string row2 = "m2";
    for (int c = 1; c <= columns; ++c) {
        header += "\td" + std::to_string(c);
        row1 += "\t" + std::to_string(c);
        row2 += "\t" + std::to_string(2 * c);
    }
    return header + "\r\n" + row1 + "\r\n" + row2 + "\r\n";
}

struct SplitCase {
    int columns;
    std::vector<int> widths;
};

/// Splits the one table `name` into its work tables in `cs`.
void SplitOneTable(ComputingState& cs, const std::string& name) {
    cs.Cycle.TableCount = 1;
    cs.Cycle.TableNames.resize(2);
    cs.Cycle.TableNames[1] = {name, name};
    SilentWindow window;
    SplitTables(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
}

class SplitTablesWidths : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTablesWidths, CutsIntoWorkTablesOfTheStatedWidths) {
    ScratchDir dir("split");
    const SplitCase& c = GetParam();
    WriteFile("widevfr.des", WideTable(c.columns));
    {
        ComputingState cs;
        SplitOneTable(cs, "widevfr.des");
        ASSERT_EQ(cs.Tables.NewtabCount, static_cast<int>(c.widths.size()));
        EXPECT_EQ(cs.Cycle.TableCount, cs.Tables.NewtabCount);
        EXPECT_EQ(cs.Tables.FragmentNewtab, cs.Tables.NewtabCount); // the last block of a vfr table
        for (std::size_t k = 0; k < c.widths.size(); ++k) {
            const std::string name = ".kalemir-work/newtab " + std::to_string(k + 1) + ".des";
            EXPECT_EQ(cs.Cycle.TableNames[k + 1].First, name);
            EXPECT_EQ(cs.Cycle.TableNames[k + 1].Second, "0");
            const std::string text = ReadFile(name);
            // Header: TAB + "Cases", then TAB + name per column.
            EXPECT_EQ(CountChar(FirstLine(text), '\t'), c.widths[k] + 1) << name;
            EXPECT_EQ(CountChar(text, '\n'), 4); // header, two molecules, a row of zeros
        }
    }
    // The work tables are removed with the computing state, and their folder with them.
    EXPECT_FALSE(std::filesystem::exists(".kalemir-work"));
}

INSTANTIATE_TEST_SUITE_P(Widths, SplitTablesWidths,
                         ::testing::Values(SplitCase{2500, {833, 833, 834}},
                                           SplitCase{1000, {1000}}, SplitCase{1001, {500, 501}},
                                           SplitCase{3, {3}}));

TEST(SplitTables, ShortRecordsAreFilledWithZerosInEveryBlock) {
    ScratchDir dir("ragged");
    // 1001 descriptors make blocks of 500 and 501; m2 reaches two values into the second
    // block, m3 has none (nor a separator: its name reads as 0). Names keep their TAB.
    std::string table = "Cases";
    std::string m2 = "m2";
    for (int c = 1; c <= 1001; ++c) {
        table += "\td" + std::to_string(c);
        if (c <= 502) {
            m2 += "\t" + std::to_string(c);
        }
    }
    WriteFile("ragged.des", table + "\r\n" + m2 + "\r\nm3\r\n");
    ComputingState cs;
    SplitOneTable(cs, "ragged.des");
    auto values = [](int from, int to, int zeros) {
        std::string text;
        for (int v = from; v <= to; ++v) {
            text += "\t" + std::to_string(v);
        }
        for (int z = 0; z < zeros; ++z) {
            text += "\t0";
        }
        return text;
    };
    const std::vector<std::string> first = SplitReportLines(ReadFile(".kalemir-work/newtab 1.des"));
    const std::vector<std::string> second =
        SplitReportLines(ReadFile(".kalemir-work/newtab 2.des"));
    ASSERT_EQ(first.size(), 4U);
    ASSERT_EQ(second.size(), 4U);
    EXPECT_EQ(first[1], "\tm2\t" + values(1, 500, 0));
    EXPECT_EQ(second[1], "\tm2\t" + values(501, 502, 499));
    EXPECT_EQ(first[2], "\t0" + values(1, 0, 500));
    EXPECT_EQ(second[2], "\t0" + values(1, 0, 501));
}

TEST(SplitTables, WorkersWriteTheSameLinesInRecordOrder) {
    // 700 records (three blocks of records), 1001 descriptors (two work tables), values
    // unique to their record and column: the lines are cut on the workers and written out
    // one block behind.
    ScratchDir dir("split-workers");
    std::string table = "Cases";
    for (int c = 1; c <= 1001; ++c) {
        table += "\td" + std::to_string(c);
    }
    for (int r = 1; r <= 700; ++r) {
        table += "\r\nm" + std::to_string(r);
        for (int c = 1; c <= 1001; c += r % 7 == 0 ? 2 : 1) {
            table += "\t" + std::to_string(r * 10000 + c);
        }
    }
    WriteFile("wide.des", table);
    std::vector<std::string> expected;
    for (int threads : {1, 2, 3}) {
        ComputingState cs;
        if (threads > 1) {
            cs.Workers = std::make_unique<WorkerPool>(threads);
        }
        SplitOneTable(cs, "wide.des");
        const std::string both =
            ReadFile(".kalemir-work/newtab 1.des") + ReadFile(".kalemir-work/newtab 2.des");
        if (threads == 1) {
            expected = SplitReportLines(both);
            ASSERT_EQ(expected.size(), 2U * 702);
            // A name keeps the TAB that ended it.
            EXPECT_EQ(expected[700].substr(0, 22), "\tm700\t\t7000001\t7000003");
            continue;
        }
        EXPECT_EQ(SplitReportLines(both), expected) << threads << " threads";
    }
}

TEST(SplitTables, WritesTheWorkTableLayout) {
    ScratchDir dir("layout");
    // A blank-separated header, a missing value, a record ending with a blank.
    WriteFile("agrd.des", "Corner a b\r\nm1 1 2 \r\nm2\t3\r\n");
    ComputingState cs;
    SplitOneTable(cs, "agrd.des");
    EXPECT_EQ(ReadFile(".kalemir-work/newtab 1.des"),
              "\tgrid\ta\tb\r\n\tm1 \t1\t2\r\n\tm2\t\t3\t0\r\n\t0\t0\t0\r\n");
    EXPECT_EQ(cs.Tables.NewtabTotalKB, 0); // 46 bytes round to 0 KB
    EXPECT_EQ(cs.Tables.FragmentNewtab, 0);
}

/// Two calibration molecules and one prediction molecule, one work table of the given
/// values (text as in the file).
struct LoadedTable {
    ScratchDir dir{"load"};
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    explicit LoadedTable(const std::string& table, const std::string& name = "t.des") {
        cs.Cycle.QsprLines = {"Cases\tprop", "m1\t1", "m2\t3", "m3\t2", "m4\t?"};
        cs.Cycle.QsprLastLine = 4;
        cs.Cycle.CalibrationCount = 3;
        cs.Cycle.PredictionCount = 1;
        cs.Cycle.ValidationCount = 2;
        cs.Cycle.MinPropertyR2 = 0.1;
        WriteFile(name, table);
        cs.Cycle.TableCount = 1;
        cs.Cycle.TableNames.resize(2);
        cs.Cycle.TableNames[1] = {name, name};
        SplitTables(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
        ParseQsprTable(cs.Cycle, cs.Tables, cs.Descriptors, cs.Pair);
        cs.Tables.TableIndex = 1;
        LoadWorkTable(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
        ScreenTableColumns(cs.Cycle, cs.Tables, cs.Pair, window);
    }
};

TEST(LoadWorkTable, ZeroAndTextValuesScreenAsOneTenThousandth) {
    LoadedTable t("C a b c\r\nm1 0 1 x\r\nm2 0.0 2 1\r\nm3 abc 3 2\r\nm4 5 4 3\r\n");
    EXPECT_FALSE(std::filesystem::exists("newtab 1.des")); // deleted once loaded
    EXPECT_EQ(t.cs.Tables.Cells.Headings[1], "Cases");
    EXPECT_EQ(t.cs.Tables.Cells.Headings[2], "a");
    EXPECT_EQ(t.cs.Tables.Cells.Headings[5], "xxx");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(t.cs.Tables.Cells.At(i, 2), 0.0001);
    }
    EXPECT_EQ(t.cs.Tables.Cells.At(1, 4), 0.0001);
    EXPECT_EQ(t.cs.Tables.Cells.At(4, 2), 5);
    // Column a is constant on the calibration rows, column b = (1, 2, 3) against the
    // property (1, 3, 2): Sxy = 1, Sxx = Syy = 2, r = 0.5.
    EXPECT_EQ(t.cs.Tables.Cells.ColumnR2[2], 0);
    EXPECT_DOUBLE_EQ(t.cs.Tables.Cells.ColumnR2[3], 0.25);
    EXPECT_EQ(t.cs.Cycle.ValidationNames[1], "m2");
    EXPECT_EQ(t.cs.Cycle.ValidationNames[2], "m3");
    EXPECT_EQ(t.cs.Descriptors.DescriptorMatrix.ColumnNames[kPropertyColumn], "prop");
    EXPECT_EQ(t.cs.Descriptors.DescriptorMatrix.At(4, kPropertyColumn), 0);
}

TEST(LoadWorkTable, ShortTableReadsAsZeros) {
    LoadedTable t("C a\r\nm1 1\r\n");
    EXPECT_EQ(t.cs.Tables.Cells.At(1, 2), 1);
    EXPECT_EQ(t.cs.Tables.Cells.At(3, 2), 0.0001);
}

TEST(MergeSignificant, KeepsColumnsAboveTheThresholdAndDoublesItForGrids) {
    // r2 of b is 0.25 > 0.1: quality 0.9 / 0.75 = 1.2. For a grid the threshold is 0.2:
    // quality 0.8 / 0.75.
    LoadedTable plain("C a b\r\nm1 5 1\r\nm2 5 2\r\nm3 5 3\r\nm4 5 4\r\n");
    MergeSignificant(plain.cs.Cycle, plain.cs.Tables, plain.cs.Descriptors, plain.cs.Pair,
                     plain.window);
    const int qualityRow = 4 + 4;
    EXPECT_EQ(plain.cs.Descriptors.DescriptorMatrix.ColumnNames[1], "b");
    EXPECT_DOUBLE_EQ(plain.cs.Descriptors.DescriptorMatrix.At(qualityRow, 1), 0.9 / 0.75);
    EXPECT_EQ(plain.cs.Descriptors.DescriptorMatrix.At(qualityRow, 2), 0);

    LoadedTable grid("C a b\r\nm1 5 1\r\nm2 5 2\r\nm3 5 3\r\nm4 5 4\r\n", "tgrd.des");
    grid.cs.Cycle.MinPropertyR2 = 0.13; // grid threshold 0.26 > 0.25
    MergeSignificant(grid.cs.Cycle, grid.cs.Tables, grid.cs.Descriptors, grid.cs.Pair, grid.window);
    EXPECT_EQ(grid.cs.Descriptors.DescriptorMatrix.At(qualityRow, 1), 0);
}

/// A full matrix: 1000 kept columns of pseudo-random values on N = 12 molecules.
struct FullMatrix {
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    static constexpr int kN = 12;
    int qualityRow = kN + 4;

    FullMatrix() {
        cs.Cycle.CalibrationCount = kN;
        cs.Cycle.MinPropertyR2 = 0.1;
        cs.Descriptors.DescriptorMatrix.Reset(kN + 5);
        cs.Pair.HoldRows(kN + 5);
        unsigned state = 12345;
        for (int c = 1; c <= 1000; ++c) {
            cs.Descriptors.DescriptorMatrix.ColumnNames[c] = "k" + std::to_string(c);
            for (int i = 1; i <= kN; ++i) {
                state = state * 1103515245u + 12345u;
                cs.Descriptors.DescriptorMatrix.At(i, c) =
                    static_cast<double>((state >> 8) % 10000);
            }
            cs.Descriptors.DescriptorMatrix.At(qualityRow, c) = 2.0;
        }
        TableCellStore& cells = cs.Tables.Cells;
        cells.Rows = kN + 1;
        cells.Values.assign(static_cast<std::size_t>(kTableColumns) * cells.Rows, 0.0001);
        cells.Headings.assign(kTableColumns + 1, "xxx");
        cells.Headings[1] = "Cases";
        cells.ColumnR2.assign(kTableColumns, 0.0);
    }
    /// Column j of the table with quality f (r2 from the threshold 0.1).
    void Offer(int j, const std::string& name, double f) {
        cs.Tables.Cells.Headings[j] = name;
        cs.Tables.Cells.ColumnR2[j] = 1 - 0.9 / f;
        unsigned state = 777u + static_cast<unsigned>(j);
        for (int i = 1; i <= kN; ++i) {
            state = state * 69069u + 1u;
            cs.Tables.Cells.At(i, j) = static_cast<double>((state >> 8) % 10000);
        }
    }
};

TEST(MergeSignificant, FullMatrixReplacesTheWeakest) {
    FullMatrix m;
    m.cs.Descriptors.DescriptorMatrix.At(m.qualityRow, 7) = 1.5;
    m.Offer(2, "new", 1.6);
    MergeSignificant(m.cs.Cycle, m.cs.Tables, m.cs.Descriptors, m.cs.Pair, m.window);
    EXPECT_EQ(m.cs.Descriptors.DescriptorMatrix.ColumnNames[7], "new");
    EXPECT_NEAR(m.cs.Descriptors.DescriptorMatrix.At(m.qualityRow, 7), 1.6, 1e-12);
}

TEST(MergeSignificant, FullMatrixReplacesANearlyCollinearColumn) {
    FullMatrix m;
    m.cs.Descriptors.DescriptorMatrix.At(m.qualityRow, 9) =
        1.52; // the similar one, weaker than the new
    m.cs.Descriptors.DescriptorMatrix.At(m.qualityRow, 7) = 1.51; // the weakest
    m.Offer(2, "twin", 1.55);
    for (int i = 1; i <= FullMatrix::kN; ++i) { // twin = 2 x column 9: r2 capped, R > 900
        m.cs.Tables.Cells.At(i, 2) = 2 * m.cs.Descriptors.DescriptorMatrix.At(i, 9);
    }
    MergeSignificant(m.cs.Cycle, m.cs.Tables, m.cs.Descriptors, m.cs.Pair, m.window);
    EXPECT_EQ(m.cs.Descriptors.DescriptorMatrix.ColumnNames[9], "twin");
    EXPECT_EQ(m.cs.Descriptors.DescriptorMatrix.ColumnNames[7], "k7");
}

TEST(MergeSignificant, FullMatrixDropsAWeakerNewcomer) {
    FullMatrix m;
    m.Offer(2, "weak", 1.4);
    MergeSignificant(m.cs.Cycle, m.cs.Tables, m.cs.Descriptors, m.cs.Pair, m.window);
    for (int c = 1; c <= 1000; ++c) {
        ASSERT_NE(m.cs.Descriptors.DescriptorMatrix.ColumnNames[c], "weak");
    }
}

TEST(RankSignificant, OrdersByQualityAndReports) {
    ScratchDir dir("rank");
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    cs.Cycle.CalibrationCount = 2;
    cs.Descriptors.DescriptorMatrix.Reset(2 + 5);
    cs.Pair.HoldRows(2 + 5);
    const double qualities[] = {1.25, 1.5, 0.5, 1.125, 1.5};
    for (int c = 1; c <= 5; ++c) {
        cs.Descriptors.DescriptorMatrix.ColumnNames[c] = "q" + std::to_string(c);
        cs.Descriptors.DescriptorMatrix.At(6, c) = qualities[c - 1];
        cs.Descriptors.DescriptorMatrix.At(1, c) = c;
        cs.Descriptors.DescriptorMatrix.At(2, c) = 3 * c;
    }
    RankSignificant(cs.Cycle, cs.Descriptors, cs.ReportName, window);
    EXPECT_EQ(cs.Descriptors.SignificantCount, 4);
    // Exchange sort: the two 1.5 come out as q2 then q5.
    EXPECT_EQ(cs.Descriptors.DescriptorMatrix.ColumnNames[1], "q2");
    EXPECT_EQ(cs.Descriptors.DescriptorMatrix.ColumnNames[2], "q5");
    EXPECT_EQ(cs.Descriptors.DescriptorMatrix.ColumnNames[3], "q1");
    EXPECT_EQ(cs.Descriptors.DescriptorMatrix.At(3, 1), 4); // mean of (2, 6) moved with its column
    EXPECT_EQ(cs.Descriptors.DescriptorMatrix.At(4, 1), 2); // population SD
    EXPECT_EQ(ReadFile("rezultat.rez"),
              "   According to KalemirQ criteria in the QSPR computation phase\r\n"
              "   number of the significant descriptors is 4\r\n"
              "\r\n"
              "   The most significant 2 descriptors by quality are:\r\n"
              "\r\n"
              "   Descriptor      Quality\r\n"
              "\r\n"
              "     q2           1.5\r\n"
              "     q5           1.5\r\n");
}

TEST(RankSignificant, NoSignificantDescriptorFinishes) {
    ScratchDir dir("rank0");
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    cs.Cycle.CalibrationCount = 2;
    cs.Descriptors.DescriptorMatrix.Reset(7);
    cs.Pair.HoldRows(7);
    RankSignificant(cs.Cycle, cs.Descriptors, cs.ReportName, window);
    EXPECT_EQ(cs.Descriptors.SignificantCount, 0);
    EXPECT_EQ(ReadFile("rezultat.rez"),
              "   According to KalemirQ criteria in the QSPR computation phase\r\n"
              "   number of the significant descriptors is 0\r\n\r\n   PROGRAM FINISH\r\n");
}

struct ValueCase {
    double value;
    const char* text;
};

class PredictorValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PredictorValues, RoundHalfAwayAndCutToSeven) {
    EXPECT_EQ(PredictorValueText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, PredictorValues,
                         ::testing::Values(ValueCase{0.00005, " .0001"},
                                           ValueCase{-0.00005, "-.0001"}, ValueCase{-0.00004, " 0"},
                                           ValueCase{123.4567, " 123.45"}, ValueCase{2.5, " 2.5"}));

TEST(PredictorCellText, LongNamesAreCut) {
    EXPECT_EQ(PredictorCellText("abcdefghij"), "abcdefg");
    EXPECT_EQ(PredictorCellText("abcdefg"), "abcdefg");
}

} // namespace
} // namespace kalemir::qspr
