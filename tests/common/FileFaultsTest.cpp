// Writes that fail halfway (a full disk) leave whole lines only, and every writer of the
// file layer reports them.

#include "common/FileFaults.h"
#include "common/Errors.h"
#include "common/Report.h"
#include "qspr/core/LineWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace kalemir {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct Disarm {
    ~Disarm() { FailNthWrite(0); }
};

TEST(FileFaultsTest, TheNthWriteFailsAndTheCountRestarts) {
    ScratchDir dir{"faults-count"};
    Disarm disarm;
    FailNthWrite(2);
    std::FILE* file = std::fopen("f", "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(WriteBytes(file, "abcd", 4));
    EXPECT_FALSE(WriteBytes(file, "efgh", 4));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_TRUE(WriteBytes(file, "ijkl", 4));
    EXPECT_EQ(WritesSinceArmed(), 3);
    std::fclose(file);
    // The failed write stored its first half, as a full disk does.
    EXPECT_EQ(ReadFile("f"), "abcdefijkl");
}

TEST(FileFaultsTest, AFailedReportWriteLeavesTheEarlierLinesWhole) {
    ScratchDir dir{"faults-report"};
    Disarm disarm;
    WriteFile("report", "kept line\r\n");
    FailNthWrite(1);
    ReportAppender report("report");
    report.Line("first of the lost block");
    report.Line("second of the lost block");
    EXPECT_THROW(report.Close(), FileError);
    // The half-written block was cut away again; later lines are refused, not half-stored.
    EXPECT_EQ(ReadFile("report"), "kept line\r\n");
    EXPECT_THROW(report.Line("after the failure"), FileError);
    EXPECT_EQ(ReadFile("report"), "kept line\r\n");
}

TEST(FileFaultsTest, AFailedFlushOfALongReportKeepsTheBlocksBefore) {
    ScratchDir dir{"faults-long"};
    Disarm disarm;
    // Lines of 1000 characters: the appender writes blocks of at least 64 KiB, so the second
    // block fails; the first 66 lines (66 * 1002 bytes >= 65536) were the first block.
    const std::string line(1000, 'x');
    FailNthWrite(2);
    {
        ReportAppender report("long", ReportAppender::Mode::Create);
        EXPECT_THROW(
            {
                for (int i = 0; i < 1000; ++i) {
                    report.Line(line);
                }
            },
            FileError);
    } // the destructor neither throws nor writes after the failure
    const std::string text = ReadFile("long");
    EXPECT_EQ(text.size(), 66u * 1002u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(FileFaultsTest, TheMessageNamesTheFileAndTheCause) {
    ScratchDir dir{"faults-message"};
    Disarm disarm;
    FailNthWrite(1);
    ReportAppender report("named.rez", ReportAppender::Mode::Create);
    report.Line("x");
    try {
        report.Close();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "named.rez: cannot write: No space left on device");
    }
}

TEST(FileFaultsTest, ALineWriterFailsAtTheFailingLine) {
    ScratchDir dir{"faults-linewriter"};
    Disarm disarm;
    FailNthWrite(3);
    qspr::LineWriter writer("work.des");
    writer.Line("a");
    writer.Line("b");
    EXPECT_THROW(writer.Line("c"), FileError);
}

} // namespace
} // namespace kalemir
