#pragma once
// A scratch folder that a test works in: created empty, entered, and removed with
// everything in it when the test ends.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace kalemir::testing {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& name) {
        previous_ = std::filesystem::current_path();
        path_ = std::filesystem::temp_directory_path() /
                ("kalemir-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The lines of a report (CR LF line ends removed); a last line without its end is kept.
inline std::vector<std::string> SplitReportLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

/// Copies files of the example folder into the current folder.
inline void CopyExample(const std::string& examplesDir, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        std::filesystem::copy_file(std::filesystem::path(examplesDir) / name, name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

} // namespace kalemir::testing
