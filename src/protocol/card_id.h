// The reply to "AT+READS_IDS" and the texts the Read ID window shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "serial/serial_port.h"

namespace tollvane {

inline constexpr char kCardIdReplyPrefix[] = "\n\rAT+IDS - OK! >> ";
inline constexpr std::size_t kCardIdPrefixLength = 18;
inline constexpr std::size_t kCardIdBarcodePos = 18;
inline constexpr std::size_t kCardIdCipherPos = 29;
inline constexpr std::size_t kCardIdTerminatorPos = 39;

enum class CardIdStatus { Ok, BadPrefix, BadTerminator };

struct CardIdReply {
    CardIdStatus status = CardIdStatus::BadPrefix;
    std::uint32_t barcode = 0;
    std::uint32_t cipherId = 0;  // both hold what was parsed even for BadTerminator
};

CardIdReply ParseCardIdReply(const ReplyBuffer& reply);

// The two numbers that tell one card from another.
struct CardIdentity {
    std::uint32_t barcode = 0;
    std::uint32_t cipherId = 0;
    bool operator==(const CardIdentity&) const = default;
};

// The card a reply names. The device contract does not say what a reader
// with no card in front of it answers, so any reply that is not a whole
// card ID, and no reply at all (null), means no card.
std::optional<CardIdentity> IdentityOfReply(const ReplyBuffer* reply);

// The C library's strtoul in base 10 with a 32-bit unsigned long: leading
// white space, an optional sign ('-' negates modulo 2^32), digits; an
// overflow gives 4294967295. Reads at most length bytes; *consumed (if not
// null) gets the number of bytes used, 0 when no digits were found.
std::uint32_t ParseUnsignedDecimal(const char* text, std::size_t length,
                                   std::size_t* consumed = nullptr);

struct CardIdTexts {
    std::string barcodeDec;    // "%010u"
    std::string barcodeHex;    // "%08X"
    std::string cipherDec;     // "%010u"
    std::string cipherDotted;  // bytes most significant first, "192.168.1.1"
};

CardIdTexts FormatCardId(std::uint32_t barcode, std::uint32_t cipher);

// "Varnel ver.2.00" for an identified reader ('B'), otherwise the model is
// "Ostrel-xxx"; the version is versionX100 / 100 in single precision.
std::string ReadIdWindowTitle(char modelLetter, int versionX100);

}  // namespace tollvane
