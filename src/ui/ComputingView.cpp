#include "ui/ComputingView.h"

#include "common/Errors.h"
#include "ui/DialogService.h"
#include "ui/HelpPages.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace kalemir::ui {

namespace {
/// Twips of the window surface per screen pixel at the usual 96 dots per inch.
constexpr int kTwipsPerPixel = 15;
} // namespace

void ThreadedWindow::SetCaption(std::string_view caption) {
    {
        std::lock_guard lock(mutex_);
        pending_.caption = std::string(caption);
    }
    Post();
}

void ThreadedWindow::ClearPicture() {
    {
        std::lock_guard lock(mutex_);
        pending_.clearPicture = true;
        pending_.lines.clear();
    }
    Post();
}

void ThreadedWindow::ShowPicture(bool visible) {
    {
        std::lock_guard lock(mutex_);
        pending_.pictureVisible = visible;
    }
    Post();
}

void ThreadedWindow::PrintLine(std::string_view line) {
    {
        std::lock_guard lock(mutex_);
        pending_.lines.emplace_back(line);
    }
    Post();
}

namespace {

/// Where the window places the engine's placed texts, in twips from the top left.
std::pair<int, int> PlaceOf(PlacedLine kind, int line) {
    constexpr int kPanelLineTwips = 240; // one line of the selection's time panel
    switch (kind) {
    case PlacedLine::CentringNotice:
        return {1000, 3700};
    case PlacedLine::SelectionPanel:
        return {0, line * kPanelLineTwips};
    }
    return {0, 0};
}

} // namespace

void ThreadedWindow::ShowPlaced(PlacedLine kind, int line, std::string_view text) {
    {
        std::lock_guard lock(mutex_);
        pending_.placedTexts[PlaceOf(kind, line)] = std::string(text);
    }
    Post();
}

ThreadedWindow::Pending ThreadedWindow::Take() {
    std::lock_guard lock(mutex_);
    posted_.store(false);
    Pending taken = std::move(pending_);
    pending_ = Pending{};
    return taken;
}

void ThreadedWindow::Post() {
    // One queued repaint at a time; later updates join the pending one.
    if (!posted_.exchange(true)) {
        QMetaObject::invokeMethod(view_, "ApplyPending", Qt::QueuedConnection);
    }
}

ComputingView::ComputingView(DialogService& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), engineWindow_(this) {
    setObjectName("ComputingWindow");
    picture_ = new QPlainTextEdit(this);
    picture_->setObjectName("picture");
    picture_->setReadOnly(true);
    picture_->setMaximumBlockCount(2000);
    stopButton_ = new QPushButton("Stop", this);
    stopButton_->setObjectName("stopButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(stopButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(picture_, 3);
    layout->addLayout(buttons);
    resize(820, 560);
    connect(stopButton_, &QPushButton::clicked, this, [this] { AskStop(); });
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, [this] { AskStop(); });
}

ComputingView::~ComputingView() {
    if (worker_.joinable()) {
        engineWindow_.RequestStop();
        worker_.join();
    }
}

bool ComputingView::Start(Job job) {
    if (running_ || started_) {
        return false;
    }
    running_ = true;
    started_ = true;
    worker_ = std::thread([this, job = std::move(job)] {
        bool stopped = false;
        QString error;
        try {
            job(engineWindow_);
        } catch (const RunInterrupted&) {
            stopped = true;
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, stopped, error] { OnJobEnded(stopped, error); }, Qt::QueuedConnection);
    });
    return true;
}

void ComputingView::ApplyPending() {
    ThreadedWindow::Pending pending = engineWindow_.Take();
    if (pending.caption) {
        setWindowTitle(QString::fromLatin1(pending.caption->c_str()));
    }
    if (pending.clearPicture) {
        picture_->clear();
    }
    if (pending.pictureVisible) {
        picture_->setVisible(*pending.pictureVisible);
    }
    for (const std::string& line : pending.lines) {
        picture_->appendPlainText(QString::fromLatin1(line.c_str()));
    }
    for (const auto& [position, text] : pending.placedTexts) {
        QLabel*& label = placedLabels_[position];
        if (label == nullptr) {
            label = new QLabel(this);
            label->move(position.first / kTwipsPerPixel, position.second / kTwipsPerPixel);
            // Texts on the window surface lie under the picture area when it is shown.
            label->lower();
        }
        label->setText(QString::fromLatin1(text.c_str()));
        label->adjustSize();
        label->show();
    }
}

void ComputingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (jobOnActivation && !started_) {
        // The activation runs the job once, after the window has painted.
        Job job = std::move(jobOnActivation);
        jobOnActivation = nullptr;
        QTimer::singleShot(0, this, [this, job] { Start(job); });
    }
}

void ComputingView::closeEvent(QCloseEvent* event) {
    if (!running_) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    AskStop();
}

void ComputingView::AskStop() {
    // Before the job starts a stop takes effect at its first step.
    if (ended_) {
        return;
    }
    if (dialogs_.AskYesNo(this, "Stop", "Stop the analysis? The report keeps what was written.")) {
        engineWindow_.RequestStop();
        stopButton_->setEnabled(false);
    }
}

void ComputingView::OnJobEnded(bool stopped, QString error) {
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = false;
    ended_ = true;
    stopButton_->setEnabled(false);
    ApplyPending();
    emit Finished(stopped, error);
}

ComputingView* MakeFlowComputingView(DialogService& dialogs, ComputingView::Job job,
                                     const QString& errorTitle,
                                     std::function<void(bool stopped)> ended) {
    auto* view = new ComputingView(dialogs);
    view->jobOnActivation = std::move(job);
    InstallHelpKey(view, dialogs, "The computing window");
    QObject::connect(
        view, &ComputingView::Finished, view,
        [view, &dialogs, errorTitle, ended = std::move(ended)](bool stopped, QString error) {
            if (!error.isEmpty()) {
                dialogs.Inform(view, errorTitle, error);
            }
            ended(stopped);
        });
    return view;
}

} // namespace kalemir::ui
