// The KalemirQ program as a user starts it: scatter plots saved without a display, and the
// windows refused when there is no display.

#include "TestData.h"
#include "support/TempDir.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;

int RunProgram(const std::string& arguments, std::string* errors = nullptr) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                std::string(KALEMIR_BINARY_DIR) + "/src/app/KalemirQ " + arguments +
                                " >/dev/null 2>stderr.txt";
    const int status = std::system(command.c_str());
    if (errors != nullptr) {
        *errors = ReadFile("stderr.txt");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KalemirQProgramTest, PlotsAreSavedWithoutADisplay) {
    ScratchDir dir("kalemirq-plots");
    CopyExample(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr",
                {"BZR02", "BZR02d2d.des", "BZR02vfr.des"});
    // The names joined to the option: main must see that plots are asked for all the same.
    ASSERT_EQ(
        RunProgram("run --quiet BZR02 BZR02d2d.des BZR02vfr.des --plots=one.bmp,two.png,w.png"), 0);
    ASSERT_TRUE(fs::exists("one.bmp"));
    const std::string bytes = ReadFile("one.bmp");
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    // 10200 x 7900 twips of window surface at 15 twips a pixel.
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                          static_cast<int>(bytes.size()), "BMP");
    EXPECT_EQ(image.width(), 680);
    EXPECT_EQ(image.height(), 527);
    EXPECT_TRUE(fs::exists("BZR02qspr.rez"));
    // BZR02 removes outliers: the plot after their removal is the second one.
    const QImage after("two.png", "PNG");
    EXPECT_EQ(after.width(), 680);
    // The third name is the Williams plot's.
    EXPECT_EQ(QImage("w.png", "PNG").width(), 680);
    EXPECT_FALSE(fs::exists("rezultat.rez"));
}

#ifdef KALEMIR_WITH_TABLES
// The 3D descriptor table that KalemirT makes from the example molecules is read like any
// descriptor table: the run completes with it beside the fragment table.
TEST(KalemirQProgramTest, RunsOnTheThreeDimensionalDescriptors) {
    ScratchDir dir("kalemirq-d3d");
    const std::string tables = std::string(KALEMIR_BINARY_DIR) +
                               "/src/app/KalemirT run --quiet --tables qspr,vfr,d3d "
                               "--property ACTIVITY --hold-out 15 "
                               "/usr/share/RDKit/Projects/DbCLI/testData/bzr.sdf BZR09";
    ASSERT_EQ(std::system(tables.c_str()), 0);
    std::string errors;
    ASSERT_EQ(RunProgram("run --quiet BZR09 BZR09d3d.des BZR09vfr.des", &errors), 0) << errors;
    const std::string report = ReadFile("BZR09qspr.rez");
    EXPECT_NE(report.find("BZR09d3d.des"), std::string::npos);
    EXPECT_NE(report.find("Number of selected significant descriptors"), std::string::npos);
    EXPECT_TRUE(fs::exists("BZR09-validation.txt")); // the 15 held-out molecules predicted
}
#endif

TEST(KalemirQProgramTest, BadPlotNamesAreRefused) {
    ScratchDir dir("kalemirq-plot-names");
    std::string errors;
    EXPECT_EQ(RunProgram("run --plots a.bmp,,b.bmp Q x.des", &errors), 2);
    EXPECT_NE(errors.find("--plots"), std::string::npos);
    EXPECT_EQ(RunProgram("run --plots a,b,c,d Q x.des", &errors), 2);
    EXPECT_NE(errors.find("at most three"), std::string::npos);
}

TEST(KalemirQProgramTest, WithoutADisplayTheWindowsAreRefused) {
    ScratchDir dir("kalemirq-nodisplay");
    std::string errors;
    EXPECT_EQ(RunProgram("", &errors), 2);
    EXPECT_NE(errors.find("no display"), std::string::npos);
    EXPECT_EQ(RunProgram("nowhere", &errors), 2);
    EXPECT_NE(errors.find("neither a command nor a folder"), std::string::npos);
}

} // namespace
