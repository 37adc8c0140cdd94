#include "qspr/search/SearchTrials.h"

#include "common/ComputingWindow.h"
#include "qspr/core/Fit.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace kalemir::qspr {

namespace {

/// What every trial of a batch is worked out against.
struct TrialContext {
    const CycleInputs& Cycle;
    const SearchState& Search; ///< read for what stays fixed within a level only
    const FitProblem& Problem;
    const SearchThresholds& Thresholds;
};

/// Works out a trial's bound and, when the bound does not let it pass, its coefficients
/// into `lane`: true when the trial waits there for its estimates (FitLanes). A trial
/// outside the cross products is fitted here alone.
bool EvaluateTrial(const TrialContext& context, FitScratch& scratch, SearchTrial& trial,
                   LaneCandidate& lane, const KeptElimination::Carried* carried, int carriedLane) {
    const SearchState& search = context.Search;
    const FitProblem& problem = context.Problem;
    const KeptElimination* kept = trial.Kept;
    trial.Bound = std::numeric_limits<double>::infinity();
    trial.Fitted = false;
    const int k = search.FitTermCount;
    const NormalMatrix* solved = nullptr;
    if (!trial.MustFit && search.PassByIdleFits && FitR2BoundApplies(problem, trial.Set, k)) {
        // One elimination serves the bound and, when the bound does not let the set
        // pass, its exact fit.
        NormalMatrix& normal = scratch.Normal;
        NormalMatrix& gathered = scratch.Gathered;
        int first = 1;
        const bool keptOne = kept != nullptr && kept->Size() == k - 1;
        if (keptOne && carried != nullptr && carried->Place[carriedLane] != 0) {
            // The bound reads the gathered system from the kept set's own and d's cross
            // products instead of a copy of it.
            const int place = kept->StartCarried(search.Cross, trial.Set, trial.Added,
                                                 {*carried, carriedLane}, normal, nullptr);
            SolveNormalEquationsFrom(normal, k, place, scratch.Window);
            double rows[kSetWidth + 2];
            kept->GramTimes(search.Cross, trial.Added, place, normal, rows);
            trial.Bound = FitR2BoundOfRows(problem, trial.Set, k, normal, rows);
        } else {
            if (keptOne) {
                first = kept->Start(search.Cross, trial.Set, trial.Added, normal, gathered);
            } else {
                GatherNormal(search.Cross, trial.Set, k, gathered);
                CopySystem(gathered, normal, k);
            }
            SolveNormalEquationsFrom(normal, k, first, scratch.Window);
            trial.Bound = FitR2BoundOfSolved(problem, trial.Set, k, normal, gathered);
        }
        if (BoundLeavesUnchanged(context.Cycle, context.Thresholds, trial.Bound)) {
            return false;
        }
        solved = &normal;
    }
    // The plain path fits every candidate alone: the reference the lanes are checked by.
    if (search.PassByIdleFits && SolveLaneCandidate(problem, scratch, trial.Set, k, lane, solved)) {
        return true;
    }
    const FitOutcome outcome = FitCandidate(problem, scratch, trial.Set, k, solved);
    trial.R2 = outcome.R2;
    trial.SEE = outcome.SEE;
    trial.Fitted = true;
    return false;
}

/// The fit of a set the workers did not fit, in the first worker's scratch.
TrialFit FitNow(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                SearchState& search, const PredictorSet& set) {
    if (search.WorkerFits.empty()) {
        search.WorkerFits.push_back(std::make_unique<FitScratch>());
    }
    const FitOutcome outcome = FitCandidate(FitProblemOf(cycle, descriptors, search),
                                            *search.WorkerFits.front(), set, search.FitTermCount);
    return {outcome.R2, outcome.SEE};
}

/// One fit scratch for each of `workers` workers, each holding the cycle's rows.
void HoldScratch(const CycleInputs& cycle, std::vector<std::unique_ptr<FitScratch>>& scratch,
                 int workers) {
    while (static_cast<int>(scratch.size()) < workers) {
        scratch.push_back(std::make_unique<FitScratch>());
    }
    for (const std::unique_ptr<FitScratch>& own : scratch) {
        own->Pair.HoldRows(cycle.CalibrationCount + cycle.PredictionCount);
    }
}

} // namespace

void SharedThresholds::Publish(const SearchState& search) {
    const SearchThresholds now = ThresholdsOf(search);
    fitTermCount_.store(now.FitTermCount, std::memory_order_relaxed);
    listEntry_.store(now.ListEntry, std::memory_order_relaxed);
    bestR2Seen_.store(now.BestR2Seen, std::memory_order_relaxed);
    bestQ_.store(now.BestQ, std::memory_order_relaxed);
}

SearchThresholds SharedThresholds::Read() const {
    return {fitTermCount_.load(std::memory_order_relaxed),
            listEntry_.load(std::memory_order_relaxed), bestR2Seen_.load(std::memory_order_relaxed),
            bestQ_.load(std::memory_order_relaxed)};
}

TrialEvaluation::TrialEvaluation(const CycleInputs& cycle,
                                 const SignificantDescriptors& descriptors, SearchState& search,
                                 std::span<SearchTrial> trials, const ListedSetIndex* listed,
                                 bool lookUp, int workers, const SharedThresholds* shared)
    : cycle_(cycle), search_(search), scratch_(search.WorkerFits), trials_(trials), listed_(listed),
      lookUp_(lookUp), problem_(FitProblemOf(cycle, descriptors, search)),
      thresholds_(ThresholdsOf(search)), shared_(shared),
      waiting_(static_cast<std::size_t>(workers)) {
    HoldScratch(cycle, scratch_, workers);
}

