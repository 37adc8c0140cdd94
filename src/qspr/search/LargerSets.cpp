#include "qspr/search/LargerSets.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "qspr/core/CrossValidation.h"
#include "qspr/core/Fit.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/SearchTrials.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>
#include <optional>

namespace kalemir::qspr {

std::string EndTimeLine(float t0, float t, int done) {
    if (t < t0) {
        t = t + 86400.0f;
    }
    float end = t0 + (t - t0) * static_cast<float>(kListRows) / static_cast<float>(done);
    if (end >= 86400.0f) {
        end = end - 86400.0f;
    }
    const float hours = std::floor(end / 3600.0f);
    const float minutes = std::floor((end - 3600.0f * hours) / 60.0f);
    const float seconds = std::floor(end - 3600.0f * hours - 60.0f * minutes);
    return "   ... till " + NumTextSingle(hours) + "." + NumTextSingle(minutes) + "." +
           NumTextSingle(seconds) + "  a clock";
}

void ShowBestSet(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                 const SearchState& search, const CrossValidationState& cv,
                 ComputingWindow& window) {
    window.SetCaption(" Computing ... wait ...");
    ShowBestSetBlock(cycle, descriptors, search, cv, window);
}

namespace {

/// Kept sets extended between two redraws of the best set and the time estimate.
constexpr int kKeptSetsPerPicture = 20;

/// Kept sets whose extensions are worked out together: at most 64, and no more once
/// 1024 trials are gathered (the later ones are worked out against thresholds that have
/// not risen yet, so a larger group fits more sets exactly than it needs to).
constexpr int kKeptGroup = 64;
constexpr int kKeptGroupTrials = 1024;

/// The screens kept at a time, by row: a group's kept sets (at most kKeptGroup) and those
/// its loop screens ahead for the groups after it (at most kKeptGroup past its last) never
/// share a slot.
constexpr int kScreenSlots = 2 * kKeptGroup;

/// A kept set that grows: its first p-1 columns filled (the first positive).
bool KeptSetComplete(const SearchState& search, int a, int p) {
    if (search.KeptSets[a][1] <= 0) {
        return false;
    }
    for (int b = 1; b < p; ++b) {
        if (search.KeptSets[a][b] == 0) {
            return false;
        }
    }
    return true;
}

/// The descriptors that may join one kept set, and the kept set's own elimination: what
/// its trials are made from. Worked out by the workers, a kept set each.
struct KeptSetScreen {
    int Set = 0; ///< the kept set's row (0: none screened)
    std::vector<unsigned char> TooClose;
    std::vector<int> Joining;    ///< descriptors weakly intercorrelated with it, ascending
    bool LastOrthogonal = false; ///< descriptor s itself joins it
    int SortedKept[kSetWidth + 1] = {};
    bool Eliminated = false; ///< System holds the kept set's elimination
    KeptElimination System;
};

/// Screens kept set `a` (of p-1 predictors): the descriptors no kept descriptor is
/// intercorrelated with beyond the limit, and the elimination of the kept set's system
/// (the pivots every trial shares before its added descriptor's place).
void ScreenKeptSet(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                   const SearchState& search, int a, KeptSetScreen& screen) {
    const int p = search.FitTermCount;
    const int s = descriptors.SignificantCount;
    const double t = cycle.MaxInterR2;
    const PredictorSet& kept = search.KeptSets[a];
    screen.Set = a;
    screen.Joining.clear();
    screen.LastOrthogonal = false;
    screen.Eliminated = false;
    if (!KeptSetComplete(search, a, p)) {
        return;
    }
    // Read along the kept descriptors' rows: the matrix is symmetric.
    std::vector<unsigned char>& tooClose = screen.TooClose;
    tooClose.assign(static_cast<std::size_t>(s) + 1, 0);
    for (int b = 1; b < p; ++b) {
        const double* inter =
            &descriptors.InterR2[static_cast<std::size_t>(kept[b]) * descriptors.InterSize];
        for (int d = 1; d <= s; ++d) {
            tooClose[d] = tooClose[d] | static_cast<unsigned char>(inter[d] > t);
        }
    }
    for (int d = 1; d <= s; ++d) {
        if (tooClose[d] == 0) {
            screen.Joining.push_back(d);
        }
    }
    screen.LastOrthogonal = s >= 1 && tooClose[s] == 0;
    std::copy(kept.begin() + 1, kept.begin() + p, screen.SortedKept);
    std::sort(screen.SortedKept, screen.SortedKept + (p - 1));
    // The kept set is eliminated from the cross products when its own bound could be.
    if (p >= 2 && FitR2BoundApplies(FitProblemOf(cycle, descriptors, search), kept, p - 1)) {
        screen.System.Eliminate(search.Cross, kept, p - 1);
        screen.Eliminated = true;
    }
}

/// The trials of one kept set in a group: its extensions are trials First..First+Count-1
/// of the group's trials.
struct KeptSetTrials {
    int Set = 0; ///< the kept set's row
    int First = 0;
    int Count = 0;
    bool LastOrthogonal = false; ///< descriptor s itself was tried
    const KeptSetScreen* Screen = nullptr;
};

/// Puts the extensions of a screened kept set by its joining descriptors from..to-1 into
/// trials[from..to-1], columns sorted as the list holds them (each descriptor put in its
/// place among the kept columns).
void FillExtensions(const KeptSetScreen& screen, int p, int from, int to, SearchTrial* trials) {
    const int* sortedKept = screen.SortedKept;
    for (int c = from; c < to; ++c) {
        const int d = screen.Joining[static_cast<std::size_t>(c)];
        SearchTrial& trial = trials[c];
        PredictorSet& set = trial.Set;
        set.fill(0);
        const int place =
            static_cast<int>(std::upper_bound(sortedKept, sortedKept + (p - 1), d) - sortedKept);
        std::copy(sortedKept, sortedKept + place, set.begin() + 1);
        set[place + 1] = d;
        std::copy(sortedKept + place, sortedKept + (p - 1), set.begin() + place + 2);
        trial.Added = d;
        trial.MustFit = false;
        trial.Kept = screen.Eliminated ? &screen.System : nullptr;
    }
}

/// A group of kept sets whose extensions are worked out together and then taken in order.
struct TrialGroup {
    std::vector<KeptSetTrials> Sets; ///< consecutive kept sets, in order
    std::vector<SearchTrial> Trials;
    int TrialCount = 0;
    /// The workers looked each trial's set up in the list's index (else only its hash).
    bool LookedUp = false;
    std::unique_ptr<TrialEvaluation> Evaluation;

