// Reply classification: the sixteen result codes with their messages, the
// version check, the card ID reply's four number forms. Acknowledgements,
// results that are none, read-backs with a bad checksum and the card ID
// reply's odd shapes are seeds of fuzz/replies_fuzz.cpp and
// fuzz/card_id_fuzz.cpp, which read them against a plain reading of the
// shapes (checksums computed bit by bit) and the C library's strtoul.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/card_id.h"
#include "protocol/replies.h"
#include "protocol/version.h"

namespace tollvane {
namespace {

// A reply as ReadReply leaves it: zero fill, then the received bytes.
ReplyBuffer Reply(const std::string& bytes) {
    ReplyBuffer reply;
    reply.count = std::min(bytes.size(), ReplyBuffer::kCapacity);
    std::memcpy(reply.bytes.data(), bytes.data(), reply.count);
    return reply;
}

// "ERR_03" to "ERR_18": each its own message, in the table's order from
// kErr03MainBoard (whose texts the message table's test holds).
TEST(ClassifyCardResult, TheSixteenErrorCodesAndTheirMessages) {
    for (int code = 3; code <= 18; ++code) {
        const std::string digits = std::to_string(code / 10) + std::to_string(code % 10);
        const CardResult r = ClassifyCardResult(Reply("\rAT+ERR_" + digits + "\r\n"));
        EXPECT_EQ(r.kind, CardResultKind::Error) << digits;
        EXPECT_EQ(r.errorCode, code);
        EXPECT_EQ(static_cast<int>(r.message), static_cast<int>(Msg::kErr03MainBoard) + code - 3);
        EXPECT_EQ(r.icon, MessageIcon::Error);
    }
}

TEST(ReaderVersion, OnlyTheFourCharacters200Pass) {
    for (const char* payload : {"2.00", "2.00xyz", "2.00\r\n"}) {
        const VersionCheck check = CheckReaderVersion(payload);
        EXPECT_TRUE(check.accepted) << payload;
        EXPECT_EQ(check.versionX100, 200);
        EXPECT_EQ(check.versionText, "2.00");
    }
    for (const char* payload : {"2.01", "1.99", "2.0", "", " 2.00", "2,00"})
        EXPECT_FALSE(CheckReaderVersion(payload).accepted) << payload;
    EXPECT_FALSE(CheckReaderVersion(nullptr).accepted);
}

const std::string kPrefix = "\n\rAT+IDS - OK! >> ";

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

// Beyond a length or a null pointer nothing is read (the fuzz harness
// compares the rest with the C library's strtoul).
TEST(UnsignedDecimal, ReadsOnlyWithinItsLength) {
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
