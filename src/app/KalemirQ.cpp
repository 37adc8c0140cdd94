// KalemirQ: the QSPR modelling program. With "run" it works without a display; otherwise
// it opens its first window in the working folder (or the folder given).

#include "app/DesktopStart.h"
#include "app/Guard.h"
#include "app/QsprCommandLine.h"
#include "common/FileFaults.h"

#ifdef KALEMIR_HAS_UI
#include "ui/QsprDesktop.h"
#include "ui/ScatterPainter.h"

#include <QGuiApplication>
#include <memory>
#endif

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    kalemir::ArmWriteFaultFromEnvironment();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool commandLine =
        !arguments.empty() && (arguments[0] == "run" || arguments[0].rfind("-", 0) == 0);
    if (commandLine) {
#ifdef KALEMIR_HAS_UI
        std::unique_ptr<QGuiApplication> drawing;
        if (kalemir::qspr::AsksForPlots(arguments)) {
            drawing = kalemir::ui::StartHeadlessDrawing();
        }
        return kalemir::qspr::QsprMain(arguments, kalemir::ui::SaveScatterPlotHeadless);
#else
        return kalemir::qspr::QsprMain(arguments);
#endif
    }
#ifdef KALEMIR_HAS_UI
    return kalemir::RunGuarded(kalemir::GuardedProgram(kalemir::qspr::kQsprProgram), [&] {
        kalemir::CheckDesktopStart(arguments.empty() ? "" : arguments[0]);
        const QString folder = arguments.empty() ? QString() : QString::fromLocal8Bit(argv[1]);
        // A computation started from the windows is the command line's job: it holds the
        // folder's run lock and leaves the figures of the Williams plot.
        return kalemir::ui::RunQsprDesktop(argc, argv, folder, kalemir::qspr::RunQsprComputation);
    });
#else
    std::fputs("KalemirQ: this build has no windows; use KalemirQ run (see --help)\n", stderr);
    return kalemir::kExitUsage;
#endif
}
