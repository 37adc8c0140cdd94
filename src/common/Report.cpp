#include "common/Report.h"

#include "common/Errors.h"
#include "common/FileFaults.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kalemir {

namespace {
constexpr std::size_t kFlushSize = 1 << 16;
}

ReportAppender::ReportAppender(std::string path, Mode mode) : path_(std::move(path)) {
    file_ = std::fopen(path_.c_str(), mode == Mode::Create ? "wb" : "ab");
    if (file_ == nullptr) {
        throw WriteFailure(path_ + ": cannot write: " + std::strerror(errno));
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
    if (file_ == nullptr) {
        throw WriteFailure(path_ + ": cannot write: the file is closed after an error");
    }
    pending_.append(text);
    pending_.append("\r\n");
    if (pending_.size() >= kFlushSize) {
        WritePending();
    }
}

void ReportAppender::WritePending() {
    // Only whole lines may stay in the file: when the lines cannot all be stored (a full
    // disk stores part of them), the file is cut back to where they began.
    struct stat before {};
    const bool sized = fstat(fileno(file_), &before) == 0;
    if (WriteBytes(file_, pending_.data(), pending_.size()) && std::fflush(file_) == 0) {
        pending_.clear();
        return;
    }
    const int error = errno;
    std::fflush(file_);
    if (sized) {
        static_cast<void>(ftruncate(fileno(file_), before.st_size));
    }
    std::fclose(file_);
    file_ = nullptr;
    pending_.clear();
    throw WriteFailure(path_ + ": cannot write: " + std::strerror(error));
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
    if (!pending_.empty()) {
        WritePending();
    }
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) {
        throw WriteFailure(path_ + ": cannot write: " + std::strerror(errno));
    }
}

void AppendReportLines(const std::string& path, std::initializer_list<std::string_view> lines) {
    ReportAppender report(path);
    report.Lines(lines);
    report.Close();
}

std::string StoppedAnalysisText(std::string_view stage) {
    return "ANALYSIS STOPPED " + std::string(stage) + ": the results above are incomplete";
}

} // namespace kalemir
