#pragma once
// A model as KalemirQ saved it in <QSPR>-results.json, read back to estimate new
// molecules: the best equation by Q in full precision, the ranked equations as printed,
// the calibration molecules' predictor values for the leverages, h*, and the manifest of
// the tables it was made from.

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

struct SavedEquation {
    int Number = 0; ///< the equation's number in the report (#N); 0 for the best by Q
    std::vector<std::string> Descriptors;
    std::vector<double> Coefficients;
    double Intercept = 0;
};

/// The table set's manifest as the results file holds it.
struct SavedManifest {
    std::string TableMaker;
    std::string Version;
    std::string ToolkitVersion;
    std::string Set;
    /// How the set's molecules were standardised ("parent", "none", "tautomers").
    std::string Standardisation = "parent";
    /// Each table's file name and columns.
    std::vector<std::pair<std::string, std::vector<std::string>>> Tables;
};

/// The prediction set's bounds of an equation's low/high marks.
struct SavedBounds {
    int Equation = 0;
    double Low = 0;
    double High = 0;
};

struct SavedModel {
    std::string QsprTable;
    SavedEquation Best;
    std::vector<SavedEquation> Ranked;
    std::vector<std::string> CalibrationNames;
    /// [molecule][predictor of `Best`], as the analysis used them.
    std::vector<std::vector<double>> CalibrationValues;
    double WarningLeverage = 0;
    std::optional<SavedManifest> Manifest;
    /// The equations of the run's vote and their bounds (empty when the file has none).
    std::vector<SavedBounds> PredictionBounds;
    /// The number of distinct equations of the vote.
    int DistinctEquations = 0;
};

/// Reads a results file. Throws InputError naming the file for one that is not a
/// KalemirQ results file or lacks the best equation.
SavedModel LoadSavedModel(const std::string& path);

/// The value the analysis takes for a table cell: 0 is taken as 0.0001.
double AnalysisValue(double cell);

/// a0 plus each coefficient times the value, in the equation's order.
double EstimateWith(const SavedEquation& equation, const std::vector<double>& values);

} // namespace kalemir::qspr
