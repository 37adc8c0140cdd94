// Whole runs of the QSPR program on the examples: the final part of the report, the
// predictor-value files, the estimates file and the elimination cycles.

#include "app/QsprCommandLine.h"

#include "TestData.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

/// No figure of a report is NaN or infinite.
void ExpectFiniteFigures(const std::string& text) {
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        std::string lower = word;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_TRUE(lower.find("nan") == std::string::npos && lower.find("inf") != 0 &&
                    lower.find("-inf") != 0)
            << word;
    }
}

class QsprFinalReportTest : public ::testing::Test {
protected:
    ScratchDir dir{"qspr-final"};
    void SetUp() override {
        CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des", "BZR02",
                               "BZR02d2d.des", "BZR02vfr.des"});
    }
    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"run", "-C", dir.Path().string(), "--quiet"});
        ::testing::internal::CaptureStderr();
        const int status = QsprMain(arguments);
        ::testing::internal::GetCapturedStderr();
        return status;
    }
};

TEST_F(QsprFinalReportTest, Bzr01EndsWithTheEstimatesAndTheClosingLines) {
    ASSERT_EQ(Run({"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}), kExitSuccess);
    const std::string report = ReadFile("BZR01qspr.rez");
    ExpectFiniteFigures(report);
    const std::vector<std::string> lines = SplitReportLines(report);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(
        std::regex_match(lines.back(), std::regex(R"(     \d\d-\d\d-\d{4}     \d\d:\d\d:\d\d)")))
        << lines.back();
    EXPECT_EQ(lines[lines.size() - 2], "     Finishing all calculations");
    EXPECT_EQ(lines[lines.size() - 3], "");
    EXPECT_EQ(lines[lines.size() - 4], "   " + std::string(70, '-'));

    // No elimination by default with a prediction set: one cycle, no STEP header.
    EXPECT_EQ(report.find("STEP #"), std::string::npos);
    EXPECT_NE(report.find("   Your option was: do not eliminate identified outliers."),
              std::string::npos);
    EXPECT_NE(report.find("     SIGNIFICANT MOLECULAR FRAGMENTS ARE"), std::string::npos);

    // One block, one predictor file and one estimates block per distinct best equation.
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(report, match, std::regex("There are (\\d) equations that were used")));
    const int distinct = std::stoi(match[1]);
    EXPECT_EQ(Count(report, "The equation #"), distinct);
    EXPECT_EQ(Count(report, " USING THE QSPR #"), distinct);
    const std::string est = ReadFile("BZR01-EST");
    EXPECT_EQ(Count(est, "Mol\tCalc. by Q#"), distinct);
    const std::regex block("The equation #(\\d+) with");
    std::size_t expectedLines = 0;
    for (auto it = std::sregex_iterator(report.begin(), report.end(), block);
         it != std::sregex_iterator(); ++it) {
        const std::string e = (*it)[1].str();
        const std::string file = "BZR01#" + e + "prd.dat";
        ASSERT_TRUE(fs::exists(file)) << file;
        const std::string prd = ReadFile(file);
        EXPECT_EQ(Count(prd, "\r\n"), 148 + 15 + 1) << file;
        EXPECT_EQ(prd.substr(0, 6), "Cases\t");
        EXPECT_NE(est.find("Mol\tCalc. by Q#" + e + "\r\n"), std::string::npos);
        // Header, 148 calibration lines, a blank, 15 prediction lines; a blank line before
        // the block of an equation numbered above 1.
        expectedLines += 1 + 148 + 1 + 15 + (e != "1" ? 1 : 0);
    }
    EXPECT_EQ(static_cast<std::size_t>(Count(est, "\r\n")), expectedLines);
    // The best equation by Q is the best QSPR by Q whose statistics open the analysis.
    ASSERT_TRUE(std::regex_search(report, match, std::regex("\r\n   r2 =  (\\.\\d+)\r\n")));
    const std::string r2 = "0" + match[1].str();
    const std::size_t byQ = report.find(" with the highest value of Q");
    ASSERT_NE(byQ, std::string::npos);
    EXPECT_NE(report.find("  r2 = " + r2 + "\r\n", byQ), std::string::npos);

    // A second run appends to the estimates file.
    ASSERT_EQ(Run({"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}), kExitSuccess);
    const std::string twice = ReadFile("BZR01-EST");
    EXPECT_EQ(twice.substr(0, est.size()), est);
    EXPECT_EQ(Count(twice, "Mol\tCalc. by Q#"), 2 * distinct);
}

TEST_F(QsprFinalReportTest, Bzr02EliminatesOutliersCycleByCycle) {
    ASSERT_EQ(Run({"BZR02", "BZR02d2d.des", "BZR02vfr.des"}), kExitSuccess);
    const std::string report = ReadFile("BZR02qspr.rez");
    ExpectFiniteFigures(report);
    const int removed = Count(report, "   The program removed the outlier ");
    const int steps = Count(report, " IN IDENTIFICATION AND ELIMINATION OF OUTLIERS");
    ASSERT_GE(steps, 1);
    EXPECT_NE(report.find("\r\n   STEP #2 IN IDENTIFICATION AND ELIMINATION OF OUTLIERS\r\n"),
              std::string::npos);
    // Int(sqrt(163)) = 12 removals at most; the cycle that reaches the limit is final.
    EXPECT_LE(removed, 12);
    const bool stopped =
        report.find("   The elimination of outliers was stopped because of") != std::string::npos;
    EXPECT_EQ(steps, stopped ? removed - 1 : removed);
    // Cycle 2 starts its analysis with the parameters of the smaller set.
    EXPECT_NE(report.find("     Statistical analysis parameters:\r\n\r\n"
                          "     Molecules number in the calibration set:  162\r\n"
                          "     Molecules number in the validation set:  162\r\n"),
              std::string::npos);
    // After the last cycle: fragments, the RR% block with its two lines on the file, closing.
    const std::size_t lastStep = report.rfind(" IN IDENTIFICATION AND ELIMINATION OF OUTLIERS");
    const std::size_t fragments =
        report.find("     TOTAL NUMBER OF IDENTIFIED MOLECULAR FRAGMENTS");
    ASSERT_NE(fragments, std::string::npos);
    EXPECT_GT(fragments, lastStep);
    EXPECT_NE(report.find("     SIGNIFICANT MOLECULAR FRAGMENTS AFTER ELIMINATION OF HIGH OUTLIERS "
                          "ARE"),
              std::string::npos);
    const std::size_t rr = report.find(" with the lowest value of RR%");
    ASSERT_NE(rr, std::string::npos);
    EXPECT_GT(rr, fragments);
    EXPECT_NE(report.find("Using the above equation and the content of the 'NAMEprd.dat' file\r\n"
                          "you can calculate the values of the dependent property.\r\n",
                          rr),
              std::string::npos);
    EXPECT_EQ(report.find("highest value of Q"), std::string::npos);
    EXPECT_EQ(report.find("ESTIMATION FOR THE MOLECULES"), std::string::npos);
    EXPECT_FALSE(fs::exists("BZR02-EST"));
    const std::vector<std::string> lines = SplitReportLines(report);
    EXPECT_EQ(lines[lines.size() - 2], "     Finishing all calculations");
}

} // namespace
} // namespace kalemir::qspr
