#include "qspr/validation/ResultFiles.h"

#include "common/DateTime.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/Records.h"
#include "qspr/setup/QsprTables.h"
#include "qspr/validation/ModelDiagnostics.h"
#include "qspr/validation/ModelReport.h"
#include "qspr/validation/Qmrf.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::qspr {

namespace {

using nlohmann::ordered_json;

/// A figure for the JSON: null when it is not defined.
ordered_json Number(double x) {
    return std::isfinite(x) ? ordered_json(x) : ordered_json(nullptr);
}

ordered_json Text(const std::string& s) {
    return s.empty() ? ordered_json(nullptr) : ordered_json(s);
}

/// Fixed-point text of a figure, locale-independent; "not defined" for NaN.
std::string Fixed(double x, int decimals = 4) {
    if (!std::isfinite(x)) {
        return "not defined";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') {
        text.erase(0, 1); // no "-0.0000"
    }
    return text;
}

/// Molecule records of a table (its records after the header), read one at a time.
int MoleculeRecords(const std::string& path) {
    RecordReader reader(path);
    std::string record;
    int count = -1;
    do {
        reader.Read(record);
        if (!record.empty()) {
            ++count;
        }
    } while (!reader.AtEnd());
    return std::max(count, 0);
}

ordered_json Equation(const std::vector<std::string>& descriptors,
                      const std::vector<double>& coefficients, double intercept) {
    ordered_json terms = ordered_json::array();
    for (std::size_t k = 0; k < descriptors.size(); ++k) {
        terms.push_back({{"descriptor", descriptors[k]}, {"coefficient", coefficients[k]}});
    }
    return {{"intercept", intercept}, {"terms", terms}};
}

ordered_json ParametersOf(const CycleParameters& p) {
    return {{"min_r2", p.MinPropertyR2},
            {"validation", p.ValidationCount},
            {"cor", p.EstimatedCOR},
            {"max_inter_r2", p.MaxInterR2},
            {"max_predictors", p.MaxPredictors},
            {"eliminate_outliers", p.EliminateOutliers == 1}};
}

ordered_json ExternalOf(const ExternalStatistics& s) {
    return {{"estimates", s.Source},
            {"n", s.Count},
            {"q2_f1", Number(s.Q2F1)},
            {"q2_f2", Number(s.Q2F2)},
            {"q2_f3", Number(s.Q2F3)},
            {"ccc", Number(s.CCC)},
            {"rmsep", Number(s.RMSEP)},
            {"mae", Number(s.MAE)},
            {"r2", Number(s.R2)},
            {"r2m", Number(s.R2m)},
            {"r2m_mean", Number(s.R2mMean)},
            {"r2m_delta", Number(s.R2mDelta)}};
}

ordered_json RandomisationOf(const RandomisationSummary& r) {
    return {{"runs", r.Runs},
            {"seed", r.Seed},
            {"r2", r.R2},
            {"q", r.Q},
            {"mean_r2", Number(r.MeanR2)},
            {"max_r2", Number(r.MaxR2)},
            {"mean_q", Number(r.MeanQ)},
            {"max_q", Number(r.MaxQ)},
            {"cr2p", Number(r.CR2p)},
            {"share_q_reached", Number(r.ShareQReached)}};
}

/// Writes the result file `name` whole under its UnfinishedName.
void WriteUnfinished(const std::string& name, const std::string& bytes) {
    const std::string path = UnfinishedName(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw FileError(name + ": cannot write: " + std::strerror(errno));
    }
    const bool written = WriteBytes(file, bytes.data(), bytes.size());
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        // A cut file would read as complete results: take it away.
        std::remove(path.c_str());
        throw FileError(name + ": cannot write: " + std::strerror(written ? errno : error));
    }
}

/// The manifest of the table set the QSPR table belongs to (the set's name is the first
/// five characters of the table's), when one is found beside it and reads as JSON.
std::optional<ordered_json> TableSetManifest(const std::string& qsprTable) {
    if (qsprTable.size() < 5) {
        return std::nullopt;
    }
    std::ifstream in(qsprTable.substr(0, 5) + "manifest.json", std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    ordered_json manifest = ordered_json::parse(in, nullptr, false);
    if (manifest.is_discarded() || !manifest.is_object()) {
        return std::nullopt;
    }
    return manifest;
}

} // namespace

