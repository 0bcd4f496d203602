#include "app/reader/card_outcome.h"

#include <algorithm>
#include <cstring>

#include "protocol/replies.h"
#include "protocol/verify.h"

namespace tollvane {

namespace {

CardOutcome Make(OutcomeKind kind, IssueResult result, Msg message, MessageIcon icon,
                 int errorCode = 0) {
    CardOutcome outcome;
    outcome.kind = kind;
    outcome.result = result;
    outcome.errorCode = errorCode;
    outcome.message = message;
    outcome.icon = icon;
    return outcome;
}

void SetPayload(CardOutcome& outcome, const ReplyBuffer& reply, std::size_t from) {
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    if (from >= received) return;
    outcome.payloadSize = received - from;
    std::memcpy(outcome.payload.data(), reply.bytes.data() + from, outcome.payloadSize);
}

// The message with %s replaced by detail.
std::string Filled(const char* message, const std::string& detail) {
    return FillText(message, {detail});
}

// The field names in the order of the VerifyField bits.
constexpr Msg kFieldNames[kVerifyFieldCount] = {
    Msg::kFieldNameCardType,   Msg::kFieldNameAesKey,     Msg::kFieldNameReaderSettings,
    Msg::kFieldNameWorkMode,   Msg::kFieldNameSector,     Msg::kFieldNameBlock,
    Msg::kFieldNameCrypto1Key, Msg::kFieldNameUniqueData,
};

CardOutcome Unverified(OutcomeKind readKind, Msg readMessage) {
    CardOutcome outcome = Make(OutcomeKind::Unverified, IssueResult::Unverified,
                               Msg::kVerifyUnreadable, MessageIcon::Warning);
    outcome.readKind = readKind;
    outcome.readMessage = readMessage;
    return outcome;
}

}  // namespace

CardOutcome OutcomeOfReply(const ReplyBuffer* reply, ReplyStage stage, bool manualPort) {
    if (reply == nullptr || reply->count == 0) {
        return Make(OutcomeKind::NoReply, IssueResult::NoReply,
                    manualPort ? Msg::kReaderDidNotRespond : Msg::kNoReplyLinkClosed,
                    MessageIcon::Retry);
    }
    std::size_t ackEnd = 0;
    switch (ParseAck(*reply, &ackEnd)) {
        case AckKind::UnknownCommand:
            return Make(OutcomeKind::InvalidCommand, IssueResult::Unrecognized,
                        Msg::kInvalidCommand, MessageIcon::Error);
        case AckKind::Ok:
            if (stage == ReplyStage::Acknowledgement) {
                // The rest of the read: the acknowledgement's own text, and
                // perhaps the result that came with it.
                CardOutcome outcome = Make(OutcomeKind::Acknowledged, IssueResult::Unrecognized,
                                           Msg::kAnswerNotRecognized, MessageIcon::Error);
                SetPayload(outcome, *reply, ackEnd);
                return outcome;
            }
            return Make(OutcomeKind::NotRecognised, IssueResult::Unrecognized,
                        Msg::kAnswerNotRecognized, MessageIcon::Error);
        case AckKind::OkWithData: {
            CardOutcome outcome = Make(OutcomeKind::VersionReply, IssueResult::Unrecognized,
                                       Msg::kSettingsRead, MessageIcon::Success);
            SetPayload(outcome, *reply, ackEnd);
            return outcome;
        }
        case AckKind::Nothing: break;
    }
    const CardResult card = ClassifyCardResult(*reply);
    switch (card.kind) {
        case CardResultKind::ReadData: {
            CardOutcome outcome =
                Make(OutcomeKind::ReadBack, IssueResult::Ok, card.message, card.icon);
            SetPayload(outcome, *reply, kReadBackDataOffset);
            return outcome;
        }
        case CardResultKind::Success:
            return Make(OutcomeKind::Done, IssueResult::Ok, card.message, card.icon);
        case CardResultKind::Error:
            return Make(OutcomeKind::CardError, IssueResult::Error, card.message, card.icon,
                        card.errorCode);
        case CardResultKind::NotRecognised: break;
    }
    return Make(OutcomeKind::NotRecognised, IssueResult::Unrecognized, Msg::kAnswerNotRecognized,
                MessageIcon::Error);
}

CardOutcome VerifiedOutcome(const CommandFrame& written, const CardOutcome& read) {
    switch (read.kind) {
        case OutcomeKind::ReadBack: {
            const unsigned differing =
                DifferingFields(written, read.payload.data(), read.payloadSize);
            if (differing == 0) {
                return Make(OutcomeKind::Verified, IssueResult::Verified, Msg::kOperationSuccessful,
                            MessageIcon::Success);
            }
            CardOutcome outcome = Make(OutcomeKind::Mismatch, IssueResult::Mismatch,
                                       Msg::kVerifyMismatch, MessageIcon::Error);
            outcome.differing = differing;
            return outcome;
        }
        // A read that says "done" without the card's contents checked nothing.
        case OutcomeKind::Acknowledged:
        case OutcomeKind::Done:
            return Unverified(OutcomeKind::NotRecognised, Msg::kAnswerNotRecognized);
        default: return Unverified(read.kind, read.message);
    }
}

CardOutcome NotRecognisedOutcome() {
    return Make(OutcomeKind::NotRecognised, IssueResult::Unrecognized, Msg::kAnswerNotRecognized,
                MessageIcon::Error);
}

CardOutcome ReadBackNotSent() { return Unverified(OutcomeKind::NoReply, Msg::kPortWriteError); }

std::string OutcomeText(const CardOutcome& outcome, const MessageTable& texts) {
    switch (outcome.kind) {
        case OutcomeKind::Mismatch: {
            std::string fields;
            for (int i = 0; i < kVerifyFieldCount; ++i) {
                if ((outcome.differing & (1u << i)) == 0) continue;
                if (!fields.empty()) fields += ", ";
                fields += texts[kFieldNames[i]];
            }
            return Filled(texts[outcome.message], fields);
        }
        case OutcomeKind::Unverified: {
            // The port's write error is worded from two entries, as a
            // command that was not sent is in the register.
            std::string read = texts[outcome.readMessage];
            if (outcome.readMessage == Msg::kPortWriteError)
                read = std::string(texts[Msg::kErrorWord]) + " " + read;
            return Filled(texts[outcome.message], read);
        }
        default: return texts[outcome.message];
    }
}

}  // namespace tollvane
