#include "qspr/final/FinalAnalysis.h"

namespace kalemir::qspr {

void FinalAnalysis(ProgramState&, ComputingState& cs, ComputingWindow&) {
    cs.OutlierRatio = 2;
}

} // namespace kalemir::qspr
