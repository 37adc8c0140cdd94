// The option syntax shared by the command lines, and the similarity command line run
// in-process.

#include "app/CommandLine.h"
#include "app/QsprCommandLine.h"
#include "app/SimCommandLine.h"

#include "TestData.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ScratchDir;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

TEST(ArgumentReaderTest, BothSpellingsOfAnOptionReadTheSame) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--threads", "3", "-C", "a=b", "Q", "d.des"},
          std::vector<std::string>{"--threads=3", "-C=a=b", "Q", "d.des"}}) {
        const qspr::QsprRunOptions q = qspr::ParseQsprRunArguments(arguments);
        EXPECT_EQ(q.threads, 3);
        EXPECT_EQ(q.workDir, "a=b");
        EXPECT_EQ(q.descriptorTables, std::vector<std::string>{"d.des"});
    }
    const sim::SimRunOptions s =
        sim::ParseSimRunArguments({"--shape=superposition", "--threads", "2", "X1SIM.des"});
    EXPECT_EQ(s.shapeMethod, 0);
    EXPECT_EQ(s.threads, 2);
    EXPECT_EQ(s.table, "X1SIM.des");
    // A value that starts like an option is still the option's value.
    EXPECT_EQ(sim::ParseSimRunArguments({"-C", "-dir", "X1SIM.des"}).workDir, "-dir");
}

struct Refusal {
    std::vector<std::string> arguments;
    const char* message;
};

class ArgumentRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(ArgumentRefusalTest, BothProgramsRefuseAlike) {
    std::vector<std::string> q = GetParam().arguments;
    q.insert(q.begin(), {"Q", "d.des"});
    std::vector<std::string> s = GetParam().arguments;
    s.insert(s.begin(), "X1SIM.des");
    for (const std::vector<std::string>* arguments : {&q, &s}) {
        try {
            if (arguments == &q) {
                qspr::ParseQsprRunArguments(*arguments);
            } else {
                sim::ParseSimRunArguments(*arguments);
            }
            ADD_FAILURE() << "accepted";
        } catch (const InputError& e) {
            EXPECT_EQ(std::string(e.what()), GetParam().message);
        }
    }
}

const Refusal kRefusals[] = {
    {{"--threads", "0"}, "option --threads: '0' is not a whole number from 1 to 256"},
    {{"--threads=257"}, "option --threads: '257' is not a whole number from 1 to 256"},
    {{"--threads=-2"}, "option --threads: '-2' is not a whole number from 1 to 256"},
    {{"--threads=+2"}, "option --threads: '+2' is not a whole number from 1 to 256"},
    {{"--threads="}, "option --threads: nothing typed"},
    {{"--threads=2x"}, "option --threads: 2x: not a number"},
    {{"--threads"}, "option --threads needs a value"},
    {{"--quiet=yes"}, "option --quiet takes no value"},
    {{"--thread", "2"}, "unknown option --thread"},
    {{"--threadsx=2"}, "unknown option --threadsx=2"},
};

INSTANTIATE_TEST_SUITE_P(Shared, ArgumentRefusalTest, ::testing::ValuesIn(kRefusals));

TEST(CommandLineStartTest, HelpVersionAndUnknownCommandsTheSameOnEveryProgram) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{}, kExitUsage, "", "USAGE"},
        {{"--help"}, kExitSuccess, "USAGE", ""},
        {{"-h", "run"}, kExitSuccess, "USAGE", ""},
        {{"--version"}, kExitSuccess, "KalemirX 1.2\n", ""},
        {{"frob"}, kExitUsage, "", "KalemirX: unknown command 'frob' (try --help)\n"},
        {{"--quiet", "run"}, kExitUsage, "", "KalemirX: unknown command '--quiet' (try --help)\n"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const std::optional<int> status = AnswerBeforeRun("KalemirX", c.arguments, "USAGE", "1.2");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.out);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(status, c.status);
    }
    EXPECT_EQ(AnswerBeforeRun("KalemirX", {"run", "--help"}, "USAGE", "1.2"), std::nullopt);
}

TEST(SimCommandLineTest, RunInProcessWritesResultsAndRefusesWithoutWriting) {
    const ScratchDir dir("sim-cli");
    CopyExample(kExample, {"BZR01SIM.des", "BZR01SHP.des"});
    fs::create_directory("sub");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(sim::SimMain({"run", "--min-similarity=0.9,0.9,0.9,0.9", "BZR01SIM.des"}),
              kExitUsage);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("needs five values"),
              std::string::npos);
    EXPECT_FALSE(fs::exists("BZR01SIM.res"));

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(sim::SimMain({"run", "--quiet", "--threads=2", "BZR01SIM.des"}), kExitSuccess);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    for (const char* file : {"BZR01SIM.res", "BZR01NBX", "BZR01CLU", "BZR01NDB", "BZR01NVB"}) {
        EXPECT_TRUE(fs::exists(dir.Path() / file)) << file;
    }
}

} // namespace
} // namespace kalemir
