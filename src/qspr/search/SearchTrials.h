#pragma once
// The candidate sets of a search, fitted side by side by the workers and then taken into
// the search state one by one in the search's own order, so that the list, the best
// values and every report line are those of a search that fits one set after another.

#include "qspr/core/Fit.h"
#include "qspr/core/NormalEquations.h"
#include "qspr/core/StageState.h"
#include "qspr/search/CandidateList.h"
#include "qspr/setup/ProgramState.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Works out trials 0..count-1 of search.Trials side by side: the r2 bound of each (when the
/// search passes by idle fits) and the exact fit of every trial the bound does not let
/// pass against the state as it stands now. Changes nothing of the search state. The
/// state's thresholds only rise while the batch is taken, so a trial passed by now is
/// passed by then too.
/// A trial with a kept set's elimination (Kept, the set it adds descriptor Added to)
/// takes over the kept set's pivots instead of eliminating whole.
/// With the list's index, each trial also notes whether the index holds its set, and the
/// index's change log starts: taking the trials then looks up again only the sets a change
/// since may concern.
void EvaluateTrials(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                    SearchState& search, WorkerPool* pool, int count,
                    ListedSetIndex* listed = nullptr);

/// The search's thresholds as the calling thread takes trials, published for workers that
/// meanwhile work later trials out. Each only rises within a level (SearchThresholds), so
/// whatever value a worker reads is at most what the search holds when it takes those later
/// trials: a bound the values read let pass is let pass then too, whichever of them are
/// fresh.
class SharedThresholds {
public:
    /// Publishes the thresholds the search holds now (the calling thread).
    void Publish(const SearchState& search);
    /// The thresholds last published, or published earlier (any thread).
    SearchThresholds Read() const;

private:
    std::atomic<int> fitTermCount_{0};
    std::atomic<double> listEntry_{0};
    std::atomic<double> bestR2Seen_{0};
    std::atomic<double> bestQ_{0};
};

/// The working out of a run of trials by the workers, as EvaluateTrials does it, in
/// pieces the caller hands out: it may start them on the pool and take the trials before
/// them meanwhile. It reads the search's thresholds as they stand when it is made, or as
/// shared thresholds published since tell them (SharedThresholds: a trial they let pass is
/// let pass when it is taken too), and else only what stays fixed within a level (the cross
/// products, FitTermCount), so the taking may change the list and the progress while the
/// workers run.
class TrialEvaluation {
public:
    /// For `workers` workers. With the list's index and lookUp, each trial notes whether
    /// the index holds its set (the index must then not change until the trials are worked
    /// out); with the index alone, only the hash the index files the set under. With
    /// `shared`, each run of trials reads the thresholds published last.
    TrialEvaluation(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                    SearchState& search, std::span<SearchTrial> trials,
                    const ListedSetIndex* listed, bool lookUp, int workers,
                    const SharedThresholds* shared = nullptr);
    TrialEvaluation(const TrialEvaluation&) = delete;
    TrialEvaluation& operator=(const TrialEvaluation&) = delete;

    /// Works out trials first..last-1 as worker `worker`; a trial may wait in the worker's
    /// lanes for its fit until FitWaiting.
    void Evaluate(int first, int last, int worker);
    /// Fits the trials left waiting in every worker's lanes, once no worker evaluates (on
    /// the pool's workers when given; the pool must have no loop started).
    void FitWaiting(WorkerPool* pool = nullptr);
    /// Works every trial out on the pool's workers and the calling thread together.
    void Run(WorkerPool* pool);

private:
    /// The trials the bound does not settle wait in a worker's lanes until kFitLanes are there.
    struct WaitingLanes {
        LaneCandidate Lanes[kFitLanes];
        SearchTrial* Trials[kFitLanes];
        int Filled = 0;
    };
    void FitLanesOf(WaitingLanes& lanes, FitScratch& scratch) const;

    const CycleInputs& cycle_;
    const SearchState& search_;
    std::vector<std::unique_ptr<FitScratch>>& scratch_;
    std::span<SearchTrial> trials_;
    const ListedSetIndex* listed_;
    bool lookUp_;
    FitProblem problem_;
    SearchThresholds thresholds_;
    const SharedThresholds* shared_;
    std::vector<WaitingLanes> waiting_;
};

/// The r2 and SEE of a trial's fit.
struct TrialFit {
    double R2 = 0;
    double SEE = 0;
};

/// Takes a trial into the search's progress as the fit of it would: none when it is
/// passed by (its fit provably changes nothing), else its fit (as the workers worked it
/// out, or now when they did not fit it). Yields to the window first.
std::optional<TrialFit> TakeTrial(const CycleInputs& cycle,
                                  const SignificantDescriptors& descriptors, SearchState& search,
                                  const SearchTrial& trial, ComputingWindow& window);

/// Takes the last set of a level, passed by: only with three predictors does it change the
/// progress (BestQ is the Q of the level's last fit), and it is fitted for that.
void TakeLastPassedBy(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                      SearchState& search, const PredictorSet& set);

/// Candidates handed to the workers at a time: large enough to keep them busy, small
/// enough that a stop request is seen soon.
inline constexpr int kTrialBatch = 4096;

/// Trials a worker takes at a time: enough that the few the bound leaves fill the fit
/// lanes, few enough that the workers share a batch evenly.
inline constexpr int kTrialGrain = 32;

} // namespace kalemir::qspr
