// Runs the KalemirS program as a user would, on a temporary copy of the example tables.

#include "TestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const fs::path& path) {
    return kalemir::testing::SplitReportLines(kalemir::testing::ReadFile(path.string()));
}

long Count(const std::vector<std::string>& lines, const std::string& text) {
    long n = 0;
    for (const auto& l : lines) {
        n += l == text ? 1 : 0;
    }
    return n;
}

/// The number at the end of the line that follows `title` at the k-th offset.
std::string After(const std::vector<std::string>& lines, const std::string& title, int offset) {
    for (std::size_t i = 0; i + static_cast<std::size_t>(offset) < lines.size(); ++i) {
        if (lines[i] == title) {
            const std::string& l = lines[i + static_cast<std::size_t>(offset)];
            return l.substr(l.find_last_of(' ') + 1);
        }
    }
    return "missing";
}

class KalemirSProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kalemirs-run-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const char* name : {"BZR01SIM.des", "BZR01SHP.des", "BZR02SIM.des"}) {
            fs::copy_file(fs::path(KALEMIR_EXAMPLES_DIR) / "bzr" / name, folder_ / name);
        }
    }
    void TearDown() override { fs::remove_all(folder_); }

    /// Runs the program with the arguments; returns its exit status, keeps its stderr.
    int Run(const std::string& arguments) {
        const fs::path err = folder_ / "stderr.txt";
        // Without a display, so that a command that would open the windows cannot hang.
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                    std::string(KALEMIR_BINARY_DIR) + "/src/app/KalemirS " +
                                    arguments + " >/dev/null 2>" + err.string();
        const int status = std::system(command.c_str());
        std::ifstream in(err);
        std::ostringstream text;
        text << in.rdbuf();
        stderr_ = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string In() const { return "-C " + folder_.string() + " "; }

    fs::path folder_;
    std::string stderr_;
};

TEST_F(KalemirSProgramTest, Bzr01WritesTheReportAndTheDatabases) {
    ASSERT_EQ(Run("run --quiet " + In() + "BZR01SIM.des"), 0) << stderr_;
    EXPECT_TRUE(stderr_.empty()) << stderr_;
    const auto report = Lines(folder_ / "BZR01SIM.res");
    EXPECT_EQ(Count(report, "     Program KalemirS"), 1);
    EXPECT_EQ(Count(report, "     Descriptors' file: BZR01SIM.des"), 1);
    EXPECT_EQ(Count(report, "Number of the calibration set molecules: 148"), 1);
    EXPECT_EQ(Count(report, "Number of the prediction set molecules: 15"), 1);
    EXPECT_EQ(Count(report, "...........METHOD: corrected USR"), 1);
    EXPECT_EQ(Count(report, "THE SIMILARITY OF THE CALIBRATION AND PREDICTION SETS"), 5);
    EXPECT_EQ(Count(report, "in the range [-1, +1]."), 1);
    EXPECT_EQ(report.back(), std::string(60, '-'));

    // The databases hold the numbers of molecules the summary gives.
    struct Database {
        const char* file;
        const char* title;
        int calibrationOffset;
    };
    for (const Database& db :
         {Database{"BZR01NBX", "In the new database NBX, saved on hard-disk:", 1},
          Database{"BZR01CLU", "In the new database CLU, saved on hard-disk:", 1},
          Database{"BZR01NDB", "In the new database NDB, saved on hard-disk:", 1},
          Database{"BZR01NVB", "In the new database NVB, saved on hard-disk:", 1}}) {
        const auto lines = Lines(folder_ / db.file);
        ASSERT_FALSE(lines.empty()) << db.file;
        EXPECT_EQ(lines[0], "Case \tProperty");
        long calibration = 0;
        long prediction = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            (lines[i].substr(lines[i].find('\t') + 1) == "?" ? prediction : calibration) += 1;
        }
        EXPECT_EQ(std::to_string(calibration), After(report, db.title, db.calibrationOffset))
            << db.file;
        EXPECT_EQ(std::to_string(prediction), After(report, db.title, 3)) << db.file;
    }

    // A second run appends a second report.
    ASSERT_EQ(Run("run --quiet " + In() + "BZR01SIM.des"), 0) << stderr_;
    const auto twice = Lines(folder_ / "BZR01SIM.res");
    EXPECT_EQ(twice.size(), 2 * report.size());
    EXPECT_EQ(Count(twice, "     Program KalemirS"), 2);
}

