#include "qspr/results/ResultsReport.h"

#include "common/Errors.h"
#include "qspr/setup/QsprTables.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

namespace kalemir::qspr {

std::vector<std::string> ReadReportLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw FileError(path + ": cannot read: " + std::strerror(errno));
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string DefaultReportName(const std::string& qsprTableCopy) {
    return NamePrefix(qsprTableCopy, 7) + "qspr.rez";
}

ReportNotRenamed::ReportNotRenamed(const std::string& workingReport, const std::string& name,
                                   std::string reason)
    : FileError(workingReport + ": cannot rename to " + name + ": " + reason),
      reason_(std::move(reason)) {}

void RenameReport(const std::string& workingReport, const std::string& name) {
    if (name == workingReport) {
        return;
    }
    if (std::rename(workingReport.c_str(), name.c_str()) != 0) {
        throw ReportNotRenamed(workingReport, name, std::strerror(errno));
    }
}

} // namespace kalemir::qspr
