#pragma once
// The Workfiles window's OK: the chosen tables, the start of the working report, the
// QSPR table in memory and the molecule counts.

#include "qspr/setup/ProgramState.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// What the Workfiles window shows when OK is pressed.
struct WorkfilesChoice {
    /// The QSPR table chosen (empty when none is).
    std::string QsprTable;
    /// The descriptor tables offered, in their order, and which of them are chosen.
    std::vector<std::string> ListedTables;
    std::vector<bool> Selected;
    /// The descriptor tables are joined to the QSPR table by molecule name.
    bool JoinByName = false;
};

/// The warning of a table joined by position as the user asked, on standard error and in
/// the report alike: "warning: " + the difference + "; joined by position as asked".
std::string JoinedByPositionWarning(const std::string& difference);

/// Workfiles OK. Returns false, having written nothing, when no QSPR table or no
/// descriptor table is selected (the window then shows its reminder). On success the
/// working report holds its header and the state holds the QSPR lines, the counts and
/// the default thresholds; a working report an earlier run left is first kept under a
/// free numbered name (state.EarlierReportKeptAs). Throws InputError for a QSPR table
/// beyond the data model. `joinedByPosition`: where chosen tables differ from the QSPR
/// table's molecules (CheckQsprTables) when the user agreed to join them by position
/// anyway; the report's header says so in a JoinedByPositionWarning line each.
bool WorkfilesOk(ProgramState& state, const WorkfilesChoice& choice,
                 const std::vector<std::string>& joinedByPosition = {});

/// What the choice still lacks, for the line under the Workfiles reminder ("choose a
/// QSPR table; choose the fragment table (*vfr.des)"); empty when nothing is missing.
std::string MissingChoice(const WorkfilesChoice& choice);

/// Takes back what Workfiles OK wrote when the user leaves before the run starts: the
/// working report, header only, is removed and an earlier report kept aside gets its
/// name back.
void WithdrawWorkingReport(ProgramState& state);

/// The molecule counts of the QSPR lines: records ending in "?" are prediction molecules.
void CountMolecules(ProgramState& state);

} // namespace kalemir::qspr
