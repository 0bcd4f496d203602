// Classification of what the reader sends back: acknowledgements (found
// anywhere in the reply) and card results (matched at the start).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/message_table.h"
#include "base/ui.h"
#include "serial/serial_port.h"

namespace tollvane {

enum class AckKind { Nothing = 0, UnknownCommand = 1, Ok = 2, OkWithData = 3 };

// Looks for " - OK!", " - OK! >> " and " - UNKNOWN CMD!" within the received
// bytes (never past count or capacity; a match cut short by the end of the
// data is no match); the reply is left as it came. When end is given it gets
// where the text found ends: after " - OK!", after " >> " (where the data of
// OkWithData begins), after "UNKNOWN CMD!"; 0 when nothing was found.
AckKind ParseAck(const ReplyBuffer& reply, std::size_t* end = nullptr);

enum class CardResultKind { ReadData, Success, Error, NotRecognised };

struct CardResult {
    CardResultKind kind = CardResultKind::NotRecognised;
    int errorCode = 0;  // 3..18 for Error, else 0
    Msg message = Msg::kAnswerNotRecognized;
    MessageIcon icon = MessageIcon::Error;
};

// A read-back is the carriage return, then a 46-byte frame with letters "ms".
inline constexpr std::size_t kReadBackReplySize = 47;
// Where the part of the frame the read-back decoder wants (frame offset 5
// on) starts in the reply buffer.
inline constexpr std::size_t kReadBackDataOffset = 6;

// "\rAT+ms" with both checksums good and the whole frame received: ReadData;
// "\rAT+DAT_OK": Success; "\rAT+ERR_03".."\rAT+ERR_18": Error with its
// message; anything else NotRecognised. Pure: showing the message, the
// cyclic pause and applying a read-back are the caller's.
CardResult ClassifyCardResult(const ReplyBuffer& reply);

}  // namespace tollvane
