#include "protocol/replies.h"

#include <algorithm>
#include <cstring>

#include "protocol/crc8.h"

namespace tollvane {
namespace {

// The received bytes, never more than the buffer holds whatever count says.
std::size_t ReceivedCount(const ReplyBuffer& reply) {
    return std::min(reply.count, ReplyBuffer::kCapacity);
}

// True when the whole of text lies within the received bytes at pos.
bool MatchesAt(const ReplyBuffer& reply, std::size_t pos, const char* text) {
    const std::size_t length = std::strlen(text);
    const std::size_t received = ReceivedCount(reply);
    if (pos > received || received - pos < length) return false;
    return std::memcmp(reply.bytes.data() + pos, text, length) == 0;
}

struct ErrorReply {
    const char* text;
    int code;
    Msg message;
};

constexpr ErrorReply kErrorReplies[] = {
    {"\rAT+ERR_03", 3, Msg::kErr03MainBoard},
    {"\rAT+ERR_04", 4, Msg::kErr04CardNotPresented},
    {"\rAT+ERR_05", 5, Msg::kErr05OperationFailed},
    {"\rAT+ERR_06", 6, Msg::kErr06CardTypeUnsupported},
    {"\rAT+ERR_07", 7, Msg::kErr07SwitchSl0Sl1},
    {"\rAT+ERR_08", 8, Msg::kErr08SwitchSl1Sl3},
    {"\rAT+ERR_09", 9, Msg::kErr09TypeMismatchSl3},
    {"\rAT+ERR_10", 10, Msg::kErr10Ats},
    {"\rAT+ERR_11", 11, Msg::kErr11Auth},
    {"\rAT+ERR_12", 12, Msg::kErr12WriteBlock},
    {"\rAT+ERR_13", 13, Msg::kErr13ReadBlock},
    {"\rAT+ERR_14", 14, Msg::kErr14DataCrc},
    {"\rAT+ERR_15", 15, Msg::kErr15SettingsCrc},
    {"\rAT+ERR_16", 16, Msg::kErr16NotMaster},
    {"\rAT+ERR_17", 17, Msg::kErr17TypeMismatchSl1},
    {"\rAT+ERR_18", 18, Msg::kErr18NotUser},
};

}  // namespace

AckKind ParseAck(const ReplyBuffer& reply, std::size_t* end) {
    const auto found = [end](AckKind kind, std::size_t at) {
        if (end) *end = at;
        return kind;
    };
    const std::size_t received = ReceivedCount(reply);
    for (std::size_t i = 0; i + 3 <= received; ++i) {
        if (!MatchesAt(reply, i, " - ")) continue;
        const std::size_t p = i + 3;
        if (MatchesAt(reply, p, "OK!")) {
            if (!MatchesAt(reply, p + 3, " >> ")) return found(AckKind::Ok, p + 3);
            return found(AckKind::OkWithData, p + 7);
        }
        if (MatchesAt(reply, p, "UNKNOWN CMD!")) return found(AckKind::UnknownCommand, p + 12);
    }
    return found(AckKind::Nothing, 0);
}

CardResult ClassifyCardResult(const ReplyBuffer& reply) {
    CardResult result;
    if (MatchesAt(reply, 0, "\rAT+ms")) {
        // Only a whole frame counts: a short one would be checked against
        // the buffer's zero fill, which now and then passes both checksums.
        if (ReceivedCount(reply) < kReadBackReplySize) return result;
        const std::uint8_t* frame = reply.bytes.data() + 1;
        if (Crc8(frame, 46) != 0 || Crc8(frame + 29, 16) != 0) return result;
        return {CardResultKind::ReadData, 0, Msg::kOperationSuccessful, MessageIcon::Success};
    }
    if (MatchesAt(reply, 0, "\rAT+DAT_OK")) {
        return {CardResultKind::Success, 0, Msg::kOperationSuccessful, MessageIcon::Success};
    }
    for (const ErrorReply& error : kErrorReplies) {
        if (MatchesAt(reply, 0, error.text)) {
            return {CardResultKind::Error, error.code, error.message, MessageIcon::Error};
        }
    }
    return result;
}

}  // namespace tollvane
