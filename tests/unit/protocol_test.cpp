// The command frames, the reader's replies and what a read-back says of the write it checks; the
// wait's second stage is flows_test's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "app/reader/card_outcome.h"
#include "carddata/hex_text.h"
#include "protocol/card_id.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
#include "protocol/version.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

enum class Card { Classic, Sl1, Sl3, None };

// The worked examples' form: no AES authentication, Touch Memory, direct, standby and touch poll
// off.
FormSnapshot FormFor(Card card, int workMode = 0) {
    FormSnapshot form{.classicChecked = card == Card::Classic,
                      .sl1Checked = card == Card::Sl1,
                      .sl3Checked = card == Card::Sl3,
                      .ifTouchMemory = true,
                      .indDirect = true,
                      .standbyOff = true,
                      .touchPollOff = true,
                      .workModeIndex = workMode,
                      .crypto1Key = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                      .uniqueData = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
    for (std::size_t i = 0; i < form.aesKey.size(); ++i)
        form.aesKey[i] = static_cast<std::uint8_t>(0xA0 + i);
    return form;
}

// A frame as upper-case hex digits.
std::string Hex(const CommandFrame& frame) {
    return StripBlanks(FormatHexBytes(frame.data(), frame.size()));
}

TEST(CommandFrames, TheWorkedExamples) {
    EXPECT_EQ(Hex(BuildMasterWriteFrame(FormFor(Card::Classic))),
              "41542B4D777358" + std::string(44, '0') + "4D64646665640100FFFFFFFFFFFF0084FD");
    // "Send sector data after logged in"
    EXPECT_EQ(
        Hex(BuildUserWriteFrame(FormFor(Card::Classic, 1))),
        "41542B55777358FFFFFFFFFFFF" + std::string(32, '0') + "5500000000660100112233445566770DE3");
    // A User read and clear reach the sector and block of the form.
    FormSnapshot form = FormFor(Card::Classic, 1);
    form.sectorNumber = 7;
    form.blockNumber = 2;
    for (const CommandFrame& frame : {BuildUserReadFrame(form), BuildUserClearFrame(form)})
        EXPECT_EQ(frame[kFrameSettingsOffset + 6] * 0x100 + frame[kFrameSettingsOffset + 7],
                  0x0702);
}

TEST(CommandFrames, KeysGoWhereTheCardTypeAndWorkModeNeedThem) {
    using enum Card;
    const struct {
        CommandFrame (*build)(const FormSnapshot&);
        Card card;
        int workMode;
        bool crypto1, aes;
    } cases[] = {
        {BuildMasterWriteFrame, Classic, 1, false, false},
        {BuildMasterWriteFrame, Sl1, 1, false, true},
        {BuildMasterWriteFrame, Sl3, 1, false, true},
        {BuildMasterReadFrame, Sl3, 1, false, false},
        {BuildUserWriteFrame, Classic, 0, false, false},
        {BuildUserWriteFrame, Classic, 2, true, false},
        {BuildUserWriteFrame, Sl1, 1, true, true},
        {BuildUserWriteFrame, Sl1, 0, false, true},
        {BuildUserWriteFrame, None, 1, false, false},
        {BuildUserReadFrame, Sl1, 1, true, false},
        {BuildUserReadFrame, Sl3, 1, false, true},
        {BuildUserClearFrame, Sl1, 0, true, false},
        {BuildUserClearFrame, Sl3, 0, false, true},
    };
    for (const auto& c : cases) {
        const FormSnapshot form = FormFor(c.card, c.workMode);
        const CommandFrame frame = c.build(form);
        SCOPED_TRACE(Hex(frame));
        const auto crypto1 = c.crypto1 ? form.crypto1Key : decltype(form.crypto1Key){};
        const auto aes = c.aes ? form.aesKey : decltype(form.aesKey){};
        EXPECT_TRUE(std::equal(crypto1.begin(), crypto1.end(), frame.begin() + 7));
        EXPECT_TRUE(std::equal(aes.begin(), aes.end(), frame.begin() + 13));
    }
}

// The work mode's letter (not in item order), and the unique data a User write carries: plain,
// scrambled by the mask for the decrypt mode, or none.
TEST(CommandFrames, TheWorkModeDecidesItsLetterAndTheUniqueData) {
    const std::array<std::uint8_t, 7> plain = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77},
                                      scrambled = {0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5},
                                      none{};
    const struct {
        int workMode;
        std::uint8_t letter;
        const std::array<std::uint8_t, 7>& data;
    } cases[] = {{0, 'd', none},      {1, 'f', plain}, {2, 'e', none},
                 {3, 'g', scrambled}, {4, 0, none},    {-1, 0, none}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.workMode);
        const FormSnapshot form = FormFor(Card::Classic, c.workMode);
        const SettingsBlock block = SettingsBlockOf(BuildUserWriteFrame(form));
        EXPECT_EQ(block[5], c.letter);
        EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), block.begin() + 8));
        EXPECT_EQ(Crc8(block.data(), 16), 0);
        EXPECT_EQ(form.uniqueData, plain);
        // A User card carries none of the Master's reader settings.
        EXPECT_TRUE(std::all_of(block.begin() + 1, block.begin() + 5,
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(SettingsBlockOf(BuildMasterWriteFrame(form))[5], c.letter ? c.letter : 'd');
    }
}

