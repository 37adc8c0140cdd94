#pragma once
// What the analysis leaves for the machine-readable results and the validation figures:
// each cycle's best equation by Q with its statistics and outlier decision, the best
// equation by Q of the last analysed cycle with the raw values of its predictors, the
// best equations of the ranking, the prediction-set estimates and labels, and the
// fragments. Filled as the report is written, from the same numbers; it writes nothing.

#include <string>
#include <utility>
#include <vector>

namespace kalemir::qspr {

/// The parameters one cycle ran with.
struct CycleParameters {
    double MinPropertyR2 = 0;
    int ValidationCount = 0;
    double EstimatedCOR = 0;
    double MaxInterR2 = 0;
    int MaxPredictors = 0;
    int EliminateOutliers = 0;
};

/// One analysis cycle: its best equation by Q (full precision) and the report's figures.
struct CycleRecord {
    int Cycle = 0;
    int CalibrationCount = 0;
    int PredictionCount = 0;
    CycleParameters Parameters;
    std::vector<std::string> Descriptors;
    std::vector<double> Coefficients;
    double Intercept = 0;
    double R2 = 0;
    double Q = 0;
    double F = 0;
    double SEE = 0;
    double RMS = 0;
    double R2CV = 0;
    double Kendall = 0;
    double MeanObserved = 0;
    double SpreadObserved = 0;
    double MeanEstimated = 0;
    double SpreadEstimated = 0;
    double LargestOutlierIndex = 0;
    std::string LargestOutlierName;
    std::string RemovedOutlier; ///< empty: none removed in this cycle
};

/// The best equation by Q of a cycle with the data to apply it: the predictor values the
/// analysis used (a descriptor value of 0 is taken as 0.0001), so that intercept + sum of
/// coefficient times value gives the report's estimate.
struct BestModelRecord {
    int Cycle = 0;
    std::vector<std::string> Descriptors;
    std::vector<double> Coefficients;
    double Intercept = 0;
    std::vector<std::string> CalibrationNames;
    std::vector<double> Observed;
    std::vector<double> Estimated;
    std::vector<std::vector<double>> CalibrationValues; ///< [molecule][predictor]
    std::vector<std::string> PredictionNames;
    std::vector<std::vector<double>> PredictionValues;
    std::vector<double> PredictionEstimates;
};

/// A best equation of the ranking as its report block gives it.
struct RankedEquationRecord {
    std::vector<std::string> Criteria; ///< "Q", "RR%", "KK%", "COR" that chose it
    int Number = 0;
    std::vector<std::string> Descriptors;
    std::vector<double> Coefficients; ///< rounded to 4 decimals, as reported
    double Intercept = 0;
    double R2 = 0;
    double Q = 0;
    double F = 0;
    double SEE = 0;
    double RR = 0;
    double KK = 0;
    double COR = 0;
    bool HasCOR = false;
};

/// The estimates-file block of one distinct best equation for the prediction set.
struct PredictionBlockRecord {
    int Number = 0;
    std::vector<double> Estimates;     ///< as the estimates file writes them (3 decimals)
    std::vector<double> Leverages;     ///< the suite's own leverage assessment
    std::vector<int> AdoCounts;        ///< 0, 1 or 2 criteria; 2 marks an ADO molecule
    std::vector<std::string> Marks;    ///< "low", "high" or empty against the prediction set
    std::vector<std::string> MarksAll; ///< "LOW", "HIGH" or empty against all molecules
    /// The prediction set's bounds of the marks: its mean estimate -/+ half its spread.
    double LowPred = 0;
    double HighPred = 0;
};

struct FragmentRecord {
    std::string Name;
    double R = 0;
    bool Significant = false;
    std::string Molecule; ///< first calibration molecule holding it; empty: none reported
};

struct RunRecord {
    /// The Parameters window's entries as given (name, text), before any limiting.
    std::vector<std::pair<std::string, std::string>> GivenParameters;
    std::vector<CycleRecord> Cycles;
    BestModelRecord BestModel; ///< of the last cycle that found a best set
    std::vector<RankedEquationRecord> Ranked;
    std::vector<std::string> PredictionNames;
    std::vector<PredictionBlockRecord> PredictionBlocks;
    std::vector<int> Votes;
    int DistinctEquations = 0;
    std::vector<std::string> FinalLabels; ///< "low", "high" or empty per prediction molecule
    int FragmentCount = 0;
    std::vector<FragmentRecord> Fragments;
    bool FragmentsReported = false;
};

} // namespace kalemir::qspr
