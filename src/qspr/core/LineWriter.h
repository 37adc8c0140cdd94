#pragma once
// Writing a work or data file whole, line by line, each line ending in CR LF.

#include "common/Errors.h"
#include "common/FileFaults.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace kalemir::qspr {

/// Writes a whole file line by line, each line ending in CR LF; counts its bytes.
class LineWriter {
public:
    explicit LineWriter(const std::string& path) : path_(path) {
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) {
            throw WriteFailure(path + ": cannot write: " + std::strerror(errno));
        }
    }
    ~LineWriter() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void Line(std::string_view text) {
        line_.assign(text);
        line_ += "\r\n";
        if (!WriteBytes(file_, line_.data(), line_.size())) {
            throw WriteFailure(path_ + ": cannot write: " + std::strerror(errno));
        }
        bytes_ += static_cast<long long>(line_.size());
    }
    void Close() {
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0) {
            throw WriteFailure(path_ + ": cannot write: " + std::strerror(errno));
        }
    }
    long long Bytes() const { return bytes_; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::string line_;
    long long bytes_ = 0;
};

} // namespace kalemir::qspr
