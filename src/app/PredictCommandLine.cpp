#include "app/PredictCommandLine.h"

#include "app/CommandLine.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/WorkerPool.h"
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
#include <set>

namespace kalemir::tables {

namespace {

/// Most slices a library may be cut into.
constexpr long long kMaxParts = 1000000;

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
    std::vector<qspr::SavedEquation> equations = {model.best};
    if (all) {
        equations.insert(equations.end(), model.ranked.begin(), model.ranked.end());
    }
    return equations;
}

} // namespace

std::string PredictUsage() {
    return "usage: KalemirT predict [options] MODEL STRUCTURES\n"
           "\n"
           "Estimates the property of new molecules with a saved model: the descriptors the\n"
           "model uses are computed as `run` computes them.\n"
           "\n"
           "  MODEL               a KalemirQ results file (<QSPR>-results.json)\n"
           "  STRUCTURES          SD, SMILES or CSV/TSV, read as `run` reads them\n"
           "\n"
           "options:\n"
           "  -o FILE             the estimates (default: STRUCTURES' file name +\n"
           "                      -estimates.csv, in the current folder)\n"
           "  -C DIR              write the estimates into DIR\n"
           "  --equations LIST    best (the best equation by Q, the default) or all (every\n"
           "                      ranked equation too)\n"
           "  --part I/N          estimate the I-th of N equal slices of the input, by\n"
           "                      position; the header is in slice 1 only, so the N files\n"
           "                      concatenated are the whole run's file\n"
           "  --allow-other-tables  estimate with a model whose tables another table maker or\n"
           "                      toolkit version made (a warning instead of a refusal)\n"
           "  --threads N         worker threads, 1 to 256 (default: the machine's cores)\n"
           "  --quiet             no progress display\n"
           "\n"
           "exit status: 0 estimates written, 1 a write failed, 2 usage or input error\n";
}

PredictOptions ParsePredictArguments(const std::vector<std::string>& arguments) {
    PredictOptions options;
    std::vector<std::string> operands;
    ArgumentReader reader(arguments);
    while (!reader.Done()) {
        if (reader.Option("-o")) {
            options.output = reader.Value();
        } else if (reader.Option("-C")) {
            options.folder = reader.Value();
        } else if (reader.Option("--equations")) {
            const std::string value = reader.Value();
            if (value != "best" && value != "all") {
                throw InputError("option --equations: '" + value + "' is not best or all");
            }
            options.allEquations = value == "all";
        } else if (reader.Option("--part")) {
            const std::string value = reader.Value();
            const std::size_t slash = value.find('/');
            if (slash == std::string::npos) {
                throw InputError("option --part: '" + value + "' is not I/N");
            }
            options.parts = static_cast<long>(
                WholeNumberValue("--part", value.substr(slash + 1), 1, kMaxParts));
            options.part = static_cast<long>(
                WholeNumberValue("--part", value.substr(0, slash), 1, options.parts));
        } else if (reader.Option("--threads")) {
            options.threads = ThreadCountValue("--threads", reader.Value());
        } else if (reader.Flag("--quiet")) {
            options.quiet = true;
        } else if (reader.Flag("--allow-other-tables")) {
            options.allowOtherTables = true;
        } else {
            operands.push_back(reader.Operand());
        }
    }
    if (operands.empty()) {
        throw InputError("no model given");
    }
    if (operands.size() < 2) {
        throw InputError("no structure file given");
    }
    if (operands.size() > 2) {
        throw InputError("one model and one structure file, not '" + operands[2] + "' too");
    }
    options.model = operands[0];
    options.structures = operands[1];
    FormatOfFile(options.structures);
    return options;
}

std::pair<long, long> SliceOf(long count, long part, long parts) {
    const auto bound = [&](long k) {
        return static_cast<long>(static_cast<long long>(k) * count / parts);
    };
    return {bound(part - 1), bound(part)};
}

std::string OtherTablesProblem(const std::string& modelPath) {
    const qspr::SavedModel model = qspr::LoadSavedModel(modelPath);
    if (!model.manifest) {
        return modelPath + ": no table manifest: the tables of the model were not made by "
                           "KalemirT (or by a version without manifests)";
    }
    const qspr::SavedManifest& m = *model.manifest;
    if (m.tableMaker != "KalemirT" || m.version != TableMakerVersion() ||
        m.toolkitVersion != ToolkitVersion()) {
        return modelPath + ": the tables of the model were made by " + m.tableMaker + " " +
               m.version + " with RDKit " + m.toolkitVersion + ", this is KalemirT " +
               TableMakerVersion() + " with RDKit " + ToolkitVersion();
    }
    return {};
}

