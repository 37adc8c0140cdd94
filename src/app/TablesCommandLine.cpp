#include "app/TablesCommandLine.h"

#include "app/CommandLine.h"
#include "app/Guard.h"
#include "app/PredictCommandLine.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "common/Errors.h"
#include "tables/ToolkitVersion.h"

#include <algorithm>
#include <cstdio>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::tables {

namespace {

/// Most molecules a run may hold out as the prediction set.
constexpr long long kMaxHoldOut = 1000000;
/// Largest seed of the 3D embedding (the toolkit takes a signed int).
constexpr long long kMaxEmbeddingSeed = 2147483647;
/// Longest time limit of one molecule's embedding: a day.
constexpr long long kMaxEmbedSeconds = 86400;

} // namespace

std::string TablesUsage() {
    return "usage: KalemirT run [options] STRUCTURES SET\n"
           "       KalemirT predict [options] MODEL STRUCTURES   (KalemirT predict --help)\n"
           "       KalemirT --help | --version\n"
           "\n"
           "Makes the tables of both programs from structures and measured values: the QSPR\n"
           "table SET, the descriptor tables SETd2d.des and SETmfp.des, the fragment table\n"
           "SETvfr.des, the similarity table SETSIM.des with its shape table SETSHP.des, the\n"
           "3D descriptor table SETd3d.des from the same conformers, and SETmap.txt (names,\n"
           "values, SMILES) and SETskipped.txt (molecules left out). A set already in the\n"
           "folder is refused unless --replace is given.\n"
           "\n"
           "  STRUCTURES          an SD file (.sdf), a SMILES file (.smi: SMILES, blank or TAB,\n"
           "                      name) or a CSV/TSV file with a header (.csv, .tsv)\n"
           "  SET                 five letters and digits that name the table set (BZR01)\n"
           "\n"
           "options:\n"
           "  -C DIR              write the tables into DIR (default: the current folder)\n"
           "  --property NAME     SD field or CSV column with the measured value\n"
           "  --values FILE       instead: a CSV/TSV of name and value, joined to the\n"
           "                      structures by name (--property then names its column)\n"
           "  --name NAME         SD field or CSV column with the molecule name (default: the\n"
           "                      SD title line, the .smi name, or a column called Name or ID)\n"
           "  --smiles NAME       CSV column with the SMILES (default: a column called SMILES)\n"
           "  --hold-out K        put K molecules with known values into the prediction set,\n"
           "                      spread evenly over the range of the property; their values\n"
           "                      go to SETobs and SETmap.txt\n"
           "  --tables LIST       tables to make (default: " +
           std::string(kAllTables) +
           ")\n"
           "  --standardise HOW   parent (default): every molecule cleaned up, its largest\n"
           "                      organic fragment kept and its charges neutralised; none:\n"
           "                      as given; tautomers: as parent, then the canonical tautomer\n"
           "  --seed N            seed of the 3D embedding (default " +
           std::to_string(kDefaultSeed) +
           ")\n"
           "  --embed-seconds S   longest time one molecule's 3D embedding may take, whole\n"
           "                      seconds (default " +
           std::to_string(static_cast<int>(kDefaultEmbedSeconds)) +
           "); a molecule past it has no conformer\n"
           "  --replace           replace the tables of a set already in the folder\n"
           "  --threads N         worker threads, 1 to 256 (default: the machine's cores); the\n"
           "                      tables are the same for any number\n"
           "  --quiet             no progress display\n"
           "\n"
           "A value follows its option as the next argument or after '=': --hold-out 5 and\n"
           "--hold-out=5 are the same.\n"
           "\n"
           "exit status: 0 tables made, 1 a write failed midway (no table is left half\n"
           "written), 2 usage or input error, no molecule left or the set already in the\n"
           "folder (nothing written), 130 on interruption (128 + the signal's number;\n"
           "nothing written)\n";
}

