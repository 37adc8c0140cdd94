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
#include <cmath>
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

/// The trials of one kept set, gathered for the workers: its extensions are trials
/// First..First+Count-1 of search.Trials.
struct KeptSetTrials {
    int Set = 0; ///< the kept set's row
    int First = 0;
    int Count = 0;
    bool LastOrthogonal = false; ///< descriptor s itself was tried
    KeptElimination System;
};

/// Puts the extensions of kept set `a` by every descriptor weakly intercorrelated with
/// it into search.Trials from `first` on, columns sorted as the list holds them, and
/// eliminates the kept set's own system for them.
void GatherExtensions(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                      SearchState& search, int a, int first, KeptSetTrials& gathered) {
    const int p = search.FitTermCount;
    const int s = descriptors.SignificantCount;
    const double t = cycle.MaxInterR2;
    const PredictorSet& kept = search.KeptSets[a];
    std::vector<SearchTrial>& trials = search.Trials;
    if (trials.size() < static_cast<std::size_t>(first) + s) {
        trials.resize(static_cast<std::size_t>(first) + s);
    }
    // A descriptor joins the kept set when no kept descriptor is intercorrelated with it
    // beyond the limit (read along the kept descriptors' rows: the matrix is symmetric).
    std::vector<unsigned char>& tooClose = search.TooClose;
    tooClose.assign(static_cast<std::size_t>(s) + 1, 0);
    for (int b = 1; b < p; ++b) {
        const double* inter =
            &descriptors.InterR2[static_cast<std::size_t>(kept[b]) * descriptors.InterSize];
        for (int d = 1; d <= s; ++d) {
            tooClose[d] = tooClose[d] | static_cast<unsigned char>(inter[d] > t);
        }
    }
    // Each set's columns in ascending order: the kept columns sorted once, each
    // descriptor put in its place.
    int sortedKept[kSetWidth + 1];
    std::copy(kept.begin() + 1, kept.begin() + p, sortedKept);
    std::sort(sortedKept, sortedKept + (p - 1));
    int count = 0;
    for (int d = 1; d <= s; ++d) {
        if (tooClose[d] != 0) {
            continue;
        }
        SearchTrial& trial = trials[static_cast<std::size_t>(first + count++)];
        PredictorSet& set = trial.Set;
        set.fill(0);
        const int place =
            static_cast<int>(std::upper_bound(sortedKept, sortedKept + (p - 1), d) - sortedKept);
        std::copy(sortedKept, sortedKept + place, set.begin() + 1);
        set[place + 1] = d;
        std::copy(sortedKept + place, sortedKept + (p - 1), set.begin() + place + 2);
        trial.Added = d;
        trial.MustFit = false;
        trial.Kept = nullptr;
    }
    gathered.First = first;
    gathered.Count = count;
    gathered.LastOrthogonal = s >= 1 && tooClose[s] == 0;
    // Every trial adds its descriptor to the kept set: the pivots before its place are
    // the kept set's own, eliminated once here.
    bool keptUsable = p >= 2 && search.Cross.Valid &&
                      search.Cross.DataVersion == descriptors.DataVersion &&
                      search.Cross.N == cycle.CalibrationCount;
    for (int b = 1; b < p && keptUsable; ++b) {
        keptUsable = kept[b] >= 1 && kept[b] <= search.Cross.S;
    }
    if (keptUsable) {
        gathered.System.Eliminate(search.Cross, kept, p - 1);
        for (int c = 0; c < count; ++c) {
            trials[static_cast<std::size_t>(first + c)].Kept = &gathered.System;
        }
    }
}

/// The last set a level took: with three predictors its Q is the level's BestQ.
struct LastTaken {
    PredictorSet Set{};
    bool Any = false;      ///< a set was taken (fitted or passed by)
    bool PassedBy = false; ///< the last one was passed by
};

/// Takes the worked-out extensions of kept set `a` into the list in the order of the
/// descriptors, as the loop over them does one by one.
void TakeExtensions(const CycleContext& context, const SignificantDescriptors& descriptors,
                    SearchState& search, const KeptSetTrials& gathered, ListedSetIndex& listed,
                    LastTaken& last) {
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const int p = search.FitTermCount;
    PredictorSet& candidate = search.CandidateSets[kCandidateRow];
    const PredictorSet kept = search.KeptSets[gathered.Set];
    const std::vector<SearchTrial>& trials = search.Trials;
    for (int c = gathered.First; c < gathered.First + gathered.Count; ++c) {
        const SearchTrial& trial = trials[static_cast<std::size_t>(c)];
        candidate = trial.Set;
        search.CandidateR2[kCandidateRow] = 0;
        if (listed.ContainsGiven(candidate, trial.ListedHash, trial.Listed)) {
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

} // namespace

void ExtendSet(const CycleContext& context, SignificantDescriptors& descriptors,
               SearchState& search, int a, ListedSetIndex& listed) {
    KeptSetTrials gathered;
    GatherExtensions(context.Cycle, descriptors, search, a, 0, gathered);
    EvaluateTrials(context.Cycle, descriptors, search, context.Pool, gathered.Count, &listed);
    LastTaken last;
    TakeExtensions(context, descriptors, search, gathered, listed, last);
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
        // The kept sets go to the workers a group at a time: every group's trials are
        // worked out against the state the group starts from (the list's thresholds
        // only rise, so what they settle stays settled) and taken in order afterwards.
        std::vector<KeptSetTrials> groupTrials(kKeptGroup);
        LastTaken last;
        int groupEnd = 0; // kept sets up to this one are worked out
        for (int a = 1; a <= kListRows; ++a) {
            if (a > groupEnd) {
                int trialsGathered = 0;
                int g = 0;
                for (int next = a;
                     next <= kListRows && g < kKeptGroup && trialsGathered < kKeptGroupTrials;
                     ++next, ++g) {
                    groupTrials[g].Count = 0;
                    groupTrials[g].Set = next;
                    if (KeptSetComplete(search, next, p)) {
                        GatherExtensions(cycle, descriptors, search, next, trialsGathered,
                                         groupTrials[g]);
                        trialsGathered += groupTrials[g].Count;
                    }
                    groupEnd = next;
                }
                EvaluateTrials(cycle, descriptors, search, pool, trialsGathered, &listed);
            }
            if (KeptSetComplete(search, a, p)) {
                for (const KeptSetTrials& gathered : groupTrials) {
                    if (gathered.Set == a) {
                        TakeExtensions(context, descriptors, search, gathered, listed, last);
                        break;
                    }
                }
            }
            if (a % kKeptSetsPerPicture == 0) {
                window.CountDone(a);
                ShowBestSet(cycle, descriptors, search, cv, window);
                window.PrintLine("   Program is computing QSPRs including " + PlainNumber(p) +
                                 " predictors ...");
                window.PrintLine("");
                window.PrintLine(EndTimeLine(t0, static_cast<float>(SecondsOfDay()), a));
            }
        }
        if (last.Any && last.PassedBy) {
            TakeLastPassedBy(cycle, descriptors, search, last.Set);
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
