// Timed waits: ticks count only under a running wait, and a wait of fixed
// length ends at its last tick with the main window usable again, unless
// what follows starts the next wait.
#include <gtest/gtest.h>

#include "app/main_controller.h"
#include "app/progress.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;

TEST(WaitTest, FixedWaitsEndAtTheirLastTick) {
    struct Case {
        TimerId id;
        int ticks;  // SearchTimer 100 ticks of 10 ms, ReplyTimer 2 of 500 ms
        unsigned periodMs;
    };
    for (const Case c : {Case{TimerId::Search, 100, 10}, Case{TimerId::Reply, 2, 500}}) {
        TestApp t;
        t.app.op.tickCount = 57;  // left over from a tick that came after its wait
        ShowProgress(t.app, c.id);
        EXPECT_EQ(t.timers.running.at(c.id), c.periodMs);
        EXPECT_EQ(t.progress.range, c.ticks);
        EXPECT_EQ(t.RunOut(c.id), c.ticks);
        EXPECT_EQ(t.progress.steps, c.ticks);
        EXPECT_FALSE(t.progress.open);
        EXPECT_NE(t.progress.mainWindowEnabled, t.app.op.waitRunning);
    }
}

TEST(WaitTest, TicksAndTimersWithoutAWaitDoNothing) {
    TestApp t;
    for (int id : {0, 3, 5, -1}) ShowProgress(t.app, static_cast<TimerId>(id));
    for (int id : {1, 2, 4, 9, 0}) OnTimer(t.app, id);
    EXPECT_EQ(t.progress.opens, 0);
    EXPECT_EQ(t.progress.steps, 0);
    EXPECT_TRUE(t.timers.running.empty());
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

TEST(WaitTest, EndWaitEndsTheWaitButLeavesTheMainWindowToItsCaller) {
    TestApp t;
    ShowProgress(t.app, TimerId::Card);
    t.app.op.tickCount = 60;
    EndWait(t.app, TimerId::Card);
    EXPECT_EQ(t.app.op.tickCount, 0);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.progress.open);
    EXPECT_FALSE(t.app.op.waitRunning);
    EXPECT_FALSE(t.progress.mainWindowEnabled);
}

}  // namespace
}  // namespace tollvane
