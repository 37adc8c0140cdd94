#pragma once
// The best predictors' set of a cycle: its report block and its predictor-value file.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
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

void ReportBestPredictors(const CycleContext& context, const SignificantDescriptors& descriptors,
                          SearchState& search, PairCorrelation& pair);
void WriteBestSetValues(const CycleInputs& cycle, const TableState& tables,
                        const SignificantDescriptors& descriptors, const SearchState& search);

} // namespace kalemir::qspr
