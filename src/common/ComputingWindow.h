#pragma once
// What the engines need of the window that shows a long computation: a caption, a picture
// area printed to line by line, text at a position of the window surface, and a yield.
// The command line and the desktop windows each implement it.

#include <atomic>
#include <string>
#include <string_view>

namespace kalemir {

/// Where a run stands, in figures a status line can show. The engines set what they know;
/// the rest keeps its last value.
struct RunProgress {
    std::string Stage; ///< in words ("search of 3-predictor sets")
    int Cycle = 0;     ///< analysis cycle, from 1; 0 outside the cycles
    int OutliersRemoved = 0;
    int Predictors = 0; ///< size of the sets being searched; 0 unknown
    int MaxPredictors = 0;
    bool HasBest = false; ///< a best equation by Q is known
    double BestQ = 0;
    double BestR2 = 0;
    long long Done = 0; ///< countable work of the stage: done of total (total 0: none)
    long long Total = 0;
};

/// Texts the engine shows apart from the picture lines; the window decides where they go.
enum class PlacedLine {
    CentringNotice, ///< the centring of the descriptor values has begun
    SelectionPanel, ///< a line of the time panel of the selection within groups, from 0
};

class ComputingWindow {
public:
    virtual ~ComputingWindow() = default;

    /// A new stage, with its countable work (0: not countable).
    void BeginStage(std::string_view stage, long long total = 0) {
        progress_.Stage.assign(stage);
        progress_.Done = 0;
        progress_.Total = total;
        ProgressChanged(true);
    }
    /// Countable work of the stage done so far.
    void CountDone(long long done) {
        progress_.Done = done;
        ProgressChanged(false);
    }
    /// The analysis cycle and the outliers removed before it. A cycle searches its own
    /// calibration set: it starts without a best equation.
    void SetCycle(int cycle, int outliersRemoved) {
        progress_.Cycle = cycle;
        progress_.OutliersRemoved = outliersRemoved;
        progress_.HasBest = false;
        ProgressChanged(false);
    }
    /// The size of the sets being searched and the largest allowed.
    void SetPredictors(int predictors, int maxPredictors) {
        progress_.Predictors = predictors;
        progress_.MaxPredictors = maxPredictors;
        ProgressChanged(false);
    }
    /// The best equation by Q of the cycle so far.
    void SetBest(double q, double r2) {
        progress_.HasBest = true;
        progress_.BestQ = q;
        progress_.BestR2 = r2;
        ProgressChanged(false);
    }
    const RunProgress& Progress() const { return progress_; }

    /// Overwrites the window caption (progress texts).
    virtual void SetCaption(std::string_view caption) = 0;
    /// Clears the picture area.
    virtual void ClearPicture() = 0;
    /// Makes the picture area visible or hides it.
    virtual void ShowPicture(bool visible) = 0;
    /// Prints one line in the picture area, below the previous one.
    virtual void PrintLine(std::string_view line) = 0;
    /// Shows a placed text; `line` numbers the lines of a kind that has several.
    virtual void ShowPlaced(PlacedLine kind, int line, std::string_view text) = 0;

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

    /// The same as `times` calls of Yield(): for work done by workers, yielded for at once.
    void Yield(unsigned long long times) {
        while (times > 0) {
            const unsigned long long left =
                yieldCount_ < yieldInterval_ ? yieldInterval_ - yieldCount_ : 1;
            if (times < left) {
                yieldCount_ += static_cast<unsigned>(times);
                return;
            }
            times -= left;
            yieldCount_ = 0;
            ProcessEvents();
        }
    }

    /// Asks the run to stop at its next yield; safe to call from another thread.
    void RequestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }

protected:
    /// Called when the run's figures change; `newStage` when a stage begins. The windows,
    /// which show the captions and the picture area instead, leave it empty.
    virtual void ProgressChanged(bool newStage) { (void)newStage; }
    /// Called by Yield every `yieldInterval` calls; the default checks for a stop request.
    virtual void ProcessEvents();
    void SetYieldInterval(unsigned interval) { yieldInterval_ = interval == 0 ? 1 : interval; }

private:
    RunProgress progress_;
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
    void ShowPlaced(PlacedLine, int, std::string_view) override {}
    const std::string& Caption() const { return caption_; }

private:
    std::string caption_;
};

} // namespace kalemir
