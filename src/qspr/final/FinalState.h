#pragma once
// Work state of one final analysis: the best equation by each criterion, the per-molecule
// estimates, distances, ADO counts and votes of the prediction set, the validation sums and
// the leverages. It lives for one call of FinalAnalysis.

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace kalemir::qspr {

/// The four criteria of the ranking, in the order the equations are reported.
enum Criterion { kByQ = 1, kByRR = 2, kByKK = 3, kByCOR = 4 };

/// One best equation as the ranking keeps it: single-precision figures, the weighting
/// factors and the intercept already rounded to four decimals.
struct BestEquation {
    std::array<float, 21> Weights{}; ///< positions 1..p
    float Intercept = 0;
    float Q = 0;
    float SEE = 0;
    float F = 0;
    float COR = 0;
    float R2 = 0;
    float RR = 0;
    float KK = 0;
};

/// The quality figures of one refitted equation.
struct EquationFigures {
    double R2 = 0;
    double SEE = 0;
    double Q = 0;
    double F = 0;
    double RR = 0;
    float KK = 0;
    float COR = 0;
};

/// Best value and equation number of each criterion (equation 0: none found yet). Q and
/// RR% are compared in double precision, KK% and COR in single precision.
struct EquationTrackers {
    double BestQ = 0;
    double BestRR = 1000;
    float BestKK = 1000;
    float BestCOR = 0;
    std::array<int, 5> Number{}; ///< by Criterion
    std::array<BestEquation, 5> Records{};
};

/// What the validation measures leave (the outputs of ComputeValidationMeasures).
struct ValidationSums {
    double AbsSum = 0;            ///< sum of |observed| over the validation molecules
    double ErrorSum = 0;          ///< sum of |estimated - observed|
    float RankErrorPercent = 100; ///< KK%
};

/// The validation measures of the equation just assessed and what they are worked out in:
/// the final analysis holds one, and each worker that ranks equations its own.
struct ValidationWork {
    ValidationSums Sums;
    /// Validation molecule w = 1..V: its estimate and observed value in columns 2 and 3,
    /// their ranks in columns 4 and 5.
    std::vector<std::array<double, 6>> Values;
    /// The observed validation values last ranked, and their ranks.
    std::vector<double> RankedObserved;
    std::vector<int> ObservedRanks;
};

struct FinalWork {
    int EquationNumber = 0;
    EquationTrackers Trackers;
    /// Indexed by descriptor-matrix row (1..N+P): estimate of the equation under study,
    /// distance from the mean calibration estimate, ADO count, vote.
    std::vector<double> Estimate;
    std::vector<double> Distance;
    std::vector<int> AdoCount;
    std::vector<int> Vote;
    /// Prediction molecules j = 1..P.
    std::vector<float> LeverageValues;
    double LeverageMean = 0;
    float LeverageSpread = 0;
    ValidationWork Validation;
    std::string EstimatesFileName;
    /// First calibration row of each molecule name (the rows do not move in this stage).
    std::unordered_map<std::string, int> CalibrationRowOf;
    /// Calibration row of validation molecule w = 1..V (0: not among them), looked up
    /// once: neither the names nor the rows change while the equations are ranked.
    std::vector<int> ValidationRows;

    void Size(int rows, int predictionCount) {
        Estimate.assign(static_cast<std::size_t>(rows) + 1, 0.0);
        Distance.assign(static_cast<std::size_t>(rows) + 1, 0.0);
        AdoCount.assign(static_cast<std::size_t>(rows) + 1, 0);
        Vote.assign(static_cast<std::size_t>(rows) + 1, 0);
        LeverageValues.assign(static_cast<std::size_t>(predictionCount) + 1, 0.0f);
    }
};

} // namespace kalemir::qspr
