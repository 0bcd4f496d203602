#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
#include "protocol/version.h"

namespace tollvane {
namespace {

// A reply as ReadReply leaves it: zero fill, then the received bytes.
ReplyBuffer Reply(const std::string& bytes) {
    ReplyBuffer reply;
    const std::size_t n = std::min(bytes.size(), ReplyBuffer::kCapacity);
    std::memcpy(reply.bytes.data(), bytes.data(), n);
    reply.count = n;
    return reply;
}

TEST(ParseAck, Classification) {
    struct Case {
        std::string bytes;
        AckKind kind;
    } cases[] = {
        {"", AckKind::Nothing},
        {"AT+Mw - OK!", AckKind::Ok},
        {" - OK!", AckKind::Ok},
        {"AT+Uw - OK!\r\n", AckKind::Ok},
        {"x - OK! > 2.00", AckKind::Ok},
        {"x - OK! >>2.00", AckKind::Ok},
        {"x - OK! >", AckKind::Ok},
        {"AT+READS_USB - OK! >> 2.00", AckKind::OkWithData},
        {"x - OK! >> ", AckKind::OkWithData},
        {"x - UNKNOWN CMD!", AckKind::UnknownCommand},
        {"x - UNKNOWN CMD", AckKind::Nothing},
        {"x - UNKNOWN", AckKind::Nothing},
        {"x - OK", AckKind::Nothing},
        {"x -OK!", AckKind::Nothing},
        {"x- OK!", AckKind::Nothing},
        {"x - ok!", AckKind::Nothing},
        {"x - ", AckKind::Nothing},
        {"OK! >> 2.00", AckKind::Nothing},
        {"a - b - OK!", AckKind::Ok},
        {" -  - OK!", AckKind::Ok},
        {"x - UNKNOWN CMD! - OK!", AckKind::UnknownCommand},
        {"x - OK! - UNKNOWN CMD!", AckKind::Ok},
        {"\rAT+DAT_OK", AckKind::Nothing},
        {std::string("\0 - OK!", 7), AckKind::Ok},
    };
    for (const Case& c : cases) {
        ReplyBuffer reply = Reply(c.bytes);
        EXPECT_EQ(ParseAck(reply), c.kind) << '"' << c.bytes << '"';
    }
}

TEST(ParseAck, FullBufferAndOverstatedCountStayInside) {
    // Marker at the very end of a full 64-byte reply.
    std::string full(54, 'z');
    full += " - OK! >> ";
    ASSERT_EQ(full.size(), 64u);
    ReplyBuffer reply = Reply(full);
    EXPECT_EQ(ParseAck(reply), AckKind::OkWithData);
    EXPECT_EQ(reply.bytes[64], 0);

    // A count beyond the capacity is held to the capacity.
    std::string data(52, 'z');
    data += " - OK! >> 2.00";
    ReplyBuffer big = Reply(data.substr(0, 64));
    big.count = 100000;
    EXPECT_EQ(ParseAck(big), AckKind::OkWithData);
    EXPECT_EQ(std::string(big.c_str(), 2), "2.");
    EXPECT_EQ(big.bytes[64], 0);
}

TEST(ClassifyCardResult, TextReplies) {
    struct Case {
        std::string bytes;
        CardResultKind kind;
        int code;
    } cases[] = {
        {"\rAT+DAT_OK", CardResultKind::Success, 0},
        {"\rAT+DAT_OK\r\nAT+Uw - OK!", CardResultKind::Success, 0},
        {"\rAT+ERR_04\r\n", CardResultKind::Error, 4},
        {"\rAT+ERR_02", CardResultKind::NotRecognised, 0},
        {"\rAT+ERR_19", CardResultKind::NotRecognised, 0},
        {"\rAT+ERR_00", CardResultKind::NotRecognised, 0},
        {"\rAT+ERR_3", CardResultKind::NotRecognised, 0},
        {"\rAT+ERR_", CardResultKind::NotRecognised, 0},
        {"\rAT+DAT_O", CardResultKind::NotRecognised, 0},
        {"\n\rAT+DAT_OK", CardResultKind::NotRecognised, 0},
        {"AT+DAT_OK", CardResultKind::NotRecognised, 0},
        {"\rat+dat_ok", CardResultKind::NotRecognised, 0},
        {"x - OK!", CardResultKind::NotRecognised, 0},
        {"\rAT+ms", CardResultKind::NotRecognised, 0},
        {"", CardResultKind::NotRecognised, 0},
        {std::string(64, '\xFF'), CardResultKind::NotRecognised, 0},
    };
    for (const Case& c : cases) {
        const CardResult result = ClassifyCardResult(Reply(c.bytes));
        EXPECT_EQ(result.kind, c.kind) << c.bytes;
        EXPECT_EQ(result.errorCode, c.code) << c.bytes;
        if (c.kind == CardResultKind::NotRecognised) {
            EXPECT_EQ(result.message, Msg::kAnswerNotRecognized);
            EXPECT_EQ(result.icon, MessageIcon::Error);
        }
        if (c.kind == CardResultKind::Success) {
            EXPECT_EQ(result.message, Msg::kOperationSuccessful);
            EXPECT_EQ(result.icon, MessageIcon::Success);
        }
    }
}

TEST(ClassifyCardResult, ResultCutByTheCountIsNotRecognised) {
    ReplyBuffer reply = Reply("\rAT+DAT_OK");
    reply.count = 9;
    EXPECT_EQ(ClassifyCardResult(reply).kind, CardResultKind::NotRecognised);
    reply = Reply("\rAT+ERR_04");
    reply.count = 9;
    EXPECT_EQ(ClassifyCardResult(reply).kind, CardResultKind::NotRecognised);
}

// The reader's answer to a read: carriage return, then a frame with letters
// "ms" and valid checksums.
ReplyBuffer ReadBackReply(CommandFrame frame) {
    frame[3] = 'm';
    frame[4] = 's';
    frame[kFrameCrcOffset] = Crc8(frame.data(), 45);
    ReplyBuffer reply;
    reply.bytes[0] = '\r';
    std::copy(frame.begin(), frame.end(), reply.bytes.begin() + 1);
    reply.count = kReadBackReplySize;
    return reply;
}

FormSnapshot MasterForm() {
    FormSnapshot form;
    form.sl1Checked = true;
    form.aesAuthChecked = true;
    form.ifW44 = true;
    form.workModeIndex = 2;
    form.sectorNumber = 5;
    form.crypto1Key = {1, 2, 3, 4, 5, 6};
    return form;
}

TEST(ClassifyCardResult, ReadBackWithGoodChecksumsIsReadData) {
    const CardResult result = ClassifyCardResult(ReadBackReply(BuildMasterWriteFrame(MasterForm())));
    EXPECT_EQ(result.kind, CardResultKind::ReadData);
    EXPECT_EQ(result.message, Msg::kOperationSuccessful);
    EXPECT_EQ(result.icon, MessageIcon::Success);
}

TEST(ClassifyCardResult, ReadBackWithABadChecksumIsNotRecognised) {
    // SettingsBlock CRC wrong, frame CRC made right again over the change.
    ReplyBuffer badBlock = ReadBackReply(BuildMasterWriteFrame(MasterForm()));
    badBlock.bytes[1 + 44] ^= 0x01;
    badBlock.bytes[1 + 45] = Crc8(badBlock.bytes.data() + 1, 45);
    ASSERT_EQ(Crc8(badBlock.bytes.data() + 1, 46), 0);
    EXPECT_EQ(ClassifyCardResult(badBlock).kind, CardResultKind::NotRecognised);

    ReplyBuffer badFrame = ReadBackReply(BuildMasterWriteFrame(MasterForm()));
    badFrame.bytes[1 + 10] ^= 0x80;
    EXPECT_EQ(ClassifyCardResult(badFrame).kind, CardResultKind::NotRecognised);
}

TEST(ClassifyCardResult, ShortReadBackIsNotRecognisedEvenWhenItsZeroFillPassesTheChecksums) {
    // A frame whose settings block and tail are all zero: cut after its last
    // non-zero byte, the buffer's zero fill completes it with good checksums.
    CommandFrame frame{};
    frame[0] = 'A';
    frame[1] = 'T';
    frame[2] = '+';
    frame[3] = 'm';
    frame[4] = 's';
    frame[5] = 's';
    for (int b = 0; b < 256; ++b) {
        frame[6] = static_cast<std::uint8_t>(b);
        if (Crc8(frame.data(), 45) == 0) break;
    }
    ASSERT_EQ(Crc8(frame.data(), 46), 0);
    ReplyBuffer reply;
    reply.bytes[0] = '\r';
    std::copy(frame.begin(), frame.end(), reply.bytes.begin() + 1);
    for (std::size_t count : {6u, 8u, 30u, 46u}) {
        reply.count = count;
        EXPECT_EQ(ClassifyCardResult(reply).kind, CardResultKind::NotRecognised) << count;
    }
    reply.count = 47;
    EXPECT_EQ(ClassifyCardResult(reply).kind, CardResultKind::ReadData);
}

TEST(ReaderVersion, OnlyTheFourCharacters200Pass) {
    struct Case {
        const char* payload;
        bool accepted;
    } cases[] = {
        {"2.00", true}, {"2.00xyz", true}, {"2.00\r\n", true}, {"2.01", false}, {"1.99", false},
        {"3.00", false}, {"2.0", false},   {"2", false},       {"", false},     {" 2.00", false},
        {"2,00", false},
    };
    for (const Case& c : cases) {
        const VersionCheck check = CheckReaderVersion(c.payload);
        EXPECT_EQ(check.accepted, c.accepted) << c.payload;
        EXPECT_EQ(check.versionX100, c.accepted ? 200 : 0) << c.payload;
        EXPECT_EQ(check.versionText, c.accepted ? "2.00" : "") << c.payload;
    }
    EXPECT_FALSE(CheckReaderVersion(nullptr).accepted);
}

}  // namespace
}  // namespace tollvane
