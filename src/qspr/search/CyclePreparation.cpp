#include "qspr/search/CyclePreparation.h"

#include "common/Errors.h"
#include "common/Records.h"
#include "qspr/core/LineWriter.h"

#include <vector>

namespace kalemir::qspr {

bool IsMoleculeLine(std::string_view line, std::string_view name) {
    std::size_t i = 0;
    while (i < line.size() && IsSeparator(line[i])) {
        ++i;
    }
    const std::string_view rest = line.substr(i);
    if (rest.size() < name.size() || rest.compare(0, name.size(), name) != 0) {
        return false;
    }
    return rest.size() == name.size() || IsSeparator(rest[name.size()]);
}

void PrepareCycle(CycleInputs& cycle, TableState& tables, const OutlierState& outliers) {
    cycle.TableCount = cycle.SelectedTableCount;
    if (static_cast<int>(cycle.TableNames.size()) <= cycle.TableCount) {
        cycle.TableNames.resize(static_cast<std::size_t>(cycle.TableCount) + 1);
    }
    for (int t = 1; t <= cycle.TableCount; ++t) {
        cycle.TableNames[t] = cycle.ChosenTableNames[t];
    }
    if (outliers.OutlierName.empty()) {
        return;
    }
    const std::string& name = outliers.OutlierName;

    std::vector<std::string> kept;
    kept.push_back(cycle.QsprLines.empty() ? std::string() : cycle.QsprLines[0]);
    for (std::size_t x = 1; x < cycle.QsprLines.size(); ++x) {
        if (!IsMoleculeLine(cycle.QsprLines[x], name)) {
            kept.push_back(cycle.QsprLines[x]);
        }
    }
    const std::size_t size = cycle.QsprLines.size();
    cycle.QsprLines.assign(size, std::string());
    for (std::size_t x = 0; x < kept.size() && x < size; ++x) {
        cycle.QsprLines[x] = std::move(kept[x]);
    }

    std::vector<std::string> lines;
    for (tables.TableIndex = 1; tables.TableIndex <= cycle.TableCount; ++tables.TableIndex) {
        const std::string file = cycle.TableNames[tables.TableIndex].First;
        lines.clear();
        {
            RecordReader reader(file);
            std::string line;
            while (reader.ReadLine(line)) {
                if (!IsMoleculeLine(line, name)) {
                    lines.push_back(line);
                }
            }
        }
        LineWriter writer(file);
        for (const std::string& line : lines) {
            if (!line.empty()) {
                writer.Line(line);
            }
        }
        writer.Close();
    }
    cycle.QsprLastLine = cycle.QsprLastLine - 1;
}

} // namespace kalemir::qspr
