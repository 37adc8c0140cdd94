#pragma once
// What the engines need of the window that shows a long computation: a caption, a picture
// area printed to line by line, text at a position of the window surface, and a yield.
// The command line and the desktop windows each implement it.

#include <atomic>
#include <string>
#include <string_view>

namespace kalemir {

class ComputingWindow {
public:
    virtual ~ComputingWindow() = default;

    /// Overwrites the window caption (progress texts).
    virtual void SetCaption(std::string_view caption) = 0;
    /// Clears the picture area.
    virtual void ClearPicture() = 0;
    /// Makes the picture area visible or hides it.
    virtual void ShowPicture(bool visible) = 0;
    /// Prints one line in the picture area, below the previous one.
    virtual void PrintLine(std::string_view line) = 0;
    /// Prints text at a position of the window surface, in twips from the top left.
    virtual void PrintAt(int x, int y, std::string_view text) = 0;

    /// Lets the window system process pending events. Called hundreds of thousands of
    /// times by the searches, so it only counts until a listener's turn comes round;
    /// throws RunInterrupted once the user asked to stop.
    void Yield() {
        if (++yieldCount_ < yieldInterval_) {
            return;
        }
        yieldCount_ = 0;
        ProcessEvents();
    }

    /// Asks the run to stop at its next yield; safe to call from another thread.
    void RequestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }

protected:
    /// Called by Yield every `yieldInterval` calls; the default checks for a stop request.
    virtual void ProcessEvents();
    void SetYieldInterval(unsigned interval) { yieldInterval_ = interval == 0 ? 1 : interval; }

private:
    unsigned yieldCount_ = 0;
    unsigned yieldInterval_ = 256;
    std::atomic<bool> stopRequested_{false};
};

/// A window that shows nothing: for tests and quiet runs.
class SilentWindow : public ComputingWindow {
public:
    void SetCaption(std::string_view caption) override { caption_ = caption; }
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view) override {}
    void PrintAt(int, int, std::string_view) override {}
    const std::string& Caption() const { return caption_; }

private:
    std::string caption_;
};

} // namespace kalemir