// A reply as ReadReply leaves it: zero fill, then the received bytes.
ReplyBuffer Reply(const std::string& bytes) {
    ReplyBuffer reply;
    reply.count = std::min(bytes.size(), ReplyBuffer::kCapacity);
    std::memcpy(reply.bytes.data(), bytes.data(), reply.count);
    return reply;
}

// "ERR_03" to "ERR_18": each its own message, in the table's order.
TEST(ClassifyCardResult, TheSixteenErrorCodesAndTheirMessages) {
    for (int code = 3; code <= 18; ++code) {
        const CardResult r = ClassifyCardResult(
            Reply("\rAT+ERR_" + std::string(code < 10, '0') + std::to_string(code) + "\r\n"));
        EXPECT_EQ(r.kind, CardResultKind::Error) << code;
        EXPECT_EQ(r.errorCode, code) << code;
        EXPECT_EQ(r.icon, MessageIcon::Error) << code;
        EXPECT_EQ(static_cast<int>(r.message), static_cast<int>(Msg::kErr03MainBoard) + code - 3);
    }
}

TEST(ReaderVersion, OnlyTheFourCharacters200Pass) {
    for (const char* payload : {"2.00", "2.00xyz", "2.00\r\n"}) {
        const VersionCheck check = CheckReaderVersion(payload);
        EXPECT_TRUE(check.accepted) << payload;
        EXPECT_EQ(check.versionX100, 200) << payload;
        EXPECT_EQ(check.versionText, "2.00") << payload;
    }
    for (const char* payload :
         {"2.01", "1.99", "2.0", "", " 2.00", "2,00", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(CheckReaderVersion(payload).accepted) << (payload ? payload : "null");
}

// A known reply's four texts are the Read ID flow's (flows_test).
TEST(CardIdReply, ItsNumbersAndTheWindowTitle) {
    // The C library's strtoul with a 32-bit unsigned long; nothing past a length or of a null
    // pointer.
    const struct {
        const char* text;
        std::uint32_t value;
        std::size_t used;
    } numbers[] = {{" \t\n+42x", 42, 6},
                   {"-1", 4294967295u, 2},
                   {"-4294967295", 1, 11},
                   {"4294967296", 4294967295u, 10},
                   {"-4294967296", 4294967295u, 11},
                   {"99999999999999999999", 4294967295u, 20},
                   {"+-5", 0, 0},
                   {"- 5", 0, 0},
                   {"", 0, 0},
                   {"0x10", 0, 1}};
    for (const auto& n : numbers) {
        std::size_t used = 99;
        EXPECT_EQ(ParseUnsignedDecimal(n.text, std::strlen(n.text), &used), n.value) << n.text;
        EXPECT_EQ(used, n.used) << n.text;
    }
    EXPECT_EQ(ParseUnsignedDecimal("12345", 3), 123u);
    EXPECT_EQ(ParseUnsignedDecimal(nullptr, 0), 0u);
    EXPECT_EQ(
        (std::vector{ReadIdWindowTitle('B', 200), ReadIdWindowTitle('b', 199),
                     ReadIdWindowTitle('B', 1234)}),
        (std::vector<std::string>{"Varnel ver.2.00", "Ostrel-xxx ver.1.99", "Varnel ver.12.34"}));
}

using Spoil = std::function<void(CommandFrame&)>;
Spoil Set(std::size_t offset, std::uint8_t value) {
    return [=](CommandFrame& f) { f[offset] = value; };
}
Spoil Flip(std::size_t offset) {
    return [=](CommandFrame& f) { f[offset] ^= 0x01; };
}
constexpr std::size_t kBlock = kFrameSettingsOffset;

// A read-back of `written`, spoiled before its checksums were made and spoilAfter after them.
CardOutcome Outcome(const CommandFrame& written, const Spoil& spoil,
                    const Spoil& spoilAfter = nullptr) {
    const std::string text = ReadBackReply(written, spoil);
    CommandFrame frame = FrameOf({text.begin() + 2, text.end()});
    if (spoilAfter) spoilAfter(frame);
    ReplyBuffer reply;
    reply.bytes[0] = '\r';
    std::copy(frame.begin(), frame.end(), reply.bytes.begin() + 1);
    reply.count = kReadBackReplySize;
    return VerifiedOutcome(written, OutcomeOfReply(&reply, ReplyStage::Result, false));
}

TEST(Verify, TheReadBackAgainstTheWriteFieldByField) {
    const std::array<std::uint8_t, 7> data{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const FormSnapshot classic{.classicChecked = true,
                               .ifW26 = true,
                               .indDirect = true,
                               .standbyOff = true,
                               .touchPollOn = true,
                               .workModeIndex = 1,
                               .sectorNumber = 3,
                               .blockNumber = 2,
                               .crypto1Key = {1, 2, 3, 4, 5, 6},
                               .aesKey = {9, 9, 9},
                               .uniqueData = data};
    FormSnapshot sl1 = classic, sl3 = classic, decrypt = classic, cardId = classic;
    sl1.classicChecked = sl3.classicChecked = false;
    sl1.sl1Checked = sl1.aesAuthChecked = sl3.sl3Checked = sl3.aesAuthChecked = true;
    decrypt.workModeIndex = 3;
    cardId.workModeIndex = 0;
    const CommandFrame mc = BuildMasterWriteFrame(classic), m1 = BuildMasterWriteFrame(sl1),
                       m3 = BuildMasterWriteFrame(sl3), u = BuildUserWriteFrame(classic),
                       ud = BuildUserWriteFrame(decrypt), uc = BuildUserWriteFrame(cardId);
    const Spoil plainData = [&](CommandFrame& f) {
        std::copy(data.begin(), data.end(), f.begin() + kBlock + 8);
    };
    const struct {
        const CommandFrame& written;
        Spoil spoil;
        std::string differs;
    } cases[] = {
        // "": verified
        {mc, nullptr, ""},
        {mc, Set(5, '1'), "card type"},
        {mc, Set(kBlock + 1, 'd'), "reader settings"},
        {mc, Set(kBlock + 4, 'e'), "reader settings"},
        {mc, Set(kBlock + 5, 'd'), "work mode"},
        {mc, Flip(kBlock + 6), "sector"},
        {mc, Flip(kBlock + 7), "block"},
        {mc, Flip(kBlock + 8), "Crypto1 key"},
        {mc, Flip(kBlock + 13), "Crypto1 key"},
        // Not carried by a Classic Master write: the device's to fill.
        {mc, [](CommandFrame& f) { f[6] = 'V', f[13] ^= 1; }, ""},
        {m1, Set(6, 'X'), "card type"},
        {m1, Flip(28), "AES128 key"},
        {m3, Flip(13), "AES128 key"},
        {m3, Set(6, 'V'), ""},
        {mc, [](CommandFrame& f) { f[kBlock + 7] ^= 1, f[5] = '3'; },
         "card type, block"},  // in their order
        {u, nullptr, ""},
        {u, Flip(kBlock + 8), "unique data"},
        {u, Flip(kBlock + 14), "unique data"},
        {u, Set(kBlock + 5, 'd'), "work mode"},
        {ud, nullptr, ""},
        {ud, plainData, "unique data"},
        {u, Set(kBlock + 5, 'g'), "work mode, unique data"},
        {uc, Flip(kBlock + 8), ""},
        {mc, Set(kBlock, 'U'), "card type"},
        {u, Set(kBlock, 'M'), "card type"},
    };
    const MessageTable english(LanguageId::English);
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        const CardOutcome outcome = Outcome(c.written, c.spoil);
        EXPECT_EQ(outcome.result,
                  c.differs.empty() ? IssueResult::Verified : IssueResult::Mismatch);
        EXPECT_EQ(OutcomeText(outcome, english),
                  c.differs.empty() ? "The operation was successful!"
                                    : "The card does not hold what was written!\nDiffers: " +
                                          c.differs + ".\nPut this card aside.");
        if (!c.differs.empty()) {
            EXPECT_EQ(outcome.icon, MessageIcon::Error);
        }
    }
    // A bad frame or settings checksum: written, but not checked.
    for (const CardOutcome& outcome :
         {Outcome(u, nullptr, Flip(kFrameCrcOffset)),
          Outcome(mc, nullptr, [](CommandFrame& f) { f[44] ^= 1, f[45] = Crc8(f.data(), 45); })}) {
        EXPECT_EQ(outcome.result, IssueResult::Unverified);
        EXPECT_EQ(OutcomeText(outcome, english),
                  "The card was written, but it could not be read back to check it:\nThe answer "
                  "could not be recognized!");
    }
    // The field names in the interface language.
    EXPECT_EQ(
        OutcomeText(Outcome(mc, [](CommandFrame& f) { f[kBlock + 6] ^= 1, f[kBlock + 9] ^= 1; }),
                    MessageTable(LanguageId::Russian)),
        "На карте не то, что было записано!\nРасхождения: сектор, ключ Crypto1.\nОтложите эту "
        "карту.");
}

}  // namespace
}  // namespace tollvane::testing