    int LastSet() const { return Sets.back().Set; }
};

/// The kept sets' screens of a level, in a ring of kScreenSlots by row.
struct KeptSetScreens {
    std::vector<KeptSetScreen> Slots = std::vector<KeptSetScreen>(kScreenSlots);
    int Screened = 0; ///< kept sets 1..Screened are screened

    KeptSetScreen& Of(int a) { return Slots[static_cast<std::size_t>(a % kScreenSlots)]; }
};

/// Makes the group of the screened kept sets from `first` on: at most kKeptGroup of
/// them, ended by the one that brings kKeptGroupTrials trials or more.
void CutGroup(KeptSetScreens& screens, int first, TrialGroup& group) {
    group.Sets.clear();
    int gathered = 0;
    const int reach = std::min(kListRows, first + kKeptGroup - 1);
    assert(screens.Screened >= reach && "the group's kept sets are screened");
    for (int a = first; a <= reach && gathered < kKeptGroupTrials; ++a) {
        const KeptSetScreen& screened = screens.Of(a);
        const int count = static_cast<int>(screened.Joining.size());
        group.Sets.push_back({a, gathered, count, screened.LastOrthogonal, &screened});
        gathered += count;
    }
    group.TrialCount = gathered;
    if (group.Trials.size() < static_cast<std::size_t>(gathered)) {
        group.Trials.resize(static_cast<std::size_t>(gathered));
    }
}

/// Screens the kept sets the level's first group may reach, a kept set a piece.
void ScreenFirstGroup(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                      const SearchState& search, WorkerPool* pool, KeptSetScreens& screens) {
    const int reach = std::min(kListRows, kKeptGroup);
    auto screen = [&](int first, int last, int) {
        for (int a = first + 1; a <= last; ++a) {
            ScreenKeptSet(cycle, descriptors, search, a, screens.Of(a));
        }
    };
    ForEachOn(pool, reach, 1, screen);
    screens.Screened = reach;
}

/// The pieces of a group the workers share: first the kept sets not screened yet as far
/// as the next group may reach, a kept set a piece, then the group's trials, kTrialGrain
/// a piece, each piece filled from its kept sets' screens and worked out. The trials come
/// in the order of the kept sets and their descriptors, whoever fills them. The screens
/// written lie within kScreenSlots of the group's own (at most kKeptGroup before them).
class GroupWork {
public:
    GroupWork(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
              const SearchState& search, KeptSetScreens& screens, TrialGroup& group)
        : cycle_(cycle), descriptors_(descriptors), search_(search), screens_(screens),
          group_(group), screenFrom_(screens.Screened + 1),
          screenCount_(
              std::max(0, std::min(kListRows, group.LastSet() + kKeptGroup) - screens.Screened)) {
        screens.Screened += screenCount_;
    }

