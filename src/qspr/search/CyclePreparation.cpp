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

void PrepareCycle(ProgramState& ps, ComputingState& cs) {
    ps.TableCount = ps.SelectedTableCount;
    if (static_cast<int>(ps.TableNames.size()) <= ps.TableCount) {
        ps.TableNames.resize(static_cast<std::size_t>(ps.TableCount) + 1);
    }
    for (int t = 1; t <= ps.TableCount; ++t) {
        ps.TableNames[t] = ps.ChosenTableNames[t];
    }
    if (cs.OutlierName.empty()) {
        return;
    }
    const std::string& name = cs.OutlierName;

    std::vector<std::string> kept;
    kept.push_back(ps.QsprLines.empty() ? std::string() : ps.QsprLines[0]);
    for (std::size_t x = 1; x < ps.QsprLines.size(); ++x) {
        if (!IsMoleculeLine(ps.QsprLines[x], name)) {
            kept.push_back(ps.QsprLines[x]);
        }
    }
    const std::size_t size = ps.QsprLines.size();
    ps.QsprLines.assign(size, std::string());
    for (std::size_t x = 0; x < kept.size() && x < size; ++x) {
        ps.QsprLines[x] = std::move(kept[x]);
    }

    std::vector<std::string> lines;
    for (cs.TableIndex = 1; cs.TableIndex <= ps.TableCount; ++cs.TableIndex) {
        const std::string file = ps.TableNames[cs.TableIndex].first;
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
    ps.QsprLastLine = ps.QsprLastLine - 1;
}

} // namespace kalemir::qspr
