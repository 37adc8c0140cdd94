// The status line of the command lines: what a person reads on a terminal, and the plain
// lines when standard error is a file.

#include "app/TerminalProgress.h"

#include <gtest/gtest.h>

namespace kalemir {
namespace {

RunProgress Searching() {
    RunProgress progress;
    progress.Stage = "search of 3-predictor sets";
    progress.Cycle = 2;
    progress.OutliersRemoved = 1;
    progress.Predictors = 3;
    progress.MaxPredictors = 5;
    progress.HasBest = true;
    progress.BestQ = 1.23456;
    progress.BestR2 = 0.81234;
    progress.Done = 250;
    progress.Total = 1000;
    return progress;
}

TEST(StatusLineTest, ShowsTheFiguresOfTheRun) {
    struct Case {
        const char* label;
        RunProgress progress;
        double elapsed;
        double stageElapsed;
        std::size_t width;
        const char* line;
    };
    RunProgress plain;
    plain.Stage = "preliminary selection of descriptors";
    RunProgress done = Searching();
    done.Done = 1000;
    RunProgress two = Searching();
    two.OutliersRemoved = 2;
    two.HasBest = false;
    two.Total = 0;
    const Case cases[] = {
        // A quarter done in 30 s of the stage: three quarters take 90 s more.
        {"Countable", Searching(), 3725, 30, 200,
         "search of 3-predictor sets | cycle 2 (1 outlier removed) | 3 of 5 predictors | "
         "best Q 1.2346 r2 0.8123 | 1:02:05 [#####---------------] 25% ~1:30 left"},
        {"Finished", done, 59, 59, 200,
         "search of 3-predictor sets | cycle 2 (1 outlier removed) | 3 of 5 predictors | "
         "best Q 1.2346 r2 0.8123 | 0:59 [####################] 100%"},
        {"NotCountable", two, 61, 1, 200,
         "search of 3-predictor sets | cycle 2 (2 outliers removed) | 3 of 5 predictors | 1:01"},
        {"BeforeTheCycles", plain, 0.4, 0.4, 200, "preliminary selection of descriptors | 0:00"},
        // A narrower terminal drops the predictors (150 characters in all), then the outliers
        // removed (130), half the bar (110), then the best figures (100): the time left stays.
        {"NoPredictors", Searching(), 3725, 30, 130,
         "search of 3-predictor sets | cycle 2 (1 outlier removed) | best Q 1.2346 r2 0.8123 | "
         "1:02:05 [#####---------------] 25% ~1:30 left"},
        {"NoOutliers", Searching(), 3725, 30, 129,
         "search of 3-predictor sets | cycle 2 | best Q 1.2346 r2 0.8123 | 1:02:05 "
         "[#####---------------] 25% ~1:30 left"},
        {"HalfBar", Searching(), 3725, 30, 100,
         "search of 3-predictor sets | cycle 2 | best Q 1.2346 r2 0.8123 | 1:02:05 [##--------] "
         "25% ~1:30 left"},
        {"EightyColumns", Searching(), 3725, 30, 79,
         "search of 3-predictor sets | cycle 2 | 1:02:05 [##--------] 25% ~1:30 left"},
        {"ShortestCut", Searching(), 3725, 30, 60,
         "search of 3-predictor sets | cycle 2 | 1:02:05 [##--------] "},
        {"CutToTheTerminal", plain, 0, 0, 12, "preliminary "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalProgress::StatusLine(c.progress, c.elapsed, c.stageElapsed, c.width),
                  c.line)
            << c.label;
    }
    EXPECT_EQ(TerminalProgress::StageLine(Searching(), 75),
              "1:15 search of 3-predictor sets, cycle 2 (1 outlier removed), 3 of 5 predictors, "
              "best Q 1.2346 r2 0.8123");
}

/// Drives a display as a run does: captions, picture lines, stages and figures.
std::string Drive(bool quiet, bool terminal) {
    ::testing::internal::CaptureStderr();
    {
        TerminalProgress window(quiet, terminal);
        window.SetCaption(" Computing ... wait ...");
        window.BeginStage("search of predictor pairs", 100);
        for (int k = 1; k <= 100; ++k) {
            window.PrintLine("   The best set of predictors by quality Q is:");
            window.CountDone(k);
            window.SetBest(1.0, 0.5);
        }
        window.BeginStage("final analysis");
        window.Finish();
    }
    return ::testing::internal::GetCapturedStderr();
}

TEST(TerminalProgressTest, OnePlainLinePerStageWhenNotATerminalAndNothingWhenQuiet) {
    EXPECT_EQ(Drive(false, false), "0:00 search of predictor pairs\n"
                                   "0:00 final analysis, best Q 1.0000 r2 0.5000\n");
    EXPECT_EQ(Drive(true, false), "");
    EXPECT_EQ(Drive(true, true), "");
}

TEST(TerminalProgressTest, ANewCycleShowsNoBestOfTheCycleBefore) {
    ::testing::internal::CaptureStderr();
    {
        TerminalProgress window(false, false);
        window.SetCycle(1, 0);
        window.BeginStage("final analysis");
        window.SetBest(1.0, 0.5);
        window.SetCycle(2, 1);
        window.BeginStage("screening of the descriptors");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "0:00 final analysis, cycle 1\n"
              "0:00 screening of the descriptors, cycle 2 (1 outlier removed)\n");
}

TEST(TerminalProgressTest, OnATerminalOneLineRewrittenInPlace) {
    const std::string shown = Drive(false, true);
    // Every showing starts by going back to the start of the line; only Finish ends it.
    EXPECT_EQ(shown.find('\n'), shown.size() - 1) << shown;
    EXPECT_EQ(shown.rfind("\r\033[K", 0), 0u) << shown;
    EXPECT_NE(shown.find("final analysis | best Q 1.0000 r2 0.5000 | 0:00"), std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("best set of predictors"), std::string::npos) << shown;
}

} // namespace
} // namespace kalemir