TEST_F(KalemirSProgramTest, CliffListAndMapsOfEveryMeasure) {
    ASSERT_EQ(Run("run --quiet --cliff-similarity 0.95 " + In() + "BZR01SIM.des"), 0) << stderr_;
    // The example's property values, by molecule: the header names the column pIC50.
    std::map<std::string, double> property;
    std::size_t column = 0;
    for (const std::string& line : Lines(folder_ / "BZR01SIM.des")) {
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;) {
            tokens.push_back(token);
        }
        if (column == 0) {
            column = static_cast<std::size_t>(std::find(tokens.begin(), tokens.end(), "pIC50") -
                                              tokens.begin());
        } else if (tokens.size() > column && tokens[column] != "?") {
            property[tokens[0]] = std::stod(tokens[column]);
        }
    }
    const std::vector<std::string> lines = Lines(folder_ / "BZR01cliffs.csv");
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines[0], "measure,molecule_a,molecule_b,similarity,difference,sali");
    const std::vector<std::string> measures = {"chemical", "shape", "size", "hydrophilicity",
                                               "flexibility"};
    std::size_t measure = 0;
    double previous = INFINITY;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        std::vector<std::string> f;
        std::istringstream row(lines[k]);
        for (std::string field; std::getline(row, field, ',');) {
            f.push_back(field);
        }
        ASSERT_EQ(f.size(), 6u) << lines[k];
        if (f[0] != measures[measure]) {
            // The next measure's block starts; blocks come in the measures' order.
            while (measure < measures.size() && measures[measure] != f[0]) {
                ++measure;
            }
            ASSERT_LT(measure, measures.size()) << lines[k];
            previous = INFINITY;
        }
        const double similarity = std::stod(f[3]);
        const double difference = std::stod(f[4]);
        EXPECT_GE(similarity, 0.95) << lines[k];
        EXPECT_NEAR(difference, property.at(f[1]) - property.at(f[2]), 1e-9) << lines[k];
        const double sali = f[5] == "inf" ? INFINITY : std::stod(f[5]);
        if (similarity < 1) {
            EXPECT_NEAR(sali, std::fabs(difference) / (1 - similarity), 1e-9 * sali) << lines[k];
        } else {
            EXPECT_EQ(f[5], difference == 0 ? "0" : "inf") << lines[k];
        }
        EXPECT_LE(sali, previous) << "line " << k + 1 << " out of order";
        previous = sali;
    }
    for (const std::string& m : measures) {
        const std::string map =
            kalemir::testing::ReadFile((folder_ / ("BZR01sas-" + m + ".svg")).string());
        EXPECT_EQ(map.rfind("<svg ", 0), 0u) << m;
        EXPECT_NE(map.find("</svg>"), std::string::npos) << m;
    }
}

TEST_F(KalemirSProgramTest, SuperpositionUsesTheShapeTableAndItsDefault) {
    ASSERT_EQ(Run("run --quiet --shape superposition " + In() + "BZR01SIM.des"), 0) << stderr_;
    const auto report = Lines(folder_ / "BZR01SIM.res");
    EXPECT_EQ(Count(report, "...........METHOD: Superposition"), 1);
    EXPECT_EQ(Count(report, "Minimum similarity in clusters = 0.92"), 1);
    EXPECT_EQ(Count(report, "Minimum similarity in clusters = 0.88"), 1);
}

TEST_F(KalemirSProgramTest, NoPredictionSetEndsWithTheDuplicateCheck) {
    ASSERT_EQ(Run("run --quiet --min-similarity 0.8,0.85,0.9,0.95,0.7 " + In() + "BZR02SIM.des"), 0)
        << stderr_;
    const auto report = Lines(folder_ / "BZR02SIM.res");
    EXPECT_EQ(Count(report, "Minimum similarity in clusters = 0.85"), 1);
    EXPECT_EQ(Count(report, "Minimum similarity in clusters = 0.7"), 1);
    EXPECT_EQ(Count(report, "THE DIVERSITY OF THE ANALYZED MOLECULES"), 5);
    EXPECT_EQ(Count(report, "ATTENTION!"), 0);
    EXPECT_FALSE(fs::exists(folder_ / "BZR02NBX"));
    EXPECT_FALSE(fs::exists(folder_ / "BZR02NDB"));
    EXPECT_TRUE(fs::exists(folder_ / "BZR02CLU"));
}

TEST_F(KalemirSProgramTest, TableWithFolderWorksInThatFolder) {
    ASSERT_EQ(Run("run --quiet " + (folder_ / "BZR02SIM.des").string()), 0) << stderr_;
    EXPECT_TRUE(fs::exists(folder_ / "BZR02SIM.res"));
}

