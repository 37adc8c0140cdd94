#include "qspr/search/SearchTrials.h"

#include "common/ComputingWindow.h"
#include "qspr/core/Fit.h"

#include <limits>

namespace kalemir::qspr {

namespace {

void EvaluateTrial(const ProgramState& ps, const ComputingState& cs, FitScratch& scratch,
                   SearchTrial& trial) {
    constexpr double kUnsure = std::numeric_limits<double>::infinity();
    trial.Bound = kUnsure;
    trial.Fitted = false;
    if (trial.Skip) {
        return;
    }
    if (!trial.MustFit && cs.PassByIdleFits) {
        trial.Bound = FitR2Bound(ps, cs, scratch.Window, trial.Set);
        if (BoundLeavesSearchUnchanged(ps, cs, trial.Bound)) {
            return;
        }
    }
    FitCandidate(ps, cs, scratch, trial.Set, cs.FitTermCount, trial.R2, trial.SEE);
    trial.Fitted = true;
}

} // namespace

void EvaluateTrials(const ProgramState& ps, ComputingState& cs, int count) {
    const int workers = cs.Workers ? cs.Workers->Size() : 1;
    while (static_cast<int>(cs.WorkerFits.size()) < workers) {
        cs.WorkerFits.push_back(std::make_unique<FitScratch>());
    }
    const ComputingState& state = cs;
    std::vector<SearchTrial>& trials = cs.Trials;
    std::vector<std::unique_ptr<FitScratch>>& scratch = cs.WorkerFits;
    auto body = [&](int first, int last, int worker) {
        for (int t = first; t < last; ++t) {
            EvaluateTrial(ps, state, *scratch[static_cast<std::size_t>(worker)],
                          trials[static_cast<std::size_t>(t)]);
        }
    };
    if (cs.Workers) {
        cs.Workers->ForEach(count, 16, body);
    } else {
        body(0, count, 0);
    }
}

bool TakeTrial(ProgramState& ps, ComputingState& cs, ComputingWindow& window,
               const SearchTrial& trial) {
    window.Yield();
    if (!trial.MustFit && cs.PassByIdleFits && BoundLeavesSearchUnchanged(ps, cs, trial.Bound)) {
        ++cs.PassedFitCount;
        return false;
    }
    if (trial.Fitted) {
        TakeFitOutcome(ps, cs, cs.FitTermCount, trial.R2, trial.SEE);
    } else {
        FitEquation(ps, cs, window, trial.Set);
    }
    return true;
}

} // namespace kalemir::qspr
