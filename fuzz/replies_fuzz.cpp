// Any reply classified: left as it came, stale bytes past the received ones change nothing, and
// each outcome is backed by the text it names.
#include <algorithm>
#include <cstring>

#include "fuzz_target.h"
#include "protocol/replies.h"

// Input: the count the read reported (past 64 too: nothing may trust it), a flag byte (low bit:
// stale bytes beyond the count, which nothing may read), then the bytes.
TOLLVANE_FUZZ_HARNESS(replies) {
    const std::size_t count = in.Byte();
    const bool staleBytes = (in.Byte() & 1) != 0;
    const std::string_view body = in.Rest();
    ReplyBuffer stale, clean;
    stale.Clear();
    clean.Clear();
    const std::size_t received = std::min(count, ReplyBuffer::kCapacity);
    std::memcpy(stale.bytes.data(), body.data(),
                std::min(body.size(), staleBytes ? ReplyBuffer::kCapacity : received));
    std::memcpy(clean.bytes.data(), body.data(), std::min(body.size(), received));
    stale.count = clean.count = count;
    const ReplyBuffer before = stale;
    const std::string text(reinterpret_cast<const char*>(clean.bytes.data()), received);

    const CardResult result = ClassifyCardResult(stale), same = ClassifyCardResult(clean);
    FUZZ_CHECK(result.kind == same.kind && result.errorCode == same.errorCode &&
               result.message == same.message);
    const bool success =
        result.kind == CardResultKind::Success || result.kind == CardResultKind::ReadData;
    FUZZ_CHECK(result.icon == (success ? MessageIcon::Success : MessageIcon::Error));
    FUZZ_CHECK((result.message == Msg::kAnswerNotRecognized) ==
               (result.kind == CardResultKind::NotRecognised));
    if (result.kind == CardResultKind::Success) FUZZ_CHECK(text.starts_with("\rAT+DAT_OK"));
    if (result.kind == CardResultKind::ReadData)
        FUZZ_CHECK(text.starts_with("\rAT+ms") && received >= kReadBackReplySize);
    if (result.kind == CardResultKind::Error)
        FUZZ_CHECK(text.starts_with("\rAT+ERR_") && result.errorCode >= 3 &&
                   result.errorCode <= 18);

    std::size_t end = 99, cleanEnd = 98;
    const AckKind ack = ParseAck(stale, &end);
    FUZZ_CHECK(ack == ParseAck(clean, &cleanEnd) && end == cleanEnd && end <= received);
    FUZZ_CHECK(stale.bytes == before.bytes && stale.count == count);
    const auto endsWith = [&](std::string_view s) {
        return end >= s.size() && text.compare(end - s.size(), s.size(), s) == 0;
    };
    FUZZ_CHECK((ack == AckKind::Nothing) == (end == 0));
    if (ack == AckKind::Ok) FUZZ_CHECK(endsWith(" - OK!"));
    if (ack == AckKind::OkWithData) FUZZ_CHECK(endsWith(" - OK! >> "));
    if (ack == AckKind::UnknownCommand) FUZZ_CHECK(endsWith(" - UNKNOWN CMD!"));
}
