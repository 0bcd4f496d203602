// The wait for a card command's result: the CardTimer ticks read the
// acknowledgement, then the result line as soon as it begins or at the
// latest after 165 ticks; the register gets its row, the operator the
// result's message, and a cyclic run its next card.
#pragma once

#include "app/app_context.h"
#include "app/progress.h"  // kCardWaitTicks

namespace tollvane {

// One tick of the CardTimer wait.
void CardTimerTick(AppContext& app);

}  // namespace tollvane
