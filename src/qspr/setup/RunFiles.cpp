#include "qspr/setup/RunFiles.h"

#include "common/Errors.h"
#include "qspr/setup/QsprTables.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <filesystem>
#include <system_error>

namespace kalemir::qspr {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

std::optional<std::string> DescriptorTableProblem(const std::string& name) {
    if (HasTableSuffix(name, "SIM.des")) {
        return name + ": a similarity table, for KalemirS (it holds no descriptors to screen)";
    }
    if (HasTableSuffix(name, "SHP.des")) {
        return name + ": a shape table, for KalemirS's Superposition method (it holds no "
                      "descriptors to screen)";
    }
    return std::nullopt;
}

std::vector<KeptFile> TablesOfRun(const std::string& qsprTable,
                                  const std::vector<std::string>& descriptorTables,
                                  const std::string& observedTable) {
    std::vector<KeptFile> kept{{qsprTable, "the QSPR table of this run"}};
    for (const std::string& table : descriptorTables) {
        kept.push_back({table, "a descriptor table of this run"});
    }
    if (!observedTable.empty()) {
        kept.push_back({observedTable, "the table of observed values"});
    }
    return kept;
}

std::optional<std::string> ResultNameProblem(const std::string& name,
                                             const std::vector<KeptFile>& kept) {
    for (const KeptFile& file : kept) {
        if (!file.Name.empty() && SameFile(name, file.Name)) {
            return name + ": " + file.What + "; give another name";
        }
    }
    return std::nullopt;
}

std::string FreeNumberedName(const std::string& name) {
    const std::filesystem::path path(name);
    const std::string stem = (path.parent_path() / path.stem()).string();
    const std::string extension = path.extension().string();
    for (int n = 1;; ++n) {
        std::string candidate = stem + "-" + std::to_string(n) + extension;
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
            return candidate;
        }
    }
}

std::string SetAsideEarlierReport(const std::string& report) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(report, error))) {
        return {};
    }
    const std::string keptAs = FreeNumberedName(report);
    if (std::rename(report.c_str(), keptAs.c_str()) != 0) {
        throw FileError(report + ": the report of an earlier run cannot be kept as " + keptAs +
                        ": " + std::strerror(errno));
    }
    return keptAs;
}

std::string EarlierReportNotice(const std::string& report, const std::string& keptAs) {
    return "the report of an earlier run, " + report + ", is kept as " + keptAs;
}

} // namespace kalemir::qspr