TablesRunOptions ParseTablesRunArguments(const std::vector<std::string>& arguments) {
    TablesRunOptions options;
    TableRequest& request = options.request;
    std::vector<std::string> operands;
    ArgumentReader reader(arguments);
    while (!reader.Done()) {
        if (reader.Option("-C")) {
            request.folder = reader.Value();
        } else if (reader.Option("--property")) {
            request.property = reader.Value();
        } else if (reader.Option("--values")) {
            request.valuesFile = reader.Value();
        } else if (reader.Option("--name")) {
            request.nameField = reader.Value();
        } else if (reader.Option("--smiles")) {
            request.smilesField = reader.Value();
        } else if (reader.Option("--hold-out")) {
            request.holdOut =
                static_cast<long>(WholeNumberValue("--hold-out", reader.Value(), 0, kMaxHoldOut));
        } else if (reader.Option("--tables")) {
            request.tables = reader.Value();
        } else if (reader.Option("--standardise")) {
            request.standardise = reader.Value();
        } else if (reader.Option("--seed")) {
            request.seed = static_cast<unsigned>(
                WholeNumberValue("--seed", reader.Value(), 0, kMaxEmbeddingSeed));
        } else if (reader.Option("--embed-seconds")) {
            request.embedSeconds = static_cast<double>(
                WholeNumberValue("--embed-seconds", reader.Value(), 1, kMaxEmbedSeconds));
        } else if (reader.Flag("--replace")) {
            request.replace = true;
        } else if (reader.Option("--threads")) {
            request.threads = ThreadCountValue("--threads", reader.Value());
        } else if (reader.Flag("--quiet")) {
            options.quiet = true;
        } else {
            operands.push_back(reader.Operand());
        }
    }
    if (operands.empty()) {
        throw InputError("no structure file given");
    }
    if (operands.size() < 2) {
        throw InputError("no set name given");
    }
    if (operands.size() > 2) {
        throw InputError("one structure file and one set name, not '" + operands[2] + "' too");
    }
    request.structures = operands[0];
    request.set = operands[1];
    CheckTableRequest(request);
    return options;
}

int TablesMain(const std::vector<std::string>& arguments) {
    const std::string version = std::string(KALEMIR_VERSION) + " (RDKit " + ToolkitVersion() + ")";
    if (!arguments.empty() && arguments[0] == "predict") {
        if (arguments.size() == 2 && arguments[1] == "--help") {
            std::fputs(PredictUsage().c_str(), stdout);
            return kExitSuccess;
        }
        return PredictMain(arguments);
    }
    const GuardedProgram program{kTablesProgram, "interrupted; no table was written"};
    return RunGuarded(program, [&] {
        if (const std::optional<int> answered =
                AnswerBeforeRun(kTablesProgram, arguments, TablesUsage(), version)) {
            return *answered;
        }
        TablesRunOptions options;
        try {
            options = ParseTablesRunArguments({arguments.begin() + 1, arguments.end()});
        } catch (const InputError& e) {
            return RefuseOptions(kTablesProgram, e);
        }
        TerminalProgress window(options.quiet);
        window.CatchInterrupts();
        const TableOutcome outcome = MakeTables(options.request, window);
        window.Finish();
        const auto shapeOnly =
            static_cast<std::size_t>(std::count_if(outcome.skipped.begin(), outcome.skipped.end(),
                                                   [](const auto& s) { return s.shapeOnly; }));
        const std::size_t whole = outcome.skipped.size() - shapeOnly;
        if (whole > 0) {
            std::fprintf(stderr, "KalemirT: %zu molecule%s left out, see %sskipped.txt\n", whole,
                         whole == 1 ? "" : "s", options.request.set.c_str());
        }
        if (shapeOnly > 0) {
            std::fprintf(stderr,
                         "KalemirT: %zu molecule%s left out of the similarity and shape tables "
                         "only, see %sskipped.txt\n",
                         shapeOnly, shapeOnly == 1 ? "" : "s", options.request.set.c_str());
        }
        if (outcome.unmatchedValues > 0) {
            std::fprintf(stderr, "KalemirT: %ld line%s of %s name no molecule\n",
                         outcome.unmatchedValues, outcome.unmatchedValues == 1 ? "" : "s",
                         options.request.valuesFile.c_str());
        }
        if (!outcome.d3dLeftOut.empty()) {
            std::fprintf(stderr, "KalemirT: %sd3d.des not made: %s\n", options.request.set.c_str(),
                         outcome.d3dLeftOut.c_str());
        }
        if (!outcome.removedStale.empty()) {
            std::fprintf(stderr, "KalemirT: %s of an earlier run removed (no molecule held out)\n",
                         outcome.removedStale.c_str());
        }
        if (!options.quiet) {
            std::printf("%ld calibration and %ld prediction molecules (%ld held out)\n",
                        outcome.calibration, outcome.prediction, outcome.heldOut);
            for (const std::string& file : outcome.files) {
                std::printf("%s\n", file.c_str());
            }
        }
        return static_cast<int>(kExitSuccess);
    });
}

} // namespace kalemir::tables
