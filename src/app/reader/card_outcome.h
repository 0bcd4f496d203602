// What one reply of the reader means, decided once: the register row of the
// card command and the operator's message are both read off this value, so
// they cannot disagree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/message_table.h"
#include "base/ui.h"
#include "protocol/frames.h"
#include "register/issued_cards.h"
#include "serial/serial_port.h"

namespace tollvane {

enum class OutcomeKind {
    Acknowledged,    // " - OK!": the reader took the command; its result is still to come
    Done,            // "\rAT+DAT_OK"
    ReadBack,        // a read-back frame with both checksums good
    CardError,       // "\rAT+ERR_03".."\rAT+ERR_18"
    InvalidCommand,  // " - UNKNOWN CMD!"
    VersionReply,    // " - OK! >> " and a version
    NotRecognised,
    NoReply,  // nothing came, or the read failed
    // A write read back to check it: the card holds what was written, it
    // does not, or the read failed.
    Verified,
    Mismatch,
    Unverified,
};

// Where in a conversation the reply comes: where the acknowledgement is due
// (the first tick of a card wait, the version query's reply), or where the
// card's result is due, which a second acknowledgement does not answer.
enum class ReplyStage { Acknowledgement, Result };

struct CardOutcome {
    OutcomeKind kind = OutcomeKind::NoReply;
    IssueResult result = IssueResult::NoReply;  // the register's Result
    int errorCode = 0;                          // 3..18 for CardError
    Msg message =
        Msg::kReaderDidNotRespond;  // the register's Message, and the box unless the rules say none
    MessageIcon icon = MessageIcon::Retry;
    // ReadBack: the frame from its card type letter (offset 5) on; VersionReply:
    // the text after " >> "; Acknowledged: the bytes after " - OK!". Always
    // followed by a zero.
    std::array<std::uint8_t, ReplyBuffer::kCapacity + 1> payload{};
    std::size_t payloadSize = 0;
    // Mismatch: the VerifyField bits of the fields that differ. Unverified:
    // how the read failed and its own message, which message's %s takes.
    unsigned differing = 0;
    OutcomeKind readKind = OutcomeKind::NoReply;
    Msg readMessage = Msg::kReaderDidNotRespond;

    // The card command did what it was sent for, and a cyclic run may go on.
    bool CardDone() const { return kind == OutcomeKind::Done || kind == OutcomeKind::Verified; }
};

// The outcome of a reply (null: nothing was read, or the read failed part-way).
// manualPort: the operator picked the port by hand. Silence on such a port
// is told to the operator; on a port the search found, it closes the link
// without a box, and the register says so in words of its own.
CardOutcome OutcomeOfReply(const ReplyBuffer* reply, ReplyStage stage, bool manualPort);

// The outcome of a write whose card was read back: read, the outcome of the
// read; written, the frame of the write.
CardOutcome VerifiedOutcome(const CommandFrame& written, const CardOutcome& read);

// An answer that is not one to the command sent.
CardOutcome NotRecognisedOutcome();

// The read of a write's card could not be sent.
CardOutcome ReadBackNotSent();

// The text of the outcome in the table's language: the box's and the
// register's Message alike.
std::string OutcomeText(const CardOutcome& outcome, const MessageTable& texts);

}  // namespace tollvane
