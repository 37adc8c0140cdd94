#include "app/SimCommandLine.h"

#include "app/Guard.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "common/Errors.h"
#include "common/TextToNumber.h"
#include "similarity/Run.h"
#include "similarity/RunLocked.h"
#include "similarity/SimState.h"
#include "similarity/SimTable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::sim {

namespace {

std::vector<double> SimilarityValues(const std::string& text) {
    std::vector<double> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (const auto problem = ClusterSimilarityProblem(item)) {
            throw InputError("option --min-similarity: " + *problem);
        }
        values.push_back(TextToNumber(item));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (values.size() != kMeasureCount) {
        throw InputError("option --min-similarity needs five values separated by commas");
    }
    return values;
}

void ChangeFolder(const std::string& folder) {
    if (chdir(folder.c_str()) != 0) {
        throw InputError(folder + ": cannot work in this folder: " + std::strerror(errno));
    }
}

} // namespace

std::string SimUsage() {
    return "usage: KalemirS run [options] SIMTABLE\n"
           "       KalemirS --help | --version\n"
           "\n"
           "Compares every pair of molecules of the similarity table SIMTABLE (*SIM.des) by\n"
           "chemical structure, shape, size, hydrophilicity and flexibility, clusters them,\n"
           "checks the QSPR axiom, and appends the report to the first five characters of the\n"
           "table name + \"SIM.res\"; writes the databases NBX, CLU, NDB and NVB, the cliff\n"
           "list P5 + \"cliffs.csv\" (every calibration pair at least as similar as the\n"
           "threshold, with its property difference and SALI = |difference| / (1 - similarity),\n"
           "\"inf\" at similarity 1, by SALI descending for each measure) and the\n"
           "structure-activity similarity maps P5 + \"sas-MEASURE.svg\".\n"
           "\n"
           "options:\n"
           "  -C DIR                       work in DIR\n"
           "  --shape usr|superposition    shape similarity method: corrected USR (default)\n"
           "                               or Superposition (reads the shape table P5 + "
           "SHP.des)\n"
           "  --min-similarity A,B,C,D,E   minimum similarity in clusters by chemical "
           "structure,\n"
           "                               shape, size, hydrophilicity and flexibility "
           "(default\n"
           "                               0.9,0.9,0.9,0.9,0.88; shape 0.92 with "
           "superposition)\n"
           "  --cliff-similarity X         least similarity of the pairs listed in P5 +\n"
           "                               \"cliffs.csv\" (default: each measure's minimum\n"
           "                               similarity in clusters)\n"
           "  --threads N                  worker threads for the pair loops, 1 to 256 "
           "(default:\n"
           "                               one per core; 1: all on one thread); the results "
           "are\n"
           "                               the same for any number\n"
           "  --quiet                      no progress display\n"
           "\n"
           "A value follows its option as the next argument or after '=': --shape usr and\n"
           "--shape=usr are the same.\n"
           "\n"
           "exit status: 0 the analysis ran to its end, 1 a file could not be written during\n"
           "the run, 2 usage or input error (nothing written), 130 interrupted (128 + the\n"
           "signal's number; the report keeps what was written)\n";
}

SimRunOptions ParseSimRunArguments(const std::vector<std::string>& arguments) {
    SimRunOptions options;
    ArgumentReader reader(arguments);
    while (!reader.Done()) {
        if (reader.Option("-C")) {
            options.workDir = reader.Value();
        } else if (reader.Option("--shape")) {
            const std::string& value = reader.Value();
            if (value == "usr") {
                options.shapeMethod = kCorrectedUsr;
            } else if (value == "superposition") {
                options.shapeMethod = kSuperposition;
            } else {
                throw InputError("option --shape: '" + value +
                                 "' is neither usr nor superposition");
            }
        } else if (reader.Option("--min-similarity")) {
            options.minSimilarity = SimilarityValues(reader.Value());
        } else if (reader.Option("--cliff-similarity")) {
            const std::string& value = reader.Value();
            if (const auto problem = ClusterSimilarityProblem(value)) {
                throw InputError("option --cliff-similarity: " + *problem);
            }
            options.cliffSimilarity = TextToNumber(value);
        } else if (reader.Option("--threads")) {
            options.threads = ThreadCountValue("--threads", reader.Value());
        } else if (reader.Flag("--quiet")) {
            options.quiet = true;
        } else if (options.table.empty()) {
            options.table = reader.Operand();
        } else {
            reader.Operand();
            throw InputError("only one similarity table can be given");
        }
    }
    if (options.table.empty()) {
        throw InputError("no similarity table given");
    }
    return options;
}

