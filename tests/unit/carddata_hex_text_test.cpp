#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "carddata/hex_text.h"

namespace tollvane {
namespace {

TEST(HexText, SpaceHex) {
    struct Case { const char* in; int count; const char* out; };
    const Case cases[] = {
        {"FFFFFFFFFFFF", 6, "FF FF FF FF FF FF"},
        {"00112233445566778899AABBCCDDEEFF", 16, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"},
        {"11223344556677", 7, "11 22 33 44 55 66 77"},
        {"FFFFFFFFFFFFXYZ", 6, "FF FF FF FF FF FF"},  // only 2n characters are used
        {"FFFF", 6, "FF FF"},                         // short: as far as it goes
        {"FFF", 6, "FF F"},
        {"F", 6, "F"},
        {"", 6, ""},
        {"ABCD", 0, ""},
        {"ABCD", -3, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SpaceHex(c.in, c.count), c.out) << c.in << " / " << c.count;
    EXPECT_EQ(SpaceHex(std::string(32, 'F'), 16).size(), 47u);
}

TEST(HexText, FilterRemovesFirstNonDigitAndPutsCaretThere) {
    struct Case { const char* in; int caret; const char* out; int outCaret; bool complete; };
    const Case cases[] = {
        {"12G4", 3, "124", 2, false},          // typed in the middle: caret where it was typed
        {"G124", 1, "124", 0, false},          // first character
        {"124G", 4, "124", 3, false},
        {"12ab", 4, "12b", 2, false},          // lower case is not a digit here
        {"1234", 4, "1234", 4, false},         // nothing to do: caret untouched
        {"", 0, "", 0, false},
        {"FFFFFFFFFFFF", 12, "FFFFFFFFFFFF", 12, true},  // 12th digit ends the entry
        {"FFFFFFFFFFF", 11, "FFFFFFFFFFF", 11, false},
        {"FFFFFFFFFFFFF", 13, "FFFFFFFFFFFFF", 13, false},  // only exactly N completes
        {"FFFFFFFFFFF-F", 13, "FFFFFFFFFFFF", 11, false},   // a removal step never completes
    };
    for (const Case& c : cases) {
        const FilterResult r = FilterHexInput(c.in, c.caret, 12);
        EXPECT_EQ(r.text, c.out) << c.in;
        EXPECT_EQ(r.caret, c.outCaret) << c.in;
        EXPECT_EQ(r.entryComplete, c.complete) << c.in;
    }
}

TEST(HexText, PastedTextLosesSeparatorsOneStepEach) {
    std::string text = "01-02 03 04";
    int caret = static_cast<int>(text.size());
    int steps = 0;
    for (;;) {
        const FilterResult r = FilterHexInput(text, caret, 14);
        if (r.text == text) break;
        ASSERT_EQ(r.text.size() + 1, text.size());
        text = r.text;
        caret = r.caret;
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(text, "01020304");
}

TEST(HexText, ParseHexField) {
    struct Case { const char* in; int count; std::vector<std::uint8_t> bytes; const char* text; };
    const Case cases[] = {
        {"FFFFFFFFFFFF", 6, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "FF FF FF FF FF FF"},
        {"12AB", 6, {0x12, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}, "12 AB FF FF FF FF"},
        {"", 6, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "FF FF FF FF FF FF"},
        {"0102", 7, {0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "01 02 FF FF FF FF FF"},
        {"123", 6, {0x12, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}, "12 3F FF FF FF FF"},
        {"0102030405060708", 7, {1, 2, 3, 4, 5, 6, 7}, "01 02 03 04 05 06 07"},  // cut to 14
        // Not a digit: counts as 0, and the text shows the value that is used.
        {"ab1G", 6, {0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}, "00 10 FF FF FF FF"},
    };
    for (const Case& c : cases) {
        const ParsedHex p = ParseHexField(c.in, c.count);
        EXPECT_EQ(p.bytes, c.bytes) << c.in;
        EXPECT_EQ(p.text, c.text) << c.in;
    }
    const ParsedHex aes = ParseHexField("00112233445566778899AABBCCDDEEFF", 16);
    ASSERT_EQ(aes.bytes.size(), 16u);
    EXPECT_EQ(aes.bytes[9], 0x99);
    EXPECT_EQ(aes.text.size(), 47u);
    EXPECT_TRUE(ParseHexField("12", 0).bytes.empty());
}

}  // namespace
}  // namespace tollvane
