#include "qspr/validation/SavedModel.h"

#include "common/Errors.h"

#include <nlohmann/json.hpp>

#include <fstream>

namespace kalemir::qspr {

namespace {

using nlohmann::json;

SavedEquation EquationOf(const json& equation, int number) {
    SavedEquation e;
    e.Number = number;
    e.Intercept = equation.at("intercept").get<double>();
    for (const json& term : equation.at("terms")) {
        e.Descriptors.push_back(term.at("descriptor").get<std::string>());
        e.Coefficients.push_back(term.at("coefficient").get<double>());
    }
    return e;
}

std::optional<SavedManifest> ManifestOf(const json& results) {
    if (!results.contains("table_manifest")) {
        return std::nullopt;
    }
    const json& m = results["table_manifest"];
    SavedManifest manifest;
    manifest.TableMaker = m.value("table_maker", "");
    manifest.Version = m.value("version", "");
    manifest.ToolkitVersion = m.value("toolkit_version", "");
    manifest.Set = m.value("set", "");
    if (m.contains("options") && m["options"].is_object()) {
        manifest.Standardisation = m["options"].value("standardisation", "parent");
    }
    if (m.contains("tables") && m["tables"].is_array()) {
        for (const json& table : m["tables"]) {
            manifest.Tables.emplace_back(table.value("file", ""),
                                         table.value("columns", std::vector<std::string>()));
        }
    }
    return manifest;
}

} // namespace

SavedModel LoadSavedModel(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw InputError(path + ": cannot read the results file");
    }
    const json results = json::parse(in, nullptr, false);
    if (results.is_discarded() || !results.is_object() ||
        results.value("format", "") != "kalemirq-results") {
        throw InputError(path + ": not a KalemirQ results file (<QSPR>-results.json)");
    }
    SavedModel model;
    try {
        model.QsprTable = results.at("inputs").at("qspr_table").at("name").get<std::string>();
        const json& best = results.at("best_equation");
        model.Best = EquationOf(best.at("equation"), 0);
        model.WarningLeverage = best.at("warning_leverage").get<double>();
        for (const json& ranked : results.at("ranked_equations")) {
            model.Ranked.push_back(
                EquationOf(ranked.at("equation"), ranked.at("number").get<int>()));
        }
        for (const json& molecule : results.at("calibration")) {
            model.CalibrationNames.push_back(molecule.at("molecule").get<std::string>());
            std::vector<double>& row = model.CalibrationValues.emplace_back();
            for (const std::string& descriptor : model.Best.Descriptors) {
                row.push_back(molecule.at("predictors").at(descriptor).get<double>());
            }
        }
    } catch (const json::exception& e) {
        throw InputError(path + ": the results file lacks the model (" + e.what() + ")");
    }
    if (model.Best.Descriptors.empty() || model.CalibrationNames.empty()) {
        throw InputError(path + ": the results file holds no equation");
    }
    model.Manifest = ManifestOf(results);
    if (results.contains("prediction_bounds") && results["prediction_bounds"].is_array()) {
        try {
            for (const json& b : results["prediction_bounds"]) {
                model.PredictionBounds.push_back({b.at("equation").get<int>(),
                                                  b.at("low").get<double>(),
                                                  b.at("high").get<double>()});
            }
            model.DistinctEquations = results.at("prediction").at("distinct_equations").get<int>();
        } catch (const json::exception& e) {
            throw InputError(path + ": the prediction bounds cannot be read (" + e.what() + ")");
        }
    }
    return model;
}

double AnalysisValue(double cell) {
    return cell == 0.0 ? 0.0001 : cell;
}

double EstimateWith(const SavedEquation& equation, const std::vector<double>& values) {
    double estimate = equation.Intercept;
    for (std::size_t k = 0; k < equation.Coefficients.size() && k < values.size(); ++k) {
        estimate = estimate + equation.Coefficients[k] * values[k];
    }
    return estimate;
}

} // namespace kalemir::qspr
