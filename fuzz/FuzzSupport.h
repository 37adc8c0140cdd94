#pragma once
// What every fuzz target shares: a scratch folder of its own to write the input to (the
// readers take file names and write their work files in the current folder), entered at
// the first input. Corpus folders must therefore be given with absolute paths.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kalemir::fuzz {

inline void EnterScratchFolder() {
    static bool entered = false;
    if (entered) {
        return;
    }
    std::string pattern = "/tmp/kalemir-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
        std::perror("kalemir fuzz: scratch folder");
        std::abort();
    }
    entered = true;
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
