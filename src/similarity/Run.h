#pragma once
// The run of the computing window: the five measures in their fixed order, each with its
// analyses, then the estimated correctness COR, the databases NDB and NVB, the duplicate
// check and the final summary.

#include "similarity/SimState.h"

#include <cstdint>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::sim {

/// Values of the three empirical models of the estimated correctness.
struct CorrectnessModels {
    double Ma = 0;
    double Mb = 0;
    double Mc = 0;
};
CorrectnessModels EvaluateCorrectnessModels(const MeasureSummary& summary);

/// COR from the model values: the one of MA and MB nearer to MC (MB on equality), in single
/// precision, clamped to +-0.999 beyond +-1 and rounded to three decimals (half away from 0).
float ChooseCorrectness(const CorrectnessModels& models);
/// Clamping and three-decimal step alone.
float RoundCorrectness(float cor);

/// Lists the pairs with more than four votes and the verdict.
void CheckDuplicates(const RunChoices& choices, const PreparedTable& table,
                     const std::vector<std::uint8_t>& duplicateVotes);

/// COR and the counts of the four databases.
void ReportFinalSummary(const RunChoices& choices, const PreparedTable& table,
                        const RunResults& results);

/// Appends the start of the measure to the results file (headings, method line).
void StartMeasure(const RunChoices& choices, int measure);

/// Everything the computing window's activation runs, from the results-file start to the
/// final summary, on the prepared table. It owns the state of the measure being analysed
/// and the workers; what outlives the measures goes to `results`. A stop (RunInterrupted)
/// ends the results file with a line that says where the analysis stopped, records it in
/// results.StoppedStage and is passed on.
void RunSimilarityAnalysis(const RunChoices& choices, const PreparedTable& table,
                           RunResults& results, ComputingWindow& window);

} // namespace kalemir::sim
