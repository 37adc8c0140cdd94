#pragma once
// The command line's computing window: the caption becomes one progress line on
// standard error, rewritten in place on a terminal and refreshed a few times a second;
// picture-area lines are printed as lines of their own. Plain occasional lines when
// standard error is not a terminal; nothing at all when quiet.

#include "common/ComputingWindow.h"

#include <chrono>
#include <string>

namespace kalemir {

class TerminalProgress : public ComputingWindow {
public:
    explicit TerminalProgress(bool quiet);
    ~TerminalProgress() override;

    void SetCaption(std::string_view caption) override;
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view line) override;
    void PrintAt(int x, int y, std::string_view text) override;

    /// Ends the progress line so that later messages start on a line of their own.
    void Finish();

    /// Routes SIGINT and SIGTERM to RequestStop of this window while it exists.
    void CatchInterrupts();

protected:
    void ProcessEvents() override;

private:
    void Refresh(bool force);
    void EraseLine();

    bool quiet_;
    bool terminal_;
    bool lineShown_ = false;
    bool catching_ = false;
    std::string caption_;
    std::string shownCaption_;
    std::chrono::steady_clock::time_point lastRefresh_{};
};

} // namespace kalemir
