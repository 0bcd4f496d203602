#include "protocol/verify.h"

#include <array>

#include "protocol/work_mode.h"

namespace tollvane {

namespace {

// Frame offsets of the settings block's fields.
constexpr std::size_t kRole = kFrameSettingsOffset + kSettingsRoleOffset;
constexpr std::size_t kReaderFirst = kFrameSettingsOffset + kSettingsInterfaceOffset;
constexpr std::size_t kReaderEnd = kFrameSettingsOffset + kSettingsTouchPollOffset + 1;
constexpr std::size_t kWorkMode = kFrameSettingsOffset + kSettingsWorkModeOffset;
constexpr std::size_t kSector = kFrameSettingsOffset + kSettingsSectorOffset;
constexpr std::size_t kBlock = kFrameSettingsOffset + kSettingsBlockOffset;
constexpr std::size_t kCrypto1Key = kFrameSettingsOffset + kSettingsCrypto1KeyOffset;
constexpr std::size_t kUserData = kFrameSettingsOffset + kSettingsUserDataOffset;

// A read-back frame by the offsets of the frame it is.
class ReadFrame {
public:
    ReadFrame(const std::uint8_t* fromOffset5, std::size_t available)
        : bytes_(fromOffset5), available_(available) {}
    std::uint8_t operator[](std::size_t frameOffset) const {
        const std::size_t at = frameOffset - kFrameCardTypeOffset;
        return at < available_ ? bytes_[at] : 0;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t available_;
};

template <typename Frame>
bool SameRange(const CommandFrame& written, const Frame& read, std::size_t from, std::size_t end) {
    for (std::size_t i = from; i < end; ++i)
        if (written[i] != read[i]) return false;
    return true;
}

template <typename Frame>
std::array<std::uint8_t, 7> PlainData(const Frame& frame) {
    std::array<std::uint8_t, 7> data{};
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = frame[kUserData + i];
    if (Scrambled(WorkModeOfLetter(frame[kWorkMode]))) ScrambleUniqueData(data.data());
    return data;
}

}  // namespace

unsigned DifferingFields(const CommandFrame& written, const std::uint8_t* readFromOffset5,
                         std::size_t available) {
    const ReadFrame read(readFromOffset5, available);
    const auto same = [&](std::size_t from, std::size_t end) {
        return SameRange(written, read, from, end);
    };
    unsigned differs = 0;
    const bool master = written[kRole] == 'M';
    // The form tells the roles apart by 'M' alone.
    if (master != (read[kRole] == 'M')) differs |= kFieldCardType;
    if (!same(kWorkMode, kWorkMode + 1)) differs |= kFieldWorkMode;
    if (!same(kSector, kSector + 1)) differs |= kFieldSector;
    if (!same(kBlock, kBlock + 1)) differs |= kFieldBlock;
    if (master) {
        const std::uint8_t type = written[kFrameCardTypeOffset];
        const bool plus = type == kCardTypeSl1 || type == kCardTypeSl3;
        if (!same(kFrameCardTypeOffset, kFrameCardTypeOffset + 1)) differs |= kFieldCardType;
        if (type == kCardTypeSl1 && !same(kFrameAesAuthOffset, kFrameAesAuthOffset + 1))
            differs |= kFieldCardType;
        if (plus && !same(kFrameAesKeyOffset, kFrameAesKeyOffset + 16)) differs |= kFieldAesKey;
        if (!same(kReaderFirst, kReaderEnd)) differs |= kFieldReaderSettings;
        if (!same(kCrypto1Key, kCrypto1Key + 6)) differs |= kFieldCrypto1Key;
        return differs;
    }
    if (CarriesUserData(WorkModeOfLetter(written[kWorkMode])) &&
        PlainData(written) != PlainData(read))
        differs |= kFieldUniqueData;
    return differs;
}

}  // namespace tollvane
