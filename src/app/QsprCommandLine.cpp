#include "app/QsprCommandLine.h"

#include "app/CommandLine.h"
#include "app/Guard.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "common/Errors.h"
#include "common/Records.h"
#include "common/TableChecks.h"
#include "common/TextToNumber.h"
#include "qspr/final/PredictionSet.h"
#include "qspr/results/ResultsReport.h"
#include "qspr/setup/InputTables.h"
#include "qspr/setup/NameJoin.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/QsprTables.h"
#include "qspr/setup/RunFiles.h"
#include "qspr/setup/Workfiles.h"
#include "qspr/validation/ExternalValidation.h"
#include "qspr/validation/ModelReport.h"
#include "qspr/validation/Qmrf.h"
#include "qspr/validation/ResultFiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace kalemir::qspr {

namespace {

std::string NumericValue(const std::string& option, const std::string& value) {
    if (const auto problem = TypedNumberProblem(value)) {
        throw InputError("option " + option + ": " + *problem);
    }
    return value;
}

/// A seed of the shuffles: a whole number from 0 to 18446744073709551615.
unsigned long long SeedValue(const std::string& value) {
    const std::string_view digits = WithoutBlanksAround(value);
    unsigned long long seed = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, seed);
    if (digits.empty() || error != std::errc() || stop != end) {
        if (const auto problem = TypedNumberProblem(value)) {
            throw InputError("option --seed: " + *problem);
        }
        throw InputError("option --seed: '" + value + "' is not a whole number from 0 to " +
                         std::to_string(~0ULL));
    }
    return seed;
}

} // namespace

std::string QsprUsage() {
    return "usage: KalemirQ run [options] QSPRTABLE DESTABLE...\n"
           "       KalemirQ --help | --version\n"
           "\n"
           "Searches multilinear QSPR equations for the property of the QSPR table from the\n"
           "descriptor tables (one of them the fragment table, its name ending in vfr.des)\n"
           "and writes the report.\n"
           "\n"
           "options:\n"
           "  -C DIR                  work in DIR (tables are read and every file is written "
           "there)\n"
           "  --min-r2 X              minimum descriptor / property correlation r2\n"
           "  --validation N          number of molecules in the validation set\n"
           "  --cor X                 estimated correctness of the similarity program\n"
           "                          (used only with a prediction set)\n"
           "  --max-inter-r2 X        maximum descriptors intercorrelation r2\n"
           "  --max-predictors N      maximum number of predictors\n"
           "  --outliers yes|no       eliminate identified outliers\n"
           "  --save NAME             the report's name at the end\n"
           "                          (default: first seven characters of QSPRTABLE + qspr.rez)\n"
           "  --plots NAME[,NAME[,NAME]]\n"
           "                          save the scatter plots before (and after) the removal of\n"
           "                          outliers and the Williams plot of the best equation by Q\n"
           "                          as bitmaps (PNG when a name ends in .png)\n"
           "  --threads N             worker threads of the searches (default: the machine's\n"
           "                          cores; the results are the same for any number)\n"
           "  --memory MB             the memory the descriptor tables may take, in MB\n"
           "                          (default: the memory the machine lets the run use)\n"
           "  --by-position           use descriptor tables whose molecules differ from the\n"
           "                          QSPR table's, joined row by row (a warning each)\n"
           "  --by-name               use descriptor tables that hold every molecule of the\n"
           "                          QSPR table once (a database of KalemirS with the set's\n"
           "                          tables): their rows are taken in the QSPR table's order\n"
           "  --observed TABLE        observed values of prediction molecules (a table laid out\n"
           "                          as the QSPR table) for the external validation\n"
           "  --randomise M           Y-randomisation: M analyses on shuffled property values\n"
           "                          (0 to 1000, default 0: none)\n"
           "  --seed N                seed of the shuffles (default " +
           std::to_string(kDefaultRandomisationSeed) +
           ")\n"
           "  --quiet                 no progress display\n"
           "\n"
           "A value follows its option as the next argument or after '=': --min-r2 0.2 and\n"
           "--min-r2=0.2 are the same.\n"
           "\n"
           "Beside the report the run writes QSPRTABLE-results.json (every result, for other\n"
           "programs), QSPRTABLE-validation.txt (leave-one-out, applicability domain and\n"
           "external validation of the best equation by Q), QSPRTABLE-model.html (the model\n"
           "report with its plots, for a browser) and QSPRTABLE-qmrf.md (a QMRF draft).\n"
           "\n"
           "exit status: 0 the run reached its results, 1 it failed midway, 2 usage or input\n"
           "error (nothing written), 3 it stopped itself (see the report), 130 interrupted\n"
           "(128 + the signal's number)\n";
}

