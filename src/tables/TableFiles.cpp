#include "tables/TableFiles.h"

#include "common/Errors.h"
#include "common/FileFaults.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kalemir::tables {

namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string TemporaryPath(const std::string& path) {
    return path + ".part" + std::to_string(getpid());
}

} // namespace

TableFiles::TableFiles(std::string folder) : folder_(std::move(folder)) {}

TableFiles::~TableFiles() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::string TableFiles::PathOf(const std::string& name) const {
    if (folder_.empty()) {
        return name;
    }
    return folder_.back() == '/' ? folder_ + name : folder_ + "/" + name;
}

void TableFiles::Begin(const std::string& name) {
    const std::string temporary = TemporaryPath(PathOf(name));
    temporaries_.Add(temporary);
    names_.push_back(name);
    file_ = std::fopen(temporary.c_str(), "wb");
    if (file_ == nullptr) {
        Fail(PathOf(name));
    }
    buffer_.clear();
}

void TableFiles::Line(std::string_view text) {
    buffer_ += text;
    buffer_ += "\r\n";
    if (buffer_.size() >= kChunk) {
        Flush();
    }
}

void TableFiles::Flush() {
    if (!WriteBytes(file_, buffer_.data(), buffer_.size())) {
        Fail(PathOf(names_.back()));
    }
    buffer_.clear();
}

void TableFiles::End() {
    Flush();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) {
        Fail(PathOf(names_.back()));
    }
}

void TableFiles::Fail(const std::string& path) {
    const std::string reason = std::strerror(errno);
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    temporaries_.RemoveAll();
    throw WriteFailure(path + ": cannot write the table: " + reason);
}

std::vector<std::string> TableFiles::PutInPlace() {
    std::vector<std::string> paths;
    for (const std::string& name : names_) {
        const std::string path = PathOf(name);
        const std::string temporary = TemporaryPath(path);
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            Fail(path);
        }
        temporaries_.Keep(temporary);
        paths.push_back(path);
    }
    return paths;
}

} // namespace kalemir::tables
