#pragma once
// The computation of the QSPR program: the analysis cycles from the first table split
// to the last final analysis.

#include "qspr/core/CycleContext.h"
#include "qspr/run/ComputingState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// The screening of one analysis cycle: the cycle's molecules and tables prepared, the
/// tables split and loaded, and their significant descriptors merged and ranked.
void ScreenCycle(ComputingState& cs, ComputingWindow& window);

/// The most outliers a run removes: Int(sqrt N0) of the first calibration set.
int MaxOutlierSteps(const RunInputs& in);

/// Whether the cycle just ended calls for another: not when no outlier stands out (its
/// name is then forgotten), when fewer than two descriptors are significant or no set is
/// valuable, or when maxSteps outliers are gone.
bool AnotherCycle(ComputingState& cs, int maxSteps);

/// The steps of a computation a policy hears of as they start.
enum class CycleStep {
    Preselection,      ///< the preliminary selection (after the work copies)
    Screening,         ///< a cycle's screening (its number set)
    Intercorrelations, ///< a cycle's intercorrelations and centring
    PairSearch,
    LargerSetSearch,
    FinalAnalysis, ///< what the policy does once the searches are done
};

/// What differs between the run itself and an analysis of shuffled property values: what
/// the window and the stop message learn as the steps start, and what a cycle does once
/// its searches are done.
class CyclePolicy {
public:
    virtual ~CyclePolicy() = default;
    /// A step starts; the context's cycle holds its number.
    virtual void StartStep(CycleStep step, const CycleContext& context,
                           const ComputingState& cs) = 0;
    /// Ends a cycle whose searches ran: false when no other cycle may follow.
    virtual bool FinishCycle(const CycleContext& context, ComputingState& cs) = 0;
};

/// The analysis cycles of one computation on its own state: the work copies, the
/// preliminary selection, then cycle after cycle (screening, intercorrelations, searches
/// and the policy's end of cycle) while an outlier is removed. Leaves the work files to
/// the caller.
void RunCycles(const CycleContext& context, ComputingState& cs, CyclePolicy& policy);

/// Runs the whole computation once; a second call while or after it ran does nothing.
/// Work files (split tables, copies of the chosen tables) are removed on every exit.
void RunComputation(ProgramState& ps, ComputingWindow& window);

/// The same on a computing state the caller owns (tests read it afterwards).
void RunComputation(ProgramState& ps, ComputingState& cs, ComputingWindow& window);

} // namespace kalemir::qspr
