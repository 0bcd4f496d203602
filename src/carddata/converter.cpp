#include "carddata/converter.h"

#include <cstddef>

#include "protocol/crc8.h"

namespace tollvane {

namespace {

struct FormatLayout {
    int dataBytes;  // D0 .. D(n-1) make the number
    int romBytes;   // how many of them go into the Touch Memory code
    int decWidth;   // digits of the largest number of that size
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
    // The check byte of a 1-Wire ROM code is the same CRC-8 as of the frames.
    rom[7] = Crc8(rom, 7);
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
