#include "qspr/search/PairSearch.h"

#include "common/ComputingWindow.h"
#include "common/Report.h"
#include "qspr/core/CrossValidation.h"
#include "qspr/core/Fit.h"
#include "qspr/search/CandidateList.h"

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
    AppendReportLines(kWorkingReport, {"", "   " + std::string(70, '-'), ""});
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
    PredictorSet pair{};
    PredictorSet passed{};
    bool passedLast = false; // the last pair fitted was passed by
    int h = 0;
    for (int i = 1; i < s; ++i) {
        for (int j = i + 1; j <= s; ++j) {
            if (cs.Inter(i, j) > t) {
                continue;
            }
            ++h;
            if (h % 5000 == 0) {
                ShowPairProgress(window);
            }
            pair[1] = i;
            pair[2] = j;
            if (h <= kListRows) {
                cs.CandidateSets[h][1] = i;
                cs.CandidateSets[h][2] = j;
                FitEquation(ps, cs, window, pair);
                cs.CandidateR2[h] = cs.LastFitR2;
                if (h == kListRows) {
                    RankCandidates(cs);
                }
            } else {
                cs.CandidateSets[kCandidateRow][1] = i;
                cs.CandidateSets[kCandidateRow][2] = j;
                if (cs.PassByIdleFits && FitLeavesSearchUnchanged(ps, cs, window, pair)) {
                    passed = pair;
                    passedLast = true;
                    ++cs.PassedFitCount;
                    continue;
                }
                passedLast = false;
                FitEquation(ps, cs, window, pair);
                cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
                InsertCandidate(cs);
            }
        }
    }
    if (passedLast) {
        // The last pair was passed by: its fit leaves the state the loop ends with.
        FitEquation(ps, cs, window, passed);
        cs.CandidateR2[kCandidateRow] = cs.LastFitR2;
    }
    // A short list is ranked too: the best pair must head it.
    if (h > 0 && h < kListRows) {
        RankCandidates(cs, h);
    }
    cs.ValuableSetCount = 1;
    if (cs.CandidateR2[1] == 0) {
        AppendReportLines(kWorkingReport,
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
            kWorkingReport,
            {"", "     THE PROGRAM CANNOT BUILD ANY TWO DESCRIPTOR VALUABLE SETS.", ""});
        cs.ValuableSetCount = 0;
    }
}

} // namespace kalemir::qspr
