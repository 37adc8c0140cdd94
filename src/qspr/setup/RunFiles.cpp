#include "qspr/setup/RunFiles.h"

#include "qspr/setup/QsprTables.h"

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

std::string DescriptorTableProblem(const std::string& name) {
    if (HasTableSuffix(name, "SIM.des")) {
        return name + ": a similarity table, for KalemirS (it holds no descriptors to screen)";
    }
    if (HasTableSuffix(name, "SHP.des")) {
        return name + ": a shape table, for KalemirS's Superposition method (it holds no "
                      "descriptors to screen)";
    }
    return {};
}

std::vector<KeptFile> TablesOfRun(const std::string& qsprTable,
                                  const std::vector<std::string>& descriptorTables) {
    std::vector<KeptFile> kept{{qsprTable, "the QSPR table of this run"}};
    for (const std::string& table : descriptorTables) {
        kept.push_back({table, "a descriptor table of this run"});
    }
    return kept;
}

std::string ResultNameProblem(const std::string& name, const std::vector<KeptFile>& kept) {
    for (const KeptFile& file : kept) {
        if (!file.name.empty() && SameFile(name, file.name)) {
            return name + ": " + file.what + "; give another name";
        }
    }
    return {};
}

} // namespace kalemir::qspr
