#include "protocol/card_id.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tollvane {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::uint32_t ParseUnsignedDecimal(const char* text, std::size_t length, std::size_t* consumed) {
    std::size_t pos = 0;
    while (pos < length && IsCSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < length && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t firstDigit = pos;
    std::uint64_t value = 0;
    bool overflow = false;
    while (pos < length && text[pos] >= '0' && text[pos] <= '9') {
        if (!overflow) {
            value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
            if (value > 0xFFFFFFFFull) overflow = true;
        }
        ++pos;
    }
    if (pos == firstDigit) {
        if (consumed != nullptr) *consumed = 0;
        return 0;
    }
    if (consumed != nullptr) *consumed = pos;
    if (overflow) return 0xFFFFFFFFu;
    const auto magnitude = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - magnitude) : magnitude;
}

CardIdReply ParseCardIdReply(const ReplyBuffer& reply) {
    CardIdReply result;
    // Bytes past the received count are taken as the zeros a fresh buffer
    // holds there, so a stale tail can never complete a reply.
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    const char* text = reply.c_str();
    if (received < kCardIdPrefixLength ||
        std::memcmp(text, kCardIdReplyPrefix, kCardIdPrefixLength) != 0) {
        result.status = CardIdStatus::BadPrefix;
        return result;
    }
    result.barcode = ParseUnsignedDecimal(text + kCardIdBarcodePos, received - kCardIdBarcodePos);
    if (received > kCardIdCipherPos) {
        result.cipherId =
            ParseUnsignedDecimal(text + kCardIdCipherPos, received - kCardIdCipherPos);
    }
    const bool terminated = received > kCardIdTerminatorPos && text[kCardIdTerminatorPos] == '.';
    result.status = terminated ? CardIdStatus::Ok : CardIdStatus::BadTerminator;
    return result;
}

std::optional<CardIdentity> IdentityOfReply(const ReplyBuffer* reply) {
    if (reply == nullptr) return std::nullopt;
    const CardIdReply card = ParseCardIdReply(*reply);
    if (card.status != CardIdStatus::Ok) return std::nullopt;
    return CardIdentity{card.barcode, card.cipherId};
}

CardIdTexts FormatCardId(std::uint32_t barcode, std::uint32_t cipher) {
    char buffer[32];
    CardIdTexts texts;
    std::snprintf(buffer, sizeof buffer, "%010u", static_cast<unsigned>(barcode));
    texts.barcodeDec = buffer;
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(barcode));
    texts.barcodeHex = buffer;
    std::snprintf(buffer, sizeof buffer, "%010u", static_cast<unsigned>(cipher));
    texts.cipherDec = buffer;
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", static_cast<unsigned>(cipher >> 24),
                  static_cast<unsigned>((cipher >> 16) & 0xFFu),
                  static_cast<unsigned>((cipher >> 8) & 0xFFu),
                  static_cast<unsigned>(cipher & 0xFFu));
    texts.cipherDotted = buffer;
    return texts;
}

std::string ReadIdWindowTitle(char modelLetter, int versionX100) {
    const char* model = modelLetter == 'B' ? "Varnel" : "Ostrel-xxx";
    const float version = static_cast<float>(versionX100) / 100.0f;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s ver.%.2f", model, static_cast<double>(version));
    return buffer;
}

}  // namespace tollvane
