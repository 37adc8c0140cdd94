#pragma once
// The computing window of both programs: its caption and the picture area,
// fed by an engine that runs on a worker thread. Updates from the worker are queued and
// coalesced: however fast the engine reports, the window repaints at its own pace.

#include "common/ComputingWindow.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kalemir::ui {

class DialogService;
class ComputingView;

/// The engine's side of the computing window: called on the worker thread.
class ThreadedWindow : public ComputingWindow {
public:
    explicit ThreadedWindow(ComputingView* view) : view_(view) {}

    void SetCaption(std::string_view caption) override;
    void ClearPicture() override;
    void ShowPicture(bool visible) override;
    void PrintLine(std::string_view line) override;
    void ShowPlaced(PlacedLine kind, int line, std::string_view text) override;

    /// What has changed since the window last repainted (taken on the UI thread).
    struct Pending {
        std::optional<std::string> caption;
        bool clearPicture = false;
        std::optional<bool> pictureVisible;
        std::vector<std::string> lines;
        /// Texts placed on the window surface, by position in twips from the top left.
        std::map<std::pair<int, int>, std::string> placedTexts;
    };
    Pending Take();

private:
    void Post();

    ComputingView* view_;
    std::mutex mutex_;
    Pending pending_;
    std::atomic<bool> posted_{false};
};

class ComputingView : public QWidget {
    Q_OBJECT
public:
    using Job = std::function<void(ComputingWindow&)>;

    ComputingView(DialogService& dialogs, QWidget* parent = nullptr);
    ~ComputingView() override;

    /// Starts the job on a worker thread; a second call while one runs does nothing.
    /// Returns false when a job is already running.
    bool Start(Job job);
    bool Running() const { return running_; }
    /// The engine window the job talks to.
    ThreadedWindow& EngineWindow() { return engineWindow_; }
    QPlainTextEdit* Picture() const { return picture_; }
    /// Stop (and Escape): asks, as closing the window does, and stops the run on yes.
    QPushButton* StopButton() const { return stopButton_; }

signals:
    /// The job ended: normally, stopped by the user, or with an error message.
    void Finished(bool stopped, QString error);

public slots:
    void ApplyPending();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OnJobEnded(bool stopped, QString error);

private:
    /// Asks whether to stop the running analysis and stops it on yes.
    void AskStop();

    DialogService& dialogs_;
    ThreadedWindow engineWindow_;
    QPlainTextEdit* picture_;
    QPushButton* stopButton_;
    std::map<std::pair<int, int>, QLabel*> placedLabels_;
    std::thread worker_;
    bool running_ = false;
    bool started_ = false;
    bool ended_ = false;

public:
    /// Set before the window is shown: the job its first activation runs.
    Job jobOnActivation;
};

/// The computing window of a program's flow: F1 shows its help; its first showing runs
/// `job`; when the job ends, an error is shown under `errorTitle` and `ended` is told
/// whether the user stopped it.
ComputingView* MakeFlowComputingView(DialogService& dialogs, ComputingView::Job job,
                                     const QString& errorTitle,
                                     std::function<void(bool stopped)> ended);

} // namespace kalemir::ui
