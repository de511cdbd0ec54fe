#include "crashreport/core/ProgressTracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct RecordingBar : core::ProgressDisplay {
    bool Create() override {
        ++created;
        return true;
    }
    void SetPosition(int position) override { positions.push_back(position); }
    int created = 0;
    std::vector<int> positions;
};

constexpr std::uint32_t kStart = 1000;

TEST(ProgressTracker, QuickWorkNeverShowsABar) {
    RecordingBar bar;
    core::ProgressTracker tracker(kStart);
    tracker.AddPhase(100);
    tracker.SetPosition(100, kStart + 200, bar);
    tracker.NextPhase(kStart + 750, bar); // exactly 750 ms is not more than 750 ms
    EXPECT_EQ(0, bar.created);
}

TEST(ProgressTracker, WorkMoreThanHalfDoneAfter750msNeverShowsABar) {
    RecordingBar bar;
    core::ProgressTracker tracker(kStart);
    tracker.AddPhase(100);
    tracker.AddPhase(100);
    tracker.SetPosition(1000, kStart + 751, bar); // exactly half
    tracker.NextPhase(kStart + 2000, bar);
    EXPECT_EQ(0, bar.created);
}

TEST(ProgressTracker, TheBarStartsAtZeroAndEndsComplete) {
    RecordingBar bar;
    core::ProgressTracker tracker(kStart);
    tracker.AddPhase(1000);
    tracker.AddPhase(3000);
    tracker.SetPosition(500, kStart + 800, bar); // 500 of 4000 done
    ASSERT_EQ(1, bar.created);
    tracker.SetPosition(100, kStart + 850, bar); // behind where the bar started: 0, not complete
    tracker.NextPhase(kStart + 900, bar);        // 1000: 500 of the remaining 3500
    tracker.SetPosition(500, kStart + 950, bar); // 2500: 2000 of 3500
    tracker.NextPhase(kStart + 990, bar);
    EXPECT_EQ((std::vector<int>{0, 0, 142, 571, 1000}), bar.positions);
    EXPECT_EQ(1, bar.created);
}

TEST(ProgressTracker, EmptyRangesAndPhasesPastTheEndAreSafe) {
    RecordingBar bar;
    core::ProgressTracker tracker(kStart);
    tracker.AddPhase(0);
    tracker.AddPhase(10);
    tracker.SetPosition(0, kStart + 800, bar); // shown at 0 with everything still to do
    ASSERT_EQ(1, bar.created);
    tracker.NextPhase(kStart + 800, bar);
    tracker.NextPhase(kStart + 800, bar); // the offset was 0: complete
    tracker.NextPhase(kStart + 800, bar); // past the last phase: stays on it
    tracker.SetPosition(2000, kStart + 800, bar);
    EXPECT_EQ(2, tracker.Phase());
    EXPECT_EQ((std::vector<int>{0, 0, 1000, 1000, 1000}), bar.positions);

    RecordingBar none;
    core::ProgressTracker empty(kStart);
    empty.SetPosition(500, kStart + 5000, none); // no phases at all
    core::ProgressTracker stopped(0);            // a start tick of 0 tracks nothing
    stopped.AddPhase(5);
    stopped.SetPosition(0, 5000, none);
    EXPECT_EQ(0, none.created);
}

TEST(ProgressTracker, NoWorkAtAllCountsAsComplete) {
    RecordingBar bar;
    core::ProgressTracker tracker(kStart);
    tracker.AddPhase(0); // a thread without stack: the total equals the offset
    tracker.SetPosition(500, kStart + 800, bar);
    tracker.NextPhase(kStart + 800, bar);
    EXPECT_EQ(0, bar.created);
}

TEST(ProgressTracker, TickCounterWrapStillCountsElapsedTime) {
    RecordingBar bar;
    core::ProgressTracker tracker(0xFFFFFF00u);
    tracker.AddPhase(10);
    tracker.SetPosition(0, 0x100, bar); // 512 ms later
    EXPECT_EQ(0, bar.created);
    tracker.SetPosition(0, 0x300, bar); // 1024 ms later
    EXPECT_EQ(1, bar.created);
}

TEST(ProgressBarStrip, RedrawsOnlyVisibleChanges) {
    core::ProgressBarStrip strip;
    strip.Left = 4;
    strip.Right = 104; // 100 pixels: one per 10 positions
    int oldEnd = 0;
    EXPECT_EQ(50, core::ProgressBarStrip::PercentOf(504));
    EXPECT_EQ(51, core::ProgressBarStrip::PercentOf(505));
    EXPECT_TRUE(strip.Update(500, oldEnd));
    EXPECT_EQ(4, oldEnd);
    EXPECT_FALSE(strip.Update(504, oldEnd)); // same pixel, 50 %
    EXPECT_TRUE(strip.Update(505, oldEnd));  // same pixel, 51 %
    EXPECT_EQ(54, oldEnd);
    EXPECT_FALSE(strip.Update(509, oldEnd));
    EXPECT_TRUE(strip.Update(510, oldEnd)); // next pixel
    EXPECT_EQ(55, strip.FilledEnd);
}

} // namespace
