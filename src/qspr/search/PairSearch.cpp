#include "qspr/search/PairSearch.h"

#include "common/ComputingWindow.h"
#include "common/Report.h"
#include "qspr/core/CrossValidation.h"
#include "qspr/core/Fit.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/SearchTrials.h"

#include <string>

namespace kalemir::qspr {

namespace {

void ShowPairProgress(ComputingWindow& window) {
    window.ClearPicture();
    window.PrintLine("");
    window.PrintLine("");
    window.PrintLine("   Program is computing QSPRs including two predictors ...");
}

} // namespace

void SearchPairs(ProgramState& ps, ComputingState& cs, ComputingWindow& window) {
    AppendReportLines(cs.ReportName, {"", "   " + std::string(70, '-'), ""});
    window.SetCaption(" Computing ... wait ...");
    cs.CrossValidating = false;
    cs.RebuildDesign = false;
    cs.FitTermCount = 2;
    const double t = ps.InvRootThreshold;
    cs.BestR2Seen = 0;
    for (int r = 1; r <= kListRows; ++r) {
        cs.KeptSets[r].fill(0);
    }
    std::fill(cs.KeptR2.begin() + 1, cs.KeptR2.end(), 0.0);
    for (int r = 1; r <= kCandidateRow; ++r) {
        cs.CandidateSets[r].fill(0);
    }
    std::fill(cs.CandidateR2.begin() + 1, cs.CandidateR2.end(), 0.0);
    ShowPairProgress(window);

    PrepareCrossProducts(ps, cs);
    const int s = cs.SignificantCount;
    window.SetPredictors(2, ps.MaxPredictors);
    window.BeginStage("search of predictor pairs",
                      static_cast<long long>(s) * static_cast<long long>(s - 1) / 2);
    long long pairsLooked = 0;
    // The pairs go to the workers a batch at a time, in the order of the loop, and are
    // taken into the list in that order.
    std::vector<SearchTrial>& trials = cs.Trials;
    trials.resize(kTrialBatch);
    int batch = 0;
    int h = 0;
    PredictorSet lastFitted{};
    bool fitted = false;     // a pair was fitted or passed by
    bool passedLast = false; // the last such pair was passed by
    auto takeBatch = [&] {
        EvaluateTrials(ps, cs, batch);
        for (int b = 0; b < batch; ++b) {
            const SearchTrial& trial = trials[static_cast<std::size_t>(b)];
            ++h;
            if (h % 5000 == 0) {
                ShowPairProgress(window);
            }
            const int i = trial.Set[1];
            const int j = trial.Set[2];
            lastFitted = trial.Set;
            fitted = true;
            if (h <= kListRows) {
                cs.CandidateSets[h][1] = i;
                cs.CandidateSets[h][2] = j;
                TakeTrial(ps, cs, window, trial);
                passedLast = false;
                cs.CandidateR2[h] = cs.LastFitR2;
                if (h == kListRows) {
                    RankCandidates(cs);
                }
            } else {
                cs.CandidateSets[kCandidateRow][1] = i;
                cs.CandidateSets[kCandidateRow][2] = j;
                passedLast = !TakeTrial(ps, cs, window, trial);
                if (passedLast) {
                    continue;
                }
                cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
                InsertCandidate(cs);
            }
        }
        batch = 0;
    };
    for (int i = 1; i < s; ++i) {
        for (int j = i + 1; j <= s; ++j) {
            if (cs.Inter(i, j) > t) {
                continue;
            }
            SearchTrial& trial = trials[static_cast<std::size_t>(batch)];
            trial.Set.fill(0);
            trial.Added = 0;
            trial.Kept = nullptr;
            trial.Set[1] = i;
            trial.Set[2] = j;
            trial.MustFit = h + batch + 1 <= kListRows;
            if (++batch == kTrialBatch) {
                takeBatch();
            }
        }
        pairsLooked += s - i;
        window.CountDone(pairsLooked);
    }
    takeBatch();
    if (fitted) {
        // The workers' fits left no trace in cs.Pair and cs.Fit: refitting the last pair
        // leaves them, and the state, as the loop's own last fit does.
        FitEquation(ps, cs, window, lastFitted);
        if (passedLast) {
            cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
        }
    }
    // A short list is ranked too: the best pair must head it.
    if (h > 0 && h < kListRows) {
        RankCandidates(cs, h);
    }
    cs.ValuableSetCount = 1;
    if (cs.CandidateR2[1] == 0) {
        AppendReportLines(cs.ReportName,
                          {"", "     THE PROGRAM CANNOT BUILD ANY TWO ORTHOGONAL DESCRIPTOR SETS.",
                           "", "     PROGRAM FINISH"});
        cs.ValuableSetCount = 0;
        return;
    }
    int m = 0;
    for (int r = 1; r <= kListRows; ++r) {
        if (cs.CandidateR2[r] > 2 * ps.MinPropertyR2) {
            ++m;
            cs.KeptSets[m] = cs.CandidateSets[r];
            cs.KeptR2[m] = cs.CandidateR2[r];
        }
    }
    for (int slot = 1; slot <= 4; ++slot) {
        for (int b = 1; b < kSlotEntries; ++b) {
            cs.BestSets[slot][b] = 0;
        }
    }
    CrossValidateBest(ps, cs, window);
    if (cs.KeptSets[1][1] == 0) {
        AppendReportLines(
            cs.ReportName,
            {"", "     THE PROGRAM CANNOT BUILD ANY TWO DESCRIPTOR VALUABLE SETS.", ""});
        cs.ValuableSetCount = 0;
    }
}

} // namespace kalemir::qspr
