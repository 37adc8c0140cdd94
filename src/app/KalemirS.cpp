// KalemirS on the command line: the whole similarity analysis of one *SIM.des table, as a
// user would run it through the table window and the computing window.

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/TextToNumber.h"
#include "similarity/Run.h"
#include "similarity/SimState.h"
#include "similarity/SimTable.h"

#include "app/DesktopStart.h"
#include "app/StopSignals.h"
#include "common/FileFaults.h"
#include "common/RunLock.h"

#ifdef KALEMIR_HAS_UI
#include "ui/SimilarityDesktop.h"
#endif

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace {

using kalemir::ComputingWindow;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: KalemirS run [options] SIMTABLE\n"
    "       KalemirS --help | --version\n"
    "\n"
    "Compares every pair of molecules of the similarity table SIMTABLE (*SIM.des) by\n"
    "chemical structure, shape, size, hydrophilicity and flexibility, clusters them,\n"
    "checks the QSPR axiom, and appends the report to the first five characters of the\n"
    "table name + \"SIM.res\"; writes the databases NBX, CLU, NDB and NVB.\n"
    "\n"
    "options:\n"
    "  -C DIR                       work in DIR\n"
    "  --shape usr|superposition    shape similarity method: corrected USR (default)\n"
    "                               or Superposition (reads the shape table P5 + SHP.des)\n"
    "  --min-similarity A,B,C,D,E   minimum similarity in clusters by chemical structure,\n"
    "                               shape, size, hydrophilicity and flexibility (default\n"
    "                               0.9,0.9,0.9,0.9,0.88; shape 0.92 with superposition)\n"
    "  --threads N                  worker threads for the pair loops, 1 to 256 (default:\n"
    "                               one per core; 1: all on one thread); the results are\n"
    "                               the same for any number\n"
    "  --quiet                      no progress display\n";

/// The computing window of the command line: its captions become the progress display on
/// standard error, one line rewritten in place on a terminal, occasional lines otherwise.
class ConsoleWindow : public ComputingWindow {
public:
    explicit ConsoleWindow(bool quiet) : quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0) {
        SetYieldInterval(4096);
    }
    ~ConsoleWindow() override { Finish(); }

    void SetCaption(std::string_view caption) override {
        if (quiet_) {
            return;
        }
        const std::string text = Trim(caption);
        if (text.empty()) {
            return;
        }
        const auto now = Clock::now();
        const std::string kind = text.substr(0, text.find_first_of("0123456789"));
        const bool newKind = kind != lastKind_;
        if (terminal_) {
            if (!newKind && now - lastShown_ < std::chrono::milliseconds(100)) {
                return;
            }
            std::fprintf(stderr, "\r%s\033[K", text.c_str());
            lineOpen_ = true;
        } else {
            if (!newKind && now - lastShown_ < std::chrono::seconds(5)) {
                return;
            }
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        std::fflush(stderr);
        lastKind_ = kind;
        lastShown_ = now;
    }
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view) override {}
    void PrintAt(int, int, std::string_view) override {}

    /// Ends the rewritten progress line.
    void Finish() {
        if (lineOpen_) {
            std::fprintf(stderr, "\n");
            lineOpen_ = false;
        }
    }

private:
    static std::string Trim(std::string_view text) {
        const auto first = text.find_first_not_of(' ');
        if (first == std::string_view::npos) {
            return {};
        }
        const auto last = text.find_last_not_of(' ');
        return std::string(text.substr(first, last - first + 1));
    }

    bool quiet_;
    bool terminal_;
    bool lineOpen_ = false;
    std::string lastKind_;
    Clock::time_point lastShown_{};
};

struct Options {
    std::string directory;
    std::string table;
    int shapeMethod = kalemir::sim::kCorrectedUsr;
    std::optional<std::vector<double>> minSimilarity;
    int threads = 0;
    bool quiet = false;
};

[[noreturn]] void UsageError(const std::string& message) {
    std::cerr << "KalemirS: " << message << "\n" << kUsage;
    std::exit(2);
}

std::vector<double> ParseSimilarities(const std::string& text) {
    std::vector<double> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (const std::string problem = kalemir::sim::ClusterSimilarityProblem(item);
            !problem.empty()) {
            UsageError("--min-similarity: " + problem);
        }
        values.push_back(kalemir::TextToNumber(item));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (values.size() != kalemir::sim::kMeasureCount) {
        UsageError("--min-similarity needs five values separated by commas");
    }
    return values;
}

/// Most worker threads a run starts.
constexpr int kMaxThreads = 256;

/// A worker count: a whole number from 1 to kMaxThreads, in digits only.
int ParseThreads(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 3 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const int threads = digits ? std::stoi(text) : 0;
    if (threads < 1 || threads > kMaxThreads) {
        UsageError("--threads must be a whole number from 1 to " + std::to_string(kMaxThreads) +
                   ", not \"" + text + "\"");
    }
    return threads;
}

