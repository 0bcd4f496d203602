#include "protocol/frames.h"

#include <algorithm>

#include "protocol/crc8.h"
#include "protocol/work_mode.h"

namespace tollvane {
namespace {

// Returns the letter of the first checked button, or the group's default.
template <std::size_t N>
std::uint8_t FirstChecked(const std::array<bool, N>& checked,
                          const std::array<std::uint8_t, N>& letters, std::uint8_t fallback) {
    for (std::size_t i = 0; i < N; ++i) {
        if (checked[i]) return letters[i];
    }
    return fallback;
}

// Every frame starts from zeros so nothing of an earlier command leaks in.
CommandFrame OpenFrame(std::uint8_t role, std::uint8_t operation, const FormSnapshot& form) {
    CommandFrame frame{};
    std::copy(kFramePrefix.begin(), kFramePrefix.end(), frame.begin());
    frame[kFrameRoleOffset] = role;
    frame[kFrameOperationOffset] = operation;
    frame[kFrameCardTypeOffset] = CardTypeLetter(form);
    frame[kFrameAesAuthOffset] = AesAuthLetter(form);
    return frame;
}

void CloseSettingsBlock(SettingsBlock& block, CommandFrame& frame) {
    block[kSettingsCrcOffset] = Crc8(block.data(), static_cast<std::uint8_t>(kSettingsCrcOffset));
    std::copy(block.begin(), block.end(), frame.begin() + kFrameSettingsOffset);
}

CommandFrame CloseFrame(CommandFrame& frame) {
    frame[kFrameCrcOffset] = Crc8(frame.data(), static_cast<std::uint8_t>(kFrameCrcOffset));
    return frame;
}

void PutCrypto1Key(CommandFrame& frame, const FormSnapshot& form) {
    std::copy(form.crypto1Key.begin(), form.crypto1Key.end(),
              frame.begin() + kFrameCrypto1KeyOffset);
}

void PutAesKey(CommandFrame& frame, const FormSnapshot& form) {
    std::copy(form.aesKey.begin(), form.aesKey.end(), frame.begin() + kFrameAesKeyOffset);
}

void PutSectorAndBlock(SettingsBlock& block, const FormSnapshot& form) {
    block[kSettingsSectorOffset] = static_cast<std::uint8_t>(form.sectorNumber);
    block[kSettingsBlockOffset] = static_cast<std::uint8_t>(form.blockNumber);
}

bool UsesCrypto1(std::uint8_t cardType) {
    return cardType == kCardTypeClassic || cardType == kCardTypeSl1;
}
bool IsPlus(std::uint8_t cardType) { return cardType == kCardTypeSl1 || cardType == kCardTypeSl3; }

// User read and clear differ only in the operation letter.
CommandFrame BuildUserAccessFrame(std::uint8_t operation, const FormSnapshot& form) {
    CommandFrame frame = OpenFrame('U', operation, form);
    const std::uint8_t cardType = frame[kFrameCardTypeOffset];
    if (UsesCrypto1(cardType)) PutCrypto1Key(frame, form);
    if (cardType == kCardTypeSl3) PutAesKey(frame, form);
    SettingsBlock block{};
    block[kSettingsRoleOffset] = 'U';
    PutSectorAndBlock(block, form);
    CloseSettingsBlock(block, frame);
    return CloseFrame(frame);
}

}  // namespace

std::uint8_t CardTypeLetter(const FormSnapshot& form) {
    return FirstChecked<3>({form.classicChecked, form.sl1Checked, form.sl3Checked},
                           {kCardTypeClassic, kCardTypeSl1, kCardTypeSl3}, 0);
}

std::uint8_t AesAuthLetter(const FormSnapshot& form) {
    return form.aesAuthChecked ? kAesAuthOn : kAesAuthOff;
}

std::uint8_t InterfaceLetter(const FormSnapshot& form) {
    return FirstChecked<4>({form.ifTouchMemory, form.ifW26, form.ifW44, form.ifW58},
                           kInterfaceLetters, 'd');
}

std::uint8_t IndicationLetter(const FormSnapshot& form) {
    return FirstChecked<2>({form.indDirect, form.indInverse}, kIndicationLetters, 'd');
}

std::uint8_t StandbyLetter(const FormSnapshot& form) {
    return FirstChecked<3>({form.standbyDynamic, form.standbyStatic, form.standbyOff},
                           kStandbyLetters, 'd');
}

std::uint8_t TouchPollLetter(const FormSnapshot& form) {
    return FirstChecked<2>({form.touchPollOn, form.touchPollOff}, kTouchPollLetters, 'd');
}

CommandFrame BuildMasterWriteFrame(const FormSnapshot& form) {
    CommandFrame frame = OpenFrame('M', 'w', form);
    if (IsPlus(frame[kFrameCardTypeOffset])) PutAesKey(frame, form);

    SettingsBlock block{};
    block[kSettingsRoleOffset] = 'M';
    block[kSettingsInterfaceOffset] = InterfaceLetter(form);
    block[kSettingsIndicationOffset] = IndicationLetter(form);
    block[kSettingsStandbyOffset] = StandbyLetter(form);
    block[kSettingsTouchPollOffset] = TouchPollLetter(form);
    // The Master card always carries a work mode the reader understands.
    block[kSettingsWorkModeOffset] =
        LetterOf(WorkModeOfItem(form.workModeIndex).value_or(WorkMode::CardId));
    PutSectorAndBlock(block, form);
    std::copy(form.crypto1Key.begin(), form.crypto1Key.end(),
              block.begin() + kSettingsCrypto1KeyOffset);
    CloseSettingsBlock(block, frame);
    return CloseFrame(frame);
}

CommandFrame BuildMasterReadFrame(const FormSnapshot& form) {
    CommandFrame frame = OpenFrame('M', 'r', form);
    return CloseFrame(frame);
}

CommandFrame BuildMasterClearFrame(const FormSnapshot& form) {
    CommandFrame frame = OpenFrame('M', 'c', form);
    return CloseFrame(frame);
}

CommandFrame BuildUserWriteFrame(const FormSnapshot& form) {
    CommandFrame frame = OpenFrame('U', 'w', form);
    const std::uint8_t cardType = frame[kFrameCardTypeOffset];
    const std::optional<WorkMode> workMode = WorkModeOfItem(form.workModeIndex);
    // "Send card ID" needs no sector login, so no Crypto1 key goes out.
    if (UsesCrypto1(cardType) && workMode != WorkMode::CardId) PutCrypto1Key(frame, form);
    if (IsPlus(cardType)) PutAesKey(frame, form);

    SettingsBlock block{};
    block[kSettingsRoleOffset] = 'U';
    // No work mode selected goes out as 0.
    block[kSettingsWorkModeOffset] = workMode ? LetterOf(*workMode) : 0;
    PutSectorAndBlock(block, form);
    if (CarriesUserData(workMode)) {
        // Scramble a copy: the form keeps the plain data.
        std::array<std::uint8_t, 7> data = form.uniqueData;
        if (Scrambled(workMode)) ScrambleUniqueData(data.data());
        std::copy(data.begin(), data.end(), block.begin() + kSettingsUserDataOffset);
    }
    CloseSettingsBlock(block, frame);
    return CloseFrame(frame);
}

CommandFrame BuildUserReadFrame(const FormSnapshot& form) {
    return BuildUserAccessFrame('r', form);
}

CommandFrame BuildUserClearFrame(const FormSnapshot& form) {
    return BuildUserAccessFrame('c', form);
}

SettingsBlock SettingsBlockOf(const CommandFrame& frame) {
    SettingsBlock block{};
    std::copy_n(frame.begin() + kFrameSettingsOffset, block.size(), block.begin());
    return block;
}

void ScrambleUniqueData(std::uint8_t data[7]) {
    for (int i = 0; i < 7; ++i) {
        data[i] = static_cast<std::uint8_t>(~data[i] ^ kUniqueDataMask[i]);
    }
}

}  // namespace tollvane
