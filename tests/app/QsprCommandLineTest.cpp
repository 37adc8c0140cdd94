#include "app/QsprCommandLine.h"

#include "TestData.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

/// Runs the command line, keeping what it writes to standard error.
int RunCli(std::vector<std::string> arguments, std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    const int status = QsprMain(arguments);
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

std::vector<std::string> ReportLines(const std::string& path) {
    return kalemir::testing::SplitReportLines(ReadFile(path));
}

TEST(QsprArgumentsTest, TablesAndOptions) {
    const QsprRunOptions options = ParseQsprRunArguments(
        {"--min-r2", "0.1", "-C", "dir", "Q", "a.des", "b.des", "--outliers", "no", "--quiet"});
    EXPECT_EQ(options.qsprTable, "Q");
    EXPECT_EQ(options.descriptorTables, (std::vector<std::string>{"a.des", "b.des"}));
    EXPECT_EQ(options.workDir, "dir");
    EXPECT_EQ(options.minR2, "0.1");
    EXPECT_EQ(options.eliminateOutliers, false);
    EXPECT_TRUE(options.quiet);
}

TEST(QsprArgumentsTest, UsageErrors) {
    EXPECT_THROW(ParseQsprRunArguments({"Q"}), InputError); // no .des
    EXPECT_THROW(ParseQsprRunArguments({}), InputError);    // nothing
    EXPECT_THROW(ParseQsprRunArguments({"--min-r2", "x", "Q", "a.des"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"--max-predictors", "?", "Q", "a"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"--outliers", "maybe", "Q", "a"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"--bogus", "Q", "a"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"Q", "a", "--validation"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"Q", "a", "--save", ""}), InputError);
    // Blanks around a number are taken; trailing text is not (it used to read as .05).
    EXPECT_NO_THROW(ParseQsprRunArguments({"--min-r2", " .05 ", "Q", "a"}));
    // The estimated correctness is a number from -1 to 1; nothing limits it afterwards.
    EXPECT_THROW(ParseQsprRunArguments({"--cor", "7", "Q", "a"}), InputError);
    EXPECT_NO_THROW(ParseQsprRunArguments({"--cor", "-1", "Q", "a"}));
    // The similarity program's tables hold no descriptors.
    EXPECT_THROW(ParseQsprRunArguments({"Q", "a.des", "BZR01SIM.des"}), InputError);
    EXPECT_THROW(ParseQsprRunArguments({"Q", "BZR01SHP.des"}), InputError);
}

// A worker count is a whole number from 1 to 256; the default 0 takes the machine's cores.
TEST(QsprArgumentsTest, PlotsAskedForEitherWay) {
    const struct {
        std::vector<std::string> arguments;
        bool plots;
    } cases[] = {
        {{"run", "--plots", "a.png", "Q", "a"}, true},
        {{"run", "--plots=a.png,b.bmp", "Q", "a"}, true},
        {{"run", "Q", "a"}, false},
        {{"run", "--save", "--plots", "Q", "a"}, false}, // the report's name
        {{"run", "--plots=", "Q", "a"}, false},          // refused: no name
        {{"--help"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AsksForPlots(c.arguments), c.plots) << c.arguments.back();
    }
}

TEST(QsprArgumentsTest, ThreadCounts) {
    EXPECT_EQ(ParseQsprRunArguments({"Q", "a"}).threads, 0);
    EXPECT_EQ(ParseQsprRunArguments({"--threads", "1", "Q", "a"}).threads, 1);
    EXPECT_EQ(ParseQsprRunArguments({"Q", "a", "--threads", "256"}).threads, 256);
    EXPECT_EQ(ParseQsprRunArguments({"--threads", " 2 ", "Q", "a"}).threads, 2); // blanks around
    for (const char* bad : {"0", "-2", "257", "2x", "", "2,0", "two", "99999999999"}) {
        EXPECT_THROW(ParseQsprRunArguments({"--threads", bad, "Q", "a"}), InputError) << bad;
    }
    EXPECT_THROW(ParseQsprRunArguments({"Q", "a", "--threads"}), InputError);
}

TEST(QsprArgumentsTest, MemoryOfTheSplitTables) {
    EXPECT_FALSE(ParseQsprRunArguments({"Q", "a"}).memory);
    EXPECT_EQ(ParseQsprRunArguments({"--memory", "4000", "Q", "a"}).memory, "4000");
    for (const char* bad : {"0", "-5", "1.5", "", " ", "4GB", "100000001"}) {
        EXPECT_THROW(ParseQsprRunArguments({"--memory", bad, "Q", "a"}), InputError) << bad;
    }
}

TEST(QsprArgumentsTest, RandomisationRunsAndSeed) {
    const QsprRunOptions plain = ParseQsprRunArguments({"Q", "a"});
    EXPECT_FALSE(plain.randomise);
    EXPECT_EQ(plain.seed, kDefaultRandomisationSeed);
    const QsprRunOptions given =
        ParseQsprRunArguments({"--randomise", "50", "--seed", "18446744073709551615", "Q", "a"});
    EXPECT_EQ(given.randomise, "50");
    EXPECT_EQ(given.seed, 18446744073709551615ULL);
    EXPECT_EQ(ParseQsprRunArguments({"--seed", " 1", "Q", "a"}).seed, 1u); // blanks around
    for (const char* bad : {"-1", "1x", "", "1,0", "18446744073709551616"}) {
        EXPECT_THROW(ParseQsprRunArguments({"--seed", bad, "Q", "a"}), InputError) << bad;
    }
    EXPECT_THROW(ParseQsprRunArguments({"--randomise", "many", "Q", "a"}), InputError);
}

class QsprRunTest : public ::testing::Test {
protected:
    ScratchDir dir{"qspr-run"};
    void SetUp() override {
        CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des", "BZR02",
                               "BZR02d2d.des", "BZR02vfr.des"});
    }
    std::string Here() const { return dir.Path().string(); }
};

