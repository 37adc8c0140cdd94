#include "qspr/search/Preselection.h"

namespace kalemir::qspr {

void PreselectDescriptors(ProgramState&, ComputingState&, ComputingWindow&) {}

} // namespace kalemir::qspr
