#include "qspr/setup/InputTables.h"

#include "common/Errors.h"
#include "common/Records.h"
#include "common/TableChecks.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/setup/QsprTables.h"

#include <string_view>
#include <unordered_map>

namespace kalemir::qspr {

namespace {

/// A molecule record: its name (first token) and the line it is on.
struct MoleculeRow {
    std::string Name;
    long Line = 0;
};

constexpr const char* kJoinedByPosition =
    " (tables are joined by position: every table lists the molecules of the QSPR table in "
    "its order)";

std::string PathIn(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

/// Every molecule record of the QSPR table has a name and a value, and the prediction
/// molecules ("?") come after all calibration molecules: the run takes the first records
/// as the calibration set, so a table out of order would model the wrong molecules.
void CheckQsprRecords(const std::string& path, const std::string& name) {
    long firstPrediction = 0;
    ForEachMoleculeRecord(path, [&](const std::string& record,
                                    const std::vector<std::string_view>& tokens, long line) {
        const std::string where = name + " line " + std::to_string(line);
        if (tokens.size() < 2) {
            throw InputError(
                where + ": molecule " +
                (tokens.empty() ? std::string("without a name") : std::string(tokens[0])) +
                " has no value (a prediction molecule has ?)");
        }
        if (IsPredictionRecord(record)) {
            firstPrediction = firstPrediction == 0 ? line : firstPrediction;
        } else if (firstPrediction != 0) {
            throw InputError(where + ": calibration molecule " + std::string(tokens[0]) +
                             " after the prediction molecules (from line " +
                             std::to_string(firstPrediction) +
                             "); the calibration molecules come first");
        }
    });
}

/// The molecules of the QSPR table in order (its non-empty records after the header).
std::vector<MoleculeRow> QsprMolecules(const std::string& path, const std::string& name) {
    std::vector<MoleculeRow> rows;
    bool header = true;
    ReadMoleculeColumn(path, name, [&](std::string_view molecule, long line) {
        if (!molecule.empty() && !header) {
            rows.push_back({std::string(molecule), line});
        }
        header = header && molecule.empty();
        return true;
    });
    return rows;
}

/// Outliers are removed by name, so a name listed twice in the QSPR table is refused.
void CheckUniqueMolecules(const std::vector<MoleculeRow>& rows, const std::string& name) {
    std::unordered_map<std::string_view, long> seen;
    for (const MoleculeRow& row : rows) {
        const auto [first, added] = seen.emplace(row.Name, row.Line);
        if (!added) {
            throw InputError(name + " lines " + std::to_string(first->second) + " and " +
                             std::to_string(row.Line) + ": molecule " + row.Name +
                             " is listed twice (each molecule needs a name of its own)");
        }
    }
}

/// Reads the molecule column of a descriptor table (record 0 is its header; every later
/// record, an empty one too, is the row of the QSPR molecule in the same position) and
/// returns where it first differs from the QSPR table; empty when it does not.
std::string MoleculeDifference(const std::string& path, const std::string& name,
                               const std::vector<MoleculeRow>& qspr) {
    std::vector<MoleculeRow> rows;
    long records = 0;
    bool header = true;
    ReadMoleculeColumn(path, name, [&](std::string_view molecule, long line) {
        if (!molecule.empty() && ++records > kMaxMolecules + 1) {
            throw InputError(name + ": more than " + std::to_string(kMaxMolecules) +
                             " molecules (line " + std::to_string(line) +
                             "); a descriptor table holds at most " +
                             std::to_string(kMaxMolecules));
        }
        if (!header) {
            rows.push_back({std::string(molecule), line});
        }
        header = false;
        return true;
    });
    const long lastLine = rows.empty() ? 1 : rows.back().Line;
    while (!rows.empty() && rows.back().Name.empty()) {
        rows.pop_back(); // empty records after the last molecule join nothing
    }
    for (std::size_t i = 0; i < rows.size() || i < qspr.size(); ++i) {
        if (i >= rows.size()) {
            return name + " line " + std::to_string(lastLine + 1) +
                   ": the table ends, the QSPR table has " + qspr[i].Name + " there" +
                   kJoinedByPosition;
        }
        const MoleculeRow& row = rows[i];
        const std::string what = row.Name.empty() ? "an empty record" : "molecule " + row.Name;
        if (i >= qspr.size()) {
            return name + " line " + std::to_string(row.Line) + ": " + what +
                   ", the QSPR table ends before it" + kJoinedByPosition;
        }
        if (row.Name != qspr[i].Name) {
            return name + " line " + std::to_string(row.Line) + ": " + what +
                   ", the QSPR table has " + qspr[i].Name + " there" + kJoinedByPosition;
        }
    }
    return {};
}

} // namespace

std::vector<std::string> CheckQsprTables(const std::string& folder, const std::string& qsprTable,
                                         const std::vector<std::string>& descriptorTables) {
    CheckPlainTableName(qsprTable);
    CheckReadableFile(PathIn(folder, qsprTable), qsprTable);
    for (const std::string& table : descriptorTables) {
        CheckPlainTableName(table);
        CheckReadableFile(PathIn(folder, table), table);
    }
    std::vector<std::string> differences;
    try {
        const std::string qsprPath = PathIn(folder, qsprTable);
        const std::vector<MoleculeRow> molecules = QsprMolecules(qsprPath, qsprTable);
        const std::vector<std::string> lines = ReadQsprLines(qsprPath);
        if (lines.size() < 2) {
            throw InputError(qsprTable + ": no molecule in the QSPR table");
        }
        CheckQsprRecords(qsprPath, qsprTable);
        CheckUniqueMolecules(molecules, qsprTable);
        bool calibration = false;
        for (std::size_t i = 1; i < lines.size() && !calibration; ++i) {
            calibration = !IsPredictionRecord(lines[i]);
        }
        if (!calibration) {
            throw InputError(qsprTable +
                             ": no calibration molecule (every molecule's value is '?')");
        }
        for (const std::string& table : descriptorTables) {
            std::string difference = MoleculeDifference(PathIn(folder, table), table, molecules);
            if (!difference.empty()) {
                differences.push_back(std::move(difference));
            }
        }
    } catch (const FileError& e) {
        throw InputError(e.what());
    }
    return differences;
}

} // namespace kalemir::qspr
