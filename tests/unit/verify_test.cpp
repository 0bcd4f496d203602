// What a read-back says of the write it checks; the wait's second stage is flows_card_test's.
#include <gtest/gtest.h>

#include <functional>

#include "app/reader/card_outcome.h"
#include "protocol/replies.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

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
        {mc, Set(kBlock + 2, 'e'), "reader settings"},
        {mc, Set(kBlock + 3, 'd'), "reader settings"},
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
        {u, Flip(kBlock + 6), "sector"},
        {u, Flip(kBlock + 7), "block"},
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
