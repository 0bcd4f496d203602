// Read ID: the card's identifier asked for and shown in its own window.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Sends "AT+READS_IDS", reads the reply after a short pause and opens the
// Read ID window with the four number forms, or says what went wrong.
void ReadCardId(AppContext& app);

// The exchange itself: "AT+READS_IDS" sent, the reply read 100 ms later. False
// when the request could not be written (the operation has ended); got
// tells whether a reply came.
bool ExchangeCardId(AppContext& app, ReplyBuffer& reply, bool& got);

}  // namespace tollvane
