#pragma once
// The search with more predictors: the kept sets grow one descriptor a level, from three
// predictors up to MaxPredictors, while the best set by Q keeps growing with them.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

class ListedSetIndex;

/// Grows the kept sets a descriptor a level, from three predictors up to MaxPredictors,
/// while the best set by Q grows with them; each level's best is cross-validated.
void SearchLargerSets(const CycleContext& context, SignificantDescriptors& descriptors,
                      SearchState& search, CrossValidationState& cv, const OutlierState& outliers);

/// Extends kept set `a` (p-1 predictors) by every weakly intercorrelated descriptor into
/// the list, as one step of a level's loop over the kept sets (the level's end, which
/// takes its last set, is the caller's).
void ExtendSet(const CycleContext& context, SignificantDescriptors& descriptors,
               SearchState& search, int a, ListedSetIndex& listed);

/// Shows the best set by Q so far with its statistics on the picture area.
void ShowBestSet(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                 const SearchState& search, const CrossValidationState& cv,
                 ComputingWindow& window);

/// The "   ... till H. M. S  a clock" line: the level's end estimated from its start t0
/// and the time now t (seconds of the day) after `done` of 1000 kept sets.
std::string EndTimeLine(float t0, float t, int done);

} // namespace kalemir::qspr
