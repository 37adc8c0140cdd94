#pragma once
// Statistics of the best QSPR by Q on the calibration set, the outlier decision and the
// relative utility of its predictors.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
class ReportAppender;
} // namespace kalemir

namespace kalemir::qspr {

/// Every figure of the calibration statistics block, from the estimated values E and the
/// observed values O of molecules 1..n of an equation with p predictors.
struct CalibrationFigures {
    double MeanE = 0;
    double MeanO = 0;
    double MinO = 0;
    double SpreadE = 0;
    double SpreadO = 0;
    double RSS = 0;
    double SEE = 0;
    double RMS = 0;
    double R2 = 0;
    double F = 0;
    double Q = 0;
    double CV = 0;            ///< variation coefficient of the observed values, %
    double RSEE = 0;          ///< %
    double CorrectedRSEE = 0; ///< %
    double Kendall = 0;       ///< tau, tied pairs concordant
    double RankSE = 0;
    double RelativeRankError = 0; ///< %
};

/// The figures of the block. Guards: N = p gives SEE 100; a mean observed value of 0 (or
/// equal to the smallest) gives an RSEE (corrected RSEE) of 0; N = 1 gives rank and
/// Kendall figures of 0; r2 is taken at most 0.99980001 in Q.
CalibrationFigures ComputeCalibrationFigures(const double* estimated, const double* observed, int n,
                                             int p);

/// Ranks with 1 for the largest value, ties broken by the other series (larger first).
std::vector<int> TieBrokenRanks(const double* values, const double* other, int n);

/// Kendall's sum over the pairs of molecules 1..n: -1 for a pair whose E and O lie strictly
/// in opposite order, +1 for every other pair (ties included).
long long KendallConcordance(const double* estimated, const double* observed, int n);

/// The outlier ratio of a decision that removes no molecule (any ratio above 1 removes none).
inline constexpr double kNoRemovalRatio = 1.1;

/// OutlierRatio = Q^w / OI_max with w = 0.75 (1 + 1/Q); 1.1 (no removal) when OI_max is 0
/// or Q is not positive.
double OutlierRatioFor(double q, double oiMax);

/// Lead-hopping lines are printed above this H.
inline constexpr double kLeadHoppingH = 6;

/// The rows of the table of estimated and observed values and what they find: the first
/// molecule with the largest outlier index OI = |E - O| / SEE (0 when SEE is 0), that
/// index and its lead-hopping measure H = |O - mean O| OI / s_O (1 when s_O is 0). An
/// index from 1.5 up is shown.
struct OutlierScan {
    std::vector<std::string> Rows;
    std::string Name;
    double OIMax = 0;
    double H = 0;
};
OutlierScan ScanOutliers(const std::vector<std::string>& names, const double* estimated,
                         const double* observed, int n, const CalibrationFigures& figures);

/// The outlier decision on the estimates in pair: sets OutlierRatio, fills the scatter
/// series, writes its lines, and reports the fragments when the cycle is final; counts a
/// removal in OutlierSteps.
/// q is the Q of the best equation, scan what the table of its estimates found.
void DecideOutlier(const CycleContext& context, OutlierState& outliers, PairCorrelation& pair,
                   ReportAppender& report, double q, const OutlierScan& scan);

/// The elimination stops once Int(sqrt(N0)) outliers have been removed.
bool EliminationStops(int outlierSteps, int initialCalibrationCount);

/// Refits the best set by Q, reports its weighting factors, the table of estimated and
/// observed values with outlier indices, the statistics block, takes the outlier decision
/// (reporting the molecular fragments when the cycle is final), reports the relative
/// utility of the predictors and applies the stop rule of the elimination.
/// The set is that of best-set slot 3, of search.FitTermCount predictors.
void AnalyseCalibrationSet(const CycleContext& context, const SignificantDescriptors& descriptors,
                           SearchState& search, OutlierState& outliers, PairCorrelation& pair);

} // namespace kalemir::qspr
