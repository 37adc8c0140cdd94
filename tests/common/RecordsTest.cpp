#include "common/Records.h"

#include "common/Errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace kalemir {
namespace {

std::vector<std::string> AllRecords(std::string text) {
    RecordReader reader = RecordReader::FromText(std::move(text));
    std::vector<std::string> records;
    std::string record;
    do {
        reader.Read(record);
        records.push_back(record);
    } while (!reader.AtEnd());
    return records;
}

using Records = std::vector<std::string>;

TEST(RecordReaderTest, CrLfAndLfLineEndsReadAlike) {
    EXPECT_EQ(AllRecords("Cases\tpIC50\r\nm1\t6.87\r\n"), (Records{"Cases\tpIC50", "m1\t6.87"}));
    EXPECT_EQ(AllRecords("Cases\tpIC50\nm1\t6.87\n"), (Records{"Cases\tpIC50", "m1\t6.87"}));
    EXPECT_EQ(AllRecords("a\r\nb"), (Records{"a", "b"}));
}

TEST(RecordReaderTest, LeadingBlanksAndTabsAreSkippedTrailingOnesKept) {
    EXPECT_EQ(AllRecords("\tCases\tx1\t\r\n  \tm1 2 \r\n"), (Records{"Cases\tx1\t", "m1 2 "}));
}

TEST(RecordReaderTest, ACommaEndsTheRecord) {
    EXPECT_EQ(AllRecords("a b,c d\r\ne\r\n"), (Records{"a b", "c d", "e"}));
    EXPECT_EQ(AllRecords("a,,b\r\n"), (Records{"a", "", "b"}));
    // A comma at the end of a line ends its record and starts no empty one.
    EXPECT_EQ(AllRecords("a,\r\nb\r\n"), (Records{"a", "b"}));
}

TEST(RecordReaderTest, AQuotedFieldRunsToTheClosingQuote) {
    EXPECT_EQ(AllRecords("\"a, b\"\r\nc\r\n"), (Records{"a, b", "c"}));
    EXPECT_EQ(AllRecords("  \"x y\" tail,next\r\n"), (Records{"x y", "next"}));
    EXPECT_EQ(AllRecords("\"open\r\nz\r\n"), (Records{"open", "z"}));
}

TEST(RecordReaderTest, EmptyRecordsAndTheEndOfTheFile) {
    EXPECT_EQ(AllRecords(""), (Records{""}));
    EXPECT_EQ(AllRecords("\r\n"), (Records{""}));
    EXPECT_EQ(AllRecords("a\r\n\r\nb\r\n"), (Records{"a", "", "b"}));
    EXPECT_EQ(AllRecords("a\r\n\r\n"), (Records{"a", ""}));
}

TEST(RecordReaderTest, ReadsFilesLargerThanItsBuffer) {
    const std::string path =
        ::testing::TempDir() + std::to_string(::getpid()) + "records-large.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "Cases";
        for (int c = 0; c < 20000; ++c) {
            out << "\tD" << c;
        }
        out << "\r\n";
        for (int r = 1; r <= 50; ++r) {
            out << "m" << r << "\r\n";
        }
    }
    const std::vector<std::string> records = ReadAllRecords(path);
    ASSERT_EQ(records.size(), 51u);
    EXPECT_EQ(CountSeparatorRuns(records[0]), 20000);
    EXPECT_EQ(records[50], "m50");
    std::remove(path.c_str());
}

TEST(RecordReaderTest, AMissingFileIsAFileErrorNamingIt) {
    try {
        RecordReader reader("/nonexistent/table.des");
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/table.des"), std::string::npos);
    }
}

TEST(TokeniserTest, RunsOfTabsAndBlanksSeparateTokens) {
    EXPECT_EQ(Tokenise("Cases\tD1 D2\t \tD3"),
              (std::vector<std::string_view>{"Cases", "D1", "D2", "D3"}));
    EXPECT_EQ(Tokenise("  m1 \t 2.5 "), (std::vector<std::string_view>{"m1", "2.5"}));
    EXPECT_TRUE(Tokenise(" \t ").empty());
    EXPECT_TRUE(Tokenise("").empty());
}

TEST(TokeniserTest, SeparatorRunsCountTheColumnsOfAHeader) {
    EXPECT_EQ(CountSeparatorRuns("Cases D1 D2 D3"), 3);
    EXPECT_EQ(CountSeparatorRuns("Cases\tD1\tD2\tD3"), 3);
    EXPECT_EQ(CountSeparatorRuns("Cases\t \tD1  D2\t\tD3"), 3);
    // Runs at either end count too.
    EXPECT_EQ(CountSeparatorRuns("Cases\tD1\tD2\tD3\t"), 4);
    EXPECT_EQ(CountSeparatorRuns("Cases"), 0);
}

} // namespace
} // namespace kalemir