TEST_F(KalemirSProgramTest, ThreadCountsGiveTheSameFiles) {
    // Report lines 4 and 5 are the date and the time of the run.
    auto files = [&] {
        std::vector<std::vector<std::string>> all;
        for (const char* name : {"BZR01SIM.res", "BZR01NBX", "BZR01CLU", "BZR01NDB", "BZR01NVB"}) {
            auto lines = Lines(folder_ / name);
            if (std::string(name) == "BZR01SIM.res" && lines.size() > 5) {
                lines.erase(lines.begin() + 3, lines.begin() + 5);
            }
            all.push_back(lines);
            fs::remove(folder_ / name);
        }
        return all;
    };
    ASSERT_EQ(Run("run --quiet --threads 1 " + In() + "BZR01SIM.des"), 0) << stderr_;
    const auto one = files();
    ASSERT_FALSE(one[0].empty());
    ASSERT_EQ(Run("run --quiet --threads=2 " + In() + "BZR01SIM.des"), 0) << stderr_;
    EXPECT_EQ(files(), one);
    ASSERT_EQ(Run("run --quiet " + In() + "BZR01SIM.des"), 0) << stderr_;
    EXPECT_EQ(files(), one);
}

struct BadRun {
    const char* label;
    const char* arguments;
    const char* message;
};

class KalemirSBadRunTest : public KalemirSProgramTest,
                           public ::testing::WithParamInterface<BadRun> {};

TEST_P(KalemirSBadRunTest, ExitsWithTwoAndTouchesNothing) {
    // A table whose header counts more molecules than it has lines.
    {
        std::ifstream in(folder_ / "BZR01SIM.des", std::ios::binary);
        std::string header;
        std::getline(in, header);
        const auto at = header.find("\t148\t15\t");
        header.replace(at, 8, "\t150\t15\t");
        std::ofstream out(folder_ / "SHORTSIM.des", std::ios::binary);
        out << header << "\n" << in.rdbuf();
    }
    fs::remove(folder_ / "BZR02SHP.des");
    std::string arguments = GetParam().arguments;
    const auto at = arguments.find('@');
    if (at != std::string::npos) {
        arguments.replace(at, 1, In());
    }
    EXPECT_EQ(Run(arguments), 2);
    EXPECT_NE(stderr_.find(GetParam().message), std::string::npos) << stderr_;
    for (const char* file :
         {"BZR01SIM.res", "BZR02SIM.res", "SHORTSIM.res", "BZR01NBX", "SHORTNBX"}) {
        EXPECT_FALSE(fs::exists(folder_ / file)) << file;
    }
}

const BadRun kBadRuns[] = {
    {"NoCommandWithoutADisplay", "", "no display"},
    {"UnknownCommand", "walk", "neither a command nor a folder"},
    {"NoTable", "run @", "no similarity table given"},
    {"BadShape", "run --shape cube @BZR01SIM.des",
     "option --shape: 'cube' is neither usr nor superposition"},
    {"FourValues", "run --min-similarity 0.9,0.9,0.9,0.9 @BZR01SIM.des", "five values"},
    {"NotANumber", "run --min-similarity 0.9,x,0.9,0.9,0.9 @BZR01SIM.des", "x: not a number"},
    {"TrailingText", "run --min-similarity 0.85x,0.9,0.9,0.9,0.88 @BZR01SIM.des",
     "option --min-similarity: 0.85x: not a number"},
    {"ThreadsDecimalComma", "run --threads 2,0 @BZR01SIM.des",
     "option --threads: 2,0: use a decimal point"},
    {"AboveOne", "run --min-similarity 0.9,0.9,1.5,0.9,0.9 @BZR01SIM.des",
     "--min-similarity: 1.5 is outside the range 0 to 1"},
    {"ZeroThreads", "run --threads 0 @BZR01SIM.des",
     "option --threads: '0' is not a whole number from 1 to 256"},
    {"NegativeThreads", "run --threads -2 @BZR01SIM.des", "'-2' is not a whole number"},
    {"TextThreads", "run --threads=two @BZR01SIM.des", "two: not a number"},
    {"TooManyThreads", "run --threads 257 @BZR01SIM.des", "'257' is not a whole number"},
    {"ThreadsWithoutValue", "run @BZR01SIM.des --threads", "option --threads needs a value"},
    {"MissingTable", "run @NONE1SIM.des", "NONE1SIM.des: cannot open the similarity table"},
    {"MissingShapeTable", "run --shape superposition @BZR02SIM.des",
     "BZR02SHP.des: cannot open the shape table"},
    {"HeaderCountsMoreLines", "run @SHORTSIM.des",
     "SHORTSIM.des: the header counts 165 molecules but the table has only 163 lines after it"},
};

INSTANTIATE_TEST_SUITE_P(Usage, KalemirSBadRunTest, ::testing::ValuesIn(kBadRuns),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
