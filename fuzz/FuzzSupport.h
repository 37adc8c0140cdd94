#pragma once
// What every fuzz target shares: a scratch folder of its own to write the input to (the
// readers take file names and write their work files in the current folder), entered at
// the first input. Corpus folders must therefore be given with absolute paths.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace kalemir::fuzz {

inline std::string& ScratchFolder() {
    static std::string folder;
    return folder;
}

/// Removes the scratch folder when the process exits.
inline void RemoveScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path("/", ignored);
    std::filesystem::remove_all(ScratchFolder(), ignored);
}

inline void EnterScratchFolder() {
    if (!ScratchFolder().empty()) {
        return;
    }
    std::string pattern = "/tmp/kalemir-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
        std::perror("kalemir fuzz: scratch folder");
        std::abort();
    }
    ScratchFolder() = pattern;
    std::atexit(RemoveScratchFolder);
}

/// Writes the input bytes to a file of the scratch folder.
inline void WriteInput(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
}

} // namespace kalemir::fuzz
