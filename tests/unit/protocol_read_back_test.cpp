#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "protocol/read_back.h"
#include "protocol/replies.h"

namespace tollvane {
namespace {

// The frame as the reader returns it, from offset 5 on, in a heap block of
// exactly its size so that a read past it is caught.
std::vector<std::uint8_t> Tail(const CommandFrame& frame) { return {frame.begin() + 5, frame.end()}; }

ReadBackValues Decode(const CommandFrame& frame) {
    const std::vector<std::uint8_t> tail = Tail(frame);
    return DecodeReadBack(tail.data(), tail.size());
}

// A Master card as a Master write of this form would have put it.
CommandFrame MasterCard(std::uint8_t cardType, std::uint8_t aesAuth, const std::array<std::uint8_t, 4>& settings) {
    FormSnapshot form;
    form.workModeIndex = 1;
    form.sectorNumber = 7;
    form.blockNumber = 2;
    form.crypto1Key = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};
    for (std::size_t i = 0; i < 16; ++i) form.aesKey[i] = static_cast<std::uint8_t>(i);
    form.sl1Checked = true;  // puts the AES key into the frame
    CommandFrame frame = BuildMasterWriteFrame(form);
    frame[5] = cardType;
    frame[6] = aesAuth;
    std::copy(settings.begin(), settings.end(), frame.begin() + 29 + 1);
    return frame;
}

TEST(ReadBack, MasterCardTypeAndAesAuthentication) {
    struct Case {
        std::uint8_t cardType, aesAuth;
        std::optional<ReadBackCardType> type;
        std::optional<bool> aesAuthChecked;
        bool aesKey;
    } cases[] = {
        {'s', 'V', ReadBackCardType::Classic, false, false},
        {'1', 'V', ReadBackCardType::Sl1, true, true},
        {'1', 'X', ReadBackCardType::Sl1, false, true},
        {'1', 'Q', ReadBackCardType::Sl1, std::nullopt, true},
        {'1', 0, ReadBackCardType::Sl1, std::nullopt, true},
        {'3', 'V', ReadBackCardType::Sl3, false, true},
        {'z', 'V', std::nullopt, std::nullopt, false},
        {0, 'X', std::nullopt, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cardType << "/" << c.aesAuth);
        const ReadBackValues v = Decode(MasterCard(c.cardType, c.aesAuth, {'d', 'd', 'd', 'd'}));
        EXPECT_TRUE(v.masterCard);
        EXPECT_EQ(v.cardType, c.type);
        EXPECT_EQ(v.aesAuthChecked, c.aesAuthChecked);
        EXPECT_EQ(v.aesKey.has_value(), c.aesKey);
        if (c.aesKey) {
            EXPECT_EQ(v.aesKeyText, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
        } else {
            EXPECT_EQ(v.aesKeyText, "");
        }
        // The Crypto1 key of a Master card is always taken.
        ASSERT_TRUE(v.crypto1Key.has_value());
        EXPECT_EQ(v.crypto1KeyText, "A1 B2 C3 D4 E5 F6");
        EXPECT_FALSE(v.uniqueData.has_value());
        EXPECT_EQ(v.sectorNumber, 7);
        EXPECT_EQ(v.blockNumber, 2);
        EXPECT_EQ(v.workModeIndex, 1);
    }
}

TEST(ReadBack, MasterReaderSettingsPickTheirRadioOrLeaveTheGroup) {
    struct Case {
        std::array<std::uint8_t, 4> letters;
        std::optional<int> interface, indication, standby, touchPoll;
    } cases[] = {
        {{'d', 'd', 'd', 'd'}, 0, 0, 0, 0},
        {{'e', 'e', 'e', 'e'}, 1, 1, 1, 1},
        {{'f', 'f', 'f', 'f'}, 2, std::nullopt, 2, std::nullopt},
        {{'g', 'g', 'g', 'g'}, 3, std::nullopt, std::nullopt, std::nullopt},
        {{'h', 'c', 0, 0xFF}, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {{'D', 'E', 'F', 'd'}, std::nullopt, std::nullopt, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const ReadBackValues v = Decode(MasterCard('s', 'X', c.letters));
        EXPECT_EQ(v.interfaceIndex, c.interface);
        EXPECT_EQ(v.indicationIndex, c.indication);
        EXPECT_EQ(v.standbyIndex, c.standby);
        EXPECT_EQ(v.touchPollIndex, c.touchPoll);
    }
}

TEST(ReadBack, UserCardDataComesBackAsItWasTyped) {
    for (int workMode : {1, 3}) {
        SCOPED_TRACE(workMode);
        FormSnapshot form;
        form.classicChecked = true;
        form.workModeIndex = workMode;
        form.sectorNumber = 3;
        form.blockNumber = 1;
        form.uniqueData = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD};
        const ReadBackValues v = Decode(BuildUserWriteFrame(form));
        EXPECT_FALSE(v.masterCard);
        ASSERT_TRUE(v.uniqueData.has_value());
        EXPECT_EQ(*v.uniqueData, form.uniqueData);
        EXPECT_EQ(v.uniqueDataText, "01 23 45 67 89 AB CD");
        EXPECT_EQ(v.workModeIndex, workMode);
        EXPECT_EQ(v.sectorNumber, 3);
        EXPECT_EQ(v.blockNumber, 1);
        // Nothing of the Master settings or keys is touched by a User card.
        EXPECT_FALSE(v.cardType.has_value());
        EXPECT_FALSE(v.aesAuthChecked.has_value());
        EXPECT_FALSE(v.interfaceIndex.has_value());
        EXPECT_FALSE(v.touchPollIndex.has_value());
        EXPECT_FALSE(v.crypto1Key.has_value());
        EXPECT_FALSE(v.aesKey.has_value());
    }
}

TEST(ReadBack, WholeReplyFromTheClassifierDecodes) {
    FormSnapshot form;
    form.sl3Checked = true;
    form.ifW58 = true;
    form.indInverse = true;
    form.standbyStatic = true;
    form.touchPollOn = true;
    form.workModeIndex = 3;
    form.sectorNumber = 15;
    form.aesKey.fill(0x5C);
    CommandFrame frame = BuildMasterWriteFrame(form);
    frame[3] = 'm';
    frame[4] = 's';
    frame[45] = Crc8(frame.data(), 45);
    ReplyBuffer reply;
    reply.bytes[0] = '\r';
    std::copy(frame.begin(), frame.end(), reply.bytes.begin() + 1);
    reply.count = kReadBackReplySize;
    ASSERT_EQ(ClassifyCardResult(reply).kind, CardResultKind::ReadData);

    const ReadBackValues v =
        DecodeReadBack(reply.bytes.data() + kReadBackDataOffset, reply.count - kReadBackDataOffset);
    EXPECT_EQ(v.cardType, ReadBackCardType::Sl3);
    EXPECT_EQ(v.interfaceIndex, 3);
    EXPECT_EQ(v.indicationIndex, 1);
    EXPECT_EQ(v.standbyIndex, 1);
    EXPECT_EQ(v.touchPollIndex, 0);
    EXPECT_EQ(v.workModeIndex, 3);
    EXPECT_EQ(v.sectorNumber, 15);
    ASSERT_TRUE(v.aesKey.has_value());
    EXPECT_EQ(*v.aesKey, form.aesKey);
    EXPECT_EQ(v.crypto1KeyText, "00 00 00 00 00 00");
}

}  // namespace
}  // namespace tollvane
