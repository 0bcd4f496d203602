// Checksum used by the simulated reader.
//
// The simulator computes the 1-Wire CRC-8 in its own way on purpose: instead of
// the reflected shift-right loop it mirrors every input byte, runs the plain
// polynomial 0x31 most significant bit first and mirrors the result. Both
// forms give the same value, so a program whose checksum disagrees with the
// simulator's has a real fault rather than a shared one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tollvane::sim {

constexpr std::uint8_t MirrorByte(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = static_cast<std::uint8_t>((r << 1) | ((b >> i) & 1));
    }
    return r;
}

constexpr std::uint8_t SimCrc8(const std::uint8_t* data, std::size_t length) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= MirrorByte(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80) ? static_cast<std::uint8_t>((crc << 1) ^ 0x31)
                               : static_cast<std::uint8_t>(crc << 1);
        }
    }
    return MirrorByte(crc);
}

}  // namespace tollvane::sim