TEST_F(QsprRunTest, Bzr01ReportStartsWithHeaderTablesAndParameters) {
    ASSERT_EQ(RunCli({"run", "-C", Here(), "--quiet", "BZR01", "BZR01d2d.des", "BZR01fpc.des",
                      "BZR01vfr.des"}),
              kExitSuccess);
    EXPECT_FALSE(fs::exists(dir.Path() / "rezultat.rez"));
    const std::vector<std::string> lines = ReportLines((dir.Path() / "BZR01qspr.rez").string());
    ASSERT_GE(lines.size(), 23u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "     Program KALEMIRq for QSPR computations");
    EXPECT_EQ(lines[2].substr(0, 5), "     ");
    EXPECT_EQ(lines[2].size(), 5u + 10 + 5 + 8);
    const std::vector<std::string> expected = {
        "",
        "     QSPR table used:",
        "     BZR01",
        "",
        "     Descriptor table(s) used: ",
        "",
        "     BZR01d2d.des",
        "     BZR01fpc.des",
        "     BZR01vfr.des",
        "",
        "     Starting statistical analysis parameters:",
        "",
        "     Molecules number in the calibration set:  148",
        "     Molecules number in the validation set:  148",
        "     Molecules number in the prediction set:  15",
        "     Minimum predictors number: 2",
        "     Maximum predictors number:  20",
        "     descriptors / Property correlation: r2 >  .0338",
        "     Intercorrelation in > 2 descriptors sets: r2 <  .3288",
        ""};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 3 + expected.size()),
              expected);
}

TEST_F(QsprRunTest, Bzr02HasNoPredictionSet) {
    ASSERT_EQ(RunCli({"run", "-C", Here(), "--quiet", "--save", "two.rez", "BZR02", "BZR02d2d.des",
                      "BZR02vfr.des"}),
              kExitSuccess);
    const std::vector<std::string> lines = ReportLines((dir.Path() / "two.rez").string());
    ASSERT_GE(lines.size(), 22u);
    EXPECT_EQ(lines[14], "     Molecules number in the calibration set:  163");
    EXPECT_EQ(lines[15], "     Molecules number in the validation set:  163");
    EXPECT_EQ(lines[16], "     Molecules number in the prediction set:  0");
    // N = 163: Int(10000 ln 163 / 163 + .5) = 313, Int(40000 / sqrt 163 + .5) = 3133.
    EXPECT_EQ(lines[19], "     descriptors / Property correlation: r2 >  .0313");
    EXPECT_EQ(lines[20], "     Intercorrelation in > 2 descriptors sets: r2 <  .3133");
}

TEST_F(QsprRunTest, OptionsGoThroughTheWindowsClamping) {
    ASSERT_EQ(RunCli({"run", "-C", Here(), "--quiet", "--min-r2", "0.5", "--max-inter-r2", "0.2",
                      "--max-predictors", "7", "--validation", "20", "BZR01", "BZR01vfr.des"}),
              kExitSuccess);
    const std::vector<std::string> lines = ReportLines((dir.Path() / "BZR01qspr.rez").string());
    ASSERT_GE(lines.size(), 20u);
    EXPECT_EQ(lines[14], "     Molecules number in the validation set:  20");
    EXPECT_EQ(lines[17], "     Maximum predictors number:  7");
    EXPECT_EQ(lines[18], "     descriptors / Property correlation: r2 >  .25");
    EXPECT_EQ(lines[19], "     Intercorrelation in > 2 descriptors sets: r2 <  .2");
}

