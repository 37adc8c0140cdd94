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

namespace kalemir::qspr {

std::string EndTimeLine(float t0, float t, int done) {
    if (t < t0) {
        t = t + 86400.0f;
    }
    float end = t0 + (t - t0) * 1000.0f / static_cast<float>(done);
    if (end >= 86400.0f) {
        end = end - 86400.0f;
    }
    const float hours = std::floor(end / 3600.0f);
    const float minutes = std::floor((end - 3600.0f * hours) / 60.0f);
    const float seconds = std::floor(end - 3600.0f * hours - 60.0f * minutes);
    return "   ... till " + NumTextSingle(hours) + "." + NumTextSingle(minutes) + "." +
           NumTextSingle(seconds) + "  a clock";
}

void ShowBestSet(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    window.SetCaption(" Computing ... wait ...");
    ShowBestSetBlock(ps, cs, window);
}

namespace {

/// Kept sets whose extensions are worked out together: at most 64, and no more once
/// 1024 trials are gathered (the later ones are worked out against thresholds that have
/// not risen yet, so a larger group fits more sets exactly than it needs to).
constexpr int kKeptGroup = 64;
constexpr int kKeptGroupTrials = 1024;

/// A kept set that grows: its first p-1 columns filled (the first positive).
bool KeptSetComplete(const ComputingState& cs, int a, int p) {
    if (cs.KeptSets[a][1] <= 0) {
        return false;
    }
    for (int b = 1; b < p; ++b) {
        if (cs.KeptSets[a][b] == 0) {
            return false;
        }
    }
    return true;
}

/// The trials of one kept set, gathered for the workers: its extensions are trials
/// First..First+Count-1 of cs.Trials.
struct KeptSetTrials {
    int Set = 0; ///< the kept set's row
    int First = 0;
    int Count = 0;
    bool LastOrthogonal = false; ///< descriptor s itself was tried
    KeptElimination System;
};

/// Puts the extensions of kept set `a` by every descriptor weakly intercorrelated with
/// it into cs.Trials from `first` on, columns sorted as the list holds them, and
/// eliminates the kept set's own system for them.
void GatherExtensions(const ProgramState& ps, ComputingState& cs, int a, int first,
                      KeptSetTrials& gathered) {
    const int p = cs.FitTermCount;
    const int s = cs.SignificantCount;
    const double t = ps.MaxInterR2;
    const PredictorSet& kept = cs.KeptSets[a];
    std::vector<SearchTrial>& trials = cs.Trials;
    if (trials.size() < static_cast<std::size_t>(first) + s) {
        trials.resize(static_cast<std::size_t>(first) + s);
    }
    // A descriptor joins the kept set when no kept descriptor is intercorrelated with it
    // beyond the limit (read along the kept descriptors' rows: the matrix is symmetric).
    std::vector<unsigned char>& tooClose = cs.TooClose;
    tooClose.assign(static_cast<std::size_t>(s) + 1, 0);
    for (int b = 1; b < p; ++b) {
        const double* inter = &cs.InterR2[static_cast<std::size_t>(kept[b]) * cs.InterSize];
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
    bool keptUsable = p >= 2 && cs.Cross.Valid && cs.Cross.DataVersion == cs.DataVersion &&
                      cs.Cross.N == ps.CalibrationCount;
    for (int b = 1; b < p && keptUsable; ++b) {
        keptUsable = kept[b] >= 1 && kept[b] <= cs.Cross.S;
    }
    if (keptUsable) {
        gathered.System.Eliminate(cs.Cross, kept, p - 1);
        for (int c = 0; c < count; ++c) {
            trials[static_cast<std::size_t>(first + c)].Kept = &gathered.System;
        }
    }
}

/// Takes the worked-out extensions of kept set `a` into the list in the order of the
/// descriptors, as the loop over them does one by one.
void TakeExtensions(ProgramState& ps, ComputingState& cs, ComputingWindow& window, int a,
                    ListedSetIndex& listed, const KeptSetTrials& gathered) {
    const int p = cs.FitTermCount;
    PredictorSet& candidate = cs.CandidateSets[kCandidateRow];
    const PredictorSet kept = cs.KeptSets[a];
    const std::vector<SearchTrial>& trials = cs.Trials;
    PredictorSet lastFitted{};
    bool fitted = false;      // a set was fitted or passed by
    bool passedFit = false;   // the last such set was passed by
    bool passedInRow = false; // ... and row 1001 still holds it
    for (int c = gathered.First; c < gathered.First + gathered.Count; ++c) {
        const SearchTrial& trial = trials[static_cast<std::size_t>(c)];
        passedInRow = false;
        candidate = trial.Set;
        cs.CandidateR2[kCandidateRow] = 0;
        if (listed.Contains(candidate)) {
            for (int b = 1; b <= p; ++b) {
                candidate[b] = 0;
            }
            continue;
        }
        lastFitted = trial.Set;
        fitted = true;
        if (!TakeTrial(ps, cs, window, trial)) {
            passedFit = true;
            passedInRow = true;
            continue;
        }
        passedFit = false;
        cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
        if (InsertCandidate(cs) > 0) {
            listed.Insert(trial.Set);
            // The former row 1000 now waits in row 1001 and leaves the list.
            if (listed.IsComplete(cs.CandidateSets[kCandidateRow])) {
                listed.Erase(cs.CandidateSets[kCandidateRow]);
            }
        }
    }
    if (cs.SignificantCount >= 1 && !gathered.LastOrthogonal) {
        // The loop ended on a descriptor intercorrelated with the kept set: row 1001
        // holds the kept set alone.
        passedInRow = false;
        candidate.fill(0);
        for (int b = 1; b < p; ++b) {
            candidate[b] = kept[b];
        }
        cs.CandidateR2[kCandidateRow] = 0;
    }
    if (fitted) {
        // The workers' fits left no trace in cs.Pair and cs.Fit: refit the last set so
        // that they, and the state, are those its own fit leaves.
        FitEquation(ps, cs, window, lastFitted);
        if (passedFit && passedInRow) {
            cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
        }
    }
}

} // namespace

void ExtendSet(ProgramState& ps, ComputingState& cs, ComputingWindow& window, int a,
               ListedSetIndex& listed) {
    KeptSetTrials gathered;
    GatherExtensions(ps, cs, a, 0, gathered);
    EvaluateTrials(ps, cs, gathered.Count);
    TakeExtensions(ps, cs, window, a, listed, gathered);
}

void SearchLargerSets(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    if (ps.MaxPredictors == 2 || cs.ValuableSetCount == 0) {
        return;
    }
    int p = 3;
    cs.FitTermCount = p;
    bool more = true;
    while (more) {
        const float t0 = static_cast<float>(SecondsOfDay());
        window.SetPredictors(p, ps.MaxPredictors);
        window.BeginStage("search of " + std::to_string(p) + "-predictor sets", kListRows);
        PrepareCrossProducts(ps, cs);
        ListedSetIndex listed(p);
        for (int r = 1; r <= kListRows; ++r) {
            if (listed.IsComplete(cs.CandidateSets[r])) {
                listed.Insert(cs.CandidateSets[r]);
            }
        }
        // The kept sets go to the workers a group at a time: every group's trials are
        // worked out against the state the group starts from (the list's thresholds
        // only rise, so what they settle stays settled) and taken in order afterwards.
        std::vector<KeptSetTrials> groupTrials(kKeptGroup);
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
                    if (KeptSetComplete(cs, next, p)) {
                        GatherExtensions(ps, cs, next, trialsGathered, groupTrials[g]);
                        trialsGathered += groupTrials[g].Count;
                    }
                    groupEnd = next;
                }
                EvaluateTrials(ps, cs, trialsGathered);
            }
            if (KeptSetComplete(cs, a, p)) {
                for (const KeptSetTrials& gathered : groupTrials) {
                    if (gathered.Set == a) {
                        TakeExtensions(ps, cs, window, a, listed, gathered);
                        break;
                    }
                }
            }
            if (a % 20 == 0) {
                window.CountDone(a);
                ShowBestSet(ps, cs, window);
                window.PrintLine("   Program is computing QSPRs including " + PlainNumber(p) +
                                 " predictors ...");
                window.PrintLine("");
                window.PrintLine(EndTimeLine(t0, static_cast<float>(SecondsOfDay()), a));
            }
        }
        ShowBestSet(ps, cs, window);
        CrossValidateBest(ps, cs, window);
        cs.BestSetSize = SlotSize(cs.BestSets[3]);
        if (p > cs.BestSetSize) {
            // The best set did not grow: the list of its size, handed on by the level
            // before, stays the one the final analysis ranks.
            more = false;
        } else {
            for (int a = 1; a <= kListRows; ++a) {
                cs.KeptR2[a] = cs.CandidateR2[a];
                cs.KeptSets[a] = cs.CandidateSets[a];
            }
        }
        if (p >= ps.MaxPredictors) {
            more = false;
        }
        if (more) {
            std::fill(cs.CandidateR2.begin() + 1, cs.CandidateR2.end(), 0.0);
            ++p;
            cs.FitTermCount = p;
        }
    }
}

} // namespace kalemir::qspr
