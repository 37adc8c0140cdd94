#include "ui/ComputingView.h"

#include "common/Errors.h"
#include "ui/FakeDialogs.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <QLabel>
#include <map>

#include <atomic>

namespace kalemir::ui {
namespace {

using testing::FakeDialogs;

template <typename Condition> bool WaitFor(Condition condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) {
        QTest::qWait(5);
    }
    return condition();
}

TEST(ComputingViewTest, CaptionAndPictureLinesReachTheWindow) {
    FakeDialogs dialogs;
    ComputingView view(dialogs);
    QSignalSpy finished(&view, &ComputingView::Finished);
    view.show();
    ASSERT_TRUE(view.Start([](ComputingWindow& window) {
        for (int i = 0; i < 10000; ++i) {
            window.SetCaption(" step " + std::to_string(i));
        }
        window.PrintLine("best set by Q");
        window.ShowPlaced(PlacedLine::SelectionPanel, 2, "Elapsed time 00:01");
        window.ShowPlaced(PlacedLine::CentringNotice, 0, "Centralization");
    }));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(view.windowTitle(), " step 9999");
    EXPECT_EQ(view.Picture()->toPlainText(), "best set by Q");
    // The window places them: panel line 2 at 480 twips down (240 a line), the notice at
    // (1000, 3700) twips; 15 twips a pixel.
    std::map<std::string, QPoint> placed;
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        placed[label->text().toStdString()] = label->pos();
    }
    EXPECT_EQ(placed["Elapsed time 00:01"], QPoint(0, 32));
    EXPECT_EQ(placed["Centralization"], QPoint(66, 246));
    EXPECT_FALSE(finished.front().at(0).toBool());
}

TEST(ComputingViewTest, ASecondActivationDoesNotStartASecondRun) {
    FakeDialogs dialogs;
    ComputingView view(dialogs);
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    auto job = [&](ComputingWindow&) {
        ++runs;
        while (!release) {
            std::this_thread::yield();
        }
    };
    ASSERT_TRUE(view.Start(job));
    EXPECT_FALSE(view.Start(job));
    release = true;
    ASSERT_TRUE(WaitFor([&] { return !view.Running(); }));
    EXPECT_FALSE(view.Start(job));
    EXPECT_EQ(runs.load(), 1);
}

TEST(ComputingViewTest, ClosingDuringARunAsksAndStopsAtTheNextYield) {
    FakeDialogs dialogs;
    ComputingView view(dialogs);
    QSignalSpy finished(&view, &ComputingView::Finished);
    view.show();
    std::atomic<bool> started{false};
    ASSERT_TRUE(view.Start([&](ComputingWindow& window) {
        started = true;
        for (;;) {
            window.Yield();
        }
    }));
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    dialogs.yesNoAnswers = {false};
    view.close(); // answered no: the run goes on
    QTest::qWait(20);
    EXPECT_TRUE(view.Running());
    dialogs.yesNoAnswers = {true};
    view.close();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(finished.front().at(0).toBool());
    EXPECT_EQ(dialogs.questions.size(), 2);
}

// Stop and Escape ask as closing does; no lets the run go on, yes stops it at its next
// yield, and the button is off once the run has ended.
TEST(ComputingViewTest, StopAndEscapeAskAsClosingDoes) {
    FakeDialogs dialogs;
    ComputingView view(dialogs);
    QSignalSpy finished(&view, &ComputingView::Finished);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    std::atomic<bool> started{false};
    ASSERT_TRUE(view.Start([&](ComputingWindow& window) {
        started = true;
        for (;;) {
            window.Yield();
        }
    }));
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    dialogs.yesNoAnswers = {false, false};
    QTest::mouseClick(view.StopButton(), Qt::LeftButton);
    QTest::keyClick(&view, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_TRUE(view.Running());
    dialogs.yesNoAnswers = {true};
    QTest::keyClick(&view, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(finished.front().at(0).toBool());
    EXPECT_EQ(dialogs.questions,
              QStringList(3, "Stop the analysis? The report keeps what was written."));
    EXPECT_FALSE(view.StopButton()->isEnabled());
    QTest::keyClick(&view, Qt::Key_Escape); // nothing left to stop: not asked
    EXPECT_EQ(dialogs.questions.size(), 3);
}

TEST(ComputingViewTest, AnErrorOfTheRunIsHandedOn) {
    FakeDialogs dialogs;
    ComputingView view(dialogs);
    QSignalSpy finished(&view, &ComputingView::Finished);
    ASSERT_TRUE(view.Start([](ComputingWindow&) { throw FileError("x.des: cannot read"); }));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(finished.front().at(1).toString(), "x.des: cannot read");
}

} // namespace
} // namespace kalemir::ui