RunChoices ChoicesOfOptions(const SimRunOptions& options) {
    RunChoices choices;
    choices.ShapeMethod = options.shapeMethod;
    choices.Threads = options.threads;
    for (int k = 1; k <= kMeasureCount; ++k) {
        choices.MinClusterSimilarity[k] =
            options.minSimilarity ? (*options.minSimilarity)[static_cast<std::size_t>(k - 1)]
                                  : DefaultMinClusterSimilarity(k, options.shapeMethod);
    }
    if (options.cliffSimilarity) {
        choices.CliffSimilarity = *options.cliffSimilarity;
    }
    return choices;
}

namespace {

/// The run in its folder; what the user is told of a run that ends early goes into
/// `program` as the run learns it.
int RunSimJob(const SimRunOptions& options, GuardedProgram& program) {
    if (!options.workDir.empty()) {
        ChangeFolder(options.workDir);
    }
    // A table given with its folder: the run works in that folder, where the shape table,
    // the results file and the databases are.
    std::string table = options.table;
    const std::size_t slash = table.find_last_of('/');
    if (slash != std::string::npos) {
        ChangeFolder(slash == 0 ? "/" : table.substr(0, slash));
        table = table.substr(slash + 1);
    }

    RunChoices choices = ChoicesOfOptions(options);
    choices.TableFileName = table;
    DeriveFileNames(choices);
    program.interrupted = "run interrupted; " + choices.ResultsFileName + " keeps what was written";

    RunLocked([&] {
        TerminalProgress window(options.quiet);
        window.CatchInterrupts();
        PreparedTable prepared;
        try {
            PrepareTable(choices, prepared, window);
            RunResults results;
            RunSimilarityAnalysis(choices, prepared, results, window);
        } catch (const std::bad_alloc&) {
            program.outOfMemory =
                "not enough memory for " + std::to_string(prepared.MoleculeCount) + " molecules";
            throw;
        }
        window.Finish();
    });
    if (!options.quiet) {
        std::printf("See the results in %s file.\n", choices.ResultsFileName.c_str());
        // The databases share the results file's first five characters.
        const std::string& results = choices.ResultsFileName;
        const std::string prefix =
            results.substr(0, results.size() - std::string("SIM.res").size());
        std::string written = "written: " + results;
        for (const char* database : {"NBX", "CLU", "NDB", "NVB", "cliffs.csv"}) {
            if (access((prefix + database).c_str(), F_OK) == 0) {
                written += " " + prefix + database;
            }
        }
        std::printf("%s\n", written.c_str());
    }
    return static_cast<int>(kExitSuccess);
}

} // namespace

int SimMain(const std::vector<std::string>& arguments) {
    GuardedProgram program{kSimilarityProgram};
    return RunGuarded(program, [&] {
        if (const std::optional<int> answered =
                AnswerBeforeRun(kSimilarityProgram, arguments, SimUsage(), KALEMIR_VERSION)) {
            return *answered;
        }
        SimRunOptions options;
        try {
            options = ParseSimRunArguments({arguments.begin() + 1, arguments.end()});
        } catch (const InputError& error) {
            return RefuseOptions(kSimilarityProgram, error);
        }
        return RunSimJob(options, program);
    });
}

} // namespace kalemir::sim
