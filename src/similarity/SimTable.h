#pragma once
// Reading and preparing the similarity table and its shape table, the elimination of
// molecules by chemical structure (database NBX) and the start of the results file.

#include "similarity/SimState.h"

#include <optional>
#include <string>
#include <string_view>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::sim {

/// The first five characters of the table name, or the whole name when shorter.
std::string NamePrefix(std::string_view tableFileName);

/// Shape table, results file: P5 + "SHP.des", P5 + "SIM.res".
void DeriveFileNames(RunChoices& choices);

/// Reads n_c, n_p and F from header fields T-4, T-3 and T-2 (T = tabs in the header).
/// Throws InputError for a missing table, a missing header or counts that are not whole
/// non-negative numbers.
void ReadTableHeader(const RunChoices& choices, PreparedTable& table);

/// Reads rows 0..N into typed storage, checking the token limit of every line.
void ReadTable(const RunChoices& choices, PreparedTable& table);

/// Every molecule of the table has a name of its own. Throws InputError naming both lines.
void CheckUniqueNames(const RunChoices& choices, const PreparedTable& table);

/// Property texts of the databases ("?" for prediction molecules); checks the normalisers.
void FillMoleculeList(const RunChoices& choices, PreparedTable& table);

/// Fragment values below 1.1 / w_i become 0.
void ApplyFragmentThreshold(PreparedTable& table);

/// Reads the atom coordinates of N molecule blocks ("newmol" .. "finmol").
void ReadShapeTable(const RunChoices& choices, PreparedTable& table);

/// Writes database NBX from the molecules whose fragments all occur in the other set (only
/// when there is a prediction set) and keeps its counts in the table.
void EliminateByStructure(const RunChoices& choices, PreparedTable& table, ComputingWindow& window);

/// Everything the table window's OK does, in order: every check of the table (a readable
/// text table, its counts, names and values) comes before NBX is written. The file names
/// are derived from the table's beforehand (DeriveFileNames).
void PrepareTable(const RunChoices& choices, PreparedTable& table, ComputingWindow& window);

/// Appends the start block of the results file.
void WriteResultsStart(const RunChoices& choices, const PreparedTable& table);

/// The rule of a minimum similarity in clusters (the table window's fields and
/// --min-similarity): a number from 0 to 1, since every pair similarity lies there; 1.5
/// would leave each molecule alone and text without a number would read as 0, putting
/// every molecule in one cluster. No value when the text is such a number, otherwise why not.
std::optional<std::string> ClusterSimilarityProblem(std::string_view text);

/// "Case " + TAB + "Property": the first line of every database.
inline constexpr std::string_view kDatabaseHeader = "Case \tProperty";

} // namespace kalemir::sim
