// KalemirS: the similarity program. With "run" it works without a display; otherwise it
// opens its table window in the working folder (or the folder given).

#include "app/DesktopStart.h"
#include "app/Guard.h"
#include "app/SimCommandLine.h"
#include "common/FileFaults.h"
#include "similarity/RunLocked.h"

#ifdef KALEMIR_HAS_UI
#include "ui/SimilarityDesktop.h"
#endif

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    kalemir::ArmWriteFaultFromEnvironment();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "run" || arguments[0].rfind("-", 0) == 0)) {
        return kalemir::sim::SimMain(arguments);
    }
#ifdef KALEMIR_HAS_UI
    return kalemir::RunGuarded(kalemir::GuardedProgram(kalemir::sim::kSimilarityProgram), [&] {
        const std::string command = arguments.empty() ? std::string() : arguments[0];
        kalemir::CheckDesktopStart(command);
        return kalemir::ui::RunSimilarityDesktop(argc, argv,
                                                 QString::fromLocal8Bit(command.c_str()));
    });
#else
    std::fputs("KalemirS: this build has no windows; use KalemirS run (see --help)\n", stderr);
    return kalemir::kExitUsage;
#endif
}
