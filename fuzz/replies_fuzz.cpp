// The acknowledgement and card-result classification of a reply, against a
// plain reading of the reply shapes over the received bytes only.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "protocol/replies.h"

namespace tollvane::fuzz {
namespace {

// CRC-8/MAXIM bit by bit: reflected polynomial 0x8C, start 0, no final XOR.
std::uint8_t Maxim(const std::uint8_t* data, std::size_t n) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8C) : crc >> 1;
    }
    return crc;
}

bool StartsAt(const std::string& s, std::size_t pos, std::string_view text) {
    return pos <= s.size() && s.compare(pos, text.size(), text) == 0;
}

AckKind ExpectedAck(const std::string& received) {
    for (std::size_t i = 0; i < received.size(); ++i) {
        if (!StartsAt(received, i, " - ")) continue;
        if (StartsAt(received, i + 3, "OK!")) return StartsAt(received, i + 6, " >> ") ? AckKind::OkWithData : AckKind::Ok;
        if (StartsAt(received, i + 3, "UNKNOWN CMD!")) return AckKind::UnknownCommand;
    }
    return AckKind::Nothing;
}

}  // namespace
}  // namespace tollvane::fuzz

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte for the count the read reported (values past 64 included,
// which no read gives but nothing must trust), one flag byte, then the
// bytes. With the flag's low bit the buffer also holds stale bytes beyond
// the count, which nothing may read.
TOLLVANE_FUZZ_HARNESS(replies) {
    Bytes in(data, size);
    const std::size_t count = in.Byte();
    const bool stale = (in.Byte() & 1) != 0;
    const std::string_view body = in.Rest();

    ReplyBuffer reply;
    reply.Clear();
    const std::size_t fill = std::min(body.size(), stale ? ReplyBuffer::kCapacity : std::min(count, ReplyBuffer::kCapacity));
    std::memcpy(reply.bytes.data(), body.data(), fill);
    reply.count = count;
    const ReplyBuffer before = reply;
    const std::size_t received = std::min(count, ReplyBuffer::kCapacity);
    const std::string text(reinterpret_cast<const char*>(before.bytes.data()), received);

    // Card results are matched at the start of the received bytes.
    const CardResult result = ClassifyCardResult(reply);
    CardResultKind kind = CardResultKind::NotRecognised;
    int code = 0;
    if (StartsAt(text, 0, "\rAT+ms")) {
        const std::uint8_t* frame = before.bytes.data() + 1;
        if (received >= 47 && Maxim(frame, 46) == 0 && Maxim(frame + 29, 16) == 0) kind = CardResultKind::ReadData;
    } else if (StartsAt(text, 0, "\rAT+DAT_OK")) {
        kind = CardResultKind::Success;
    } else if (StartsAt(text, 0, "\rAT+ERR_") && text.size() >= 10 && std::isdigit(static_cast<unsigned char>(text[8])) &&
               std::isdigit(static_cast<unsigned char>(text[9]))) {
        const int n = (text[8] - '0') * 10 + (text[9] - '0');
        if (n >= 3 && n <= 18) {
            kind = CardResultKind::Error;
            code = n;
        }
    }
    FUZZ_CHECK(result.kind == kind && result.errorCode == code);
    // Each error code's own message is the unit test's; here only its kind.
    const bool success = kind == CardResultKind::Success || kind == CardResultKind::ReadData;
    FUZZ_CHECK(result.icon == (success ? MessageIcon::Success : MessageIcon::Error));
    FUZZ_CHECK((result.message == Msg::kOperationSuccessful) == success);
    FUZZ_CHECK((result.message == Msg::kAnswerNotRecognized) == (kind == CardResultKind::NotRecognised));
    FUZZ_CHECK(std::memcmp(reply.bytes.data(), before.bytes.data(), reply.bytes.size()) == 0);

    // Acknowledgements are looked for anywhere in the received bytes, and
    // the reply is left as it came.
    std::size_t end = 99;
    const AckKind ack = ParseAck(reply, &end);
    FUZZ_CHECK(ack == ExpectedAck(text));
    FUZZ_CHECK(reply.count == count);
    FUZZ_CHECK(std::memcmp(reply.bytes.data(), before.bytes.data(), reply.bytes.size()) == 0);
    if (ack == AckKind::OkWithData) FUZZ_CHECK(end == text.find(" - OK! >> ") + 10);
    if (ack == AckKind::Ok) FUZZ_CHECK(end == text.find(" - OK!") + 6);
    if (ack == AckKind::Nothing) FUZZ_CHECK(end == 0);
}