QsprRunOptions ParseQsprRunArguments(const std::vector<std::string>& arguments) {
    QsprRunOptions options;
    std::vector<std::string> tables;
    ArgumentReader reader(arguments);
    while (!reader.Done()) {
        if (reader.Option("-C")) {
            options.workDir = reader.Value();
        } else if (reader.Option("--min-r2")) {
            options.minR2 = NumericValue("--min-r2", reader.Value());
        } else if (reader.Option("--validation")) {
            options.validation = NumericValue("--validation", reader.Value());
        } else if (reader.Option("--cor")) {
            options.cor = NumericValue("--cor", reader.Value());
            if (const auto problem = CorrectnessProblem(*options.cor)) {
                throw InputError("option --cor: " + *problem);
            }
        } else if (reader.Option("--max-inter-r2")) {
            options.maxInterR2 = NumericValue("--max-inter-r2", reader.Value());
        } else if (reader.Option("--max-predictors")) {
            options.maxPredictors = NumericValue("--max-predictors", reader.Value());
        } else if (reader.Option("--outliers")) {
            const std::string& value = reader.Value();
            if (value != "yes" && value != "no") {
                throw InputError("option --outliers: '" + value + "' is neither yes nor no");
            }
            options.eliminateOutliers = value == "yes";
        } else if (reader.Option("--save")) {
            options.saveName = reader.Value();
            if (options.saveName->empty()) {
                throw InputError("option --save: the name is empty");
            }
        } else if (reader.Option("--plots")) {
            const std::string& value = reader.Value();
            std::size_t start = 0;
            for (;;) {
                const std::size_t comma = value.find(',', start);
                const std::string name = value.substr(start, comma - start);
                if (name.empty()) {
                    throw InputError("option --plots: an empty file name in '" + value + "'");
                }
                options.plotNames.push_back(name);
                if (comma == std::string::npos) {
                    break;
                }
                start = comma + 1;
            }
            if (options.plotNames.size() > 3) {
                throw InputError("option --plots: at most three names (before, after, Williams)");
            }
        } else if (reader.Option("--threads")) {
            options.threads = ThreadCountValue("--threads", reader.Value());
        } else if (reader.Option("--memory")) {
            options.memory = reader.Value();
            std::optional<std::string> problem = MemoryProblem(*options.memory);
            if (!problem && MemoryMegabytes(*options.memory) == 0) {
                problem = "the value is empty";
            }
            if (problem) {
                throw InputError("option --memory: " + *problem);
            }
        } else if (reader.Option("--observed")) {
            options.observedTable = reader.Value();
        } else if (reader.Option("--randomise")) {
            options.randomise = NumericValue("--randomise", reader.Value());
        } else if (reader.Option("--seed")) {
            options.seed = SeedValue(reader.Value());
        } else if (reader.Flag("--quiet")) {
            options.quiet = true;
        } else if (reader.Flag("--by-position")) {
            options.byPosition = true;
        } else if (reader.Flag("--by-name")) {
            options.byName = true;
        } else {
            tables.push_back(reader.Operand());
        }
    }
    if (options.byPosition && options.byName) {
        throw InputError("options --by-position and --by-name: choose one join");
    }
    if (tables.empty()) {
        throw InputError("no QSPR table given");
    }
    if (tables.size() < 2) {
        throw InputError("no descriptor table given");
    }
    options.qsprTable = tables.front();
    options.descriptorTables.assign(tables.begin() + 1, tables.end());
    for (const std::string& table : options.descriptorTables) {
        if (const auto problem = DescriptorTableProblem(table)) {
            throw InputError(*problem);
        }
    }
    return options;
}

