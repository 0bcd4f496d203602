// Ticks and timer starts with no wait of theirs running count for nothing;
// the waits themselves are tested with the flows that run them.
#include <gtest/gtest.h>

#include "app/main_controller.h"
#include "app/progress.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;

TEST(WaitTest, TicksAndTimersWithoutAWaitDoNothing) {
    TestApp t;
    for (int id : {0, 3, 5, -1}) ShowProgress(t.app, static_cast<TimerId>(id));
    for (int id : {1, 2, 4, 9, 0}) OnTimer(t.app, id);
    EXPECT_EQ(t.progress.opens, 0);
    EXPECT_EQ(t.progress.steps, 0);
    EXPECT_TRUE(t.timers.running.empty());
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

}  // namespace
}  // namespace tollvane