ValidationFigures ComputeValidationFigures(const RunRecord& record,
                                           const std::optional<ObservedTable>& observed) {
    ValidationFigures v;
    v.Diagnostics = DiagnoseModel(record.BestModel);
    v.LeaveOneOut = LeaveOneOutOf(v.Diagnostics);
    v.RarePredictors = FindRarePredictors(record.BestModel);
    if (observed) {
        v.HasObserved = true;
        v.ObservedTable = observed->Path;
        v.External = ValidateExternally(record, v.Diagnostics, *observed);
    }
    return v;
}

std::string ResultsJsonName(const std::string& qsprTable) {
    return qsprTable + "-results.json";
}

std::string ValidationTextName(const std::string& qsprTable) {
    return qsprTable + "-validation.txt";
}

std::string Sha256OfFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        throw FileError(path + ": cannot read: " + std::strerror(errno));
    }
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw FileError(path + ": cannot compute its SHA-256");
    }
    std::array<unsigned char, 65536> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        EVP_DigestUpdate(context.get(), buffer.data(), got);
    }
    if (std::ferror(file.get())) {
        throw FileError(path + ": cannot read: " + std::strerror(errno));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(context.get(), digest.data(), &size);
    static const char* const kHex = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

InputFacts ReadInputFacts(const ResultInputs& inputs) {
    InputFacts facts;
    InputTableFacts& qspr = facts[inputs.QsprTable];
    qspr.Sha256 = Sha256OfFile(inputs.QsprTable);
    qspr.Molecules = MoleculeRecords(inputs.QsprTable);
    for (const std::string& name : inputs.DescriptorTables) {
        InputTableFacts& table = facts[name];
        if (table.Sha256.empty()) {
            table.Sha256 = Sha256OfFile(name);
            table.Molecules = MoleculeRecords(name);
        }
        table.Descriptors = CountDescriptorColumns(name);
    }
    if (inputs.Observed && facts.count(inputs.Observed->Path) == 0) {
        facts[inputs.Observed->Path].Sha256 = Sha256OfFile(inputs.Observed->Path);
    }
    return facts;
}

std::string ResultsJson(const ProgramState& state, const ResultInputs& inputs,
                        const InputFacts& facts, const ValidationFigures& v) {
    const RunRecord& r = state.Record;
    ordered_json j;
    j["format"] = "kalemirq-results";
    j["format_version"] = 1;
    j["program"] = "KalemirQ";
    j["version"] = KALEMIR_VERSION;
    j["date"] = IsoDateTimeText();

    ordered_json tables = ordered_json::array();
    for (const std::string& name : inputs.DescriptorTables) {
        const InputTableFacts& table = facts.at(name);
        tables.push_back({{"name", name},
                          {"sha256", table.Sha256},
                          {"molecules", table.Molecules},
                          {"descriptors", table.Descriptors}});
    }
    ordered_json observed = nullptr;
    if (inputs.Observed) {
        observed = {{"name", inputs.Observed->Path},
                    {"sha256", facts.at(inputs.Observed->Path).Sha256},
                    {"molecules", inputs.Observed->Molecules.size()}};
    }
    const InputTableFacts& qspr = facts.at(inputs.QsprTable);
    j["inputs"] = {{"qspr_table",
                    {{"name", inputs.QsprTable},
                     {"sha256", qspr.Sha256},
                     {"molecules", qspr.Molecules},
                     {"calibration", state.InitialCalibrationCount},
                     {"prediction", state.PredictionCount}}},
                   {"descriptor_tables", tables},
                   {"observed_table", observed}};

    ordered_json given = ordered_json::object();
    for (const auto& [name, text] : r.GivenParameters) {
        given[name] = Text(text);
    }
    j["parameters_given"] = given;

    ordered_json cycles = ordered_json::array();
    for (const CycleRecord& c : r.Cycles) {
        cycles.push_back(
            {{"cycle", c.Cycle},
             {"calibration", c.CalibrationCount},
             {"prediction", c.PredictionCount},
             {"parameters", ParametersOf(c.Parameters)},
             {"best_by_q",
              {{"equation", Equation(c.Descriptors, c.Coefficients, c.Intercept)},
               {"r2", c.R2},
               {"q", c.Q},
               {"f", c.F},
               {"see", c.SEE},
               {"rms", c.RMS},
               {"r2cv", c.R2CV},
               {"kendall_tau", c.Kendall},
               {"observed_mean", c.MeanObserved},
               {"observed_sd", c.SpreadObserved},
               {"estimated_mean", c.MeanEstimated},
               {"estimated_sd", c.SpreadEstimated}}},
             {"largest_outlier_index",
              {{"molecule", Text(c.LargestOutlierName)}, {"value", c.LargestOutlierIndex}}},
             {"removed_outlier", Text(c.RemovedOutlier)}});
    }
    j["cycles"] = cycles;

    const BestModelRecord& m = r.BestModel;
    j["best_equation"] = {{"cycle", m.Cycle},
                          {"equation", Equation(m.Descriptors, m.Coefficients, m.Intercept)},
                          {"residual_sd", Number(v.Diagnostics.SEE)},
                          {"warning_leverage", Number(v.Diagnostics.WarningLeverage)}};

    ordered_json ranked = ordered_json::array();
    for (const RankedEquationRecord& e : r.Ranked) {
        ranked.push_back({{"number", e.Number},
                          {"best_by", e.Criteria},
                          {"equation", Equation(e.Descriptors, e.Coefficients, e.Intercept)},
                          {"r2", e.R2},
                          {"q", e.Q},
                          {"f", e.F},
                          {"see", e.SEE},
                          {"rr_percent", e.RR},
                          {"kk_percent", e.KK},
                          {"cor", e.HasCOR ? ordered_json(e.COR) : ordered_json(nullptr)}});
    }
    j["ranked_equations"] = ranked;

    ordered_json calibration = ordered_json::array();
    for (std::size_t i = 0; i < v.Diagnostics.Calibration.size(); ++i) {
        const CalibrationDiagnostic& c = v.Diagnostics.Calibration[i];
        ordered_json values = ordered_json::object();
        for (std::size_t k = 0; k < m.Descriptors.size(); ++k) {
            values[m.Descriptors[k]] = m.CalibrationValues[i][k];
        }
        calibration.push_back(
            {{"molecule", c.Name},
             {"predictors", values},
             {"observed", c.Observed},
             {"estimated", c.Estimated},
             {"residual", c.Residual},
             {"standardised_residual", Number(c.StandardisedResidual)},
             {"leverage", Number(c.Leverage)},
             {"loo_estimate", c.LooEstimate ? Number(*c.LooEstimate) : ordered_json(nullptr)}});
    }
    j["calibration"] = calibration;

    ordered_json equations = ordered_json::array();
    for (const PredictionBlockRecord& b : r.PredictionBlocks) {
        equations.push_back(b.Number);
    }
    ordered_json molecules = ordered_json::array();
    for (std::size_t p = 0; p < v.Diagnostics.Prediction.size(); ++p) {
        const PredictionDiagnostic& d = v.Diagnostics.Prediction[p];
        ordered_json values = ordered_json::object();
        for (std::size_t k = 0; k < m.Descriptors.size(); ++k) {
            values[m.Descriptors[k]] = m.PredictionValues[p][k];
        }
        ordered_json byEquation = ordered_json::array();
        for (const PredictionBlockRecord& b : r.PredictionBlocks) {
            if (p < b.Estimates.size()) {
                byEquation.push_back({{"equation", b.Number},
                                      {"estimate", b.Estimates[p]},
                                      {"mark", Text(b.Marks[p])},
                                      {"mark_all", Text(b.MarksAll[p])},
                                      {"leverage", b.Leverages[p]},
                                      {"ado_criteria", b.AdoCounts[p]},
                                      {"ado", b.AdoCounts[p] == 2}});
            }
        }
        molecules.push_back(
            {{"molecule", d.Name},
             {"predictors", values},
             {"best_by_q",
              {{"estimate", d.Estimated},
               {"leverage", Number(d.Leverage)},
               {"beyond_warning_leverage", d.BeyondWarningLeverage}}},
             {"estimates", byEquation},
             {"vote", p < r.Votes.size() ? ordered_json(r.Votes[p]) : ordered_json(nullptr)},
             {"label", p < r.FinalLabels.size() ? Text(r.FinalLabels[p]) : ordered_json(nullptr)},
             {"observed", d.Observed ? ordered_json(*d.Observed) : ordered_json(nullptr)}});
    }
    j["prediction"] = {{"equations", equations},
                       {"distinct_equations", r.DistinctEquations},
                       {"molecules", molecules}};

    ordered_json fragments = ordered_json::array();
    for (const FragmentRecord& f : r.Fragments) {
        fragments.push_back({{"fragment", f.Name},
                             {"r", f.R},
                             {"significant", f.Significant},
                             {"first_molecule", Text(f.Molecule)}});
    }
    j["fragments"] = r.FragmentsReported
                         ? ordered_json{{"total", r.FragmentCount}, {"fragments", fragments}}
                         : ordered_json(nullptr);

    ordered_json rare = ordered_json::array();
    for (const RarePredictor& p : v.RarePredictors) {
        rare.push_back({{"descriptor", p.Descriptor},
                        {"common_value", p.CommonValue},
                        {"molecules", p.Molecules}});
    }
    ordered_json beyond = ordered_json::array();
    for (const PredictionDiagnostic& d : v.Diagnostics.Prediction) {
        if (d.BeyondWarningLeverage) {
            beyond.push_back(d.Name);
        }
    }
    ordered_json external = ordered_json::array();
    for (const ExternalStatistics& s : v.External) {
        external.push_back(ExternalOf(s));
    }
    j["validation"] = {{"leave_one_out",
                        {{"q2", Number(v.LeaveOneOut.Q2)},
                         {"rmse", Number(v.LeaveOneOut.Rmse)},
                         {"press", v.LeaveOneOut.Press},
                         {"total_squares", v.LeaveOneOut.TotalSquares},
                         {"n", v.LeaveOneOut.Count},
                         {"fitted_exactly", v.LeaveOneOut.FittedExactly}}},
                       {"rare_predictors", rare},
                       {"applicability_domain",
                        {{"warning_leverage", Number(v.Diagnostics.WarningLeverage)},
                         {"beyond_warning_leverage", beyond}}},
                       {"external", v.HasObserved ? external : ordered_json(nullptr)},
                       {"randomisation", v.Randomisation && v.Randomisation->Runs > 0
                                             ? RandomisationOf(*v.Randomisation)
                                             : ordered_json(nullptr)}};
    if (std::optional<ordered_json> manifest = TableSetManifest(inputs.QsprTable)) {
        // The bounds each equation's low/high marks were set against, so that new molecules
        // estimated with the model get the same vote; written beside the manifest only, as
        // only a model of the table maker's tables is applied to new molecules.
        ordered_json bounds = ordered_json::array();
        for (const PredictionBlockRecord& b : r.PredictionBlocks) {
            bounds.push_back({{"equation", b.Number}, {"low", b.LowPred}, {"high", b.HighPred}});
        }
        j["prediction_bounds"] = std::move(bounds);
        j["table_manifest"] = std::move(*manifest);
    }
    return j.dump(2) + "\n";
}

std::string ValidationText(const ProgramState& state, const ValidationFigures& v) {
    const RunRecord& r = state.Record;
    const BestModelRecord& m = r.BestModel;
    const CalibrationDiagnostics& d = v.Diagnostics;
    std::string out;
    auto line = [&out](const std::string& text = {}) { out += text + "\r\n"; };
    // One figure a line: name = value, then what it means and its usual threshold.
    auto figure = [&line](const std::string& name, const std::string& value,
                          const std::string& meaning) {
        std::string text = "   " + name + " = " + value;
        if (text.size() < 34) {
            text.append(34 - text.size(), ' ');
        }
        line(text + "  " + meaning);
    };

    line("VALIDATION OF THE BEST QSPR BY Q OF " + state.QsprTableName);
    line();
    line("   cycle " + std::to_string(m.Cycle) + ", " + std::to_string(m.CalibrationNames.size()) +
         " calibration molecules, " + std::to_string(m.Descriptors.size()) + " predictors");
    std::string equation = "   estimate = " + Fixed(m.Intercept);
    for (std::size_t k = 0; k < m.Descriptors.size(); ++k) {
        equation += (m.Coefficients[k] < 0 ? " - " : " + ") + Fixed(std::fabs(m.Coefficients[k])) +
                    " " + m.Descriptors[k];
    }
    line(equation);
    line();

    line("ROBUSTNESS (leave-one-out from the hat matrix)");
    line();
    figure("Q2 LOO", Fixed(v.LeaveOneOut.Q2),
           "share of the variance predicted for molecules left out; accepted above 0.5");
    figure("RMSE LOO", Fixed(v.LeaveOneOut.Rmse),
           "error of the left-out estimates; close to the SEE for a stable model");
    figure("PRESS", Fixed(v.LeaveOneOut.Press), "sum of squared left-out errors");
    figure("n LOO", std::to_string(v.LeaveOneOut.Count), "molecules with a left-out estimate");
    for (const std::string& name : v.LeaveOneOut.FittedExactly) {
        line("   " + name +
             " has leverage 1: fitted exactly whatever its value, no left-out "
             "estimate (left out of Q2 LOO)");
    }
    figure("residual SD", Fixed(d.SEE),
           "sqrt(RSS / (n - p - 1)), the unit of the standardised residuals");
    figure("h*", Fixed(d.WarningLeverage),
           "warning leverage 3 (p + 1) / n; a molecule above it is influential");
    int influential = 0;
    int outlying = 0;
    for (const CalibrationDiagnostic& c : d.Calibration) {
        influential += c.Leverage > d.WarningLeverage ? 1 : 0;
        outlying += std::fabs(c.StandardisedResidual) > 3 ? 1 : 0;
    }
    figure("calibration above h*", std::to_string(influential),
           "molecules that pull the equation towards them; few or none expected");
    figure("|standardised residual| > 3", std::to_string(outlying),
           "response outliers of the calibration set; none expected");
    for (const CalibrationDiagnostic& c : d.Calibration) {
        if (c.Leverage > d.WarningLeverage || std::fabs(c.StandardisedResidual) > 3) {
            line("      " + c.Name + "   leverage " + Fixed(c.Leverage) +
                 "   standardised residual " + Fixed(c.StandardisedResidual, 2));
        }
    }
    line();
    if (v.RarePredictors.empty()) {
        line("   Every predictor differs from its most common value for three molecules or more.");
    } else {
        line("   Predictors that differ from their most common value for fewer than three");
        line("   calibration molecules (their terms model those molecules alone):");
        for (const RarePredictor& p : v.RarePredictors) {
            std::string names;
            for (const std::string& n : p.Molecules) {
                names += (names.empty() ? "" : ", ") + n;
            }
            line("      " + p.Descriptor + " differs from " + Fixed(p.CommonValue) + " for " +
                 names);
        }
    }
    line();

    line("APPLICABILITY DOMAIN OF THE PREDICTION SET");
    line();
    if (d.Prediction.empty()) {
        line("   no prediction molecules");
    } else {
        figure("h*", Fixed(d.WarningLeverage),
               "a prediction molecule above it is an extrapolation");
        line("   Molecule   leverage   beyond h*   suite's ADO (equation #" +
             (r.PredictionBlocks.empty() ? std::string("-")
                                         : std::to_string(r.PredictionBlocks.front().Number)) +
             ")");
        for (std::size_t j = 0; j < d.Prediction.size(); ++j) {
            const PredictionDiagnostic& p = d.Prediction[j];
            std::string ado = "-";
            if (!r.PredictionBlocks.empty() && j < r.PredictionBlocks.front().AdoCounts.size()) {
                ado = r.PredictionBlocks.front().AdoCounts[j] == 2 ? "ADO" : "no";
            }
            line("   " + p.Name + "   " + Fixed(p.Leverage) + "   " +
                 (p.BeyondWarningLeverage ? "yes" : "no") + "   " + ado);
        }
    }
    line();

    line("EXTERNAL VALIDATION");
    line();
    if (!v.HasObserved) {
        line("   no observed values given for the prediction set");
    }
    for (const ExternalStatistics& s : v.External) {
        line("   " + s.Source + " (observed values from " + v.ObservedTable + ")");
        figure("n", std::to_string(s.Count), "prediction molecules with an observed value");
        figure("Q2F1", Fixed(s.Q2F1), "1 - PRESS / squares about the calibration mean; above 0.6");
        figure("Q2F2", Fixed(s.Q2F2), "1 - PRESS / squares about the external mean; above 0.6");
        figure("Q2F3", Fixed(s.Q2F3), "scaled by the calibration variance; above 0.6");
        figure("CCC", Fixed(s.CCC), "concordance of estimated and observed; above 0.85");
        figure("RMSEP", Fixed(s.RMSEP), "root mean square error of prediction; near the SEE");
        figure("MAE", Fixed(s.MAE), "mean absolute error of prediction");
        figure("r2", Fixed(s.R2), "observed against estimated; above 0.6");
        figure("r2m", Fixed(s.R2m), "r2 (1 - sqrt|r2 - r0^2|); above 0.5");
        figure("r2m mean", Fixed(s.R2mMean), "mean over both axes; above 0.5");
        figure("delta r2m", Fixed(s.R2mDelta), "difference over both axes; below 0.2");
        line();
    }
    if (!v.HasObserved) {
        line();
    }

    line("Y-RANDOMISATION");
    line();
    if (!v.Randomisation || v.Randomisation->Runs == 0) {
        line("   not run");
    } else {
        const RandomisationSummary& y = *v.Randomisation;
        figure("runs", std::to_string(y.Runs), "analyses on permuted property values");
        figure("seed", std::to_string(y.Seed), "of the permutations; the same seed, the same runs");
        figure("mean r2", Fixed(y.MeanR2), "of the permuted runs; far below the real r2");
        figure("max r2", Fixed(y.MaxR2), "of the permuted runs; below the real r2");
        figure("mean Q", Fixed(y.MeanQ), "of the permuted runs; far below the real Q");
        figure("max Q", Fixed(y.MaxQ), "of the permuted runs; below the real Q");
        figure("cR2p", Fixed(y.CR2p), "r sqrt(r2 - mean permuted r2); above 0.5");
        figure("share Q reached", Fixed(y.ShareQReached),
               "runs whose Q reaches the real one; below 0.05 (chance correlation)");
    }
    return out;
}

void WriteResultFiles(const ProgramState& state, const ResultInputs& inputs,
                      const std::optional<RandomisationSummary>& randomisation) {
    if (state.Record.BestModel.Descriptors.empty()) {
        return;
    }
    ValidationFigures figures = ComputeValidationFigures(state.Record, inputs.Observed);
    figures.Randomisation = randomisation;
    WriteResultFiles(state, inputs, figures);
}

void WriteResultFiles(const ProgramState& state, const ResultInputs& inputs,
                      const ValidationFigures& figures) {
    // Each file is written whole under its unfinished name, then all take their names: a
    // run that ends early never leaves a cut file or one of another run's beside its report.
    const InputFacts tables = ReadInputFacts(inputs);
    const ModelFacts facts = GatherModelFacts(state, inputs, tables);
    const std::vector<std::pair<std::string, std::string>> files = {
        {ResultsJsonName(inputs.QsprTable), ResultsJson(state, inputs, tables, figures)},
        {ValidationTextName(inputs.QsprTable), ValidationText(state, figures)},
        {ModelReportName(inputs.QsprTable), ModelReportHtml(state, figures, facts)},
        {QmrfDraftName(inputs.QsprTable),
         QmrfMarkdown(inputs.QsprTable, QmrfChapters(state, figures, facts))}};
    auto removeUnfinished = [&files] {
        for (const auto& file : files) {
            std::remove(UnfinishedName(file.first).c_str());
        }
    };
    try {
        for (const auto& [name, bytes] : files) {
            WriteUnfinished(name, bytes);
        }
    } catch (...) {
        removeUnfinished();
        throw;
    }
    for (const auto& file : files) {
        if (std::rename(UnfinishedName(file.first).c_str(), file.first.c_str()) != 0) {
            const int error = errno;
            removeUnfinished();
            throw FileError(file.first + ": cannot write: " + std::strerror(error));
        }
    }
}

std::string UnfinishedName(const std::string& resultFile) {
    return resultFile + ".part";
}

std::vector<std::string> RemoveEarlierResultFiles(const std::string& qsprTable) {
    std::vector<std::string> removed;
    for (const std::string& name : {ResultsJsonName(qsprTable), ValidationTextName(qsprTable),
                                    ModelReportName(qsprTable), QmrfDraftName(qsprTable)}) {
        for (const std::string& file : {name, UnfinishedName(name)}) {
            if (std::remove(file.c_str()) == 0) {
                removed.push_back(file);
            } else if (errno != ENOENT) {
                throw FileError(
                    file + ": cannot remove the file of an earlier run: " + std::strerror(errno));
            }
        }
    }
    return removed;
}

} // namespace kalemir::qspr
