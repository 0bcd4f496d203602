// The card ID reply: refused without its fixed start; the Read ID texts give the numbers back.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fuzz_target.h"
#include "protocol/card_id.h"

// Input: the count the read reported (top bit: the fixed start goes in front), then the reply.
TOLLVANE_FUZZ_HARNESS(card_id) {
    const std::uint8_t head = in.Byte();
    const std::string body =
        ((head & 0x80) ? std::string(kCardIdReplyPrefix) : std::string()) + std::string(in.Rest());
    ReplyBuffer reply;
    reply.Clear();
    reply.count = (head & 0x40) ? std::min(body.size(), ReplyBuffer::kCapacity) : head & 0x7F;
    std::memcpy(reply.bytes.data(), body.data(), std::min(body.size(), ReplyBuffer::kCapacity));
    char text[ReplyBuffer::kCapacity + 1] = {};  // the received bytes, then zeros
    std::memcpy(text, reply.bytes.data(),
                std::min<std::size_t>(reply.count, ReplyBuffer::kCapacity));
    const CardIdReply parsed = ParseCardIdReply(reply);
    if (std::strncmp(text, kCardIdReplyPrefix, kCardIdPrefixLength))
        FUZZ_CHECK(parsed.status == CardIdStatus::BadPrefix);
    const CardIdTexts texts = FormatCardId(parsed.barcode, parsed.cipherId);
    FUZZ_CHECK(texts.barcodeDec.size() == 10 && texts.cipherDec.size() == 10 &&
               texts.barcodeHex.size() == 8);
    FUZZ_CHECK(std::stoul(texts.barcodeDec) == parsed.barcode &&
               std::stoul(texts.barcodeHex, nullptr, 16) == parsed.barcode);
    FUZZ_CHECK(std::stoul(texts.cipherDec) == parsed.cipherId);
    unsigned b[4] = {}, n = 0;
    FUZZ_CHECK(std::sscanf(texts.cipherDotted.c_str(), "%3u.%3u.%3u.%3u%n", &b[0], &b[1], &b[2],
                           &b[3], &n) == 4);
    FUZZ_CHECK(n == texts.cipherDotted.size() && std::max({b[0], b[1], b[2], b[3]}) <= 255);
    FUZZ_CHECK((b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]) == parsed.cipherId);
}
