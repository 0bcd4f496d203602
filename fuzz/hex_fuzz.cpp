// The hex entry fields: the typing filter run to its end, the parse into
// bytes and display form, and the blank helpers, for any text.
#include <algorithm>
#include <string>

#include "carddata/hex_text.h"
#include "fuzz_target.h"

namespace {

const std::string kDigits = "0123456789ABCDEF";

bool IsDigit(char c) { return kDigits.find(c) != std::string::npos && c != '\0'; }
int Value(char c) { return IsDigit(c) ? static_cast<int>(kDigits.find(c)) : 0; }

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte for the digit limit / byte count, then the edit's text.
TOLLVANE_FUZZ_HARNESS(hex) {
    Bytes in(data, size);
    const int count = in.Byte() % 40;
    const std::string text(in.Text(200));

    // The filter removes one character per step, the first that is not a
    // digit, and puts the caret where it was; it ends with the digits alone.
    std::string digits;
    for (char c : text) {
        if (IsDigit(c)) digits += c;
    }
    std::string current = text;
    int caret = static_cast<int>(text.size());
    for (std::size_t step = 0;; ++step) {
        FUZZ_CHECK(step <= text.size());
        const FilterResult r = FilterHexInput(current, caret, count);
        if (r.text == current) {
            FUZZ_CHECK(r.caret == caret);
            FUZZ_CHECK(r.entryComplete == (!current.empty() && current.size() == static_cast<std::size_t>(count)));
            break;
        }
        std::size_t first = 0;
        while (IsDigit(current[first])) ++first;
        FUZZ_CHECK(r.text == current.substr(0, first) + current.substr(first + 1));
        FUZZ_CHECK(r.caret == static_cast<int>(first) && !r.entryComplete);
        current = r.text;
        caret = r.caret;
    }
    FUZZ_CHECK(current == digits);

    // Parsing: missing digits are F, anything that is not a digit is 0.
    const ParsedHex parsed = ParseHexField(text, count);
    FUZZ_CHECK(parsed.bytes.size() == static_cast<std::size_t>(count));
    std::string shown;
    for (int k = 0; k < count; ++k) {
        const std::size_t hi = 2 * static_cast<std::size_t>(k), lo = hi + 1;
        const int value = 16 * (hi < text.size() ? Value(text[hi]) : 15) + (lo < text.size() ? Value(text[lo]) : 15);
        FUZZ_CHECK(parsed.bytes[k] == value);
        if (k != 0) shown += ' ';
        shown += kDigits[value >> 4];
        shown += kDigits[value & 15];
    }
    FUZZ_CHECK(parsed.text == shown);
    // The display form parses back to the same bytes once its blanks are gone.
    const std::string compact = StripBlanks(parsed.text);
    FUZZ_CHECK(compact.find(' ') == std::string::npos);
    FUZZ_CHECK(ParseHexField(compact, count).bytes == parsed.bytes);
    FUZZ_CHECK(SpaceHex(compact, count) == parsed.text);

    // Spacing any text: pairs of its first characters, blanks between them.
    const std::string spaced = SpaceHex(text, count);
    const std::size_t used = std::min(text.size(), 2 * static_cast<std::size_t>(count));
    FUZZ_CHECK(spaced.size() == (used == 0 ? 0 : used + (used - 1) / 2));
    for (std::size_t i = 0, j = 0; i < spaced.size(); ++i) {
        if (i % 3 == 2) FUZZ_CHECK(spaced[i] == ' ');
        else FUZZ_CHECK(spaced[i] == text[j++]);
    }
}
