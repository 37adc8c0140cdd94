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

void CheckTextTable(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    char buffer[1 << 16];
    long line = 1;
    bool text = false;
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\0') {
                std::fclose(file);
                throw InputError(name + " line " + std::to_string(line) +
                                 ": binary data (a NUL byte), not a text table");
            }
            line += c == '\n' ? 1 : 0;
            text = text || (c != ' ' && c != '\t' && c != '\r' && c != '\n');
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    if (!text) {
        throw InputError(name + ": the table is empty");
    }
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
