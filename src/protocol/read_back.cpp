#include "protocol/read_back.h"

#include <cstdio>

#include "protocol/crc8.h"
#include "protocol/frames.h"

namespace tollvane {
namespace {

// Offsets relative to frame offset 5, where the decoder's input starts.
constexpr std::size_t kCardType = kFrameCardTypeOffset - 5;
constexpr std::size_t kAesAuth = kFrameAesAuthOffset - 5;
constexpr std::size_t kAesKey = kFrameAesKeyOffset - 5;
constexpr std::size_t kSettings = kFrameSettingsOffset - 5;

template <std::size_t N>
std::optional<int> IndexOf(const std::array<std::uint8_t, N>& letters, std::uint8_t letter) {
    for (std::size_t i = 0; i < N; ++i) {
        if (letters[i] == letter) return static_cast<int>(i);
    }
    return std::nullopt;
}

template <std::size_t N>
std::string HexText(const std::array<std::uint8_t, N>& bytes) {
    std::string text;
    text.reserve(N * 3);
    char pair[4];
    for (std::size_t i = 0; i < N; ++i) {
        if (i != 0) text += ' ';
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned>(bytes[i]));
        text += pair;
    }
    return text;
}

}  // namespace

ReadBackValues DecodeReadBack(const std::uint8_t* frameFromOffset5, std::size_t available) {
    const auto at = [&](std::size_t i) -> std::uint8_t {
        return (frameFromOffset5 != nullptr && i < available) ? frameFromOffset5[i] : 0;
    };
    const auto settings = [&](std::size_t offset) { return at(kSettings + offset); };

    ReadBackValues values;
    values.roleLetter = settings(kSettingsRoleOffset);
    values.masterCard = values.roleLetter == 'M';
    const std::uint8_t cardType = at(kCardType);

    if (values.masterCard) {
        switch (cardType) {
            case kCardTypeClassic:
                values.cardType = ReadBackCardType::Classic;
                values.aesAuthChecked = false;
                break;
            case kCardTypeSl1:
                values.cardType = ReadBackCardType::Sl1;
                if (at(kAesAuth) == kAesAuthOff) values.aesAuthChecked = false;
                if (at(kAesAuth) == kAesAuthOn) values.aesAuthChecked = true;
                break;
            case kCardTypeSl3:
                values.cardType = ReadBackCardType::Sl3;
                values.aesAuthChecked = false;
                break;
            default: break;
        }
        values.interfaceIndex = IndexOf(kInterfaceLetters, settings(kSettingsInterfaceOffset));
        values.indicationIndex = IndexOf(kIndicationLetters, settings(kSettingsIndicationOffset));
        values.standbyIndex = IndexOf(kStandbyLetters, settings(kSettingsStandbyOffset));
        values.touchPollIndex = IndexOf(kTouchPollLetters, settings(kSettingsTouchPollOffset));
    }

    const std::optional<WorkMode> workMode = WorkModeOfLetter(settings(kSettingsWorkModeOffset));
    values.workMode = workMode;
    values.sectorNumber = settings(kSettingsSectorOffset);
    values.blockNumber = settings(kSettingsBlockOffset);

    if (values.masterCard) {
        std::array<std::uint8_t, 6> crypto1{};
        for (std::size_t i = 0; i < crypto1.size(); ++i)
            crypto1[i] = settings(kSettingsCrypto1KeyOffset + i);
        values.crypto1Key = crypto1;
        values.crypto1KeyText = HexText(crypto1);
        if (cardType == kCardTypeSl1 || cardType == kCardTypeSl3) {
            std::array<std::uint8_t, 16> aes{};
            for (std::size_t i = 0; i < aes.size(); ++i) aes[i] = at(kAesKey + i);
            values.aesKey = aes;
            values.aesKeyText = HexText(aes);
        }
    } else {
        std::array<std::uint8_t, 7> data{};
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = settings(kSettingsUserDataOffset + i);
        // The "decrypt" work mode wrote the data scrambled; undo it.
        if (Scrambled(workMode)) ScrambleUniqueData(data.data());
        values.uniqueData = data;
        values.uniqueDataText = HexText(data);
    }
    return values;
}

}  // namespace tollvane
