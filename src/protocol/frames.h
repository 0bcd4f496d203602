// The 46-byte command frames of the six card commands and the two text
// commands. Builders are pure: they read a snapshot of the form and return
// the finished frame, checksums included; sending is the caller's job.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tollvane {

inline constexpr std::size_t kCommandFrameSize = 46;
inline constexpr std::size_t kSettingsBlockSize = 16;

using CommandFrame = std::array<std::uint8_t, kCommandFrameSize>;
using SettingsBlock = std::array<std::uint8_t, kSettingsBlockSize>;

// Offsets inside a CommandFrame.
inline constexpr std::size_t kFrameRoleOffset = 3;
inline constexpr std::size_t kFrameOperationOffset = 4;
inline constexpr std::size_t kFrameCardTypeOffset = 5;
inline constexpr std::size_t kFrameAesAuthOffset = 6;
inline constexpr std::size_t kFrameCrypto1KeyOffset = 7;
inline constexpr std::size_t kFrameAesKeyOffset = 13;
inline constexpr std::size_t kFrameSettingsOffset = 29;
inline constexpr std::size_t kFrameCrcOffset = 45;

// Offsets inside a SettingsBlock. From offset 8 a Master card's block holds
// the Crypto1 key (six bytes), a User card's the user data (seven).
inline constexpr std::size_t kSettingsRoleOffset = 0;
inline constexpr std::size_t kSettingsInterfaceOffset = 1;
inline constexpr std::size_t kSettingsIndicationOffset = 2;
inline constexpr std::size_t kSettingsStandbyOffset = 3;
inline constexpr std::size_t kSettingsTouchPollOffset = 4;
inline constexpr std::size_t kSettingsWorkModeOffset = 5;
inline constexpr std::size_t kSettingsSectorOffset = 6;
inline constexpr std::size_t kSettingsBlockOffset = 7;
inline constexpr std::size_t kSettingsCrypto1KeyOffset = 8;
inline constexpr std::size_t kSettingsUserDataOffset = 8;
inline constexpr std::size_t kSettingsCrcOffset = 15;

inline constexpr std::array<std::uint8_t, 3> kFramePrefix = {'A', 'T', '+'};

// The two text commands go out as bare ASCII: no NUL, line end or checksum.
// Held as byte arrays so that size() is the number of bytes to send.
inline constexpr std::array<std::uint8_t, 12> kReadsUsbCommand = {'A', 'T', '+', 'R', 'E', 'A',
                                                                  'D', 'S', '_', 'U', 'S', 'B'};
inline constexpr std::array<std::uint8_t, 12> kReadsIdsCommand = {'A', 'T', '+', 'R', 'E', 'A',
                                                                  'D', 'S', '_', 'I', 'D', 'S'};

// Exactly what the builders read from the form: check states of the buttons,
// the work mode selection and the values kept beside the edits. The User
// write uses uniqueData as given; drawing fresh data before a write is the
// application's step and happens before the snapshot is taken.
struct FormSnapshot {
    bool classicChecked = false, sl1Checked = false, sl3Checked = false, aesAuthChecked = false;
    bool ifTouchMemory = false, ifW26 = false, ifW44 = false, ifW58 = false;
    bool indDirect = false, indInverse = false;
    bool standbyDynamic = false, standbyStatic = false, standbyOff = false;
    bool touchPollOn = false, touchPollOff = false;
    int workModeIndex = 0;  // WorkModeCombo selection, -1 when none
    int sectorNumber = 1;
    int blockNumber = 0;
    std::array<std::uint8_t, 6> crypto1Key{};
    std::array<std::uint8_t, 16> aesKey{};
    std::array<std::uint8_t, 7> uniqueData{};
};

// Letters. The work modes' letters are in work_mode.h.
inline constexpr std::uint8_t kCardTypeClassic = 's';
inline constexpr std::uint8_t kCardTypeSl1 = '1';
inline constexpr std::uint8_t kCardTypeSl3 = '3';
inline constexpr std::uint8_t kAesAuthOn = 'V';
inline constexpr std::uint8_t kAesAuthOff = 'X';
inline constexpr std::array<std::uint8_t, 4> kInterfaceLetters = {'d', 'e', 'f', 'g'};
inline constexpr std::array<std::uint8_t, 2> kIndicationLetters = {'d', 'e'};
inline constexpr std::array<std::uint8_t, 3> kStandbyLetters = {'d', 'e', 'f'};
inline constexpr std::array<std::uint8_t, 2> kTouchPollLetters = {'d', 'e'};

// 's', '1', '3' (Classic wins over the Plus radios), or 0 when none is set.
std::uint8_t CardTypeLetter(const FormSnapshot& form);
// 'V' or 'X'.
std::uint8_t AesAuthLetter(const FormSnapshot& form);
// Each radio group in control order; none checked gives 'd'.
std::uint8_t InterfaceLetter(const FormSnapshot& form);
std::uint8_t IndicationLetter(const FormSnapshot& form);
std::uint8_t StandbyLetter(const FormSnapshot& form);
std::uint8_t TouchPollLetter(const FormSnapshot& form);

CommandFrame BuildMasterWriteFrame(const FormSnapshot& form);
CommandFrame BuildMasterReadFrame(const FormSnapshot& form);
CommandFrame BuildMasterClearFrame(const FormSnapshot& form);
CommandFrame BuildUserWriteFrame(const FormSnapshot& form);
CommandFrame BuildUserReadFrame(const FormSnapshot& form);
CommandFrame BuildUserClearFrame(const FormSnapshot& form);

// The SettingsBlock a frame carries (offsets 29 to 44).
SettingsBlock SettingsBlockOf(const CommandFrame& frame);

inline constexpr std::uint8_t kUniqueDataMask[7] = {0x5A, 0x93, 0x1E, 0xC7, 0x40, 0xB8, 0x2D};

// The "decrypt" work mode's scramble of user data: data[i] = NOT data[i] XOR
// mask[i], in place. It is its own inverse: the same call scrambles before
// a write and unscrambles after a read.
void ScrambleUniqueData(std::uint8_t data[7]);

}  // namespace tollvane
