#include "qspr/setup/QsprTables.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir::qspr {

std::vector<std::string> ReadQsprLines(const std::string& path) {
    RecordReader reader(path);
    std::vector<std::string> lines;
    std::string record;
    do {
        reader.Read(record);
        if (record.empty()) {
            continue;
        }
        if (static_cast<int>(lines.size()) > kMaxMolecules) {
            throw InputError(path + ": more than " + std::to_string(kMaxMolecules) +
                             " molecules (line " + std::to_string(reader.LineNumber()) +
                             "); a QSPR table holds at most " + std::to_string(kMaxMolecules));
        }
        lines.push_back(record);
    } while (!reader.AtEnd());
    return lines;
}

bool IsPredictionRecord(const std::string& record) {
    return !record.empty() && record.back() == '?';
}

int CountDescriptorColumns(const std::string& path) {
    RecordReader reader(path);
    std::string header;
    reader.Read(header);
    return CountSeparatorRuns(header);
}

std::vector<int> WorkTableWidths(int descriptorCount) {
    int k = 1;
    while (static_cast<double>(descriptorCount) / k >= 1001.0) {
        ++k;
    }
    const int q = descriptorCount / k;
    std::vector<int> widths(static_cast<std::size_t>(k), q);
    widths.back() = descriptorCount - q * (k - 1);
    return widths;
}

std::string WorkTableName(int k) {
    return "newtab" + NumText(k) + ".des";
}

std::string NamePrefix(const std::string& name, std::size_t count) {
    return name.substr(0, std::min(count, name.size()));
}

std::string SelectionTableName(const std::string& qsprTableName) {
    return NamePrefix(qsprTableName, 5) + "sel.des";
}

std::string PredictorFileName(const std::string& qsprTableName, int cycleNumber) {
    const std::string digits = PlainNumber(cycleNumber);
    const std::string lastTwo = digits.size() > 2 ? digits.substr(digits.size() - 2) : digits;
    return NamePrefix(qsprTableName, 3) + lastTwo + "prd.dat";
}

bool HasTableSuffix(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace kalemir::qspr
