// Timed waits: the progress window, the timers and their ticks, and the end
// of a wait.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_controller.h"
#include "app/progress.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;

TEST(ShowProgressTest, OpensTheWaitOfEachTimer) {
    struct Case {
        TimerId id;
        Msg title;
        int range;
        unsigned period;
    };
    const Case cases[] = {
        {TimerId::Search, Msg::kProgressSearchTimer, 100, 10},
        {TimerId::Reply, Msg::kProgressReplyTimer, 2, 500},
        {TimerId::Card, Msg::kProgressCardTimer, 165, 50},
    };
    for (const Case& c : cases) {
        TestApp t;
        t.app.language = LanguageId::English;
        t.app.texts.Load(LanguageId::English);
        t.app.op.tickCount = 57;  // left over from a tick that came after its wait
        ShowProgress(t.app, c.id);
        EXPECT_TRUE(t.progress.open);
        EXPECT_EQ(t.progress.title, Text(LanguageId::English, c.title));
        EXPECT_EQ(t.progress.range, c.range);
        EXPECT_FALSE(t.progress.mainWindowEnabled);
        EXPECT_EQ(t.timers.running.at(c.id), c.period);
        EXPECT_EQ(t.timers.running.size(), 1u);
        EXPECT_TRUE(t.app.op.waitRunning);
        EXPECT_EQ(t.app.op.tickCount, 0);
    }
}

TEST(ShowProgressTest, OtherTimerIdsDoNothing) {
    for (int id : {0, 3, 5, -1}) {
        TestApp t;
        ShowProgress(t.app, static_cast<TimerId>(id));
        EXPECT_EQ(t.progress.opens, 0) << id;
        EXPECT_TRUE(t.timers.started.empty()) << id;
        EXPECT_TRUE(t.progress.mainWindowEnabled) << id;
        EXPECT_FALSE(t.app.op.waitRunning) << id;
    }
}

TEST(ShowProgressTest, StartUpSearchesForTheReader) {
    TestApp t;
    StartUp(t.app);
    EXPECT_TRUE(t.timers.IsRunning(TimerId::Search));
    EXPECT_EQ(t.progress.range, 100);
}

bool Killed(const TestApp& t, TimerId id) {
    return std::find(t.timers.killed.begin(), t.timers.killed.end(), id) != t.timers.killed.end();
}

TEST(WaitTickTest, FixedWaitsEndAtTheirLastTick) {
    struct Case {
        TimerId id;
        int ticks;
    };
    for (const Case c : {Case{TimerId::Search, 100}, Case{TimerId::Reply, 2}}) {
        TestApp t;
        ShowProgress(t.app, c.id);
        for (int i = 1; i < c.ticks; ++i) OnTimer(t.app, static_cast<int>(c.id));
        EXPECT_TRUE(t.progress.open);
        EXPECT_EQ(t.progress.steps, c.ticks - 1);
        EXPECT_EQ(t.app.op.tickCount, c.ticks - 1);
        EXPECT_FALSE(Killed(t, c.id));
        EXPECT_FALSE(t.progress.mainWindowEnabled);

        OnTimer(t.app, static_cast<int>(c.id));

        EXPECT_TRUE(Killed(t, c.id));
        EXPECT_EQ(t.progress.steps, c.ticks);
        EXPECT_GE(t.progress.closes, 1);
        // The main window is usable again unless the follow-up started
        // another wait.
        EXPECT_NE(t.progress.mainWindowEnabled, t.app.op.waitRunning);
        if (!t.app.op.waitRunning) {
            EXPECT_EQ(t.app.op.tickCount, 0);
        }
    }
}

TEST(WaitTickTest, TicksWithoutAWaitAreIgnored) {
    for (TimerId id : {TimerId::Search, TimerId::Reply, TimerId::Card}) {
        TestApp t;
        OnTimer(t.app, static_cast<int>(id));
        EXPECT_EQ(t.progress.steps, 0);
        EXPECT_EQ(t.app.op.tickCount, 0);
        EXPECT_TRUE(t.timers.killed.empty());
    }
    TestApp t;
    OnTimer(t.app, 9);
    OnTimer(t.app, 0);
    EXPECT_EQ(t.progress.steps, 0);
}

TEST(WaitTickTest, CardTicksStepTheBar) {
    TestApp t;
    ShowProgress(t.app, TimerId::Card);
    OnTimer(t.app, static_cast<int>(TimerId::Card));
    EXPECT_EQ(t.progress.steps, 1);
}

TEST(EndWaitTest, EndsTheWaitOnce) {
    TestApp t;
    ShowProgress(t.app, TimerId::Card);
    t.app.op.tickCount = 60;
    EndWait(t.app, TimerId::Card);
    EXPECT_EQ(t.app.op.tickCount, 0);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.progress.open);
    EXPECT_FALSE(t.app.op.waitRunning);
    // Enabling the main window is the caller's, after its follow-up.
    EXPECT_FALSE(t.progress.mainWindowEnabled);
}

}  // namespace
}  // namespace tollvane