    int Pieces() const {
        return screenCount_ + (group_.TrialCount + kTrialGrain - 1) / kTrialGrain;
    }

    void operator()(int first, int last, int worker) const {
        for (int piece = first; piece < last; ++piece) {
            if (piece < screenCount_) {
                const int a = screenFrom_ + piece;
                ScreenKeptSet(cycle_, descriptors_, search_, a, screens_.Of(a));
                continue;
            }
            const int from = (piece - screenCount_) * kTrialGrain;
            const int to = std::min(group_.TrialCount, from + kTrialGrain);
            Fill(from, to);
            group_.Evaluation->Evaluate(from, to, worker);
        }
    }

private:
    /// Fills trials from..to-1 of the group from the screens of their kept sets.
    void Fill(int from, int to) const {
        const std::vector<KeptSetTrials>& sets = group_.Sets;
        auto set = std::upper_bound(sets.begin(), sets.end(), from,
                                    [](int t, const KeptSetTrials& s) { return t < s.First; });
        for (--set; from < to; ++set) {
            const int end = std::min(to, set->First + set->Count);
            FillExtensions(*set->Screen, search_.FitTermCount, from - set->First, end - set->First,
                           group_.Trials.data() + set->First);
            from = std::max(from, end);
        }
    }

    const CycleInputs& cycle_;
    const SignificantDescriptors& descriptors_;
    const SearchState& search_;
    KeptSetScreens& screens_;
    TrialGroup& group_;
    int screenFrom_;
    int screenCount_;
};

/// The last set a level took: with three predictors its Q is the level's BestQ.
struct LastTaken {
    PredictorSet Set{};
    bool Any = false;      ///< a set was taken (fitted or passed by)
    bool PassedBy = false; ///< the last one was passed by
};

/// What the taking of a level's trials works with besides the search state.
struct LevelTaking {
    explicit LevelTaking(ListedSetIndex& listed, float t0 = 0) : Listed(listed), T0(t0) {}

