#include "qspr/setup/RunFiles.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
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
        EXPECT_EQ(DescriptorTableProblem(c.name).has_value(), c.refused) << c.name;
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
    EXPECT_TRUE(ResultNameProblem("ALIAS", kept).has_value());        // the same file
    EXPECT_TRUE(ResultNameProblem("BZR01d2d.des", kept).has_value()); // named, though missing
    EXPECT_EQ(ResultNameProblem("BZR01qspr.rez", kept), std::nullopt);
    EXPECT_EQ(ResultNameProblem("bzr01", kept), std::nullopt); // another file here
}

TEST(RunFilesTest, TheObservedTableIsKeptLikeTheTablesOfTheRun) {
    const std::vector<KeptFile> kept = TablesOfRun("BZR01", {"BZR01vfr.des"}, "OBS");
    EXPECT_EQ(ResultNameProblem("OBS", kept),
              "OBS: the table of observed values; give another name");
    EXPECT_EQ(TablesOfRun("BZR01", {"BZR01vfr.des"}).size(), 2u); // none given
}

// The numbers go up past every name taken, gaps included, and keep the extension.
TEST(RunFilesTest, AFreeNumberedNameSkipsTheNamesTaken) {
    ScratchDir dir{"free-names"};
    EXPECT_EQ(FreeNumberedName("rezultat.rez"), "rezultat-1.rez");
    WriteFile("rezultat-1.rez", "");
    WriteFile("rezultat-3.rez", "");
    EXPECT_EQ(FreeNumberedName("rezultat.rez"), "rezultat-2.rez");
    std::filesystem::create_directory("sub");
    EXPECT_EQ(FreeNumberedName("sub/report"), "sub/report-1");
}

TEST(RunFilesTest, AnEarlierReportIsSetAsideWhole) {
    ScratchDir dir{"earlier-report"};
    EXPECT_EQ(SetAsideEarlierReport("rezultat.rez"), ""); // none there
    WriteFile("rezultat.rez", "earlier run\r\n");
    WriteFile("rezultat-1.rez", "older run\r\n");
    EXPECT_EQ(SetAsideEarlierReport("rezultat.rez"), "rezultat-2.rez");
    EXPECT_FALSE(std::filesystem::exists("rezultat.rez"));
    EXPECT_EQ(ReadFile("rezultat-2.rez"), "earlier run\r\n");
    EXPECT_EQ(ReadFile("rezultat-1.rez"), "older run\r\n");
    EXPECT_EQ(EarlierReportNotice("rezultat.rez", "rezultat-2.rez"),
              "the report of an earlier run, rezultat.rez, is kept as rezultat-2.rez");
}

} // namespace
} // namespace kalemir::qspr
