#pragma once
// The best predictors' set of a cycle: its report block and its predictor-value file.

#include "qspr/core/ComputingState.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// A value as the predictor-value files write it: rounded half away from zero to four
/// decimals, the report number form, cut to seven characters when longer.
std::string PredictorValueText(double value);
/// Any cell text of those files: cut to its first seven characters when it has eight or
/// more.
std::string PredictorCellText(const std::string& text);

void ReportBestPredictors(ProgramState& ps, ComputingState& cs, ComputingWindow& window);
void WriteBestSetValues(ProgramState& ps, ComputingState& cs);

} // namespace kalemir::qspr
