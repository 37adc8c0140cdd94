#include "common/Records.h"

#include "common/Errors.h"
#include "common/WorkerPool.h"

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

TEST(RecordReaderTest, WholeLinesKeepTheirCommas) {
    RecordReader reader = RecordReader::FromText("a,b\r\n\r\n\"c,d\"\n");
    std::string line;
    Records lines;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (Records{"a,b", "", "\"c,d\""}));
}

// What a table reader sees record by record and what the blocks hand the workers must be
// the same records under the same indices, on any number of workers, up to the last one
// asked for. The text has 700 lines (three blocks), commas that split records, a quoted
// record, empty lines and no line end at the end.
struct BlockCase {
    bool wholeLines;
    int first;
    int last;
};

class ParseRecordsInBlocksCases : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ParseRecordsInBlocksCases, SameRecordsAsOneByOne) {
    const BlockCase c = GetParam();
    std::string text;
    for (int i = 0; i < 700; ++i) {
        text += i % 97 == 5   ? std::string()
                : i % 89 == 3 ? "m" + std::to_string(i) + ",\"x, y\",z"
                              : "m" + std::to_string(i) + "\t" + std::to_string(i * 0.5);
        text += i + 1 < 700 ? "\r\n" : "";
    }
    RecordReader serial = RecordReader::FromText(text);
    Records expected;
    std::string record;
    for (int i = 1; i < c.first; ++i) {
        c.wholeLines ? static_cast<void>(serial.ReadLine(record)) : serial.Read(record);
    }
    if (c.wholeLines) {
        for (int r = c.first; r <= c.last && serial.ReadLine(record); ++r) {
            expected.push_back(record);
        }
    } else {
        int r = c.first;
        do {
            serial.Read(record);
            expected.push_back(record);
            ++r;
        } while (r <= c.last && !serial.AtEnd());
    }
    for (int threads : {1, 2, 3}) {
        WorkerPool workers(threads);
        RecordReader reader = RecordReader::FromText(text);
        for (int i = 1; i < c.first; ++i) {
            c.wholeLines ? static_cast<void>(reader.ReadLine(record)) : reader.Read(record);
        }
        Records parsed(1000, "unset");
        // Results kept in slots, as a caller that writes them out after each block does:
        // a block's slots hold its own records when its afterBlock runs.
        Records slots(kRecordsInFlight);
        int blocks = 0;
        int yields = 0;
        const int count = ParseRecordsInBlocks(
            reader, c.wholeLines, {c.first, c.last}, &workers,
            [&](int index, std::string_view text, int) {
                parsed[static_cast<std::size_t>(index - c.first)] = std::string(text);
                slots[static_cast<std::size_t>((index - c.first) % kRecordsInFlight)] = text;
            },
            [&](int records) {
                for (int k = yields; k < yields + records; ++k) {
                    EXPECT_EQ(slots[static_cast<std::size_t>(k % kRecordsInFlight)],
                              expected[static_cast<std::size_t>(k)]);
                }
                ++blocks;
                yields += records;
            });
        parsed.resize(static_cast<std::size_t>(count));
        EXPECT_EQ(parsed, expected) << threads << " threads";
        EXPECT_EQ(yields, count);
        EXPECT_EQ(blocks, (count + 255) / 256);
    }
}

// A failure stops the reading where a reading in turn would: a record of the second block
// that cannot be parsed comes after the first block's afterBlock and before the second's; a
// failing afterBlock of the first block is raised while the second block is parsed.
TEST(ParseRecordsInBlocksTest, FailuresComeInRecordOrder) {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text += "m" + std::to_string(i) + "\n";
    }
    for (int threads : {1, 2}) {
        for (const bool inAfterBlock : {false, true}) {
            WorkerPool workers(threads);
            RecordReader reader = RecordReader::FromText(text);
            std::vector<int> afterBlocks;
            auto parse = [&](int index, std::string_view, int) {
                if (!inAfterBlock && index == 300) {
                    throw InputError("record 300");
                }
            };
            auto after = [&](int count) {
                afterBlocks.push_back(count);
                if (inAfterBlock) {
                    throw InputError("block 1");
                }
            };
            EXPECT_THROW(ParseRecordsInBlocks(reader, true, {1, 1000}, &workers, parse, after),
                         InputError);
            EXPECT_EQ(afterBlocks, std::vector<int>{256}) << threads << " " << inAfterBlock;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseRecordsInBlocksCases,
                         ::testing::Values(BlockCase{false, 0, 10000}, BlockCase{false, 0, 300},
                                           BlockCase{false, 0, -1}, BlockCase{true, 1, 10000},
                                           BlockCase{true, 1, 511}, BlockCase{true, 1, 0}));

} // namespace
} // namespace kalemir