    ListedSetIndex& Listed;
    LastTaken Last;
    float T0 = 0; ///< the level's start, seconds of the day
    /// The next group is worked out while a group is taken: the thresholds are published
    /// after each kept set taken, for its workers.
    bool Publishing = false;
    SharedThresholds Shared;
};

/// Takes the worked-out extensions of kept set `a` into the list in the order of the
/// descriptors, as the loop over them does one by one.
void TakeExtensions(const CycleContext& context, const SignificantDescriptors& descriptors,
                    SearchState& search, const TrialGroup& group, const KeptSetTrials& gathered,
                    LevelTaking& taking) {
    ListedSetIndex& listed = taking.Listed;
    LastTaken& last = taking.Last;
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int p = search.FitTermCount;
    PredictorSet& candidate = search.CandidateSets[kCandidateRow];
    const PredictorSet kept = search.KeptSets[gathered.Set];
    for (int c = gathered.First; c < gathered.First + gathered.Count; ++c) {
        const SearchTrial& trial = group.Trials[static_cast<std::size_t>(c)];
        candidate = trial.Set;
        search.CandidateR2[kCandidateRow] = 0;
        const bool held = group.LookedUp
                              ? listed.ContainsGiven(candidate, trial.ListedHash, trial.Listed)
                              : listed.ContainsHashed(candidate, trial.ListedHash);
        if (held) {
            for (int b = 1; b <= p; ++b) {
                candidate[b] = 0;
            }
            continue;
        }
        last.Set = trial.Set;
        last.Any = true;
        const std::optional<TrialFit> fit = TakeTrial(cycle, descriptors, search, trial, window);
        last.PassedBy = !fit;
        if (!fit) {
            continue;
        }
        search.CandidateR2[kCandidateRow] = fit->R2;
        if (InsertCandidate(search) > 0) {
            listed.Insert(trial.Set);
            // The former row 1000 now waits in row 1001 and leaves the list.
            if (listed.IsComplete(search.CandidateSets[kCandidateRow])) {
                listed.Erase(search.CandidateSets[kCandidateRow]);
            }
        }
    }
    if (descriptors.SignificantCount >= 1 && !gathered.LastOrthogonal) {
        // The loop ended on a descriptor intercorrelated with the kept set: row 1001
        // holds the kept set alone.
        candidate.fill(0);
        for (int b = 1; b < p; ++b) {
            candidate[b] = kept[b];
        }
        search.CandidateR2[kCandidateRow] = 0;
    }
}

/// Takes a group's kept sets in order, with the picture redrawn every kKeptSetsPerPicture.
void TakeGroup(const CycleContext& context, const SignificantDescriptors& descriptors,
               SearchState& search, const CrossValidationState& cv, const TrialGroup& group,
               LevelTaking& taking) {
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int p = search.FitTermCount;
    for (const KeptSetTrials& gathered : group.Sets) {
        const int a = gathered.Set;
        if (KeptSetComplete(search, a, p)) {
            TakeExtensions(context, descriptors, search, group, gathered, taking);
            if (taking.Publishing) {
                taking.Shared.Publish(search);
            }
        }
        if (a % kKeptSetsPerPicture == 0) {
            window.CountDone(a);
            ShowBestSet(cycle, descriptors, search, cv, window);
            window.PrintLine("   Program is computing QSPRs including " + PlainNumber(p) +
                             " predictors ...");
            window.PrintLine("");
            window.PrintLine(EndTimeLine(taking.T0, static_cast<float>(SecondsOfDay()), a));
        }
    }
}

/// The search of one level's sets: the kept sets extended a group at a time.
/// Every group's trials are worked out against the thresholds as the group's working out
/// starts and taken in order afterwards; taking a trial checks its bound again against the
/// thresholds as they stand then (they only rise within a level, see SearchThresholds), so
/// the outcome does not depend on how the kept sets are grouped nor on when a group is
/// worked out. With more than one worker the next group is therefore worked out while the
/// calling thread takes the group before it, against the thresholds the taking publishes
/// (SharedThresholds); those workers do not look the trials up in the list's index, which
/// the taking changes (the taking looks them up by the hash the workers noted). Alone, the
/// calling thread works each group out after the one before is taken, against the
/// thresholds that have risen meanwhile, with the lookups.
void SearchLevel(const CycleContext& context, SignificantDescriptors& descriptors,
                 SearchState& search, const CrossValidationState& cv, LevelTaking& taking) {
    const CycleInputs& cycle = context.Cycle;
    WorkerPool* pool = context.Pool;
    const int workers = pool != nullptr ? pool->Size() : 1;
    const bool overlap = workers > 1;
    KeptSetScreens screens;
    TrialGroup groups[2];
    std::optional<GroupWork> work;
    taking.Publishing = overlap;
    SharedThresholds& shared = taking.Shared;
    ListedSetIndex& listed = taking.Listed;
    // A stop asked for while a group is taken ends the loop working out the next one.
    const StartedLoopGuard guard{overlap ? pool : nullptr};
    // Cuts the group from `first` on and readies its pieces (which screen ahead).
    auto ready = [&](TrialGroup& group, int first, bool lookUp) {
        CutGroup(screens, first, group);
        group.LookedUp = lookUp;
        shared.Publish(search);
        group.Evaluation = std::make_unique<TrialEvaluation>(
            cycle, descriptors, search,
            std::span(group.Trials).first(static_cast<std::size_t>(group.TrialCount)), &listed,
            lookUp, workers, lookUp ? nullptr : &shared);
        work.emplace(cycle, descriptors, search, screens, group);
    };
    // Works a group out before it is taken, its workers looking the trials up.
    auto runNow = [&](TrialGroup& group) {
        ForEachOn(pool, work->Pieces(), 1, *work);
        group.Evaluation->FitWaiting(pool);
        listed.StartChangeLog();
    };
    ScreenFirstGroup(cycle, descriptors, search, pool, screens);
    ready(groups[0], 1, true);
    runNow(groups[0]);
    for (int g = 0;; ++g) {
        TrialGroup& now = groups[g % 2];
        TrialGroup& next = groups[(g + 1) % 2];
        const bool more = now.LastSet() < kListRows;
        if (more && overlap) {
            ready(next, now.LastSet() + 1, false);
            pool->Start(work->Pieces(), 1, *work);
        }
        TakeGroup(context, descriptors, search, cv, now, taking);
        if (!more) {
            return;
        }
        if (overlap) {
            pool->Join();
            next.Evaluation->FitWaiting(pool);
        } else {
            ready(next, now.LastSet() + 1, true);
            runNow(next);
        }
    }
}

} // namespace

void ExtendSet(const CycleContext& context, SignificantDescriptors& descriptors,
               SearchState& search, int a, ListedSetIndex& listed) {
    KeptSetScreen screen;
    ScreenKeptSet(context.Cycle, descriptors, search, a, screen);
    const int count = static_cast<int>(screen.Joining.size());
    TrialGroup group;
    group.TrialCount = count;
    group.Trials.resize(static_cast<std::size_t>(count));
    FillExtensions(screen, search.FitTermCount, 0, count, group.Trials.data());
    group.Sets.push_back({a, 0, count, screen.LastOrthogonal, &screen});
    group.LookedUp = true;
    TrialEvaluation(context.Cycle, descriptors, search, group.Trials, &listed, true,
                    context.Pool != nullptr ? context.Pool->Size() : 1)
        .Run(context.Pool);
    listed.StartChangeLog();
    LevelTaking taking(listed);
    TakeExtensions(context, descriptors, search, group, group.Sets.front(), taking);
}

void SearchLargerSets(const CycleContext& context, SignificantDescriptors& descriptors,
                      SearchState& search, CrossValidationState& cv, const OutlierState& outliers) {
    const CycleInputs& cycle = context.Cycle;
    WorkerPool* pool = context.Pool;
    ComputingWindow& window = context.Window;
    if (cycle.MaxPredictors == 2 || search.ValuableSetCount == 0) {
        return;
    }
    int p = 3;
    search.FitTermCount = p;
    bool more = true;
    while (more) {
        const float t0 = static_cast<float>(SecondsOfDay());
        window.SetPredictors(p, cycle.MaxPredictors);
        window.BeginStage("search of " + std::to_string(p) + "-predictor sets", kListRows);
        PrepareCrossProducts(cycle, descriptors, search, pool);
        ListedSetIndex listed(p);
        for (int r = 1; r <= kListRows; ++r) {
            if (listed.IsComplete(search.CandidateSets[r])) {
                listed.Insert(search.CandidateSets[r]);
            }
        }
        LevelTaking taking(listed, t0);
        SearchLevel(context, descriptors, search, cv, taking);
        if (taking.Last.Any && taking.Last.PassedBy) {
            TakeLastPassedBy(cycle, descriptors, search, taking.Last.Set);
        }
        ShowBestSet(cycle, descriptors, search, cv, window);
        CrossValidateBest(context, descriptors, search, cv, outliers.OutlierRatio);
        search.BestSetSize = SlotSize(search.BestSets[kBestByQSlot]);
        if (p > search.BestSetSize) {
            // The best set did not grow: the list of its size, handed on by the level
            // before, stays the one the final analysis ranks.
            more = false;
        } else {
            for (int a = 1; a <= kListRows; ++a) {
                search.KeptR2[a] = search.CandidateR2[a];
                search.KeptSets[a] = search.CandidateSets[a];
            }
        }
        if (p >= cycle.MaxPredictors) {
            more = false;
        }
        if (more) {
            std::fill(search.CandidateR2.begin() + 1, search.CandidateR2.end(), 0.0);
            ++p;
            search.FitTermCount = p;
        }
    }
}

} // namespace kalemir::qspr
