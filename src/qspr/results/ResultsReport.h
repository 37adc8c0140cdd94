#pragma once
// What the results window does with the working report: read its lines, and give it the
// user's name on quitting.

#include "common/Errors.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// The report's lines as the list shows them (line ends removed, bytes unchanged).
std::vector<std::string> ReadReportLines(const std::string& path);

/// The name Quit proposes: the first seven characters of the QSPR table + "qspr.rez".
std::string DefaultReportName(const std::string& qsprTableCopy);

inline constexpr const char* kSavePrompt =
    "The program will save the results.  Give a name please to the saved file.";
inline constexpr const char* kSaveTitle = "*.rez file name";

/// The working report could not take its final name; what() names both and the cause.
class ReportNotRenamed : public FileError {
public:
    ReportNotRenamed(const std::string& workingReport, const std::string& name, std::string reason);
    /// Why the system refused, as it says it ("No such file or directory").
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

/// Renames the working report to `name` (nothing to do when `name` is its own). Throws
/// ReportNotRenamed, the working report left as it was.
void RenameReport(const std::string& workingReport, const std::string& name);

} // namespace kalemir::qspr
