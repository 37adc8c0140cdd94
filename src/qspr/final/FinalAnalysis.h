#pragma once
// The final analysis of a cycle: statistics of the best QSPR by Q and the outlier
// decision, then in the last cycle the ranking of the kept equations by Q, RR%, KK% and
// COR, their predictor-value files and report blocks, the prediction-set estimation and
// labels, and the end of the cycle.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

#include <array>
#include <string>

namespace kalemir {
class ComputingWindow;
class ReportAppender;
} // namespace kalemir

namespace kalemir::qspr {

/// Number of distinct equations among the best ones by the four criteria, over the
/// criteria that found an equation (number not 0).
int DistinctEquationCount(const std::array<int, 5>& numbers);

/// True when equation `t` of the criteria order Q, RR%, KK%, COR names an equation that
/// no earlier criterion named.
bool IsNewEquation(const std::array<int, 5>& numbers, int t);

/// Q = ((N - p)/(N + p))^2 sqrt(r2 / (1 - r2)) (0 for r2 not above 0) and
/// F = (N/p - 1) r2 / (1 - r2) of a refitted equation.
double RankingQ(double r2, int n, int p);
double RankingF(double r2, int n, int p);

/// Offers equation `e` to the trackers of the criteria in `criteria` (strict comparisons:
/// of equal values the lower equation number stays).
void UpdateTrackers(EquationTrackers& trackers, int e, const EquationFigures& figures,
                    const BestEquation& record, std::initializer_list<int> criteria);

/// One block of the best-equation report: the best equation by `criterion` (kByQ..kByCOR).
void WriteEquationBlock(ReportAppender& report, const SignificantDescriptors& descriptors,
                        const SearchState& search, const EquationTrackers& trackers, int criterion,
                        bool howToUse);

/// Without a prediction set, in the final cycle: the best equations by RR% and KK%, their
/// predictor-value files and report blocks.
void RankWithoutPredictionSet(const CycleContext& context,
                              const SignificantDescriptors& descriptors, SearchState& search,
                              const OutlierState& outliers, PairCorrelation& pair, FinalWork& work);

/// The end of the cycle: a STEP header, N - 1 and the thresholds derived again (at least
/// two predictors) when an outlier is removed, otherwise the closing lines.
void EndCycle(const CycleContext& context, SearchState& search, const OutlierState& outliers);

/// The last stage of every cycle.
void FinalAnalysis(const CycleContext& context, const SignificantDescriptors& descriptors,
                   SearchState& search, OutlierState& outliers, PairCorrelation& pair);

} // namespace kalemir::qspr
