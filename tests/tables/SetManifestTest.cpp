#include "tables/SetManifest.h"

#include "common/ComputingWindow.h"
#include "support/TempDir.h"
#include "tables/TableMaker.h"
#include "tables/ToolkitVersion.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace kalemir::tables {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// The column names of a table's header line, after the molecule column.
std::vector<std::string> HeaderColumns(const std::string& table) {
    std::istringstream in(ReadFile(table).substr(0, ReadFile(table).find('\r')));
    std::vector<std::string> columns;
    std::string column;
    std::getline(in, column, '\t'); // "Cases"
    while (std::getline(in, column, '\t')) {
        columns.push_back(column);
    }
    return columns;
}

TEST(SetManifest, NamesWhatMadeTheSetAndEveryTableWithItsColumns) {
    ScratchDir dir("set-manifest");
    WriteFile("set.smi", "CCO a\nCCCCO b\nc1ccccc1O c\nCC(=O)O d\n");
    WriteFile("values.csv", "Name,logS\na,1\nb,2\nc,3\n");
    TableRequest request;
    request.structures = "set.smi";
    request.set = "MAN01";
    request.valuesFile = "values.csv";
    request.tables = "qspr,d2d,mfp,vfr";
    request.threads = 1;
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    EXPECT_EQ(outcome.files.back(), "MAN01manifest.json");

    const auto manifest = nlohmann::json::parse(ReadFile("MAN01manifest.json"));
    EXPECT_EQ(manifest["format"], "kalemirt-manifest");
    EXPECT_EQ(manifest["table_maker"], "KalemirT");
    EXPECT_EQ(manifest["version"], TableMakerVersion());
    EXPECT_EQ(manifest["toolkit_version"], ToolkitVersion());
    EXPECT_EQ(manifest["options"]["fingerprint"]["size"], 2048);
    EXPECT_EQ(manifest["options"]["conformer"]["seed"], kDefaultSeed);
    const std::vector<std::string> files = {"MAN01", "MAN01d2d.des", "MAN01mfp.des",
                                            "MAN01vfr.des"};
    ASSERT_EQ(manifest["tables"].size(), files.size());
    for (std::size_t t = 0; t < files.size(); ++t) {
        SCOPED_TRACE(files[t]);
        EXPECT_EQ(manifest["tables"][t]["file"], files[t]);
        EXPECT_EQ(manifest["tables"][t]["columns"].get<std::vector<std::string>>(),
                  HeaderColumns(files[t]));
    }
    // Lines end as the tables' do.
    EXPECT_EQ(ReadFile("MAN01manifest.json").substr(0, 3), "{\r\n");
}

} // namespace
} // namespace kalemir::tables
