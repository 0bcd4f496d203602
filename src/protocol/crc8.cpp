#include "protocol/crc8.h"

namespace tollvane {

std::uint8_t Crc8(const std::uint8_t* data, std::uint8_t length) {
    std::uint8_t crc = 0;
    for (std::uint8_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8Cu)
                             : static_cast<std::uint8_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace tollvane
