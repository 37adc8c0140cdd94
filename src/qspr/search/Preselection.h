#pragma once
// The preliminary selection of descriptors, run once before the analysis cycles.

#include "qspr/core/ComputingState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// For now the chosen tables are used as they are: every cycle splits and screens them.
void PreselectDescriptors(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

} // namespace kalemir::qspr
