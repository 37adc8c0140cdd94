#pragma once
// Start of every analysis cycle: the table list is restored and the molecule eliminated
// by the previous cycle leaves the QSPR lines and every table of the list.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

#include <string>
#include <string_view>

namespace kalemir::qspr {

/// True when the line, after its leading blanks and TABs, begins with the molecule's
/// name followed by a separator or the end of the line.
bool IsMoleculeLine(std::string_view line, std::string_view name);

void PrepareCycle(CycleInputs& cycle, TableState& tables, const OutlierState& outliers);

} // namespace kalemir::qspr
