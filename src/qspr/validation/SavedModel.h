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
    int number = 0; ///< the equation's number in the report (#N); 0 for the best by Q
    std::vector<std::string> descriptors;
    std::vector<double> coefficients;
    double intercept = 0;
};

/// The table set's manifest as the results file holds it.
struct SavedManifest {
    std::string tableMaker;
    std::string version;
    std::string toolkitVersion;
    std::string set;
    /// How the set's molecules were standardised ("parent", "none", "tautomers").
    std::string standardisation = "parent";
    /// Each table's file name and columns.
    std::vector<std::pair<std::string, std::vector<std::string>>> tables;
};

struct SavedModel {
    std::string qsprTable;
    SavedEquation best;
    std::vector<SavedEquation> ranked;
    std::vector<std::string> calibrationNames;
    /// [molecule][predictor of `best`], as the analysis used them.
    std::vector<std::vector<double>> calibrationValues;
    double warningLeverage = 0;
    std::optional<SavedManifest> manifest;
};

/// Reads a results file. Throws InputError naming the file for one that is not a
/// KalemirQ results file or lacks the best equation.
SavedModel LoadSavedModel(const std::string& path);

/// The value the analysis takes for a table cell: 0 is taken as 0.0001.
double AnalysisValue(double cell);

/// a0 plus each coefficient times the value, in the equation's order.
double EstimateWith(const SavedEquation& equation, const std::vector<double>& values);

} // namespace kalemir::qspr
