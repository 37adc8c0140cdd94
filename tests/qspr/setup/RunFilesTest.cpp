#include "qspr/setup/RunFiles.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

TEST(RunFilesTest, TheSimilarityProgramsTablesAreNoDescriptorTables) {
    struct Case {
        const char* name;
        bool refused;
    };
    const Case cases[] = {{"BZR01SIM.des", true},
                          {"BZR01SHP.des", true},
                          {"SIM.des", true},
                          {"BZR01vfr.des", false},
                          {"BZR01d2d.des", false},
                          // the suffixes are the similarity program's own, in capitals
                          {"BZR01sim.des", false},
                          {"SIM.des.old", false}};
    for (const Case& c : cases) {
        const std::string problem = DescriptorTableProblem(c.name);
        EXPECT_EQ(!problem.empty(), c.refused) << c.name;
    }
    EXPECT_EQ(DescriptorTableProblem("BZR01SIM.des"),
              "BZR01SIM.des: a similarity table, for KalemirS (it holds no descriptors to screen)");
}

TEST(RunFilesTest, AResultNeverReplacesATableOfTheRun) {
    ScratchDir dir{"run-files"};
    WriteFile("BZR01", "Cases\tp\r\n");
    WriteFile("BZR01vfr.des", "x\r\n");
    std::filesystem::create_hard_link("BZR01", "ALIAS");
    const std::vector<KeptFile> kept = TablesOfRun("BZR01", {"BZR01d2d.des", "BZR01vfr.des"});
    EXPECT_EQ(ResultNameProblem("BZR01", kept),
              "BZR01: the QSPR table of this run; give another name");
    EXPECT_EQ(ResultNameProblem("./BZR01vfr.des", kept),
              "./BZR01vfr.des: a descriptor table of this run; give another name");
    EXPECT_FALSE(ResultNameProblem("ALIAS", kept).empty());        // the same file
    EXPECT_FALSE(ResultNameProblem("BZR01d2d.des", kept).empty()); // named, though missing
    EXPECT_TRUE(ResultNameProblem("BZR01qspr.rez", kept).empty());
    EXPECT_TRUE(ResultNameProblem("bzr01", kept).empty()); // another file here
}

} // namespace
} // namespace kalemir::qspr
