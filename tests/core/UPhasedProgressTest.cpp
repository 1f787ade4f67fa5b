#include "core/UPhasedProgress.h"

#include <QProgressBar>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Records what the output is asked to show.
class TRecordingProgress : public TPhasedProgress {
public:
    TRecordingProgress() { Start(); }
    std::vector<int32_t> shown;
    int32_t rangeMin = -1, rangeMax = -1, rangePosition = -1;

protected:
    void ShowPosition(int32_t position) override { shown.push_back(position); }
    void ShowRange(int32_t min, int32_t max, int32_t position) override {
        rangeMin = min;
        rangeMax = max;
        rangePosition = position;
    }
};

} // namespace

TEST(PhasedProgress, StepsOfAPhaseRunOnceAcrossTheWholeScale) {
    TRecordingProgress progress;
    EXPECT_EQ(progress.rangePosition, progress.rangeMin);
    progress.BeginPhase(1, 7);
    for (int i = 0; i < 7; ++i)
        progress.StepIt();
    ASSERT_EQ(progress.shown.size(), 7u);
    EXPECT_TRUE(std::is_sorted(progress.shown.begin(), progress.shown.end()));
    EXPECT_EQ(progress.shown.back(), progress.rangeMax);
}

TEST(PhasedProgress, NestedPhasesDivideTheStepAbove) {
    TRecordingProgress progress;
    progress.BeginPhase(0, 9);
    EXPECT_TRUE(progress.shown.empty()); // opening a phase shows nothing
    progress.SetPosition(5);
    progress.BeginPhase(0, 1);
    progress.SetPosition(1);
    EXPECT_EQ(progress.shown, (std::vector<int32_t>{5000, 5500}));
    progress.EndPhase();
    EXPECT_EQ(progress.Level(), 1);
    progress.StepIt();
    EXPECT_EQ(progress.shown.back(), 6000);
    // Three levels: 10 x 4 x 3 steps; (2, 1, 2) is 2000 + 250 + 2 x 83.
    progress.SetPosition(2);
    progress.BeginPhase(10, 13);
    progress.SetPosition(11);
    progress.BeginPhase(0, 2);
    progress.SetPosition(2);
    EXPECT_EQ(progress.shown.back(), 2000 + 250 + 166);
}

TEST(PhasedProgress, PositionsOutsideThePhaseAreBounded) {
    TRecordingProgress progress;
    progress.BeginPhase(10, 19);
    progress.SetPosition(3);
    EXPECT_EQ(progress.shown.back(), 0);
    progress.SetPosition(20); // maximum plus one step: the whole phase is done
    EXPECT_EQ(progress.shown.back(), 10000);
    progress.SetPosition(1000);
    EXPECT_EQ(progress.shown.back(), 10000);
    // Done, and an inner phase on top of it still never passes the end of the scale.
    progress.BeginPhase(0, 0);
    progress.SetPosition(1);
    EXPECT_EQ(progress.shown.back(), 10000);
}

TEST(PhasedProgress, ReversedPhaseHasOneStep) {
    TRecordingProgress progress;
    progress.BeginPhase(5, 3);
    EXPECT_EQ(progress.Position(), 5);
    progress.SetPosition(5);
    EXPECT_EQ(progress.shown.back(), 0);
    progress.StepIt();
    EXPECT_EQ(progress.shown.back(), 10000);
}

TEST(PhasedProgress, WholeIntegerRangeDoesNotOverflow) {
    TRecordingProgress progress;
    progress.BeginPhase(INT32_MIN, INT32_MAX);
    progress.SetPosition(0);
    EXPECT_EQ(progress.shown.back(), 5000);
    progress.SetPosition(INT32_MAX);
    progress.StepIt();
    EXPECT_EQ(progress.shown.back(), 9999);
}

TEST(PhasedProgress, EndingAPhaseAtTheRootIsHarmless) {
    TRecordingProgress progress;
    progress.EndPhase();
    progress.EndPhase();
    EXPECT_EQ(progress.Level(), 0);
    progress.BeginPhase(0, 3);
    progress.SetPosition(1);
    EXPECT_EQ(progress.shown.back(), 2500);
}

TEST(PhasedProgress, ProgressBarShowsTheOverallPosition) {
    auto bar = std::make_unique<QProgressBar>();
    bar->setRange(0, 5);
    TSTDPhasedProgress progress(bar.get());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 10000);
    EXPECT_EQ(bar->value(), 0);
    progress.BeginPhase(0, 3);
    progress.StepIt();
    progress.StepIt();
    EXPECT_EQ(bar->value(), 5000);
    bar.reset();
    progress.StepIt(); // the bar has gone with its window: nothing to show, nothing to crash
    EXPECT_EQ(progress.ProgressBar(), nullptr);
}
