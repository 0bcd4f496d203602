// The card ID reply, against the C library's strtoul, and the Read ID
// window's texts read back into numbers.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "protocol/card_id.h"

namespace tollvane::fuzz {
namespace {

// strtoul as a C library with a 32-bit unsigned long gives it: a magnitude
// beyond 32 bits overflows to 4294967295, a minus sign negates modulo 2^32.
std::uint32_t Strtoul32(const char* text, std::size_t* consumed) {
    char* end = nullptr;
    errno = 0;
    const unsigned long wide = std::strtoul(text, &end, 10);
    const bool range = errno == ERANGE;
    *consumed = static_cast<std::size_t>(end - text);
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    const unsigned long magnitude = negative ? 0ul - wide : wide;
    if (range || magnitude > 0xFFFFFFFFul) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(wide);
}

}  // namespace
}  // namespace tollvane::fuzz

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte for the count the read reported, then the reply's bytes.
// Half of the inputs get the fixed start of a good reply put in front, so
// that the numbers behind it are reached.
TOLLVANE_FUZZ_HARNESS(card_id) {
    Bytes in(data, size);
    const std::uint8_t head = in.Byte();
    std::string body = (head & 0x80) ? std::string(kCardIdReplyPrefix) : std::string();
    body += in.Rest();
    const std::size_t count = (head & 0x40) ? std::min<std::size_t>(body.size(), ReplyBuffer::kCapacity) : head & 0x7F;

    ReplyBuffer reply;
    reply.Clear();
    std::memcpy(reply.bytes.data(), body.data(), std::min(body.size(), ReplyBuffer::kCapacity));
    reply.count = count;
    const std::size_t received = std::min(count, ReplyBuffer::kCapacity);
    // What a fresh buffer holds after that read: the received bytes, zeros.
    char text[ReplyBuffer::kCapacity + 1] = {};
    std::memcpy(text, reply.bytes.data(), received);

    const CardIdReply parsed = ParseCardIdReply(reply);
    if (received < kCardIdPrefixLength || std::memcmp(text, "\n\rAT+IDS - OK! >> ", 18) != 0) {
        FUZZ_CHECK(parsed.status == CardIdStatus::BadPrefix);
        return;
    }
    std::size_t used = 0;
    FUZZ_CHECK(parsed.barcode == Strtoul32(text + 18, &used));
    FUZZ_CHECK(parsed.cipherId == Strtoul32(text + 29, &used));
    FUZZ_CHECK(parsed.status == (text[39] == '.' ? CardIdStatus::Ok : CardIdStatus::BadTerminator));

    std::size_t consumed = 0;
    const std::uint32_t direct = ParseUnsignedDecimal(text + 18, received - 18, &consumed);
    FUZZ_CHECK(direct == Strtoul32(text + 18, &used));
    FUZZ_CHECK(consumed == used);

    // The window's four texts give the two numbers back.
    const CardIdTexts texts = FormatCardId(parsed.barcode, parsed.cipherId);
    FUZZ_CHECK(texts.barcodeDec.size() == 10 && texts.cipherDec.size() == 10 && texts.barcodeHex.size() == 8);
    FUZZ_CHECK(std::strtoul(texts.barcodeDec.c_str(), nullptr, 10) == parsed.barcode);
    FUZZ_CHECK(std::strtoul(texts.barcodeHex.c_str(), nullptr, 16) == parsed.barcode);
    FUZZ_CHECK(std::strtoul(texts.cipherDec.c_str(), nullptr, 10) == parsed.cipherId);
    std::uint32_t dotted = 0;
    const char* p = texts.cipherDotted.c_str();
    for (int part = 0; part < 4; ++part) {
        char* end = nullptr;
        const unsigned long byte = std::strtoul(p, &end, 10);
        FUZZ_CHECK(end != p && byte <= 255);
        FUZZ_CHECK(*end == (part < 3 ? '.' : '\0'));
        dotted = (dotted << 8) | static_cast<std::uint32_t>(byte);
        p = end + 1;
    }
    FUZZ_CHECK(dotted == parsed.cipherId);
}
