#pragma once
// The one way report lines reach a file: opened for one stage, whole lines ending in
// CR LF, single-byte text, closed again so that the report on disk is complete.

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kalemir {

/// The plus-minus sign of the reports' single-byte character set.
inline constexpr std::string_view kPlusMinus = "\xB1";

class ReportAppender {
public:
    enum class Mode { Create, Append };

    /// Opens the file; Create replaces an existing file. Throws FileError naming it.
    explicit ReportAppender(std::string path, Mode mode = Mode::Append);
    ~ReportAppender();
    ReportAppender(const ReportAppender&) = delete;
    ReportAppender& operator=(const ReportAppender&) = delete;

    /// Writes one line and its CR LF. After a failed write the file is closed and holds
    /// the lines before the failed block only; further lines throw FileError.
    void Line(std::string_view text = {});
    void Lines(std::initializer_list<std::string_view> lines);
    /// Closes the file; throws FileError when what was written could not be stored.
    void Close();

    const std::string& Path() const { return path_; }

private:
    /// Writes the pending lines; on failure cuts the file back to whole lines, closes it
    /// and throws FileError.
    void WritePending();

    std::string path_;
    std::FILE* file_ = nullptr;
    std::string pending_;
};

/// The closing line of a report whose analysis was stopped before its end (by the user
/// or an interrupt), naming where it stopped: "ANALYSIS STOPPED " + stage + ": ...".
std::string StoppedAnalysisText(std::string_view stage);

/// Opens, writes the lines and closes.
void AppendReportLines(const std::string& path, std::initializer_list<std::string_view> lines);

} // namespace kalemir
