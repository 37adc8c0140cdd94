#pragma once
// The join by name: descriptor tables that list more molecules than the QSPR table, or
// list them in another order (the databases of the similarity program are subsets of a
// set), give the run the rows of the QSPR table's molecules in the QSPR table's order.

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// The report line of a run whose tables were joined by name.
inline constexpr const char* kJoinedByNameLine =
    "     Descriptor tables joined to the QSPR table by name: each table's rows taken in the "
    "QSPR table's order";

/// What the refusal of tables in another order adds when a join by name would do.
inline constexpr const char* kByNameProposal =
    "; every molecule of the QSPR table is found once in each table, so they can be joined "
    "by name";

/// Why the descriptor tables chosen in `folder` (empty: the current folder) cannot be
/// joined to the QSPR table by name: a molecule of the QSPR table missing from a table or
/// listed twice in it. No value when every molecule of the QSPR table is found once in each.
/// Throws InputError for a table that cannot be read.
std::optional<std::string> NameJoinProblem(const std::string& folder, const std::string& qsprTable,
                                           const std::vector<std::string>& descriptorTables);

/// Writes to `copy` the header of descriptor table `source` and then, for each name in
/// `molecules` in that order, the table's record of that molecule. Throws FileError when
/// a molecule is missing (the tables changed since they were checked) or a file fails.
void WriteJoinedByName(const std::string& source, const std::vector<std::string>& molecules,
                       const std::string& copy);

} // namespace kalemir::qspr