void CheckResultNames(const QsprRunOptions& options) {
    std::vector<KeptFile> kept = TablesOfRun(options.qsprTable, options.descriptorTables,
                                             options.observedTable.value_or(std::string()));
    const std::string saveName = options.saveName.value_or(DefaultReportName(options.qsprTable));
    if (const auto problem = ResultNameProblem(saveName, kept)) {
        throw InputError("option --save: " + *problem);
    }
    kept.push_back({kWorkingReport, "the working report of this run"});
    kept.push_back({saveName, "the report's name"});
    for (const std::string& plot : options.plotNames) {
        if (const auto problem = ResultNameProblem(plot, kept)) {
            throw InputError("option --plots: " + *problem);
        }
        kept.push_back({plot, "the other scatter plot's name"});
    }
}

void CheckQsprRunInput(const QsprRunOptions& options) {
    const std::vector<std::string> differences =
        CheckQsprTables("", options.qsprTable, options.descriptorTables);
    if (options.byName) {
        if (const auto problem = NameJoinProblem("", options.qsprTable, options.descriptorTables)) {
            throw InputError(*problem + " (tables joined by name hold every molecule of the QSPR "
                                        "table once)");
        }
        return;
    }
    if (differences.empty()) {
        return;
    }
    if (!options.byPosition) {
        const bool joinable =
            !NameJoinProblem("", options.qsprTable, options.descriptorTables).has_value();
        throw InputError(differences.front() +
                         (joinable ? std::string(kByNameProposal) + " (--by-name)" : ""));
    }
    for (const std::string& difference : differences) {
        std::fprintf(stderr, "KalemirQ: %s\n", JoinedByPositionWarning(difference).c_str());
    }
}

std::string QsprRunSummary(const ProgramState& state, const std::string& reportName,
                           const std::vector<std::string>& plotsWritten) {
    const RunRecord& record = state.Record;
    std::string text;
    char figures[160];
    const CycleRecord* best = nullptr;
    for (const CycleRecord& cycle : record.Cycles) {
        if (cycle.Cycle == record.BestModel.Cycle && !cycle.Descriptors.empty()) {
            best = &cycle;
        }
    }
    if (best == nullptr) {
        text += "no equation found\n";
    } else {
        std::snprintf(figures, sizeof figures,
                      "best equation by Q (cycle %d, %zu predictors): r2 %.4f  Q %.4f  "
                      "r2CV %.4f\n",
                      best->Cycle, best->Descriptors.size(), best->R2, best->Q, best->R2CV);
        text += figures;
        std::string names;
        for (const std::string& name : best->Descriptors) {
            names += (names.empty() ? "  " : ", ") + name;
        }
        text += names + "\n";
    }
    std::string outliers;
    for (const CycleRecord& cycle : record.Cycles) {
        if (!cycle.RemovedOutlier.empty()) {
            outliers += (outliers.empty() ? "" : ", ") + cycle.RemovedOutlier;
        }
    }
    text += "outliers removed: " + (outliers.empty() ? std::string("none") : outliers) + "\n";
    if (!record.PredictionNames.empty()) {
        int low = 0;
        int high = 0;
        for (const std::string& label : record.FinalLabels) {
            low += label == "low" ? 1 : 0;
            high += label == "high" ? 1 : 0;
        }
        std::snprintf(figures, sizeof figures,
                      "prediction molecules labelled: %d of %zu (%d low, %d high)\n", low + high,
                      record.PredictionNames.size(), low, high);
        text += figures;
    }
    std::vector<std::string> files = {reportName};
    for (const std::string& name :
         {ResultsJsonName(state.QsprTableName), ValidationTextName(state.QsprTableName),
          ModelReportName(state.QsprTableName), QmrfDraftName(state.QsprTableName),
          EstimatesFileName(state.QsprTableName)}) {
        if (access(name.c_str(), F_OK) == 0) {
            files.push_back(name);
        }
    }
    files.insert(files.end(), plotsWritten.begin(), plotsWritten.end());
    text += "written:";
    for (const std::string& file : files) {
        text += " " + file;
    }
    return text + "\n";
}

