#include "app/InputChecks.h"

#include "common/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace kalemir {

void CheckPlainTableName(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        throw InputError(name + ": tables are named without a folder; use -C DIR to work in "
                                "the folder that holds them");
    }
    if (name.empty()) {
        throw InputError("an empty table name");
    }
}

void CheckReadableFile(const std::string& name) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
        throw InputError(name + ": " + std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throw InputError(name + ": is a folder, not a table");
    }
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    std::fclose(file);
}

} // namespace kalemir

namespace kalemir {

std::string DesktopStartProblem(const std::string& folder) {
    if (!folder.empty()) {
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return "'" + folder + "' is neither a command nor a folder (try --help)";
        }
    }
    const bool display = std::getenv("DISPLAY") != nullptr ||
                         std::getenv("WAYLAND_DISPLAY") != nullptr ||
                         std::getenv("QT_QPA_PLATFORM") != nullptr;
    if (!display) {
        return "no display to open the windows on; use 'run' to work without one (try --help)";
    }
    return {};
}

} // namespace kalemir
