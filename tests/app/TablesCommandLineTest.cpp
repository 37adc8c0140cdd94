#include "app/TablesCommandLine.h"

#include "TestData.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/RunLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

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
        ParseTablesRunArguments({"--property", "logS",     "--hold-out",      "3",
                                 "--tables",   "qspr,vfr", "--seed",          "7",
                                 "--threads",  "2",        "--embed-seconds", "30",
                                 "--replace",  "--quiet",  "--standardise",   "none",
                                 "-C",         ".",        "set.csv",         "LOGS1"});
    EXPECT_EQ(options.request.structures, "set.csv");
    EXPECT_EQ(options.request.set, "LOGS1");
    EXPECT_EQ(options.request.holdOut, 3);
    EXPECT_EQ(options.request.seed, 7u);
    EXPECT_EQ(options.request.threads, 2);
    EXPECT_EQ(options.request.tables, "qspr,vfr");
    EXPECT_EQ(options.request.embedSeconds, 30.0);
    EXPECT_TRUE(options.request.replace);
    EXPECT_EQ(options.request.standardise, "none");
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

    // A folder another run holds: refused with the holder named, nothing written.
    {
        const RunLock other("KalemirS");
        const std::size_t held = FileCount();
        EXPECT_EQ(
            RunCli({"run", "--quiet", "--property", "logS", "--tables", "qspr", "set.csv", "LOGS1"},
                   &errors),
            2);
        EXPECT_NE(errors.find("KalemirS (process"), std::string::npos) << errors;
        EXPECT_EQ(FileCount(), held);
    }

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
                      "LOGS1skipped.txt, LOGS1manifest.json); give --replace to replace it (try "
                      "--help)\n");
    EXPECT_EQ(ReadFile("LOGS1"), "Cases\tlogS\r\ne\t1\r\np\t2\r\n");
    EXPECT_EQ(RunCli({"run", "--quiet", "--replace", "--property", "logS", "--tables", "qspr",
                      "set.csv", "LOGS1"}),
              0);
    EXPECT_EQ(ReadFile("LOGS1"), "Cases\tlogS\r\ne\t3\r\n");
}

/// The first field of every line of a table after its header (the molecule names).
std::set<std::string> TableMolecules(const std::string& path, bool header = true) {
    std::set<std::string> names;
    std::istringstream lines(ReadFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (!header && !line.empty() && line != "\r") {
            names.insert(line.substr(0, line.find_first_of("\t\r")));
        }
        header = false;
    }
    return names;
}

// The hard set of the examples (salts, zwitterions, thiols, phosphates, silanes, a boronic
// acid, selenides, methane to propane, an organometallic, a fullerene, an empty record):
// who is in which table. The fullerene's embedding takes long, so the similarity and
// shape tables are made on the set without it.
TEST(TablesMain, HardMoleculesEachInTheTablesThatCanDescribeThem) {
    ScratchDir dir("t-hard");
    const std::string source = std::string(KALEMIR_EXAMPLES_DIR) + "/hard-molecules.csv";
    ASSERT_EQ(RunCli({"run", "--quiet", "--property", "bp", "--tables", "qspr,d2d,mfp,vfr", source,
                      "HARD1"}),
              0);
    std::set<std::string> all;
    {
        std::istringstream lines(ReadFile(source));
        std::string line;
        std::getline(lines, line);
        std::ofstream shapeSet("shape-set.csv");
        shapeSet << "SMILES,Name,bp\n";
        while (std::getline(lines, line)) {
            std::string name = line.substr(line.find(',') + 1);
            name = name.substr(0, name.rfind(','));
            std::replace(name.begin(), name.end(), ' ', '_');
            all.insert(name);
            if (name != "fullerene_C60") {
                shapeSet << line << "\n";
            }
        }
    }
    // Out of every table: no partial charges for Se and Sn, no structure at all.
    const std::set<std::string> notDescribed = {"dimethyl_selenide", "selenophene", "tetraethyltin",
                                                "empty_record"};
    std::set<std::string> described;
    for (const std::string& name : all) {
        if (notDescribed.count(name) == 0) {
            described.insert(name);
        }
    }
    for (const char* table : {"HARD1", "HARD1d2d.des", "HARD1mfp.des", "HARD1vfr.des"}) {
        EXPECT_EQ(TableMolecules(table), described) << table;
    }
    EXPECT_EQ(TableMolecules("HARD1skipped.txt").size(), notDescribed.size());
    const std::string skipped = ReadFile("HARD1skipped.txt");
    EXPECT_NE(skipped.find("dimethyl_selenide\tno partial charges for element Se"),
              std::string::npos);
    EXPECT_EQ(skipped.find("ERROR"), std::string::npos);
    const std::string map = ReadFile("HARD1map.txt");
    EXPECT_NE(map.find("\tCC(=O)O\tremoved 1 fragment: sodium; neutralised 1 charge\r\n"),
              std::string::npos);
    EXPECT_NE(map.find("\tC[C@H](N)C(=O)O\tneutralised 2 charges\r\n"), std::string::npos);

    ASSERT_EQ(RunCli({"run", "--quiet", "--property", "bp", "shape-set.csv", "HARD2"}), 0);
    const std::set<std::string> fewAtoms = {"methane",       "ethane",      "propane",
                                            "chloromethane", "ethanethiol", "dimethyl_sulfide",
                                            "ethanol"};
    described.erase("fullerene_C60");
    std::set<std::string> shaped;
    for (const std::string& name : described) {
        if (fewAtoms.count(name) == 0) {
            shaped.insert(name);
        }
    }
    EXPECT_EQ(TableMolecules("HARD2"), described);
    EXPECT_EQ(TableMolecules("HARD2SIM.des"), shaped);
    const std::string shape = ReadFile("HARD2SHP.des");
    std::size_t molecules = 0;
    for (std::size_t at = shape.find("newmol"); at != std::string::npos;
         at = shape.find("newmol", at + 1)) {
        ++molecules;
    }
    EXPECT_EQ(molecules, shaped.size());
    for (const std::string& name : fewAtoms) {
        EXPECT_NE(ReadFile("HARD2skipped.txt")
                      .find(name + "\tfewer than 4 heavy atoms for the shape columns: left out "
                                   "of the similarity and shape tables only"),
                  std::string::npos)
            << name;
    }
}

} // namespace
} // namespace kalemir::tables
