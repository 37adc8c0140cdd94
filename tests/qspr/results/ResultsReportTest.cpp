#include "qspr/results/ResultsReport.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

TEST(ResultsReportTest, LinesKeepTheirBytesAndEmptyLines) {
    ScratchDir dir("results-lines");
    WriteFile("r.rez", "\r\n  a \xB1 b\r\n\r\nlast\r\n");
    EXPECT_EQ(ReadReportLines("r.rez"), (std::vector<std::string>{"", "  a \xB1 b", "", "last"}));
}

TEST(ResultsReportTest, DefaultNameUsesSevenCharacters) {
    EXPECT_EQ(DefaultReportName("BZR01"), "BZR01qspr.rez");
    EXPECT_EQ(DefaultReportName("ABCDEFGHIJ"), "ABCDEFGqspr.rez");
}

TEST(ResultsReportTest, RenameKeepsTheReportWhenItFails) {
    ScratchDir dir("results-rename");
    WriteFile("rezultat.rez", "report\r\n");
    try {
        RenameReport("rezultat.rez", "no/such/folder/x.rez");
        ADD_FAILURE() << "renamed into a missing folder";
    } catch (const ReportNotRenamed& e) {
        EXPECT_STREQ(e.what(), "rezultat.rez: cannot rename to no/such/folder/x.rez: No such "
                               "file or directory");
        EXPECT_EQ(e.Reason(), "No such file or directory");
    }
    EXPECT_EQ(ReadFile("rezultat.rez"), "report\r\n");
    EXPECT_NO_THROW(RenameReport("rezultat.rez", "rezultat.rez"));
    EXPECT_NO_THROW(RenameReport("rezultat.rez", "mine.rez"));
    EXPECT_EQ(ReadFile("mine.rez"), "report\r\n");
    EXPECT_FALSE(std::filesystem::exists("rezultat.rez"));
}

} // namespace
} // namespace kalemir::qspr
