#include "app/progress.h"

namespace tollvane {

namespace {

struct WaitKind {
    TimerId timer;
    RunningWait wait;
    Msg title;
    int range;  // also the number of ticks a full wait lasts
    unsigned periodMs;
};

constexpr WaitKind kWaits[] = {
    {TimerId::Search, RunningWait::Search, Msg::kProgressSearchTimer, 100, 10},
    {TimerId::Reply, RunningWait::Reply, Msg::kProgressReplyTimer, 2, 500},
    {TimerId::Card, RunningWait::Card, Msg::kProgressCardTimer, kCardWaitTicks, 50},
};

const WaitKind* FindWait(TimerId id) {
    for (const WaitKind& wait : kWaits)
        if (wait.timer == id) return &wait;
    return nullptr;
}

// Counts a tick of a fixed-length wait; true when it was the last one.
bool CountTick(AppContext& app, TimerId id) {
    app.progress.Step();
    ++app.op.tickCount;
    return app.op.tickCount >= FindWait(id)->range;
}

// The follow-up of a wait may start the next one (a search that connects
// asks for the reader's version); the main window then stays disabled
// until that wait is over too.
void EnableUnlessWaiting(AppContext& app) {
    if (!app.op.WaitRunning()) app.progress.EnableMainWindow(true);
}

}  // namespace

void ShowProgress(AppContext& app, TimerId id, const std::string& titleSuffix) {
    const WaitKind* wait = FindWait(id);
    if (!wait) return;
    app.progress.Open(app.texts[wait->title] + titleSuffix, wait->range);
    app.progress.EnableMainWindow(false);
    // A tick posted before the last wait's timer was killed may still have
    // been counted; every wait starts from zero.
    app.op.tickCount = 0;
    app.timers.Start(id, wait->periodMs);
    app.op.wait = wait->wait;
}

void EndWait(AppContext& app, TimerId id) {
    app.op.tickCount = 0;
    app.timers.Kill(id);
    app.progress.Close();
    app.op.wait = RunningWait::None;
}

void FixedWaitTick(AppContext& app, TimerId id, WaitFinished finished) {
    // A tick posted before its timer was killed can still arrive, even
    // while another wait runs; it has nothing to count.
    const WaitKind* wait = FindWait(id);
    if (!wait || app.op.wait != wait->wait || !CountTick(app, id)) return;
    EndWait(app, id);
    finished(app);
    EnableUnlessWaiting(app);
}

}  // namespace tollvane
