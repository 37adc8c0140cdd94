#include "app/TerminalProgress.h"

#include "app/StopSignals.h"

#include <cstdio>
#include <unistd.h>

namespace kalemir {

namespace {

constexpr auto kTerminalRefresh = std::chrono::milliseconds(200);
constexpr auto kLogRefresh = std::chrono::seconds(10);
constexpr std::size_t kTerminalWidth = 100;

} // namespace

TerminalProgress::TerminalProgress(bool quiet)
    : quiet_(quiet), terminal_(isatty(STDERR_FILENO) == 1) {
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
    caption_.assign(caption);
    Refresh(false);
}

void TerminalProgress::PrintLine(std::string_view line) {
    if (quiet_) {
        return;
    }
    EraseLine();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    Refresh(true);
}

void TerminalProgress::PrintAt(int, int, std::string_view text) {
    // Texts placed on the window surface (time panels) read as progress lines here.
    SetCaption(text);
}

void TerminalProgress::ProcessEvents() {
    Refresh(false);
    ComputingWindow::ProcessEvents();
}

void TerminalProgress::EraseLine() {
    if (terminal_ && lineShown_) {
        std::fputs("\r\033[K", stderr);
        lineShown_ = false;
    }
}

void TerminalProgress::Refresh(bool force) {
    if (quiet_ || caption_.empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastRefresh_ < (terminal_ ? kTerminalRefresh : kLogRefresh)) {
        return;
    }
    if (!terminal_ && caption_ == shownCaption_) {
        return;
    }
    lastRefresh_ = now;
    shownCaption_ = caption_;
    std::string_view shown = caption_;
    while (!shown.empty() && shown.front() == ' ') {
        shown.remove_prefix(1);
    }
    if (terminal_) {
        if (shown.size() > kTerminalWidth) {
            shown = shown.substr(0, kTerminalWidth);
        }
        std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(shown.size()), shown.data());
        lineShown_ = true;
    } else {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(shown.size()), shown.data());
    }
    std::fflush(stderr);
}

void TerminalProgress::Finish() {
    if (terminal_ && lineShown_) {
        std::fputs("\n", stderr);
        lineShown_ = false;
    }
}

} // namespace kalemir
