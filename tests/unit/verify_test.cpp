// "Verify after write": what a read-back says of the write it checks, each
// field of each card type differing alone, the decrypt mode's scramble, a
// read-back of the other role, bad checksums. The wait's second stage is
// flows_card_test's.
#include <gtest/gtest.h>

#include <functional>

#include "app/reader/card_outcome.h"
#include "protocol/replies.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

const std::string kSuccess = "The operation was successful!";

// The reply as the wait reads it ("\r" and the frame), spoilAfter changing
// the frame after its checksums were made.
ReplyBuffer ReadBackOf(const CommandFrame& written, const std::function<void(CommandFrame&)>& spoil,
                       const std::function<void(CommandFrame&)>& spoilAfter = nullptr) {
    const std::string text = ReadBackReply(written, spoil);
    CommandFrame frame = FrameOf({text.begin() + 2, text.end()});
    if (spoilAfter) spoilAfter(frame);
    ReplyBuffer reply;
    reply.bytes[0] = '\r';
    std::copy(frame.begin(), frame.end(), reply.bytes.begin() + 1);
    reply.count = kReadBackReplySize;
    return reply;
}

std::function<void(CommandFrame&)> Set(std::size_t offset, std::uint8_t value) {
    return [=](CommandFrame& f) { f[offset] = value; };
}
std::function<void(CommandFrame&)> Flip(std::size_t offset) {
    return [=](CommandFrame& f) { f[offset] ^= 0x01; };
}

constexpr std::size_t kBlock = kFrameSettingsOffset;

