#include "tables/Predict.h"

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/WorkerPool.h"
#include "qspr/final/PredictionSet.h"
#include "qspr/validation/ModelDiagnostics.h"
#include "qspr/validation/SavedModel.h"
#include "tables/ColumnValues.h"
#include "tables/SetManifest.h"
#include "tables/StructureInput.h"
#include "tables/ToolkitVersion.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

namespace kalemir::tables {

namespace {

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "";
    }
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value,
                                   std::chars_format::fixed, decimals);
    return std::string(text.data(), end.ptr);
}

/// A CSV field: quoted when it holds a comma, a double quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The calibration molecules' SMILES from the map file of the set beside the model: the
/// standardised structure where the map gives one, else the structure as read.
std::map<std::string, std::string> CalibrationSmiles(const std::string& mapPath) {
    std::map<std::string, std::string> smiles;
    std::ifstream in(mapPath, std::ios::binary);
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (header || line.empty()) {
            header = false;
            continue;
        }
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab = line.find('\t'); tab != std::string::npos;
             tab = line.find('\t', start)) {
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() >= 7 && !fields[6].empty()) {
            smiles[fields[0]] = fields[6];
        } else if (fields.size() >= 6) {
            smiles[fields[0]] = fields[5];
        }
    }
    return smiles;
}

/// The equations applied: the best by Q, then with --equations all the ranked ones.
std::vector<qspr::SavedEquation> AppliedEquations(const qspr::SavedModel& model, bool all) {
    std::vector<qspr::SavedEquation> equations = {model.Best};
    if (all) {
        equations.insert(equations.end(), model.Ranked.begin(), model.Ranked.end());
    }
    return equations;
}

/// The run's low/high label of a molecule from the ranked equations' estimates by number:
/// each equation's estimate marked against its prediction-set bounds, the marks summed.
std::string VoteLabel(const qspr::SavedModel& model, const std::map<int, double>& byNumber) {
    int vote = 0;
    for (const qspr::SavedBounds& bounds : model.PredictionBounds) {
        const auto found = byNumber.find(bounds.Equation);
        if (found == byNumber.end()) {
            continue;
        }
        vote += found->second < bounds.Low ? -1 : (found->second > bounds.High ? 1 : 0);
    }
    const int label = qspr::FinalLabel(vote, model.DistinctEquations);
    return label < 0 ? "low" : (label > 0 ? "high" : "");
}

} // namespace

std::pair<long, long> SliceOf(long count, long part, long parts) {
    const auto bound = [&](long k) {
        return static_cast<long>(static_cast<long long>(k) * count / parts);
    };
    return {bound(part - 1), bound(part)};
}

std::optional<std::string> OtherTablesProblem(const std::string& modelPath) {
    const qspr::SavedModel model = qspr::LoadSavedModel(modelPath);
    if (!model.Manifest) {
        return modelPath + ": no table manifest: the tables of the model were not made by "
                           "KalemirT (or by a version without manifests)";
    }
    const qspr::SavedManifest& m = *model.Manifest;
    if (m.TableMaker != "KalemirT" || m.Version != TableMakerVersion() ||
        m.ToolkitVersion != ToolkitVersion()) {
        return modelPath + ": the tables of the model were made by " + m.TableMaker + " " +
               m.Version + " with RDKit " + m.ToolkitVersion + ", this is KalemirT " +
               TableMakerVersion() + " with RDKit " + ToolkitVersion();
    }
    return std::nullopt;
}

std::string DefaultEstimatesName(const std::string& structures) {
    return BaseName(structures) + "-estimates.csv";
}

