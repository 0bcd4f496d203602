// The Custom Card Converter: the number that seven bytes of user data make
// on the reader's interfaces (Touch Memory, Wiegand 26, 44 and 58).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tollvane {

enum ConverterFormatId : int {
    kConverterTmW44 = 0,  // Touch Memory and Wiegand 44: D0 to D4
    kConverterW26 = 1,    // Wiegand 26: D0 to D2
    kConverterW58 = 2,    // Wiegand 58: D0 to D6
};

struct ConverterTexts {
    std::string touchMemory;  // 16 digits, CRC first, family code 01 last
    std::string hex;          // the used bytes, last first
    std::string dec;          // the same number in decimal, zero-padded
};

// Any format other than 1 or 2 is treated as 0, the start value.
ConverterTexts RefreshConverter(const std::array<std::uint8_t, 7>& data, int format);

}  // namespace tollvane