TEST(Verify, TheReadBackAgainstTheWriteFieldByField) {
    const std::array<std::uint8_t, 7> data{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const FormSnapshot classic{.classicChecked = true, .ifW26 = true, .indDirect = true, .standbyOff = true,
                               .touchPollOn = true, .workModeIndex = 1, .sectorNumber = 3, .blockNumber = 2,
                               .crypto1Key = {1, 2, 3, 4, 5, 6}, .aesKey = {9, 9, 9}, .uniqueData = data};
    FormSnapshot sl1 = classic;
    sl1.classicChecked = false;
    sl1.sl1Checked = sl1.aesAuthChecked = true;
    FormSnapshot sl3 = sl1;
    sl3.sl1Checked = false;
    sl3.sl3Checked = true;
    FormSnapshot decrypt = classic;
    decrypt.workModeIndex = 3;
    FormSnapshot cardId = classic;
    cardId.workModeIndex = 0;
    const CommandFrame masterClassic = BuildMasterWriteFrame(classic), masterSl1 = BuildMasterWriteFrame(sl1),
                       masterSl3 = BuildMasterWriteFrame(sl3), user = BuildUserWriteFrame(classic),
                       userDecrypt = BuildUserWriteFrame(decrypt), userCardId = BuildUserWriteFrame(cardId);
    const auto plainData = [&](CommandFrame& f) {  // the decrypt mode's data left unscrambled
        std::copy(data.begin(), data.end(), f.begin() + kBlock + 8);
    };
    struct Case {
        const char* name;
        const CommandFrame& written;
        std::function<void(CommandFrame&)> spoil, spoilAfter;
        std::string told;  // "" verified, the fields that differ, or the read's failure
    } cases[] = {
        {"MasterAsWritten", masterClassic, nullptr, nullptr, ""},
        {"MasterCardType", masterClassic, Set(5, '1'), nullptr, "card type"},
        {"MasterInterface", masterClassic, Set(kBlock + 1, 'd'), nullptr, "reader settings"},
        {"MasterIndication", masterClassic, Set(kBlock + 2, 'e'), nullptr, "reader settings"},
        {"MasterStandby", masterClassic, Set(kBlock + 3, 'd'), nullptr, "reader settings"},
        {"MasterTouchPoll", masterClassic, Set(kBlock + 4, 'e'), nullptr, "reader settings"},
        {"MasterWorkMode", masterClassic, Set(kBlock + 5, 'd'), nullptr, "work mode"},
        {"MasterSector", masterClassic, Flip(kBlock + 6), nullptr, "sector"},
        {"MasterBlock", masterClassic, Flip(kBlock + 7), nullptr, "block"},
        {"MasterCrypto1KeyFirst", masterClassic, Flip(kBlock + 8), nullptr, "Crypto1 key"},
        {"MasterCrypto1KeyLast", masterClassic, Flip(kBlock + 13), nullptr, "Crypto1 key"},
        // Not carried by a Classic Master write: the device's to fill.
        {"ClassicAesLetterAndKey", masterClassic, [](CommandFrame& f) { f[6] = 'V', f[13] ^= 1; }, nullptr, ""},
        {"Sl1AesLetter", masterSl1, Set(6, 'X'), nullptr, "card type"},
        {"Sl1AesKey", masterSl1, Flip(28), nullptr, "AES128 key"},
        {"Sl3AesKey", masterSl3, Flip(13), nullptr, "AES128 key"},
        {"Sl3AesLetter", masterSl3, Set(6, 'V'), nullptr, ""},
        {"TwoFieldsInTheirOrder", masterClassic, [](CommandFrame& f) { f[kBlock + 7] ^= 1, f[5] = '3'; }, nullptr,
         "card type, block"},
        {"UserAsWritten", user, nullptr, nullptr, ""},
        {"UserDataFirst", user, Flip(kBlock + 8), nullptr, "unique data"},
        {"UserDataLast", user, Flip(kBlock + 14), nullptr, "unique data"},
        {"UserSector", user, Flip(kBlock + 6), nullptr, "sector"},
        {"UserBlock", user, Flip(kBlock + 7), nullptr, "block"},
        {"UserWorkModeToCardId", user, Set(kBlock + 5, 'd'), nullptr, "work mode"},
        {"UserDecryptAsWritten", userDecrypt, nullptr, nullptr, ""},
        {"UserDecryptDataLeftPlain", userDecrypt, plainData, nullptr, "unique data"},
        {"UserWorkModeToDecrypt", user, Set(kBlock + 5, 'g'), nullptr, "work mode, unique data"},
        {"UserCardIdCarriesNoData", userCardId, Flip(kBlock + 8), nullptr, ""},
        {"UserCardReadForAMaster", masterClassic, Set(kBlock, 'U'), nullptr, "card type"},
        {"MasterCardReadForAUser", user, Set(kBlock, 'M'), nullptr, "card type"},
        {"BadFrameChecksum", user, nullptr, Flip(kFrameCrcOffset), "The answer could not be recognized!"},
        {"BadSettingsChecksum", masterClassic, nullptr, [](CommandFrame& f) { f[44] ^= 1, f[45] = Crc8(f.data(), 45); },
         "The answer could not be recognized!"},
    };
    const MessageTable english(LanguageId::English);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReplyBuffer reply = ReadBackOf(c.written, c.spoil, c.spoilAfter);
        const CardOutcome outcome =
            VerifiedOutcome(c.written, OutcomeOfReply(&reply, ReplyStage::Result, false));
        const std::string text = OutcomeText(outcome, english);
        if (c.told.empty()) {
            EXPECT_EQ(outcome.result, IssueResult::Verified);
            EXPECT_EQ(text, kSuccess);
        } else if (c.spoilAfter) {
            EXPECT_EQ(outcome.result, IssueResult::Unverified);
            EXPECT_EQ(text, "The card was written, but it could not be read back to check it:\n" + c.told);
        } else {
            EXPECT_EQ(outcome.result, IssueResult::Mismatch);
            EXPECT_EQ(outcome.icon, MessageIcon::Error);
            EXPECT_EQ(text, "The card does not hold what was written!\nDiffers: " + c.told + ".\nPut this card aside.");
        }
    }
    // The field names in the interface language.
    const ReplyBuffer reply = ReadBackOf(masterClassic, [](CommandFrame& f) { f[kBlock + 6] ^= 1, f[kBlock + 9] ^= 1; });
    EXPECT_EQ(OutcomeText(VerifiedOutcome(masterClassic, OutcomeOfReply(&reply, ReplyStage::Result, false)),
                          MessageTable(LanguageId::Russian)),
              "На карте не то, что было записано!\nОтличается: сектор, ключ Crypto1.\nОтложите эту карту.");
}

}  // namespace
}  // namespace tollvane::testing
