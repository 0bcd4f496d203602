// Reply classification: the sixteen result codes with their messages,
// read-back checksums, the version check, the card ID reply's four number
// forms. The acknowledgement forms and the card ID reply's odd shapes are
// the seeds of fuzz/replies_fuzz.cpp and fuzz/card_id_fuzz.cpp, which read
// them against a plain reading of the shapes and the C library's strtoul.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/card_id.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
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

TEST(ClassifyCardResult, TheSixteenErrorCodesAndTheirMessages) {
    const Msg messages[] = {Msg::kErr03MainBoard,       Msg::kErr04CardNotPresented, Msg::kErr05OperationFailed,
                            Msg::kErr06CardTypeUnsupported, Msg::kErr07SwitchSl0Sl1, Msg::kErr08SwitchSl1Sl3,
                            Msg::kErr09TypeMismatchSl3, Msg::kErr10Ats,              Msg::kErr11Auth,
                            Msg::kErr12WriteBlock,      Msg::kErr13ReadBlock,        Msg::kErr14DataCrc,
                            Msg::kErr15SettingsCrc,     Msg::kErr16NotMaster,        Msg::kErr17TypeMismatchSl1,
                            Msg::kErr18NotUser};
    const char* codes[] = {"03", "04", "05", "06", "07", "08", "09", "10",
                           "11", "12", "13", "14", "15", "16", "17", "18"};
    for (int i = 0; i < 16; ++i) {
        const CardResult r = ClassifyCardResult(Reply(std::string("\rAT+ERR_") + codes[i] + "\r\n"));
        EXPECT_EQ(r.kind, CardResultKind::Error) << codes[i];
        EXPECT_EQ(r.errorCode, i + 3);
        EXPECT_EQ(r.message, messages[i]);
        EXPECT_EQ(r.icon, MessageIcon::Error);
    }
    const CardResult ok = ClassifyCardResult(Reply("\rAT+DAT_OK\r\nAT+Uw - OK!"));
    EXPECT_EQ(ok.kind, CardResultKind::Success);
    EXPECT_EQ(ok.message, Msg::kOperationSuccessful);
    EXPECT_EQ(ok.icon, MessageIcon::Success);
    for (const char* other : {"\rAT+ERR_02", "\rAT+ERR_19", "\rAT+ERR_3", "\rAT+DAT_O", "\n\rAT+DAT_OK",
                              "\rat+dat_ok", "\rAT+ms", ""}) {
        const CardResult r = ClassifyCardResult(Reply(other));
        EXPECT_EQ(r.kind, CardResultKind::NotRecognised) << other;
        EXPECT_EQ(r.message, Msg::kAnswerNotRecognized);
    }
}

// The reader's answer to a read: carriage return, then a frame with letters
// "ms" and both checksums good.
ReplyBuffer ReadBackReply(std::size_t count, int spoil) {
    FormSnapshot form;
    form.sl1Checked = true;
    form.workModeIndex = 2;
    form.crypto1Key = {1, 2, 3, 4, 5, 6};
    CommandFrame frame = BuildMasterWriteFrame(form);
    frame[3] = 'm';
    frame[4] = 's';
    if (spoil == 44) frame[44] ^= 0x01;  // the settings block's checksum, under a good frame checksum
    frame[kFrameCrcOffset] = Crc8(frame.data(), 45);
    if (spoil == 10) frame[10] ^= 0x01;  // a byte under the frame's checksum
    ReplyBuffer reply = Reply("\r" + std::string(frame.begin(), frame.end()));
    reply.count = count;
    return reply;
}

TEST(ClassifyCardResult, AReadBackNeedsBothChecksumsAndAllItsBytes) {
    EXPECT_EQ(ClassifyCardResult(ReadBackReply(47, -1)).kind, CardResultKind::ReadData);
    EXPECT_EQ(ClassifyCardResult(ReadBackReply(47, 44)).kind, CardResultKind::NotRecognised);  // settings block
    EXPECT_EQ(ClassifyCardResult(ReadBackReply(47, 10)).kind, CardResultKind::NotRecognised);  // frame
    EXPECT_EQ(ClassifyCardResult(ReadBackReply(46, -1)).kind, CardResultKind::NotRecognised);  // cut short
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
