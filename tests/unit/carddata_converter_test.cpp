#include <gtest/gtest.h>

#include <array>

#include "carddata/converter.h"

namespace tollvane {
namespace {

using Data = std::array<std::uint8_t, 7>;

struct Expected { int format; const char* touchMemory; const char* hex; const char* dec; };

void CheckTable(const Data& data, const Expected (&table)[3]) {
    for (const Expected& e : table) {
        const ConverterTexts t = RefreshConverter(data, e.format);
        EXPECT_EQ(t.touchMemory, e.touchMemory) << "format " << e.format;
        EXPECT_EQ(t.hex, e.hex) << "format " << e.format;
        EXPECT_EQ(t.dec, e.dec) << "format " << e.format;
    }
}

TEST(Converter, Ascending) {
    const Expected table[3] = {
        {0, "6000050403020101", "0504030201", "0021542142465"},
        {1, "0100000003020101", "030201", "00197121"},
        {2, "BD06050403020101", "07060504030201", "01976943448883713"},
    };
    CheckTable({1, 2, 3, 4, 5, 6, 7}, table);
}

TEST(Converter, StartValue) {
    const Expected table[3] = {
        {0, "CD00554433221101", "5544332211", "0366216421905"},
        {1, "EA00000033221101", "332211", "03351057"},
        {2, "7566554433221101", "77665544332211", "33608038631023121"},
    };
    CheckTable({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, table);
}

TEST(Converter, BytesOutsideTheFormatChangeNothing) {
    const Data base{1, 2, 3, 4, 5, 6, 7};
    Data d6 = base;
    d6[6] = 0xEE;
    Data d5 = base;
    d5[5] = 0xEE;
    for (int format : {0, 1}) {
        const ConverterTexts a = RefreshConverter(base, format);
        const ConverterTexts b = RefreshConverter(d6, format);
        EXPECT_EQ(a.touchMemory, b.touchMemory);
        EXPECT_EQ(a.hex, b.hex);
        EXPECT_EQ(a.dec, b.dec);
    }
    const ConverterTexts a0 = RefreshConverter(base, 0), b0 = RefreshConverter(d5, 0);
    EXPECT_EQ(a0.touchMemory, b0.touchMemory);
    EXPECT_EQ(a0.hex, b0.hex);
    EXPECT_EQ(a0.dec, b0.dec);

    // Wiegand 58: D6 is in the number but not in the Touch Memory code.
    const ConverterTexts a2 = RefreshConverter(base, 2), b2 = RefreshConverter(d6, 2);
    EXPECT_EQ(a2.touchMemory, b2.touchMemory);
    EXPECT_NE(a2.hex, b2.hex);
    EXPECT_NE(a2.dec, b2.dec);
}

}  // namespace
}  // namespace tollvane