Options ParseRun(int argc, char** argv) {
    Options options;
    for (int a = 2; a < argc; ++a) {
        std::string arg = argv[a];
        std::string value;
        auto takeValue = [&](const std::string& name) {
            if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
                value = arg.substr(name.size() + 1);
                return true;
            }
            if (arg == name) {
                if (a + 1 >= argc) {
                    UsageError(name + " needs a value");
                }
                value = argv[++a];
                return true;
            }
            return false;
        };
        if (takeValue("-C")) {
            options.directory = value;
        } else if (takeValue("--shape")) {
            if (value == "usr") {
                options.shapeMethod = kalemir::sim::kCorrectedUsr;
            } else if (value == "superposition") {
                options.shapeMethod = kalemir::sim::kSuperposition;
            } else {
                UsageError("--shape must be usr or superposition, not \"" + value + "\"");
            }
        } else if (takeValue("--min-similarity")) {
            options.minSimilarity = ParseSimilarities(value);
        } else if (takeValue("--threads")) {
            options.threads = ParseThreads(value);
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            UsageError("unknown option " + arg);
        } else if (options.table.empty()) {
            options.table = arg;
        } else {
            UsageError("only one similarity table can be given");
        }
    }
    if (options.table.empty()) {
        UsageError("no similarity table given");
    }
    return options;
}

int Run(const Options& options) {
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
        std::cerr << "KalemirS: " << options.directory
                  << ": cannot work in this folder: " << std::strerror(errno) << "\n";
        return 2;
    }
    // A table given with its folder: the run works in that folder, where the shape table,
    // the results file and the databases are.
    std::string table = options.table;
    const std::size_t slash = table.find_last_of('/');
    if (slash != std::string::npos) {
        const std::string folder = slash == 0 ? "/" : table.substr(0, slash);
        if (chdir(folder.c_str()) != 0) {
            std::cerr << "KalemirS: " << folder
                      << ": cannot work in this folder: " << std::strerror(errno) << "\n";
            return 2;
        }
        table = table.substr(slash + 1);
    }

    kalemir::sim::ProgramState state;
    state.tableFileName = table;
    state.shapeMethod = options.shapeMethod;
    state.threads = options.threads;
    if (options.shapeMethod == kalemir::sim::kSuperposition) {
        state.minClusterSimilarity[kalemir::sim::kShape] = 0.92;
    }
    if (options.minSimilarity) {
        for (int k = 1; k <= kalemir::sim::kMeasureCount; ++k) {
            state.minClusterSimilarity[k] =
                (*options.minSimilarity)[static_cast<std::size_t>(k - 1)];
        }
    }

    std::optional<kalemir::RunLock> lock;
    try {
        lock.emplace("KalemirS");
    } catch (const kalemir::InputError& error) {
        std::cerr << "KalemirS: " << error.what() << "\n";
        return 2;
    }
    ConsoleWindow window(options.quiet);
    kalemir::RouteStopSignals(&window);
    // The signals stop routing to the window before it goes, however the run ends.
    struct Unroute {
        ~Unroute() { kalemir::RouteStopSignals(nullptr); }
    } unroute;
    try {
        kalemir::sim::PrepareTable(state, window);
        kalemir::sim::RunState run;
        kalemir::sim::RunSimilarityAnalysis(state, run, window);
    } catch (const kalemir::InputError& error) {
        window.Finish();
        std::cerr << "KalemirS: " << error.what() << "\n";
        return 2;
    } catch (const kalemir::FileError& error) {
        window.Finish();
        std::cerr << "KalemirS: " << error.what() << "\n";
        return 1;
    } catch (const kalemir::RunInterrupted&) {
        window.Finish();
        std::cerr << "KalemirS: run interrupted; " << state.resultsFileName
                  << " keeps what was written\n";
        return kalemir::InterruptedExitStatus();
    } catch (const std::bad_alloc&) {
        window.Finish();
        std::cerr << "KalemirS: not enough memory for " << state.moleculeCount << " molecules\n";
        return 1;
    }
    window.Finish();
    if (!options.quiet) {
        std::cout << "See the results in " << state.resultsFileName << " file.\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    kalemir::ArmWriteFaultFromEnvironment();
    const std::string command = argc < 2 ? std::string() : std::string(argv[1]);
    if (command != "run" && (command.empty() || command[0] != '-')) {
#ifdef KALEMIR_HAS_UI
        const std::string problem = kalemir::DesktopStartProblem(command);
        if (!problem.empty()) {
            UsageError(problem);
        }
        return kalemir::ui::RunSimilarityDesktop(argc, argv,
                                                 QString::fromLocal8Bit(command.c_str()));
#else
        UsageError("this build has no windows; use KalemirS run");
#endif
    }
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "KalemirS " << KALEMIR_VERSION << "\n";
        return 0;
    }
    if (command != "run") {
        UsageError("unknown command " + command);
    }
    return Run(ParseRun(argc, argv));
}
