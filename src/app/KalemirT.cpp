// KalemirT: the table maker. With "run" or "predict" it works without a display; otherwise it opens
// its window in the working folder (or the folder given).

#include "app/CommandLine.h"
#include "app/DesktopStart.h"
#include "app/Guard.h"
#include "app/TablesCommandLine.h"
#include "common/FileFaults.h"

#ifdef KALEMIR_HAS_UI
#include "ui/TablesDesktop.h"
#endif

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    kalemir::ArmWriteFaultFromEnvironment();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() &&
        (arguments[0] == "run" || arguments[0] == "predict" || arguments[0].rfind("-", 0) == 0)) {
        return kalemir::tables::TablesMain(arguments);
    }
#ifdef KALEMIR_HAS_UI
    return kalemir::RunGuarded(kalemir::GuardedProgram(kalemir::tables::kTablesProgram), [&] {
        const std::string folder = arguments.empty() ? std::string() : arguments[0];
        kalemir::CheckDesktopStart(folder);
        return kalemir::ui::RunTablesDesktop(argc, argv, folder);
    });
#else
    std::fputs("KalemirT: this build has no windows; use KalemirT run (see --help)\n", stderr);
    return kalemir::kExitUsage;
#endif
}
