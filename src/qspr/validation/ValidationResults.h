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
    double StandardisedResidual = 0; ///< residual / SEE
    double Leverage = 0;             ///< h_ii of the hat matrix
    /// Leave-one-out estimate, y - e / (1 - h); none when the leverage is 1 (the molecule
    /// is fitted exactly whatever its value).
    std::optional<double> LooEstimate;
};

/// One prediction molecule under the best equation by Q.
struct PredictionDiagnostic {
    std::string Name;
    double Estimated = 0;
    double Leverage = 0;                  ///< x (X'X)^-1 x' with the calibration's X
    bool BeyondWarningLeverage = false;   ///< Leverage > h*
    std::optional<double> Observed;       ///< when an observed table gives it
    double StandardisedResidual = 0;      ///< (observed - estimated) / SEE, when observed
};

/// Per-molecule figures of the best equation by Q; the Williams plot reads these vectors.
struct CalibrationDiagnostics {
    int PredictorCount = 0;     ///< p
    double SEE = 0;             ///< standard error of estimate, sqrt(RSS / (n - p - 1))
    double WarningLeverage = 0; ///< h* = 3 (p + 1) / n
    std::vector<CalibrationDiagnostic> Calibration;
    std::vector<PredictionDiagnostic> Prediction;
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

} // namespace kalemir::qspr
