// KalemirQ: the QSPR modelling program. With "run" it works without a display; otherwise
// it opens its first window in the working folder (or the folder given).

#include "app/QsprCommandLine.h"

#ifdef KALEMIR_HAS_UI
#include "ui/Desktop.h"
#endif

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool commandLine =
        !arguments.empty() && (arguments[0] == "run" || arguments[0].rfind("-", 0) == 0);
    if (commandLine) {
        return kalemir::qspr::QsprMain(arguments);
    }
#ifdef KALEMIR_HAS_UI
    const QString folder = arguments.empty() ? QString() : QString::fromLocal8Bit(argv[1]);
    return kalemir::ui::RunQsprDesktop(argc, argv, folder, kalemir::qspr::RunQsprComputation);
#else
    std::fputs("KalemirQ: this build has no windows; use KalemirQ run (see --help)\n", stderr);
    return kalemir::qspr::kExitUsage;
#endif
}
