#pragma once
// The tables of a QSPR run checked before anything is written, the same way from the
// command line and from the Workfiles window.

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Checks the QSPR table and the descriptor tables chosen in `folder` (empty: the current
/// folder): readable text tables, a QSPR table with calibration molecules first, each
/// molecule with a value and a name of its own, no value with a decimal comma, at most
/// kMaxMolecules molecules. Throws InputError with the message. Returns, one line per descriptor
/// table, where its molecule column first differs from the QSPR table's: the tables are joined by
/// position, so such a table is used only when the user accepts the join by position.
std::vector<std::string> CheckQsprTables(const std::string& folder, const std::string& qsprTable,
                                         const std::vector<std::string>& descriptorTables);

} // namespace kalemir::qspr
