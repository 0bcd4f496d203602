// Timed waits for the reader: a progress window, the main window disabled
// and one window timer, whose ticks advance the bar and, at the end, run the
// follow-up step.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// How many ticks of 50 ms a card command's wait lasts at the most: the range
// of its progress bar and the tick at which the card wait gives up.
inline constexpr int kCardWaitTicks = 165;

// Opens the progress window of the timer, disables the main window and
// starts the timer: Search 10 ms (100 ticks), Reply 500 ms (2 ticks), Card
// 50 ms (up to 165 ticks). Any other timer does nothing. titleSuffix follows
// the wait's title (whose card it is, in a run for the list of people).
void ShowProgress(AppContext& app, TimerId id, const std::string& titleSuffix = {});

// Ends the running wait exactly once: tick count 0, timer killed, progress
// window closed. The caller runs the follow-up and then enables the main
// window again.
void EndWait(AppContext& app, TimerId id);

// What runs when a wait of fixed length is over.
using WaitFinished = void (*)(AppContext& app);

// One tick of a wait of fixed length (Search, Reply); nothing unless that
// wait runs. At its last tick the wait ends, finished runs, and the main
// window is enabled again unless finished started the next wait.
void FixedWaitTick(AppContext& app, TimerId id, WaitFinished finished);

}  // namespace tollvane
