// The one connection to the reader as every flow shares it: the serial
// settings, the single exit of a reader operation and the messages that
// several flows show alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/app_context.h"

namespace tollvane {

inline constexpr unsigned kReaderBaud = 19200;

// The single exit of every reader operation: port closed, port list
// refreshed, ManualConnect cleared, any cyclic run ended, form reset and
// "x.xx" shown.
void EndOperation(AppContext& app);

// The port's send and read as every flow makes them: a write or read the
// system refused is told to the operator at once, with its error code.
bool SendToReader(AppContext& app, const std::uint8_t* data, std::size_t length);
bool ReadFromReader(AppContext& app, ReplyBuffer& reply);

void ShowErrorOpening(AppContext& app);
void ShowDidNotRespond(AppContext& app);

// A port the operator picked by hand that gives no usable answer is given
// up, so that he can pick another one.
void GiveUpManualPort(AppContext& app);

}  // namespace tollvane
