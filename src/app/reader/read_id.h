// Read ID: the card's identifier asked for and shown in its own window.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Sends "AT+READS_IDS", reads the reply after a short pause and opens the
// Read ID window with the four number forms, or says what went wrong.
void ReadCardId(AppContext& app);

}  // namespace tollvane
