#include "qspr/setup/QsprTables.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

TEST(QsprTablesTest, PredictionMoleculesEndInAQuestionMark) {
    EXPECT_TRUE(IsPredictionRecord("m1\t?"));
    EXPECT_TRUE(IsPredictionRecord("m1 ?"));
    EXPECT_FALSE(IsPredictionRecord("m1\t?x"));
    EXPECT_FALSE(IsPredictionRecord("m1\t6.87"));
    EXPECT_FALSE(IsPredictionRecord(""));
}

TEST(QsprTablesTest, EmptyRecordsAreNotStored) {
    ScratchDir dir("qspr-lines");
    WriteFile("T", "Cases\tp\r\nm1\t1\r\n\r\nm2\t2\nm3\t?\r\n\r\n");
    EXPECT_EQ(ReadQsprLines("T"),
              (std::vector<std::string>{"Cases\tp", "m1\t1", "m2\t2", "m3\t?"}));
}

TEST(QsprTablesTest, MoreThan20000MoleculesAreRefused) {
    ScratchDir dir("qspr-limit");
    std::string table = "Cases\tp\r\n";
    for (int i = 1; i <= 20000; ++i) {
        table += "m\t1\r\n";
    }
    WriteFile("T20000", table);
    EXPECT_EQ(ReadQsprLines("T20000").size(), 20001u);
    WriteFile("T20001", table + "m\t1\r\n");
    try {
        ReadQsprLines("T20001");
        FAIL() << "a table of 20001 molecules was accepted";
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "T20001: more than 20000 molecules (line 20002); a QSPR "
                                         "table holds at most 20000");
    }
}

TEST(QsprTablesTest, DescriptorCountIsTheSeparatorRunsOfTheHeader) {
    ScratchDir dir("des-count");
    WriteFile("blanks.des", "Cases D1 D2 D3\r\nm1 1 2 3\r\n");
    WriteFile("tabs.des", "Cases\tD1\tD2\tD3\r\nm1\t1\t2\t3\r\n");
    WriteFile("trailing.des", "Cases\tD1\tD2\tD3\t\r\n");
    EXPECT_EQ(CountDescriptorColumns("blanks.des"), 3);
    EXPECT_EQ(CountDescriptorColumns("tabs.des"), 3);
    EXPECT_EQ(CountDescriptorColumns("trailing.des"), 4);
}

TEST(QsprTablesTest, WideTablesAreCutIntoWorkTablesOfAtMost1000Columns) {
    EXPECT_EQ(WorkTableWidths(2500), (std::vector<int>{833, 833, 834}));
    EXPECT_EQ(WorkTableWidths(1000), (std::vector<int>{1000}));
    EXPECT_EQ(WorkTableWidths(1001), (std::vector<int>{500, 501}));
    EXPECT_EQ(WorkTableWidths(37), (std::vector<int>{37}));
    EXPECT_EQ(WorkTableWidths(2002), (std::vector<int>{667, 667, 668}));
}

TEST(QsprTablesTest, DerivedFileNames) {
    EXPECT_EQ(WorkTableName(1), "newtab 1.des");
    EXPECT_EQ(WorkTableName(12), "newtab 12.des");
    EXPECT_EQ(SelectionTableName("BZR01"), "BZR01sel.des");
    EXPECT_EQ(SelectionTableName("AB"), "ABsel.des");
    EXPECT_EQ(PredictorFileName("BZR01", 1), "BZR1prd.dat");
    EXPECT_EQ(PredictorFileName("BZR01", 12), "BZR12prd.dat");
    EXPECT_EQ(PredictorFileName("BZR01", 123), "BZR23prd.dat");
    EXPECT_EQ(PredictorFileName("AB", 7), "AB7prd.dat");
}

TEST(QsprTablesTest, TableSuffixIsCaseSensitive) {
    EXPECT_TRUE(HasTableSuffix("BZR01vfr.des", "vfr.des"));
    EXPECT_TRUE(HasTableSuffix("vfr.des", "vfr.des"));
    EXPECT_FALSE(HasTableSuffix("BZR01VFR.des", "vfr.des"));
    EXPECT_FALSE(HasTableSuffix("fr.des", "vfr.des"));
    EXPECT_TRUE(HasTableSuffix("Xgrd.des", "grd.des"));
}

} // namespace
} // namespace kalemir::qspr
