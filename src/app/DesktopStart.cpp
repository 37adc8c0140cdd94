#include "app/DesktopStart.h"

#include "common/Errors.h"

#include <cstdlib>
#include <sys/stat.h>

namespace kalemir {

void CheckDesktopStart(const std::string& folder) {
    if (!folder.empty()) {
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            throw InputError("'" + folder + "' is neither a command nor a folder (try --help)");
        }
    }
    const bool display = std::getenv("DISPLAY") != nullptr ||
                         std::getenv("WAYLAND_DISPLAY") != nullptr ||
                         std::getenv("QT_QPA_PLATFORM") != nullptr;
    if (!display) {
        throw InputError(
            "no display to open the windows on; use 'run' to work without one (try --help)");
    }
}

} // namespace kalemir
