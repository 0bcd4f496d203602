// The checksum of frames, settings blocks and Touch Memory codes.
#pragma once

#include <cstdint>

namespace tollvane {

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final XOR.
// Because there is no final XOR, a block followed by its own CRC byte sums
// to 0, which is how received frames are checked. A length of 0 returns 0
// without touching data (which may then be null).
std::uint8_t Crc8(const std::uint8_t* data, std::uint8_t length);

}  // namespace tollvane
