#pragma once
// The run of the computing window: the five measures in their fixed order, each with its
// analyses, then the estimated correctness COR, the databases NDB and NVB, the duplicate
// check and the final summary.

#include "similarity/SimState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::sim {

/// Values of the three empirical models of the estimated correctness.
struct CorrectnessModels {
    double ma = 0;
    double mb = 0;
    double mc = 0;
};
CorrectnessModels EvaluateCorrectnessModels(const MeasureSummary& summary);

/// COR from the model values: the one of MA and MB nearer to MC (MB on equality), in single
/// precision, clamped to +-0.999 beyond +-1 and rounded to three decimals (half away from 0).
float ChooseCorrectness(const CorrectnessModels& models);
/// Clamping and three-decimal step alone.
float RoundCorrectness(float cor);

/// Lists the pairs with more than four votes and the verdict.
void CheckDuplicates(const ProgramState& state, const RunState& run);

/// COR and the counts of the four databases.
void ReportFinalSummary(const ProgramState& state, const RunState& run);

/// Appends the start of the measure to the results file (headings, method line).
void StartMeasure(const ProgramState& state, int measure);

/// Everything the computing window's activation runs, from the results-file start to the
/// final summary. A stop (RunInterrupted) ends the results file with a line that says
/// where the analysis stopped, records it in state.stoppedStage and is passed on.
void RunSimilarityAnalysis(ProgramState& state, RunState& run, ComputingWindow& window);

} // namespace kalemir::sim