int PredictMain(const std::vector<std::string>& arguments) {
    PredictOptions options;
    qspr::SavedModel model;
    std::vector<StructureRecord> records;
    try {
        options = ParsePredictArguments({arguments.begin() + 1, arguments.end()});
    } catch (const InputError& e) {
        return RefuseOptions("KalemirT", e);
    }
    // The estimates go into the current folder (or -C DIR) unless -o names a path.
    std::string output =
        options.output.empty() ? BaseName(options.structures) + "-estimates.csv" : options.output;
    if (!options.folder.empty() && output[0] != '/') {
        output = options.folder + "/" + output;
    }
    std::vector<qspr::SavedEquation> equations;
    std::vector<std::string> columns;
    std::unique_ptr<ColumnDescriber> describer;
    try {
        model = qspr::LoadSavedModel(options.model);
        if (const std::string problem = OtherTablesProblem(options.model); !problem.empty()) {
            if (!options.allowOtherTables) {
                throw InputError(problem + " (--allow-other-tables to estimate anyway)");
            }
            std::fprintf(stderr, "KalemirT: warning: %s; estimating as asked\n", problem.c_str());
        }
        equations = AppliedEquations(model, options.allEquations);
        for (const qspr::SavedEquation& equation : equations) {
            for (const std::string& descriptor : equation.descriptors) {
                if (std::find(columns.begin(), columns.end(), descriptor) == columns.end()) {
                    columns.push_back(descriptor);
                }
            }
        }
        describer = std::make_unique<ColumnDescriber>(
            columns, model.manifest ? model.manifest->standardisation : "parent");
        records = ReadStructures(options.structures, InputFields{});
    } catch (const InputError& e) {
        std::fprintf(stderr, "KalemirT: %s\n", e.what());
        return kExitUsage;
    }

    // The calibration molecules' fingerprints, from the map file of the model's set.
    const std::string set = model.manifest && !model.manifest->set.empty()
                                ? model.manifest->set
                                : model.qsprTable.substr(0, 5);
    const std::string mapPath = FolderOf(options.model) + set + "map.txt";
    const std::map<std::string, std::string> smiles = CalibrationSmiles(mapPath);
    std::vector<std::pair<std::string, SparseCounts>> calibration;
    for (const std::string& name : model.calibrationNames) {
        const auto found = smiles.find(name);
        if (found != smiles.end()) {
            calibration.emplace_back(name, MorganCountsOfSmiles(found->second));
        }
    }
    if (calibration.size() < model.calibrationNames.size()) {
        std::fprintf(stderr,
                     "KalemirT: warning: %s: the structures of %zu calibration molecules are "
                     "missing; no nearest calibration molecule is given\n",
                     mapPath.c_str(), model.calibrationNames.size() - calibration.size());
        calibration.clear();
    }

    const auto [first, last] =
        SliceOf(static_cast<long>(records.size()), options.part, options.parts);
    const auto count = static_cast<int>(last - first);
    std::vector<ColumnRow> rows(static_cast<std::size_t>(count));
    TerminalProgress window(options.quiet);
    window.CatchInterrupts();
    try {
        window.BeginStage("descriptors of the molecules", count);
        std::atomic<int> done{0};
        WorkerPool pool(options.threads);
        pool.ForEach(count, 16, [&](int from, int to, int worker) {
            for (int i = from; i < to; ++i) {
                if (window.StopRequested()) {
                    throw RunInterrupted();
                }
                rows[static_cast<std::size_t>(i)] =
                    describer->Describe(records[static_cast<std::size_t>(first + i)]);
                const int finished = ++done;
                if (worker == 0) {
                    window.CountDone(finished);
                    window.Yield();
                }
            }
        });
    } catch (const RunInterrupted&) {
        window.Finish();
        std::fprintf(stderr, "KalemirT: interrupted; no estimate was written\n");
        return InterruptedExitStatus();
    }
    window.Finish();

    // Leverages of the described molecules on the best equation's predictors.
    std::vector<std::vector<double>> predictors;
    for (const ColumnRow& row : rows) {
        if (!row.problem.empty()) {
            continue;
        }
        std::vector<double>& values = predictors.emplace_back();
        for (const std::string& descriptor : model.best.descriptors) {
            const auto at = std::find(columns.begin(), columns.end(), descriptor) - columns.begin();
            values.push_back(qspr::AnalysisValue(row.values[static_cast<std::size_t>(at)]));
        }
    }
    const std::vector<double> leverages = qspr::LeveragesOf(model.calibrationValues, predictors);

    std::string text;
    if (options.part == 1) {
        text += "name,smiles,estimate,leverage,domain,nearest,similarity";
        for (std::size_t e = 1; e < equations.size(); ++e) {
            text += ",estimate#" + std::to_string(equations[e].number);
        }
        text += ",problem\r\n";
    }
    std::size_t described = 0;
    for (int i = 0; i < count; ++i) {
        const StructureRecord& record = records[static_cast<std::size_t>(first + i)];
        const ColumnRow& row = rows[static_cast<std::size_t>(i)];
        const std::string name =
            record.name.empty() ? "mol" + std::to_string(record.position) : record.name;
        text += CsvField(name) + "," + CsvField(row.smiles);
        if (!row.problem.empty()) {
            text +=
                ",,,,,," + std::string(equations.size() - 1, ',') + CsvField(row.problem) + "\r\n";
            continue;
        }
        const std::vector<double>& values = predictors[described];
        const double leverage = described < leverages.size() ? leverages[described] : NAN;
        ++described;
        text += "," + Fixed(qspr::EstimateWith(model.best, values), 6) + "," + Fixed(leverage, 6) +
                "," +
                (std::isfinite(leverage) ? (leverage > model.warningLeverage ? "outside" : "inside")
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
        for (std::size_t e = 1; e < equations.size(); ++e) {
            std::vector<double> own;
            for (const std::string& descriptor : equations[e].descriptors) {
                const auto at =
                    std::find(columns.begin(), columns.end(), descriptor) - columns.begin();
                own.push_back(qspr::AnalysisValue(row.values[static_cast<std::size_t>(at)]));
            }
            text += "," + Fixed(qspr::EstimateWith(equations[e], own), 6);
        }
        text += ",\r\n";
    }

    std::FILE* file = std::fopen(output.c_str(), "wb");
    const bool written = file != nullptr && WriteBytes(file, text.data(), text.size());
    const int error = errno;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(output.c_str());
        std::fprintf(stderr, "KalemirT: %s: cannot write the estimates: %s\n", output.c_str(),
                     std::strerror(written ? errno : error));
        return kExitFailedMidway;
    }
    if (!options.quiet) {
        std::printf("%d molecules estimated (%zu described)\n%s\n", count, described,
                    output.c_str());
    }
    return kExitSuccess;
}

} // namespace kalemir::tables
