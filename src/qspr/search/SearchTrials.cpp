#include "qspr/search/SearchTrials.h"

#include "common/ComputingWindow.h"
#include "qspr/core/Fit.h"

#include <algorithm>
#include <limits>

namespace kalemir::qspr {

namespace {

/// Works out a trial's bound and, when the bound does not let it pass, its coefficients
/// into `lane`: true when the trial waits there for its estimates (FitLanes). A trial
/// outside the cross products is fitted here alone.
bool EvaluateTrial(const ProgramState& ps, const ComputingState& cs, FitScratch& scratch,
                   SearchTrial& trial, LaneCandidate& lane) {
    const KeptElimination* kept = trial.Kept;
    trial.Bound = std::numeric_limits<double>::infinity();
    trial.Fitted = false;
    const int k = cs.FitTermCount;
    const NormalMatrix* solved = nullptr;
    if (!trial.MustFit && cs.PassByIdleFits && FitR2BoundApplies(ps, cs, trial.Set)) {
        // One elimination serves the bound and, when the bound does not let the set
        // pass, its exact fit.
        NormalMatrix& normal = scratch.Normal;
        NormalMatrix& gathered = scratch.Gathered;
        int first = 1;
        if (kept != nullptr && kept->Size() == k - 1) {
            first = kept->Start(cs.Cross, trial.Set, trial.Added, normal, gathered);
        } else {
            GatherNormal(cs.Cross, trial.Set, k, gathered);
            CopySystem(gathered, normal, k);
        }
        SolveNormalEquationsFrom(normal, k, first, scratch.Window);
        trial.Bound = FitR2BoundOfSolved(ps, cs, trial.Set, normal, gathered);
        if (BoundLeavesSearchUnchanged(ps, cs, trial.Bound)) {
            return false;
        }
        solved = &normal;
    }
    // The plain path fits every candidate alone: the reference the lanes are checked by.
    if (cs.PassByIdleFits && SolveLaneCandidate(ps, cs, scratch, trial.Set, k, lane, solved)) {
        return true;
    }
    FitCandidate(ps, cs, scratch, trial.Set, k, trial.R2, trial.SEE, solved);
    trial.Fitted = true;
    return false;
}

} // namespace

void EvaluateTrials(const ProgramState& ps, ComputingState& cs, int count) {
    const int workers = cs.Workers ? cs.Workers->Size() : 1;
    while (static_cast<int>(cs.WorkerFits.size()) < workers) {
        cs.WorkerFits.push_back(std::make_unique<FitScratch>());
    }
    for (const std::unique_ptr<FitScratch>& scratch : cs.WorkerFits) {
        scratch->Pair.HoldRows(ps.CalibrationCount + ps.PredictionCount);
    }
    const ComputingState& state = cs;
    std::vector<SearchTrial>& trials = cs.Trials;
    std::vector<std::unique_ptr<FitScratch>>& scratch = cs.WorkerFits;
    // The trials the bound does not settle wait in their worker's lanes until kFitLanes
    // are there; what is left in them is fitted once every worker is done.
    struct WaitingLanes {
        LaneCandidate Lanes[kFitLanes];
        SearchTrial* Trials[kFitLanes];
        int Filled = 0;

        void Fit(const ProgramState& ps, const ComputingState& cs, FitScratch& scratch) {
            FitLanes(ps, cs, scratch, Lanes, Filled);
            for (int l = 0; l < Filled; ++l) {
                Trials[l]->R2 = Lanes[l].R2;
                Trials[l]->SEE = Lanes[l].SEE;
                Trials[l]->Fitted = true;
            }
            Filled = 0;
        }
    };
    std::vector<WaitingLanes> waiting(static_cast<std::size_t>(workers));
    auto body = [&](int first, int last, int worker) {
        FitScratch& own = *scratch[static_cast<std::size_t>(worker)];
        WaitingLanes& lanes = waiting[static_cast<std::size_t>(worker)];
        for (int t = first; t < last; ++t) {
            SearchTrial& trial = trials[static_cast<std::size_t>(t)];
            if (!EvaluateTrial(ps, state, own, trial, lanes.Lanes[lanes.Filled])) {
                continue;
            }
            lanes.Trials[lanes.Filled++] = &trial;
            if (lanes.Filled == kFitLanes) {
                lanes.Fit(ps, state, own);
            }
        }
    };
    if (cs.Workers) {
        cs.Workers->ForEach(count, kTrialGrain, body);
    } else {
        body(0, count, 0);
    }
    for (int w = 0; w < workers; ++w) {
        waiting[static_cast<std::size_t>(w)].Fit(ps, state, *scratch[static_cast<std::size_t>(w)]);
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
