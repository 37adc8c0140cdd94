// The join by name: a database of the similarity program (a subset of the example set's
// molecules) run with the set's full descriptor tables.

#include "app/QsprCommandLine.h"

#include "TestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";
/// BZR01NBX as the similarity program wrote it for the example set: "Case " TAB
/// "Property", then 96 calibration and 15 prediction molecules of BZR01.
const std::string kDatabase = std::string(KALEMIR_EXAMPLES_DIR) + "/../tests/golden/sim01/BZR01NBX";
const std::vector<std::string> kTables = {"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"};

int RunCli(std::vector<std::string> arguments, std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    const int status = QsprMain(arguments);
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

std::vector<std::string> DatabaseRun(const std::string& folder, std::vector<std::string> options) {
    std::vector<std::string> arguments = {"run", "-C", folder, "--quiet"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("BZR01NBX");
    arguments.insert(arguments.end(), kTables.begin(), kTables.end());
    return arguments;
}

/// The report's lines with every line of a date and a time masked.
std::vector<std::string> Comparable(const std::string& report) {
    static const std::regex dateAndTime(R"(\s*\d\d-\d\d-\d{4}\s+\d\d:\d\d:\d\d)");
    std::vector<std::string> lines = SplitReportLines(report);
    for (std::string& line : lines) {
        if (std::regex_match(line, dateAndTime)) {
            line = "date and time";
        }
    }
    return lines;
}

/// The lines of `table` whose first word names a molecule of the database, header first:
/// the table cut by hand.
std::string CutTo(const std::string& table, const std::set<std::string>& molecules) {
    std::istringstream in(ReadFile(table));
    std::string out;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (header || molecules.count(line.substr(0, line.find('\t'))) != 0) {
            out += line + "\n";
        }
        header = false;
    }
    return out;
}

TEST(QsprNameJoinTest, ADatabaseWithTheFullTablesGivesTheReportOfTablesCutByHand) {
    ScratchDir dir{"qspr-by-name"};
    CopyExample(kExample, {"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    fs::copy_file(kDatabase, "BZR01NBX");
    const std::string here = dir.Path().string();

    std::string errors;
    ASSERT_EQ(RunCli(DatabaseRun(here, {}), &errors), kExitUsage);
    EXPECT_EQ(errors, "KalemirQ: BZR01d2d.des line 4: molecule bzr003, the QSPR table has bzr005 "
                      "there (tables are joined by position: every table lists the molecules of "
                      "the QSPR table in its order); every molecule of the QSPR table is found "
                      "once in each table, so they can be joined by name (--by-name)\n");
    ASSERT_EQ(RunCli(DatabaseRun(here, {"--by-name"}), &errors), kExitSuccess) << errors;
    EXPECT_EQ(errors, "");
    std::vector<std::string> joined = Comparable(ReadFile("BZR01NBqspr.rez"));
    const auto line = std::find(joined.begin(), joined.end(),
                                "     Descriptor tables joined to the QSPR table by name: each "
                                "table's rows taken in the QSPR table's order");
    ASSERT_NE(line, joined.end());
    ASSERT_EQ(*(line - 1), "");
    joined.erase(line - 1, line + 1);

    std::set<std::string> molecules;
    std::istringstream database(ReadFile("BZR01NBX"));
    std::string record;
    std::getline(database, record);
    while (std::getline(database, record)) {
        molecules.insert(record.substr(0, record.find('\t')));
    }
    ASSERT_EQ(molecules.size(), 111u);
    fs::create_directory("cut");
    fs::copy_file("BZR01NBX", "cut/BZR01NBX");
    for (const std::string& table : kTables) {
        WriteFile("cut/" + table, CutTo(table, molecules));
    }
    ASSERT_EQ(RunCli(DatabaseRun((dir.Path() / "cut").string(), {})), kExitSuccess);
    EXPECT_EQ(joined, Comparable(ReadFile((dir.Path() / "cut" / "BZR01NBqspr.rez").string())));
}

TEST(QsprNameJoinTest, TablesWithoutEveryMoleculeOnceAreRefused) {
    ScratchDir dir{"qspr-by-name-refused"};
    CopyExample(kExample, {"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    fs::copy_file(kDatabase, "BZR01NBX");
    const std::string vfr = ReadFile("BZR01vfr.des");
    const std::size_t row = vfr.find("\nbzr005\t") + 1;
    const std::string rowText = vfr.substr(row, vfr.find('\n', row) + 1 - row);
    struct Case {
        const char* kind;
        std::string table;
        std::string byName;    // the refusal of --by-name
        std::string byDefault; // the refusal without an option: no proposal
    };
    const std::string noJoin = " (tables joined by name hold every molecule of the QSPR table "
                               "once)";
    for (const Case& c :
         {Case{"a molecule missing", std::string(vfr).erase(row, rowText.size()),
               "BZR01vfr.des: molecule bzr005 of the QSPR table is not in the table" + noJoin,
               "BZR01d2d.des line 4"},
          Case{"a molecule twice", vfr + rowText,
               "BZR01vfr.des lines 5 and 165: molecule bzr005 is listed twice" + noJoin,
               "BZR01d2d.des line 4"}}) {
        SCOPED_TRACE(c.kind);
        WriteFile("BZR01vfr.des", c.table);
        std::string errors;
        EXPECT_EQ(RunCli(DatabaseRun(dir.Path().string(), {"--by-name"}), &errors), kExitUsage);
        EXPECT_EQ(errors, "KalemirQ: " + c.byName + "\n");
        EXPECT_EQ(RunCli(DatabaseRun(dir.Path().string(), {}), &errors), kExitUsage);
        EXPECT_EQ(errors.find("KalemirQ: " + c.byDefault), 0u) << errors;
        EXPECT_EQ(errors.find("--by-name"), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists("rezultat.rez"));
    }
}

} // namespace
} // namespace kalemir::qspr
