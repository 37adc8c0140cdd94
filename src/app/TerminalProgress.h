#pragma once
// The command line's computing window: one status line on standard error. On a terminal
// the line is rewritten in place a few times a second: the stage in words, the cycle and
// the outliers removed, the predictors of the sets searched, the best Q and r2 so far, the
// elapsed time and, where the work is countable, a bar with an estimate of the time left.
// When standard error is not a terminal, one plain line per stage; nothing at all when
// quiet. The picture area's lines are the windows' business and are not printed.

#include "common/ComputingWindow.h"

#include <chrono>
#include <string>

namespace kalemir {

class TerminalProgress : public ComputingWindow {
public:
    using Clock = std::chrono::steady_clock;

    explicit TerminalProgress(bool quiet);
    /// A display that writes to a terminal or not, whatever standard error is (for tests).
    TerminalProgress(bool quiet, bool terminal);
    ~TerminalProgress() override;

    void SetCaption(std::string_view caption) override;
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view) override {}
    void ShowPlaced(PlacedLine, int, std::string_view) override {}

    /// Ends the status line so that later messages start on a line of their own.
    void Finish();

    /// Routes SIGINT and SIGTERM to RequestStop of this window while it exists.
    void CatchInterrupts();

    /// The status line for a run's figures, `elapsed` seconds since the start and
    /// `stageElapsed` since the stage began, at most `width` characters.
    static std::string StatusLine(const RunProgress& progress, double elapsed, double stageElapsed,
                                  std::size_t width);

    /// The plain line of a stage when standard error is not a terminal.
    static std::string StageLine(const RunProgress& progress, double elapsed);

protected:
    void ProcessEvents() override;
    void ProgressChanged(bool newStage) override;

private:
    void Show(bool force);
    void EraseLine();
    std::size_t Width() const;

    bool quiet_;
    bool terminal_;
    bool lineShown_ = false;
    bool catching_ = false;
    std::string caption_;
    Clock::time_point start_;
    Clock::time_point stageStart_;
    Clock::time_point lastRefresh_{};
};

/// Seconds as minutes and seconds ("3:07"), or hours too ("1:02:03").
std::string ClockText(double seconds);

} // namespace kalemir
