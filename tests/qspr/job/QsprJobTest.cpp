// The QSPR job both front ends run: the folder's lock, the computation, the figures of the
// Williams plot, the plots and the report's final name.

#include "qspr/job/QsprJob.h"

#include "TestData.h"
#include "common/Errors.h"
#include "common/RunLock.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"
#include "qspr/validation/ResultFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ScratchDir;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

std::set<std::string> FolderFiles() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

/// The Workfiles and Parameters windows' steps with their defaults, as the command line
/// takes them.
ParametersOutcome ChooseBzr01(ProgramState& state) {
    if (!WorkfilesOk(state, {"BZR01", {"BZR01d2d.des", "BZR01vfr.des"}, {true, true}})) {
        throw InputError("BZR01 refused");
    }
    return ParametersOk(state, LoadParameters(state));
}

// The lock comes before anything the job does: a folder another run holds is refused
// before the setup starts, and nothing is written.
TEST(QsprJob, AFolderHeldByAnotherRunIsRefusedBeforeTheSetup) {
    ScratchDir dir{"job-locked"};
    CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01vfr.des"});
    const RunLock other("KalemirS");
    const std::set<std::string> before = FolderFiles();
    bool setUp = false;
    JobRequest request;
    request.Setup = [&setUp](ProgramState&) {
        setUp = true;
        return ParametersOutcome::Compute;
    };
    ProgramState state;
    SilentWindow window;
    EXPECT_THROW(RunQsprJob(request, state, window), InputError);
    EXPECT_FALSE(setUp);
    EXPECT_EQ(FolderFiles(), before);
}

// A whole job: the plots are saved from the run's own figures, the report takes its final
// name and the folder is free again.
TEST(QsprJob, AWholeJobSavesItsPlotsFromItsFiguresAndNamesTheReport) {
    ScratchDir dir{"job-whole"};
    CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01vfr.des"});
    std::vector<std::string> saved;
    JobRequest request;
    request.Setup = ChooseBzr01;
    request.PlotNames = {"before.bmp", "after.bmp", "williams.bmp"};
    request.WritePlot = [&saved](const ScatterDrawing&, const std::string& name) {
        saved.push_back(name);
        return true;
    };
    request.ReportName = "BZR01final.rez";
    std::vector<std::string> notices;
    request.Notify = [&notices](const std::string& notice) { notices.push_back(notice); };
    ProgramState state;
    SilentWindow window;
    const JobOutcome outcome = RunQsprJob(request, state, window);

    EXPECT_EQ(outcome.ReportName, "BZR01final.rez");
    EXPECT_TRUE(fs::exists("BZR01final.rez"));
    EXPECT_FALSE(fs::exists(kWorkingReport));
    EXPECT_FALSE(fs::exists(kRunLockName));
    EXPECT_TRUE(fs::exists(ValidationTextName("BZR01")));
    // The figures are those of the best equation the run left (as a window computes them
    // after a stopped run), one diagnostic per calibration molecule of its cycle.
    ASSERT_TRUE(outcome.Figures.has_value());
    const ValidationFigures again = FiguresOfBestEquation(state);
    EXPECT_EQ(outcome.Figures->LeaveOneOut.Press, again.LeaveOneOut.Press);
    EXPECT_EQ(outcome.Figures->Diagnostics.Calibration.size(),
              again.Diagnostics.Calibration.size());
    EXPECT_EQ(outcome.Figures->Diagnostics.WarningLeverage, again.Diagnostics.WarningLeverage);
    // The scatter plots the run has, then the Williams plot, in the order named.
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.front(), "before.bmp");
    EXPECT_EQ(saved.back(), "williams.bmp");
    EXPECT_EQ(outcome.PlotsWritten, saved);
    // A second activation (the windows' computing window shown again) computes nothing.
    const JobOutcome second = RunQsprComputation(state, window);
    EXPECT_FALSE(second.Figures.has_value());
    EXPECT_TRUE(fs::exists("BZR01final.rez"));
}

} // namespace
} // namespace kalemir::qspr
