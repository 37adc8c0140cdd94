#include "app/TablesCommandLine.h"

#include "common/Errors.h"
#include "common/FileFaults.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::tables {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

int RunCli(const std::vector<std::string>& arguments, std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    const int status = TablesMain(arguments);
    ::testing::internal::GetCapturedStdout();
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

std::size_t FileCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) {
        ++count;
    }
    return count;
}

TEST(TablesArguments, OptionsFillTheRequest) {
    ScratchDir dir("t-arguments");
    WriteFile("set.csv", "SMILES,ID,logS\nCCO,e,1\n");
    const TablesRunOptions options =
        ParseTablesRunArguments({"--property", "logS", "--hold-out", "3", "--tables", "qspr,vfr",
                                 "--seed", "7", "--threads", "2", "--embed-seconds", "30",
                                 "--replace", "--quiet", "-C", ".", "set.csv", "LOGS1"});
    EXPECT_EQ(options.request.structures, "set.csv");
    EXPECT_EQ(options.request.set, "LOGS1");
    EXPECT_EQ(options.request.holdOut, 3);
    EXPECT_EQ(options.request.seed, 7u);
    EXPECT_EQ(options.request.threads, 2);
    EXPECT_EQ(options.request.tables, "qspr,vfr");
    EXPECT_EQ(options.request.embedSeconds, 30.0);
    EXPECT_TRUE(options.request.replace);
    EXPECT_TRUE(options.quiet);
    const TablesRunOptions defaults =
        ParseTablesRunArguments({"--property", "logS", "set.csv", "LOGS1"});
    EXPECT_EQ(defaults.request.tables, "qspr,d2d,mfp,vfr,sim,shp,d3d");
    EXPECT_EQ(defaults.request.embedSeconds, 10.0);
    EXPECT_FALSE(defaults.request.replace);
}

TEST(TablesArguments, UsageErrors) {
    ScratchDir dir("t-usage");
    WriteFile("set.csv", "SMILES,ID,logS\nCCO,e,1\n");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"set.csv"}, "no set name given"},
        {{}, "no structure file given"},
        {{"set.csv", "LOGS1", "extra"}, "not 'extra' too"},
        {{"--property"}, "option --property needs a value"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{"--threads", "0", "set.csv", "LOGS1"}, "'0' is not a whole number from 1 to 256"},
        {{"--hold-out", "-1", "set.csv", "LOGS1"}, "'-1' is not a whole number"},
        {{"--seed", "x", "set.csv", "LOGS1"}, "x: not a number"},
        {{"--property", "logS", "set.csv", "LOG S"}, "five letters and digits"},
        {{"--embed-seconds", "0", "set.csv", "LOGS1"}, "'0' is not a whole number from 1 to 86400"},
        {{"--embed-seconds", "2.5", "set.csv", "LOGS1"}, "'2.5' is not a whole number"},
        {{"--replace=yes", "set.csv", "LOGS1"}, "--replace"},
    };
    for (const auto& [arguments, message] : cases) {
        try {
            ParseTablesRunArguments(arguments);
            ADD_FAILURE() << message;
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(TablesMain, ExitStatuses) {
    ScratchDir dir("t-main");
    WriteFile("set.csv", "SMILES,ID,logS\nCCO,e,1\nCCCO,p,2\nC1CC,bad,3\n");
    EXPECT_EQ(RunCli({"--help"}), 0);
    EXPECT_EQ(RunCli({}), 2);
    EXPECT_EQ(RunCli({"make"}), 2);

    std::string errors;
    EXPECT_EQ(RunCli({"run", "--property", "pIC50", "set.csv", "LOGS1"}, &errors), 2);
    EXPECT_NE(errors.find("set.csv: no column pIC50"), std::string::npos) << errors;
    EXPECT_EQ(FileCount(), 1u);
    // A number typed with a decimal comma is refused before anything is read or written.
    EXPECT_EQ(RunCli({"run", "--hold-out", "1,5", "set.csv", "LOGS1"}, &errors), 2);
    EXPECT_NE(errors.find("option --hold-out: 1,5: use a decimal point"), std::string::npos)
        << errors;
    EXPECT_EQ(FileCount(), 1u);

    // A full disk at the first write: status 1 and no table.
    FailNthWrite(1);
    EXPECT_EQ(
        RunCli({"run", "--quiet", "--property", "logS", "--tables", "qspr", "set.csv", "LOGS1"},
               &errors),
        1);
    FailNthWrite(0);
    EXPECT_NE(errors.find("LOGS1: cannot write the table"), std::string::npos) << errors;
    EXPECT_EQ(FileCount(), 1u);

    EXPECT_EQ(
        RunCli({"run", "--quiet", "--property", "logS", "--tables", "qspr", "set.csv", "LOGS1"},
               &errors),
        0);
    EXPECT_NE(errors.find("1 molecule left out, see LOGS1skipped.txt"), std::string::npos)
        << errors;
    EXPECT_EQ(ReadFile("LOGS1"), "Cases\tlogS\r\ne\t1\r\np\t2\r\n");

    // Made again: refused, naming the files already there, which stay as they were.
    WriteFile("set.csv", "SMILES,ID,logS\nCCO,e,3\n");
    EXPECT_EQ(
        RunCli({"run", "--quiet", "--property", "logS", "--tables", "qspr", "set.csv", "LOGS1"},
               &errors),
        2);
    EXPECT_EQ(errors, "KalemirT: the set LOGS1 is already in the folder (LOGS1, LOGS1map.txt, "
                      "LOGS1skipped.txt); give --replace to replace it (try --help)\n");
    EXPECT_EQ(ReadFile("LOGS1"), "Cases\tlogS\r\ne\t1\r\np\t2\r\n");
    EXPECT_EQ(RunCli({"run", "--quiet", "--replace", "--property", "logS", "--tables", "qspr",
                      "set.csv", "LOGS1"}),
              0);
    EXPECT_EQ(ReadFile("LOGS1"), "Cases\tlogS\r\ne\t3\r\n");
}

} // namespace
} // namespace kalemir::tables
