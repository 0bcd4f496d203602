// The hex text form of byte values (pairs of upper-case digits separated by
// single blanks) and the steps of the three hex entry fields of the form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tollvane {

// 10 to 15 for 'A' to 'F', 0 for anything else (digits included).
int HexLetterValue(char c);

// Value of one digit character: c - '0' for '0' to '9', HexLetterValue(c)
// otherwise, so every character that is not a hex digit counts as 0.
int HexDigitValue(char c);

// True for '0' to '9' and 'A' to 'F' only; lower-case letters are not digits.
bool IsHexDigit(char c);

// The text with every blank (0x20, and nothing else) removed.
std::string StripBlanks(std::string_view text);

// Groups the first 2 * byteCount characters of the text in pairs separated by
// single blanks: 3 * byteCount - 1 characters for a full text. A shorter text
// is grouped as far as it goes, with no blank after its last character.
std::string SpaceHex(std::string_view text, int byteCount);

// The bytes in display form, "FF FF FF"; empty for no bytes.
std::string FormatHexBytes(const std::uint8_t* bytes, std::size_t count);

// One filtering step of a hex edit while it is being typed into.
struct FilterResult {
    std::string text;    // the edit's text after the step
    int caret;           // where the caret goes (unchanged when nothing was removed)
    bool entryComplete;  // the digitLimit-th digit is there: the entry ends
};

// Removes the first character that is not a hex digit and puts the caret
// where it stood. A text of hex digits only is left alone; it completes the
// entry when it holds exactly digitLimit digits.
FilterResult FilterHexInput(std::string_view text, int caret, int digitLimit);

// A hex field's text turned into its bytes and its display form.
struct ParsedHex {
    std::vector<std::uint8_t> bytes;  // byteCount bytes
    std::string text;                 // display form of those bytes
};

// Pads the text with 'F' to 2 * byteCount characters, uses that many, and
// reads them in pairs; a character that is not a hex digit counts as 0.
ParsedHex ParseHexField(std::string_view text, int byteCount);

}  // namespace tollvane
