#include "carddata/converter.h"

#include <cstddef>

namespace tollvane {

namespace {

// CRC-8/MAXIM (reflected polynomial 0x8C, initial value 0, no final XOR), the
// check byte of a 1-Wire ROM code.
std::uint8_t TouchMemoryCrc(const std::uint8_t* data, std::size_t length) {
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8C)
                            : static_cast<std::uint8_t>(crc >> 1);
        }
    }
    return crc;
}

struct FormatLayout {
    int dataBytes;   // D0 .. D(n-1) make the number
    int romBytes;    // how many of them go into the Touch Memory code
    int decWidth;    // digits of the largest number of that size
};

constexpr FormatLayout kLayouts[3] = {
    {5, 5, 13},  // Touch Memory, Wiegand 44
    {3, 3, 8},   // Wiegand 26
    {7, 6, 17},  // Wiegand 58: the ROM code has room for six bytes only
};

constexpr char kUpperDigits[] = "0123456789ABCDEF";

void AppendByte(std::string& out, std::uint8_t b) {
    out.push_back(kUpperDigits[b >> 4]);
    out.push_back(kUpperDigits[b & 0x0F]);
}

}  // namespace

ConverterTexts RefreshConverter(const std::array<std::uint8_t, 7>& data, int format) {
    const FormatLayout& layout = kLayouts[(format == 1 || format == 2) ? format : 0];
    ConverterTexts texts;

    std::uint8_t rom[8] = {0x01, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < layout.romBytes; ++i) rom[1 + i] = data[static_cast<std::size_t>(i)];
    rom[7] = TouchMemoryCrc(rom, 7);
    for (int i = 7; i >= 0; --i) AppendByte(texts.touchMemory, rom[i]);

    std::uint64_t value = 0;
    for (int i = layout.dataBytes - 1; i >= 0; --i) {
        const std::uint8_t b = data[static_cast<std::size_t>(i)];
        AppendByte(texts.hex, b);
        value = (value << 8) | b;
    }

    // The width is that of the largest number of the size, so padding never
    // has to cut anything.
    texts.dec = std::to_string(value);
    if (texts.dec.size() < static_cast<std::size_t>(layout.decWidth)) {
        texts.dec.insert(0, static_cast<std::size_t>(layout.decWidth) - texts.dec.size(), '0');
    }
    return texts;
}

}  // namespace tollvane
