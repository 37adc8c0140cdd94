#include "common/Report.h"

#include "common/Errors.h"

#include <cerrno>
#include <cstring>

namespace kalemir {

namespace {
constexpr std::size_t kFlushSize = 1 << 16;
}

ReportAppender::ReportAppender(std::string path, Mode mode) : path_(std::move(path)) {
    file_ = std::fopen(path_.c_str(), mode == Mode::Create ? "wb" : "ab");
    if (file_ == nullptr) {
        throw FileError(path_ + ": cannot write: " + std::strerror(errno));
    }
}

ReportAppender::~ReportAppender() {
    if (file_ != nullptr) {
        try {
            Close();
        } catch (const FileError&) {
            // Already unwinding or closing quietly: the error surfaced or will surface
            // through the explicit Close of the stage.
        }
    }
}

void ReportAppender::Line(std::string_view text) {
    pending_.append(text);
    pending_.append("\r\n");
    if (pending_.size() >= kFlushSize) {
        // Only whole lines ever reach the file.
        if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size() ||
            std::fflush(file_) != 0) {
            throw FileError(path_ + ": cannot write: " + std::strerror(errno));
        }
        pending_.clear();
    }
}

void ReportAppender::Lines(std::initializer_list<std::string_view> lines) {
    for (std::string_view line : lines) {
        Line(line);
    }
}

void ReportAppender::Close() {
    if (file_ == nullptr) {
        return;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    bool ok = std::fwrite(pending_.data(), 1, pending_.size(), file) == pending_.size();
    pending_.clear();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        throw FileError(path_ + ": cannot write: " + std::strerror(errno));
    }
}

void AppendReportLines(const std::string& path, std::initializer_list<std::string_view> lines) {
    ReportAppender report(path);
    report.Lines(lines);
    report.Close();
}

} // namespace kalemir
