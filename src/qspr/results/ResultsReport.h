#pragma once
// What the results window does with the working report: read its lines, and give it the
// user's name on quitting.

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

/// Renames the working report to `name`. Returns an empty text on success, otherwise why
/// it failed (the working report is then left as it was).
std::string RenameReport(const std::string& workingReport, const std::string& name);

} // namespace kalemir::qspr
