#include "protocol/verify.h"

#include <array>

namespace tollvane {

namespace {

constexpr std::uint8_t kDecryptWorkMode = 'g';
constexpr std::uint8_t kSectorDataWorkMode = 'f';
// SettingsBlock offsets.
constexpr std::size_t kBlockRole = 0, kBlockReaderFirst = 1, kBlockReaderEnd = 5, kBlockWorkMode = 5,
                      kBlockSector = 6, kBlockBlock = 7, kBlockKeyOrData = 8;

// A read-back frame by the offsets of the frame it is.
class ReadFrame {
public:
    ReadFrame(const std::uint8_t* fromOffset5, std::size_t available) : bytes_(fromOffset5), available_(available) {}
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
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = frame[kFrameSettingsOffset + kBlockKeyOrData + i];
    if (frame[kFrameSettingsOffset + kBlockWorkMode] == kDecryptWorkMode) ScrambleUniqueData(data.data());
    return data;
}

}  // namespace

unsigned DifferingFields(const CommandFrame& written, const std::uint8_t* readFromOffset5, std::size_t available) {
    const ReadFrame read(readFromOffset5, available);
    const auto same = [&](std::size_t from, std::size_t end) { return SameRange(written, read, from, end); };
    constexpr std::size_t block = kFrameSettingsOffset;
    unsigned differs = 0;
    const bool master = written[block + kBlockRole] == 'M';
    // The form tells the roles apart by 'M' alone.
    if (master != (read[block + kBlockRole] == 'M')) differs |= kFieldCardType;
    if (!same(block + kBlockWorkMode, block + kBlockWorkMode + 1)) differs |= kFieldWorkMode;
    if (!same(block + kBlockSector, block + kBlockSector + 1)) differs |= kFieldSector;
    if (!same(block + kBlockBlock, block + kBlockBlock + 1)) differs |= kFieldBlock;
    if (master) {
        const std::uint8_t type = written[kFrameCardTypeOffset];
        const bool plus = type == kCardTypeSl1 || type == kCardTypeSl3;
        if (!same(kFrameCardTypeOffset, kFrameCardTypeOffset + 1)) differs |= kFieldCardType;
        if (type == kCardTypeSl1 && !same(kFrameAesAuthOffset, kFrameAesAuthOffset + 1)) differs |= kFieldCardType;
        if (plus && !same(kFrameAesKeyOffset, kFrameAesKeyOffset + 16)) differs |= kFieldAesKey;
        if (!same(block + kBlockReaderFirst, block + kBlockReaderEnd)) differs |= kFieldReaderSettings;
        if (!same(block + kBlockKeyOrData, block + kBlockKeyOrData + 6)) differs |= kFieldCrypto1Key;
        return differs;
    }
    const std::uint8_t mode = written[block + kBlockWorkMode];
    if ((mode == kSectorDataWorkMode || mode == kDecryptWorkMode) && PlainData(written) != PlainData(read))
        differs |= kFieldUniqueData;
    return differs;
}

}  // namespace tollvane