PredictOutcome EstimateMolecules(const PredictRequest& request, ComputingWindow& window,
                                 const PredictWarning& warn, const PredictProgress& progress) {
    const qspr::SavedModel model = qspr::LoadSavedModel(request.model);
    if (const auto problem = OtherTablesProblem(request.model)) {
        if (!request.allowOtherTables) {
            throw InputError(*problem + " (--allow-other-tables to estimate anyway)");
        }
        if (warn) {
            warn(*problem + "; estimating as asked");
        }
    }
    const std::vector<qspr::SavedEquation> equations =
        AppliedEquations(model, request.allEquations);
    std::vector<std::string> columns;
    for (const qspr::SavedEquation& equation : equations) {
        for (const std::string& descriptor : equation.Descriptors) {
            if (std::find(columns.begin(), columns.end(), descriptor) == columns.end()) {
                columns.push_back(descriptor);
            }
        }
    }
    const ColumnDescriber describer(columns,
                                    model.Manifest ? model.Manifest->Standardisation : "parent");
    const std::vector<StructureRecord> records = ReadStructures(request.structures, InputFields{});

    // The calibration molecules' fingerprints, from the map file of the model's set.
    const std::string set = model.Manifest && !model.Manifest->Set.empty()
                                ? model.Manifest->Set
                                : model.QsprTable.substr(0, 5);
    const std::string mapPath = FolderOf(request.model) + set + "map.txt";
    const std::map<std::string, std::string> smiles = CalibrationSmiles(mapPath);
    std::vector<std::pair<std::string, SparseCounts>> calibration;
    for (const std::string& name : model.CalibrationNames) {
        const auto found = smiles.find(name);
        if (found != smiles.end()) {
            calibration.emplace_back(name, MorganCountsOfSmiles(found->second));
        }
    }
    if (calibration.size() < model.CalibrationNames.size()) {
        if (warn) {
            warn(mapPath + ": the structures of " +
                 std::to_string(model.CalibrationNames.size() - calibration.size()) +
                 " calibration molecules are missing; no nearest calibration molecule is given");
        }
        calibration.clear();
    }

    // Plain variables rather than a structured binding: the pool's lambda reads the slice's
    // start, and clang-tidy's parser does not yet take bindings into lambdas.
    const std::pair<long, long> slice =
        SliceOf(static_cast<long>(records.size()), request.part, request.parts);
    const long first = slice.first;
    const auto count = static_cast<int>(slice.second - first);
    std::vector<ColumnRow> rows(static_cast<std::size_t>(count));
    window.BeginStage("descriptors of the molecules", count);
    std::atomic<int> done{0};
    WorkerPool pool(request.threads);
    pool.ForEach(count, 16, [&](int from, int to, int worker) {
        for (int i = from; i < to; ++i) {
            if (window.StopRequested()) {
                throw RunInterrupted();
            }
            rows[static_cast<std::size_t>(i)] =
                describer.Describe(records[static_cast<std::size_t>(first + i)]);
            const int finished = ++done;
            if (worker == 0) {
                window.CountDone(finished);
                if (progress) {
                    progress(finished, count);
                }
                window.Yield();
            }
        }
    });
    if (progress) {
        progress(count, count);
    }

    // Leverages of the described molecules on the best equation's predictors.
    std::vector<std::vector<double>> predictors;
    for (const ColumnRow& row : rows) {
        if (!row.problem.empty()) {
            continue;
        }
        std::vector<double>& values = predictors.emplace_back();
        for (const std::string& descriptor : model.Best.Descriptors) {
            const auto at = std::find(columns.begin(), columns.end(), descriptor) - columns.begin();
            values.push_back(qspr::AnalysisValue(row.values[static_cast<std::size_t>(at)]));
        }
    }
    const std::vector<double> leverages = qspr::LeveragesOf(model.CalibrationValues, predictors);

    // With every ranked equation and the run's bounds, the run's low/high vote.
    const bool voting = request.allEquations && !model.PredictionBounds.empty();
    std::string text;
    if (request.part == 1) {
        text += "name,smiles,estimate,leverage,domain,nearest,similarity";
        for (std::size_t e = 1; e < equations.size(); ++e) {
            text += ",estimate#" + std::to_string(equations[e].Number);
        }
        text += voting ? ",label,problem\r\n" : ",problem\r\n";
    }
    std::size_t described = 0;
    for (int i = 0; i < count; ++i) {
        const StructureRecord& record = records[static_cast<std::size_t>(first + i)];
        const ColumnRow& row = rows[static_cast<std::size_t>(i)];
        const std::string name =
            record.name.empty() ? "mol" + std::to_string(record.position) : record.name;
        text += CsvField(name) + "," + CsvField(row.smiles);
        if (!row.problem.empty()) {
            text += ",,,,,," + std::string(equations.size() - 1 + (voting ? 1 : 0), ',') +
                    CsvField(row.problem) + "\r\n";
            continue;
        }
        const std::vector<double>& values = predictors[described];
        const double leverage = described < leverages.size() ? leverages[described] : NAN;
        ++described;
        text += "," + Fixed(qspr::EstimateWith(model.Best, values), 6) + "," + Fixed(leverage, 6) +
                "," +
                (std::isfinite(leverage) ? (leverage > model.WarningLeverage ? "outside" : "inside")
                                         : "");
        const std::pair<std::string, SparseCounts>* nearest = nullptr;
        double similarity = -1;
        for (const auto& molecule : calibration) {
            const double s = CountTanimoto(row.morgan, molecule.second);
            if (s > similarity) {
                similarity = s;
                nearest = &molecule;
            }
        }
        text +=
            nearest == nullptr ? ",," : "," + CsvField(nearest->first) + "," + Fixed(similarity, 4);
        std::map<int, double> byNumber;
        for (std::size_t e = 1; e < equations.size(); ++e) {
            std::vector<double> own;
            for (const std::string& descriptor : equations[e].Descriptors) {
                const auto at =
                    std::find(columns.begin(), columns.end(), descriptor) - columns.begin();
                own.push_back(qspr::AnalysisValue(row.values[static_cast<std::size_t>(at)]));
            }
            const double estimate = qspr::EstimateWith(equations[e], own);
            byNumber[equations[e].Number] = estimate;
            text += "," + Fixed(estimate, 6);
        }
        if (voting) {
            text += "," + VoteLabel(model, byNumber);
        }
        text += ",\r\n";
    }

    std::FILE* file = std::fopen(request.output.c_str(), "wb");
    const bool written = file != nullptr && WriteBytes(file, text.data(), text.size());
    const int error = errno;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (!written || !closed) {
        const int reason = written ? errno : error;
        std::remove(request.output.c_str());
        throw WriteFailure(request.output +
                           ": cannot write the estimates: " + std::strerror(reason));
    }
    PredictOutcome outcome;
    outcome.output = request.output;
    outcome.molecules = count;
    outcome.described = static_cast<long>(described);
    return outcome;
}

} // namespace kalemir::tables
