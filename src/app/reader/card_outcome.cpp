#include "app/reader/card_outcome.h"

#include <algorithm>
#include <cstring>

#include "protocol/replies.h"

namespace tollvane {

namespace {

CardOutcome Make(OutcomeKind kind, IssueResult result, Msg message, MessageIcon icon, int errorCode = 0) {
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

}  // namespace

CardOutcome OutcomeOfReply(const ReplyBuffer* reply, ReplyStage stage, bool manualPort) {
    if (reply == nullptr || reply->count == 0) {
        return Make(OutcomeKind::NoReply, IssueResult::NoReply,
                    manualPort ? Msg::kReaderDidNotRespond : Msg::kNoReplyLinkClosed, MessageIcon::Retry);
    }
    std::size_t ackEnd = 0;
    switch (ParseAck(*reply, &ackEnd)) {
        case AckKind::UnknownCommand:
            return Make(OutcomeKind::InvalidCommand, IssueResult::Unrecognized, Msg::kInvalidCommand,
                        MessageIcon::Error);
        case AckKind::Ok:
            if (stage == ReplyStage::Acknowledgement) {
                // The rest of the read: the acknowledgement's own text, and
                // perhaps the result that came with it.
                CardOutcome outcome = Make(OutcomeKind::Acknowledged, IssueResult::Unrecognized,
                                           Msg::kAnswerNotRecognized, MessageIcon::Error);
                SetPayload(outcome, *reply, ackEnd);
                return outcome;
            }
            return Make(OutcomeKind::NotRecognised, IssueResult::Unrecognized, Msg::kAnswerNotRecognized,
                        MessageIcon::Error);
        case AckKind::OkWithData: {
            CardOutcome outcome =
                Make(OutcomeKind::VersionReply, IssueResult::Unrecognized, Msg::kSettingsRead, MessageIcon::Success);
            SetPayload(outcome, *reply, ackEnd);
            return outcome;
        }
        case AckKind::Nothing:
            break;
    }
    const CardResult card = ClassifyCardResult(*reply);
    switch (card.kind) {
        case CardResultKind::ReadData: {
            CardOutcome outcome = Make(OutcomeKind::ReadBack, IssueResult::Ok, card.message, card.icon);
            SetPayload(outcome, *reply, kReadBackDataOffset);
            return outcome;
        }
        case CardResultKind::Success:
            return Make(OutcomeKind::Done, IssueResult::Ok, card.message, card.icon);
        case CardResultKind::Error:
            return Make(OutcomeKind::CardError, IssueResult::Error, card.message, card.icon, card.errorCode);
        case CardResultKind::NotRecognised:
            break;
    }
    return Make(OutcomeKind::NotRecognised, IssueResult::Unrecognized, Msg::kAnswerNotRecognized, MessageIcon::Error);
}

}  // namespace tollvane
