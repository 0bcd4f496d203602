// The hex text form and the steps of the hex fields, on the worked examples;
// fuzz/hex_fuzz.cpp checks the same functions for any text.
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
        {"11223344556677", 7, "11 22 33 44 55 66 77"},
        {"FFFFFFFFFFFFXYZ", 6, "FF FF FF FF FF FF"},  // only 2n characters are used
        {"FFF", 6, "FF F"},                           // short: as far as it goes
        {"", 6, ""},
        {"ABCD", 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SpaceHex(c.in, c.count), c.out) << c.in << " / " << c.count;
}

TEST(HexText, FilterRemovesTheFirstNonDigitAndPutsTheCaretThere) {
    struct Case { const char* in; int caret; const char* out; int outCaret; bool complete; };
    const Case cases[] = {
        {"12G4", 3, "124", 2, false},
        {"12ab", 4, "12b", 2, false},  // lower case is not a digit here
        {"1234", 4, "1234", 4, false},
        {"FFFFFFFFFFFF", 12, "FFFFFFFFFFFF", 12, true},     // the 12th digit ends the entry
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

TEST(HexText, ParseHexFieldPadsWithFAndCountsOtherCharactersAsZero) {
    struct Case { const char* in; int count; std::vector<std::uint8_t> bytes; const char* text; };
    const Case cases[] = {
        {"12AB", 6, {0x12, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}, "12 AB FF FF FF FF"},
        {"123", 6, {0x12, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}, "12 3F FF FF FF FF"},
        {"0102030405060708", 7, {1, 2, 3, 4, 5, 6, 7}, "01 02 03 04 05 06 07"},
        {"ab1G", 6, {0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}, "00 10 FF FF FF FF"},
    };
    for (const Case& c : cases) {
        const ParsedHex p = ParseHexField(c.in, c.count);
        EXPECT_EQ(p.bytes, c.bytes) << c.in;
        EXPECT_EQ(p.text, c.text) << c.in;
    }
}

}  // namespace
}  // namespace tollvane
