// The card ID reply and its four number forms; fuzz/card_id_fuzz.cpp checks
// the parse for any reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/card_id.h"

namespace tollvane {
namespace {

const std::string kPrefix = "\n\rAT+IDS - OK! >> ";

ReplyBuffer Reply(const std::string& bytes) {
    ReplyBuffer reply;
    const std::size_t n = std::min(bytes.size(), ReplyBuffer::kCapacity);
    std::memcpy(reply.bytes.data(), bytes.data(), n);
    reply.count = n;
    return reply;
}

TEST(CardIdReply, KnownReplyAndItsTexts) {
    const CardIdReply id = ParseCardIdReply(Reply(kPrefix + "0012345678 3232235777."));
    EXPECT_EQ(id.status, CardIdStatus::Ok);
    EXPECT_EQ(id.barcode, 12345678u);
    EXPECT_EQ(id.cipherId, 3232235777u);
    const CardIdTexts texts = FormatCardId(id.barcode, id.cipherId);
    EXPECT_EQ(texts.barcodeDec, "0012345678");
    EXPECT_EQ(texts.barcodeHex, "00BC614E");
    EXPECT_EQ(texts.cipherDec, "3232235777");
    EXPECT_EQ(texts.cipherDotted, "192.168.1.1");
}

TEST(CardIdReply, Outcomes) {
    struct Case {
        const char* name;
        std::string bytes;
        CardIdStatus status;
        std::uint32_t barcode, cipher;
    } cases[] = {
        {"prefix only", kPrefix, CardIdStatus::BadTerminator, 0, 0},
        {"empty", "", CardIdStatus::BadPrefix, 0, 0},
        {"no line feed", kPrefix.substr(1) + "0012345678 3232235777.", CardIdStatus::BadPrefix, 0, 0},
        {"unknown command", "\n\rAT+IDS - UNKNOWN CMD!", CardIdStatus::BadPrefix, 0, 0},
        {"no point", kPrefix + "0012345678 3232235777,", CardIdStatus::BadTerminator, 12345678, 3232235777u},
        {"trailing text", kPrefix + "0000000001;0000000002.\r\nmore", CardIdStatus::Ok, 1, 2},
        {"barcode saturates", kPrefix + "9999999999 0000000007.", CardIdStatus::Ok, 4294967295u, 7},
        {"cipher saturates", kPrefix + "4294967295 4294967296.", CardIdStatus::Ok, 4294967295u, 4294967295u},
        // A digit as separator runs the barcode into the cipher's digits.
        {"digit separator", kPrefix + "000000001200000000034.", CardIdStatus::Ok, 4294967295u, 34},
        {"signs", kPrefix + "-000000001 +000000002.", CardIdStatus::Ok, 4294967295u, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CardIdReply id = ParseCardIdReply(Reply(c.bytes));
        EXPECT_EQ(id.status, c.status);
        EXPECT_EQ(id.barcode, c.barcode);
        EXPECT_EQ(id.cipherId, c.cipher);
    }
}

TEST(UnsignedDecimal, BehavesLikeStrtoulWith32BitLong) {
    struct Case {
        std::string text;
        std::uint32_t value;
        std::size_t consumed;
    } cases[] = {
        {"0", 0, 1},
        {"4294967295", 4294967295u, 10},
        {"4294967296", 4294967295u, 10},
        {"-1", 4294967295u, 2},
        {"-4294967295", 1, 11},
        {" \t\n\v\f\r12x", 12, 8},
        {"", 0, 0},
        {"+-1", 0, 0},
        {"- 5", 0, 0},
    };
    for (const Case& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(ParseUnsignedDecimal(c.text.data(), c.text.size(), &consumed), c.value) << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text;
    }
    EXPECT_EQ(ParseUnsignedDecimal("12345", 3), 123u);
    EXPECT_EQ(ParseUnsignedDecimal(nullptr, 0), 0u);
}

TEST(ReadIdWindowTitle, ModelAndVersion) {
    EXPECT_EQ(ReadIdWindowTitle('B', 200), "Varnel ver.2.00");
    EXPECT_EQ(ReadIdWindowTitle('X', 0), "Ostrel-xxx ver.0.00");
    EXPECT_EQ(ReadIdWindowTitle('X', 200), "Ostrel-xxx ver.2.00");
    EXPECT_EQ(ReadIdWindowTitle('b', 199), "Ostrel-xxx ver.1.99");
    EXPECT_EQ(ReadIdWindowTitle('B', 1234), "Varnel ver.12.34");
}

}  // namespace
}  // namespace tollvane
