// The checksum of frames, settings blocks and Touch Memory codes, and the
// scramble the "decrypt" work mode applies to user data.
#pragma once

#include <cstdint>

namespace tollvane {

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final XOR.
// Because there is no final XOR, a block followed by its own CRC byte sums
// to 0, which is how received frames are checked. A length of 0 returns 0
// without touching data (which may then be null).
std::uint8_t Crc8(const std::uint8_t* data, std::uint8_t length);

inline constexpr std::uint8_t kUniqueDataMask[7] = {0x5A, 0x93, 0x1E, 0xC7, 0x40, 0xB8, 0x2D};

// data[i] = NOT data[i] XOR mask[i], in place. It is its own inverse: the
// same call scrambles before a write and unscrambles after a read.
void ScrambleUniqueData(std::uint8_t data[7]);

}  // namespace tollvane
