#pragma once
// Splitting of the descriptor tables into work tables of at most 1000 columns, the
// parsing of the QSPR lines, and the loading and screening of each work table.

#include "qspr/core/ComputingState.h"
#include "qspr/setup/ProgramState.h"

#include <string>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Copies each chosen table to a work copy that keeps its ending, and points the chosen
/// and current table lists at the copies, so that the cycles never rewrite user files.
void MakeWorkCopies(ProgramState& ps, ComputingState& cs);

void SplitTables(ProgramState& ps, ComputingState& cs, ComputingWindow& window);
void ParseQsprTable(ProgramState& ps, ComputingState& cs);
void LoadWorkTable(ProgramState& ps, ComputingState& cs, ComputingWindow& window);
void ScreenTableColumns(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

} // namespace kalemir::qspr