void TrialEvaluation::FitLanesOf(WaitingLanes& lanes, FitScratch& scratch) const {
    FitLanes(problem_, scratch, lanes.Lanes, lanes.Filled);
    for (int l = 0; l < lanes.Filled; ++l) {
        lanes.Trials[l]->R2 = lanes.Lanes[l].R2;
        lanes.Trials[l]->SEE = lanes.Lanes[l].SEE;
        lanes.Trials[l]->Fitted = true;
    }
    lanes.Filled = 0;
}

void TrialEvaluation::Evaluate(int first, int last, int worker) {
    const SearchThresholds thresholds = shared_ != nullptr ? shared_->Read() : thresholds_;
    const TrialContext context{cycle_, search_, problem_, thresholds};
    FitScratch& own = *scratch_[static_cast<std::size_t>(worker)];
    WaitingLanes& lanes = waiting_[static_cast<std::size_t>(worker)];
    // The added descriptors of a run of trials of one kept set are carried through the
    // kept pivots side by side: one chain of divisions serves the whole run.
    KeptElimination::Carried carried;
    const PredictorSet* runSets[KeptElimination::Carried::kLanes];
    int runAdded[KeptElimination::Carried::kLanes];
    int runStart = first;
    int runEnd = first; // trials runStart..runEnd-1 are carried
    const KeptElimination* runKept = nullptr;
    for (int t = first; t < last; ++t) {
        SearchTrial& trial = trials_[static_cast<std::size_t>(t)];
        if (listed_ != nullptr) {
            trial.ListedHash = listed_->HashOf(trial.Set);
            trial.Listed = lookUp_ && listed_->Contains(trial.Set);
        }
        const KeptElimination* kept = trial.Kept;
        if (t >= runEnd && kept != nullptr && search_.PassByIdleFits &&
            kept->Size() == search_.FitTermCount - 1) {
            runStart = t;
            runEnd = t;
            while (runEnd < last && runEnd - t < KeptElimination::Carried::kLanes &&
                   trials_[static_cast<std::size_t>(runEnd)].Kept == kept) {
                const SearchTrial& next = trials_[static_cast<std::size_t>(runEnd)];
                runSets[runEnd - t] = &next.Set;
                runAdded[runEnd - t] = next.Added;
                ++runEnd;
            }
            kept->Carry(search_.Cross, runSets, runAdded, runEnd - t, carried);
            runKept = kept;
        }
        const bool inRun = t < runEnd && kept == runKept;
        if (!EvaluateTrial(context, own, trial, lanes.Lanes[lanes.Filled],
                           inRun ? &carried : nullptr, t - runStart)) {
            continue;
        }
        lanes.Trials[lanes.Filled++] = &trial;
        if (lanes.Filled == kFitLanes) {
            FitLanesOf(lanes, own);
        }
    }
}

void TrialEvaluation::FitWaiting(WorkerPool* pool) {
    // The trials left in the workers' lanes, put together kFitLanes to a fit (a lane's
    // figures do not depend on the others beside it) and the fits shared out.
    int left = 0;
    for (const WaitingLanes& lanes : waiting_) {
        left += lanes.Filled;
    }
    std::vector<WaitingLanes> batches(static_cast<std::size_t>((left + kFitLanes - 1) / kFitLanes));
    int at = 0;
    for (WaitingLanes& lanes : waiting_) {
        for (int l = 0; l < lanes.Filled; ++l, ++at) {
            WaitingLanes& batch = batches[static_cast<std::size_t>(at / kFitLanes)];
            batch.Lanes[batch.Filled] = lanes.Lanes[l];
            batch.Trials[batch.Filled++] = lanes.Trials[l];
        }
        lanes.Filled = 0;
    }
    auto fit = [&](int first, int last, int worker) {
        for (int b = first; b < last; ++b) {
            FitLanesOf(batches[static_cast<std::size_t>(b)],
                       *scratch_[static_cast<std::size_t>(worker)]);
        }
    };
    const int count = static_cast<int>(batches.size());
    ForEachOn(pool, count, 1, fit);
}

void TrialEvaluation::Run(WorkerPool* pool) {
    const int count = static_cast<int>(trials_.size());
    ForEachOn(pool, count, kTrialGrain,
              [this](int first, int last, int worker) { Evaluate(first, last, worker); });
    FitWaiting(pool);
}

void EvaluateTrials(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                    SearchState& search, WorkerPool* pool, int count, ListedSetIndex* listed) {
    TrialEvaluation evaluation(cycle, descriptors, search,
                               std::span(search.Trials).first(static_cast<std::size_t>(count)),
                               listed, true, pool ? pool->Size() : 1);
    evaluation.Run(pool);
    if (listed != nullptr) {
        listed->StartChangeLog();
    }
}

std::optional<TrialFit> TakeTrial(const CycleInputs& cycle,
                                  const SignificantDescriptors& descriptors, SearchState& search,
                                  const SearchTrial& trial, ComputingWindow& window) {
    window.Yield();
    if (!trial.MustFit && search.PassByIdleFits &&
        BoundLeavesSearchUnchanged(cycle, search, trial.Bound)) {
        ++search.PassedFitCount;
        return std::nullopt;
    }
    TrialFit fit{trial.R2, trial.SEE};
    if (!trial.Fitted) {
        fit = FitNow(cycle, descriptors, search, trial.Set);
    }
    search.Progress.Take(cycle.CalibrationCount, search.FitTermCount, fit.R2, fit.SEE);
    return fit;
}

void TakeLastPassedBy(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                      SearchState& search, const PredictorSet& set) {
    if (search.FitTermCount != 3) {
        return; // passed by, it changes nothing
    }
    const TrialFit fit = FitNow(cycle, descriptors, search, set);
    search.Progress.Take(cycle.CalibrationCount, search.FitTermCount, fit.R2, fit.SEE);
}

} // namespace kalemir::qspr
