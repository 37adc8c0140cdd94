#include "app/PredictCommandLine.h"

#include "app/CommandLine.h"
#include "app/Guard.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "common/Errors.h"
#include "tables/StructureInput.h"
#include "tables/TableMaker.h"

#include <cstdio>

namespace kalemir::tables {

namespace {

/// Most slices a library may be cut into.
constexpr long long kMaxParts = 1000000;

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
           "                      ranked equation too, and the run's low/high label)\n"
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
            const std::string& value = reader.Value();
            if (value != "best" && value != "all") {
                throw InputError("option --equations: '" + value + "' is not best or all");
            }
            options.allEquations = value == "all";
        } else if (reader.Option("--part")) {
            const std::string& value = reader.Value();
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

int PredictMain(const std::vector<std::string>& arguments) {
    const GuardedProgram program{kTablesProgram, "interrupted; no estimate was written"};
    return RunGuarded(program, [&] {
        PredictOptions options;
        try {
            options = ParsePredictArguments({arguments.begin() + 1, arguments.end()});
        } catch (const InputError& e) {
            return RefuseOptions(kTablesProgram, e);
        }
        PredictRequest request;
        request.model = options.model;
        request.structures = options.structures;
        request.allEquations = options.allEquations;
        request.threads = options.threads;
        request.part = options.part;
        request.parts = options.parts;
        request.allowOtherTables = options.allowOtherTables;
        // The estimates go into the current folder (or -C DIR) unless -o names a path.
        request.output =
            options.output.empty() ? DefaultEstimatesName(options.structures) : options.output;
        if (!options.folder.empty() && request.output[0] != '/') {
            request.output = options.folder + "/" + request.output;
        }
        TerminalProgress window(options.quiet);
        window.CatchInterrupts();
        const auto warn = [](const std::string& warning) {
            std::fprintf(stderr, "KalemirT: warning: %s\n", warning.c_str());
        };
        const PredictOutcome outcome = EstimateMolecules(request, window, warn);
        window.Finish();
        if (!options.quiet) {
            std::printf("%ld molecules estimated (%ld described)\n%s\n", outcome.molecules,
                        outcome.described, outcome.output.c_str());
        }
        return static_cast<int>(kExitSuccess);
    });
}

} // namespace kalemir::tables