TEST_F(QsprRunTest, WithoutTheFragmentTableTheReportEndsWithTheMessage) {
    ASSERT_EQ(RunCli({"run", "-C", Here(), "--quiet", "BZR01", "BZR01d2d.des"}), kExitSuccess);
    const std::vector<std::string> lines = ReportLines((dir.Path() / "BZR01qspr.rez").string());
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[11], " USING OF DESCRIPTOR TABLE NAMEvfr.des IS COMPULSORY !!");
    EXPECT_EQ(lines[12], "");
}

// A working report a stopped or failed run left behind is kept under a free name, and
// standard error says where.
TEST_F(QsprRunTest, AnEarlierWorkingReportIsKeptAndNamed) {
    WriteFile((dir.Path() / "rezultat.rez").string(), "earlier run\r\n");
    std::string errors;
    ASSERT_EQ(RunCli({"run", "-C", Here(), "--quiet", "BZR01", "BZR01d2d.des"}, &errors),
              kExitSuccess);
    EXPECT_EQ(errors, "KalemirQ: the report of an earlier run, rezultat.rez, is kept as "
                      "rezultat-1.rez\n");
    EXPECT_EQ(ReadFile((dir.Path() / "rezultat-1.rez").string()), "earlier run\r\n");
    EXPECT_TRUE(fs::exists(dir.Path() / "BZR01qspr.rez"));
}

TEST_F(QsprRunTest, BadInputIsRefusedWithNothingWritten) {
    WriteFile((dir.Path() / "EMPTY").string(), "");
    WriteFile((dir.Path() / "HEADER").string(), "Cases\tp\r\n");
    WriteFile((dir.Path() / "ALLQ").string(), "Cases\tp\r\na\t?\r\nb\t?\r\n");
    fs::create_directory(dir.Path() / "folder.des");
    std::string big = "Cases\tp\r\n";
    for (int i = 0; i < 20001; ++i) {
        big += "m\t1\r\n";
    }
    WriteFile((dir.Path() / "BIG").string(), big);

    struct Case {
        std::vector<std::string> tables;
        std::string mentioned;
    };
    const std::vector<Case> cases = {
        {{"MISSING", "BZR01vfr.des"}, "MISSING"}, {{"BZR01", "missing.des"}, "missing.des"},
        {{"BZR01", "folder.des"}, "folder.des"},  {{"EMPTY", "BZR01vfr.des"}, "EMPTY"},
        {{"HEADER", "BZR01vfr.des"}, "HEADER"},   {{"ALLQ", "BZR01vfr.des"}, "ALLQ"},
        {{"BIG", "BZR01vfr.des"}, "20000"},       {{"../BZR01", "BZR01vfr.des"}, "-C"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"run", "-C", Here(), "--quiet"};
        arguments.insert(arguments.end(), c.tables.begin(), c.tables.end());
        std::string errors;
        EXPECT_EQ(RunCli(arguments, &errors), kExitUsage) << c.mentioned;
        EXPECT_NE(errors.find(c.mentioned), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_FALSE(fs::exists(dir.Path() / "rezultat.rez"));
        EXPECT_FALSE(fs::exists(dir.Path() / "BZR01qspr.rez"));
    }
}

// Neither the report nor a plot may replace a table of the run, the working report or the
// other result: refused before anything is written.
TEST_F(QsprRunTest, ResultNamesNeverReplaceWhatTheRunReadsOrWrites) {
    const std::vector<std::vector<std::string>> cases = {
        {"--save", "BZR01"},
        {"--save", "./BZR01vfr.des"},
        {"--plots", "BZR01d2d.des"},
        {"--plots", "rezultat.rez"},
        {"--plots", "BZR01qspr.rez"}, // the report's default name
        {"--save", "r.rez", "--plots", "r.rez"},
        {"--plots", "a.bmp,a.bmp"},
    };
    for (const std::vector<std::string>& options : cases) {
        std::vector<std::string> arguments = {"run", "-C", Here(), "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        for (const char* table : {"BZR01", "BZR01d2d.des", "BZR01vfr.des"}) {
            arguments.push_back(table);
        }
        std::string errors;
        const int status =
            QsprMain(arguments, [](const ScatterDrawing&, const std::string&) { return true; });
        EXPECT_EQ(status, kExitUsage) << options.back();
        EXPECT_FALSE(fs::exists(dir.Path() / "rezultat.rez"));
        EXPECT_EQ(ReadFile((dir.Path() / "BZR01").string()).substr(0, 5), "Cases");
    }
}

/// A window that asks to stop at its `turn`-th yield.
class StoppingWindow : public SilentWindow {
public:
    explicit StoppingWindow(unsigned turn) : turn_(turn) { SetYieldInterval(1); }

protected:
    void ProcessEvents() override {
        if (++turns_ >= turn_) {
            RequestStop();
        }
        ComputingWindow::ProcessEvents();
    }

private:
    unsigned turn_;
    unsigned turns_ = 0;
};

TEST_F(QsprRunTest, AStoppedRunEndsItsReportWithWhereItStopped) {
    QsprRunOptions options;
    options.qsprTable = "BZR02";
    options.descriptorTables = {"BZR02d2d.des", "BZR02vfr.des"};
    options.quiet = true;
    options.threads = 1;
    for (unsigned turn : {1u, 20000u}) {
        StoppingWindow window(turn);
        EXPECT_THROW(RunQsprCommand(options, window), RunInterrupted);
        const std::vector<std::string> lines = ReportLines("rezultat.rez");
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "");
        const std::string& last = lines.back();
        EXPECT_EQ(last.rfind("     ANALYSIS STOPPED ", 0), 0u) << last;
        EXPECT_NE(last.find(": the results above are incomplete"), std::string::npos) << last;
        if (turn == 1) {
            EXPECT_EQ(last, "     ANALYSIS STOPPED at the preliminary selection of descriptors: "
                            "the results above are incomplete");
        } else {
            EXPECT_NE(last.find(" in cycle "), std::string::npos) << last;
        }
        EXPECT_FALSE(fs::exists("newtab 1.des"));
    }
}

