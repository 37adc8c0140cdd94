#pragma once
// Figures of the validation extras that the machine-readable results, the validation text
// and the Williams plot share: the best equation's per-molecule diagnostics (leverages,
// standardised residuals, leave-one-out estimates), the applicability domain of the
// prediction set, the external statistics and the Y-randomisation summary.

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// One calibration molecule under the best equation by Q.
struct CalibrationDiagnostic {
    std::string Name;
    double Observed = 0;
    double Estimated = 0;
    double Residual = 0;             ///< observed - estimated
    double StandardisedResidual = 0; ///< residual / SEE (NaN when SEE is not defined)
    double Leverage = 0;             ///< h_ii of the hat matrix, intercept included
    /// Leave-one-out estimate, y - e / (1 - h); none when the leverage is 1 (the molecule
    /// is fitted exactly whatever its value).
    std::optional<double> LooEstimate;
};

/// One prediction molecule under the best equation by Q.
struct PredictionDiagnostic {
    std::string Name;
    double Estimated = 0;
    double Leverage = 0; ///< x (X'X)^-1 x', X the calibration's design with the intercept
    bool BeyondWarningLeverage = false; ///< Leverage > h*
    std::optional<double> Observed;     ///< when an observed table gives it
    double StandardisedResidual = 0;    ///< (observed - estimated) / SEE, when observed
};

/// Per-molecule figures of the best equation by Q; the Williams plot reads these vectors.
struct CalibrationDiagnostics {
    int PredictorCount = 0; ///< p
    /// Residual standard deviation sqrt(RSS / (n - p - 1)), the unit of the standardised
    /// residuals (the report's SEE divides by n - p).
    double SEE = 0;
    double WarningLeverage = 0; ///< h* = 3 (p + 1) / n
    std::vector<CalibrationDiagnostic> Calibration;
    std::vector<PredictionDiagnostic> Prediction;
};

/// Leave-one-out figures of the best equation from the hat matrix: the estimate of a
/// molecule left out is y - e / (1 - h). Molecules of leverage 1 have none and are left
/// out of PRESS and of the total sum of squares (taken about the mean of the others).
struct LeaveOneOutSummary {
    int Count = 0;    ///< molecules with a leave-one-out estimate
    double Press = 0; ///< sum of (e / (1 - h))^2
    double TotalSquares = 0;
    double Q2 = 0;                          ///< 1 - PRESS / total sum of squares
    double Rmse = 0;                        ///< sqrt(PRESS / Count)
    std::vector<std::string> FittedExactly; ///< molecules of leverage 1
};

/// A predictor of the best equation that differs from its most common value for fewer
/// than three calibration molecules: its term models those molecules alone.
struct RarePredictor {
    std::string Descriptor;
    double CommonValue = 0;
    std::vector<std::string> Molecules;
};

/// External validation of one set of estimates against observed values.
struct ExternalStatistics {
    std::string Source; ///< which estimates: the best equation by Q or an estimates-file block
    int Count = 0;
    double Q2F1 = 0;
    double Q2F2 = 0;
    double Q2F3 = 0;
    double CCC = 0;
    double RMSEP = 0;
    double MAE = 0;
    double R2 = 0;       ///< squared Pearson r of observed against estimated
    double R2m = 0;      ///< r2 (1 - sqrt(|r2 - r0^2|)), observed on estimated through the origin
    double R2mMean = 0;  ///< mean of r2m and the one with the axes swapped
    double R2mDelta = 0; ///< |difference| of the two
};

/// Y-randomisation: runs of the whole analysis on permuted property values.
struct RandomisationSummary {
    int Runs = 0;
    unsigned long long Seed = 0;
    std::vector<double> R2, Q; ///< of each run's best equation by Q
    double MeanR2 = 0;
    double MaxR2 = 0;
    double MeanQ = 0;
    double MaxQ = 0;
    double CR2p = 0;          ///< r * sqrt(r2 - mean r2 of the runs)
    double ShareQReached = 0; ///< share of runs whose Q reaches the real Q
};

/// Everything the result files report beyond the run record.
struct ValidationFigures {
    CalibrationDiagnostics Diagnostics;
    LeaveOneOutSummary LeaveOneOut;
    std::vector<RarePredictor> RarePredictors;
    bool HasObserved = false;
    std::string ObservedTable;
    std::vector<ExternalStatistics> External;
    std::optional<RandomisationSummary> Randomisation;
};

} // namespace kalemir::qspr