namespace {

/// The command line's Workfiles and Parameters steps: the windows' own checks over the
/// options given as their entries.
ParametersOutcome SetUpFromOptions(const QsprRunOptions& options, ProgramState& state) {
    WorkfilesChoice choice;
    choice.QsprTable = options.qsprTable;
    choice.ListedTables = options.descriptorTables;
    choice.Selected.assign(options.descriptorTables.size(), true);
    choice.JoinByName = options.byName;
    const std::vector<std::string> joinedByPosition =
        options.byPosition ? CheckQsprTables("", options.qsprTable, options.descriptorTables)
                           : std::vector<std::string>();
    if (!WorkfilesOk(state, choice, joinedByPosition)) {
        throw InputError("no QSPR table or no descriptor table chosen");
    }
    if (!state.EarlierReportKeptAs.empty()) {
        std::fprintf(stderr, "KalemirQ: %s\n",
                     EarlierReportNotice(kWorkingReport, state.EarlierReportKeptAs).c_str());
    }

    ParameterEntries entries = LoadParameters(state);
    if (options.minR2) {
        entries.MinPropertyR2Text = *options.minR2;
    }
    if (options.validation) {
        entries.ValidationCountText = *options.validation;
    }
    if (options.cor && entries.EstimatedCorShown) {
        entries.EstimatedCorText = *options.cor;
    }
    if (options.maxInterR2) {
        entries.MaxInterR2Text = *options.maxInterR2;
    }
    if (options.maxPredictors) {
        entries.MaxPredictorsText = *options.maxPredictors;
    }
    if (options.eliminateOutliers) {
        entries.EliminateOutliers = *options.eliminateOutliers;
    }
    if (options.randomise) {
        entries.RandomisationRunsText = *options.randomise;
    }
    if (options.memory) {
        entries.MemoryText = *options.memory;
    }
    state.RandomisationSeed = options.seed;

    state.ThreadCount = options.threads;
    state.ObservedTableName = options.observedTable.value_or(std::string());
    return ParametersOk(state, entries);
}

} // namespace

void RunQsprCommand(const QsprRunOptions& options, ComputingWindow& window,
                    const PlotWriter& plotWriter, std::string* summary) {
    JobRequest request;
    request.Setup = [&options](ProgramState& state) { return SetUpFromOptions(options, state); };
    request.PlotNames = options.plotNames;
    request.WritePlot = plotWriter;
    request.ReportName = options.saveName.value_or(DefaultReportName(options.qsprTable));
    request.Notify = [](const std::string& notice) {
        std::fprintf(stderr, "KalemirQ: %s\n", notice.c_str());
    };
    ProgramState state;
    const JobOutcome outcome = RunQsprJob(request, state, window);
    if (summary != nullptr) {
        *summary = QsprRunSummary(state, outcome.ReportName, outcome.PlotsWritten);
    }
}

bool AsksForPlots(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0] != "run") {
        return false;
    }
    try {
        return !ParseQsprRunArguments({arguments.begin() + 1, arguments.end()}).plotNames.empty();
    } catch (const InputError&) {
        return false;
    }
}

int QsprMain(const std::vector<std::string>& arguments, const PlotWriter& plotWriter) {
    const GuardedProgram program{
        kQsprProgram, std::string("interrupted; the report so far is in ") + kWorkingReport,
        std::string(" (see ") + kWorkingReport + ")"};
    return RunGuarded(program, [&] {
        if (const std::optional<int> answered =
                AnswerBeforeRun(kQsprProgram, arguments, QsprUsage(), KALEMIR_VERSION)) {
            return *answered;
        }
        QsprRunOptions options;
        try {
            options = ParseQsprRunArguments({arguments.begin() + 1, arguments.end()});
        } catch (const InputError& e) {
            return RefuseOptions(kQsprProgram, e);
        }
        if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) {
            throw InputError(options.workDir + ": cannot work there: " + std::strerror(errno));
        }
        if (!options.plotNames.empty() && !plotWriter) {
            throw InputError("option --plots: this build has no drawing support");
        }
        CheckResultNames(options);
        CheckQsprRunInput(options);
        if (options.observedTable) {
            CheckPlainTableName(*options.observedTable);
            CheckReadableFile(*options.observedTable);
            LoadObservedTable(*options.observedTable, options.qsprTable);
        }
        TerminalProgress window(options.quiet);
        window.CatchInterrupts();
        std::string summary;
        RunQsprCommand(options, window, plotWriter, &summary);
        window.Finish();
        if (!options.quiet) {
            std::fputs(summary.c_str(), stdout);
        }
        return static_cast<int>(kExitSuccess);
    });
}

} // namespace kalemir::qspr