// Every numeric option takes a number as people type it and nothing else: a decimal comma
// or trailing text used to be read up to where the number stopped ("--min-r2 0,05" ran with
// .01, exit 0). Refused with exit status 2 and nothing written.
TEST_F(QsprRunTest, NumbersAsPeopleTypeThem) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--min-r2", "0,05"}, "option --min-r2: 0,05: use a decimal point"},
        {{"--min-r2=.05abc"}, "option --min-r2: .05abc: not a number"},
        {{"--validation", "5,0"}, "option --validation: 5,0: use a decimal point"},
        {{"--cor", "0,75"}, "option --cor: 0,75: use a decimal point"},
        {{"--max-inter-r2", "0.4x"}, "option --max-inter-r2: 0.4x: not a number"},
        {{"--max-predictors", ""}, "option --max-predictors: nothing typed"},
        {{"--randomise", "1,5"}, "option --randomise: 1,5: use a decimal point"},
        {{"--seed", "7,5"}, "option --seed: 7,5: use a decimal point"},
        {{"--threads", "2,0"}, "option --threads: 2,0: use a decimal point"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> arguments = {"run", "-C", Here(), "--quiet"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {"BZR01", "BZR01vfr.des"});
        std::string errors;
        EXPECT_EQ(RunCli(arguments, &errors), kExitUsage) << message;
        EXPECT_EQ(errors.substr(0, errors.find(" (try")), "KalemirQ: " + message) << errors;
        EXPECT_FALSE(fs::exists(dir.Path() / "rezultat.rez"));
        EXPECT_FALSE(fs::exists(dir.Path() / "BZR01qspr.rez"));
    }
    // Blanks around the number are no fault.
    EXPECT_NO_THROW(ParseQsprRunArguments({"--seed", " 7 ", "--threads", "2\t", "Q", "a"}));
}

TEST_F(QsprRunTest, UsageAndVersion) {
    std::string errors;
    EXPECT_EQ(RunCli({}, &errors), kExitUsage);
    EXPECT_NE(errors.find("KalemirQ run"), std::string::npos);
    EXPECT_EQ(RunCli({"frobnicate"}), kExitUsage);
    EXPECT_EQ(RunCli({"run", "--min-r2", "abc", "BZR01", "BZR01vfr.des"}, &errors), kExitUsage);
    EXPECT_NE(errors.find("--min-r2"), std::string::npos);
    EXPECT_EQ(RunCli({"run", "-C", Here() + "/nowhere", "BZR01", "BZR01vfr.des"}, &errors),
              kExitUsage);
    EXPECT_NE(errors.find("nowhere"), std::string::npos);
}

} // namespace
} // namespace kalemir::qspr
