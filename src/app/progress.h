// Timed waits for the reader: a progress window, the main window disabled
// and one window timer, whose ticks advance the bar and, at the end, run the
// follow-up step.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Opens the progress window of the timer, disables the main window and
// starts the timer: Search 10 ms (100 ticks), Reply 500 ms (2 ticks), Card
// 50 ms (up to 165 ticks). Any other timer does nothing.
void ShowProgress(AppContext& app, TimerId id);

// Ends the running wait exactly once: tick count 0, timer killed, progress
// window closed. The caller runs the follow-up and then enables the main
// window again.
void EndWait(AppContext& app, TimerId id);

// One tick of the search and reply waits.
void SearchTimerTick(AppContext& app);
void ReplyTimerTick(AppContext& app);

}  // namespace tollvane
