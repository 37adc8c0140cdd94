#include "common/Report.h"

#include "common/Errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace kalemir {
namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReportAppenderTest, WritesWholeLinesEndingInCrLf) {
    const std::string path = ::testing::TempDir() + std::to_string(::getpid()) + "report-test.rez";
    {
        ReportAppender report(path, ReportAppender::Mode::Create);
        report.Lines({"", "     first"});
        report.Close();
    }
    AppendReportLines(path, {"second"});
    EXPECT_EQ(FileBytes(path), "\r\n     first\r\nsecond\r\n");
    std::remove(path.c_str());
}

TEST(ReportAppenderTest, CreateReplacesAndAppendKeeps) {
    const std::string path =
        ::testing::TempDir() + std::to_string(::getpid()) + "report-replace.rez";
    AppendReportLines(path, {"old"});
    {
        ReportAppender report(path, ReportAppender::Mode::Create);
        report.Line("new");
    } // closed by the destructor
    AppendReportLines(path, {"more"});
    EXPECT_EQ(FileBytes(path), "new\r\nmore\r\n");
    std::remove(path.c_str());
}

TEST(ReportAppenderTest, PlusMinusIsOneByte) {
    const std::string path = ::testing::TempDir() + std::to_string(::getpid()) + "report-pm.rez";
    {
        ReportAppender report(path, ReportAppender::Mode::Create);
        report.Line(std::string("7.1 ") + std::string(kPlusMinus) + " .2");
    }
    EXPECT_EQ(FileBytes(path), "7.1 \xB1 .2\r\n");
    std::remove(path.c_str());
}

TEST(ReportAppenderTest, AFolderThatDoesNotExistIsAFileError) {
    EXPECT_THROW(AppendReportLines("/nonexistent/dir/rezultat.rez", {"x"}), FileError);
}

} // namespace
} // namespace kalemir
