#include "qspr/search/PairSearch.h"

#include "common/ComputingWindow.h"
#include "common/Report.h"
#include "qspr/core/CrossValidation.h"
#include "qspr/core/Fit.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/SearchTrials.h"

#include <optional>
#include <string>

namespace kalemir::qspr {

namespace {

/// Pairs taken between two redraws of the progress picture.
constexpr int kPairsPerPicture = 5000;

void ShowPairProgress(ComputingWindow& window) {
    window.ClearPicture();
    window.PrintLine("");
    window.PrintLine("");
    window.PrintLine("   Program is computing QSPRs including two predictors ...");
}

} // namespace

void SearchPairs(const CycleContext& context, SignificantDescriptors& descriptors,
                 SearchState& search, CrossValidationState& cv, const OutlierState& outliers) {
    const CycleInputs& cycle = context.Cycle;
    const std::string& reportName = context.ReportName;
    WorkerPool* pool = context.Pool;
    ComputingWindow& window = context.Window;
    AppendReportLines(reportName, {"", "   " + std::string(70, '-'), ""});
    window.SetCaption(" Computing ... wait ...");
    search.FitTermCount = 2;
    const double t = cycle.InvRootThreshold;
    search.Progress.BestR2Seen = 0;
    for (int r = 1; r <= kListRows; ++r) {
        search.KeptSets[r].fill(0);
    }
    std::fill(search.KeptR2.begin() + 1, search.KeptR2.end(), 0.0);
    for (int r = 1; r <= kCandidateRow; ++r) {
        search.CandidateSets[r].fill(0);
    }
    std::fill(search.CandidateR2.begin() + 1, search.CandidateR2.end(), 0.0);
    ShowPairProgress(window);

    PrepareCrossProducts(cycle, descriptors, search, pool);
    const int s = descriptors.SignificantCount;
    window.SetPredictors(2, cycle.MaxPredictors);
    window.BeginStage("search of predictor pairs",
                      static_cast<long long>(s) * static_cast<long long>(s - 1) / 2);
    long long pairsLooked = 0;
    // The pairs go to the workers a batch at a time, in the order of the loop, and are
    // taken into the list in that order.
    std::vector<SearchTrial>& trials = search.Trials;
    trials.resize(kTrialBatch);
    int batch = 0;
    int h = 0;
    auto takeBatch = [&] {
        EvaluateTrials(cycle, descriptors, search, pool, batch);
        for (int b = 0; b < batch; ++b) {
            const SearchTrial& trial = trials[static_cast<std::size_t>(b)];
            ++h;
            if (h % kPairsPerPicture == 0) {
                ShowPairProgress(window);
            }
            const int i = trial.Set[1];
            const int j = trial.Set[2];
            if (h <= kListRows) {
                // The first pairs fill the list: each is fitted whatever its bound.
                search.CandidateSets[h][1] = i;
                search.CandidateSets[h][2] = j;
                search.CandidateR2[h] = TakeTrial(cycle, descriptors, search, trial, window)->R2;
                if (h == kListRows) {
                    RankCandidates(search);
                }
            } else {
                search.CandidateSets[kCandidateRow][1] = i;
                search.CandidateSets[kCandidateRow][2] = j;
                const std::optional<TrialFit> fit =
                    TakeTrial(cycle, descriptors, search, trial, window);
                if (!fit) {
                    continue;
                }
                search.CandidateR2[kCandidateRow] = fit->R2;
                InsertCandidate(search);
            }
        }
        batch = 0;
    };
    for (int i = 1; i < s; ++i) {
        for (int j = i + 1; j <= s; ++j) {
            if (descriptors.Inter(i, j) > t) {
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
    // A short list is ranked too: the best pair must head it.
    if (h > 0 && h < kListRows) {
        RankCandidates(search, h);
    }
    search.ValuableSetCount = 1;
    if (search.CandidateR2[1] == 0) {
        AppendReportLines(reportName,
                          {"", "     THE PROGRAM CANNOT BUILD ANY TWO ORTHOGONAL DESCRIPTOR SETS.",
                           "", "     PROGRAM FINISH"});
        search.ValuableSetCount = 0;
        return;
    }
    int m = 0;
    for (int r = 1; r <= kListRows; ++r) {
        if (search.CandidateR2[r] > 2 * cycle.MinPropertyR2) {
            ++m;
            search.KeptSets[m] = search.CandidateSets[r];
            search.KeptR2[m] = search.CandidateR2[r];
        }
    }
    for (int slot = 1; slot <= kBestSetSlots; ++slot) {
        for (int b = 1; b < kSlotEntries; ++b) {
            search.BestSets[slot][b] = 0;
        }
    }
    CrossValidateBest(context, descriptors, search, cv, outliers.OutlierRatio);
    if (search.KeptSets[1][1] == 0) {
        AppendReportLines(
            reportName,
            {"", "     THE PROGRAM CANNOT BUILD ANY TWO DESCRIPTOR VALUABLE SETS.", ""});
        search.ValuableSetCount = 0;
    }
}

} // namespace kalemir::qspr
