#include "app/TerminalProgress.h"

#include "app/StopSignals.h"

#include <cmath>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kalemir {

namespace {

constexpr auto kTerminalRefresh = std::chrono::milliseconds(200);
/// Width of the status line when the terminal does not say its own.
constexpr std::size_t kDefaultWidth = 100;
/// Cells of the bar of countable work.
constexpr int kBarCells = 20;

double Seconds(TerminalProgress::Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

std::string Fixed4(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

std::string OutliersText(int removed) {
    return " (" + std::to_string(removed) + (removed == 1 ? " outlier" : " outliers") + " removed)";
}

} // namespace

std::string ClockText(double seconds) {
    const long total = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

std::string TerminalProgress::StatusLine(const RunProgress& progress, double elapsed,
                                         double stageElapsed, std::size_t width) {
    // A narrow terminal loses the parts a person misses least, one at a time, before the
    // line is cut: the predictors (the search stages name them), the outliers removed,
    // half of the bar, then the best figures. The time left stays as long as it can.
    constexpr int kShortenings = 4;
    std::string line;
    for (int shortening = 0; shortening <= kShortenings; ++shortening) {
        line = progress.Stage;
        if (progress.Cycle > 0) {
            line += " | cycle " + std::to_string(progress.Cycle);
            if (progress.OutliersRemoved > 0 && shortening < 2) {
                line += OutliersText(progress.OutliersRemoved);
            }
        }
        if (progress.Predictors > 0 && shortening < 1) {
            line += " | " + std::to_string(progress.Predictors) + " of " +
                    std::to_string(progress.MaxPredictors) + " predictors";
        }
        if (progress.HasBest && shortening < 4) {
            line += " | best Q " + Fixed4(progress.BestQ) + " r2 " + Fixed4(progress.BestR2);
        }
        line += " | " + ClockText(elapsed);
        if (progress.Total > 0) {
            const int cells = shortening < 3 ? kBarCells : kBarCells / 2;
            const double part = std::min(1.0, static_cast<double>(progress.Done) /
                                                  static_cast<double>(progress.Total));
            const int filled = static_cast<int>(part * cells);
            line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(cells - filled), '-') + "] " +
                    std::to_string(static_cast<int>(part * 100)) + "%";
            if (progress.Done > 0 && part < 1) {
                line += " ~" + ClockText(stageElapsed * (1 - part) / part) + " left";
            }
        }
        if (line.size() <= width) {
            return line;
        }
    }
    line.resize(width);
    return line;
}

std::string TerminalProgress::StageLine(const RunProgress& progress, double elapsed) {
    std::string line = ClockText(elapsed) + " " + progress.Stage;
    if (progress.Cycle > 0) {
        line += ", cycle " + std::to_string(progress.Cycle);
        if (progress.OutliersRemoved > 0) {
            line += OutliersText(progress.OutliersRemoved);
        }
    }
    if (progress.Predictors > 0) {
        line += ", " + std::to_string(progress.Predictors) + " of " +
                std::to_string(progress.MaxPredictors) + " predictors";
    }
    if (progress.HasBest) {
        line += ", best Q " + Fixed4(progress.BestQ) + " r2 " + Fixed4(progress.BestR2);
    }
    return line;
}

TerminalProgress::TerminalProgress(bool quiet)
    : TerminalProgress(quiet, isatty(STDERR_FILENO) == 1) {}

TerminalProgress::TerminalProgress(bool quiet, bool terminal)
    : quiet_(quiet), terminal_(terminal), start_(Clock::now()), stageStart_(start_) {
    SetYieldInterval(terminal_ ? 4096 : 65536);
}

TerminalProgress::~TerminalProgress() {
    if (catching_) {
        RouteStopSignals(nullptr);
    }
    Finish();
}

void TerminalProgress::CatchInterrupts() {
    RouteStopSignals(this);
    catching_ = true;
}

void TerminalProgress::SetCaption(std::string_view caption) {
    // Captions show only until the run names its first stage.
    caption_.assign(caption);
    if (Progress().Stage.empty()) {
        Show(false);
    }
}

void TerminalProgress::ProgressChanged(bool newStage) {
    if (quiet_) {
        return;
    }
    if (newStage) {
        stageStart_ = Clock::now();
        if (!terminal_) {
            std::fprintf(stderr, "%s\n",
                         StageLine(Progress(), Seconds(stageStart_ - start_)).c_str());
            std::fflush(stderr);
            return;
        }
    }
    Show(newStage);
}

void TerminalProgress::ProcessEvents() {
    Show(false);
    ComputingWindow::ProcessEvents();
}

std::size_t TerminalProgress::Width() const {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        return static_cast<std::size_t>(size.ws_col) - 1;
    }
    return kDefaultWidth;
}

void TerminalProgress::EraseLine() {
    if (terminal_ && lineShown_) {
        std::fputs("\r\033[K", stderr);
        lineShown_ = false;
    }
}

void TerminalProgress::Show(bool force) {
    if (quiet_ || !terminal_) {
        return;
    }
    const auto now = Clock::now();
    if (!force && now - lastRefresh_ < kTerminalRefresh) {
        return;
    }
    std::string line;
    if (!Progress().Stage.empty()) {
        line = StatusLine(Progress(), Seconds(now - start_), Seconds(now - stageStart_), Width());
    } else {
        std::string_view shown = caption_;
        while (!shown.empty() && shown.front() == ' ') {
            shown.remove_prefix(1);
        }
        line.assign(shown.substr(0, std::min(shown.size(), Width())));
    }
    if (line.empty()) {
        return;
    }
    lastRefresh_ = now;
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    lineShown_ = true;
}

void TerminalProgress::Finish() {
    if (terminal_ && lineShown_) {
        // The line stays on the screen: with the last figures, not those of its last refresh.
        Show(true);
        std::fputs("\n", stderr);
        lineShown_ = false;
    }
}

} // namespace kalemir
