// The hex fields: the typing filter leaves the digits alone; a parse's display form parses back the
// same.
#include <algorithm>

#include "carddata/hex_text.h"
#include "fuzz_target.h"

// Input: one byte for the digit limit / byte count, then the edit's text.
TOLLVANE_FUZZ_HARNESS(hex) {
    const std::size_t count = in.Byte() % 40;
    const std::string text(in.Text(200));
    std::string digits = text;  // only 0-9 and A-F are digits
    std::erase_if(digits,
                  [](char c) { return !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')); });

    FilterResult r{text, static_cast<int>(text.size()), false};
    for (std::string before; r.text != before;) {
        before = r.text;
        r = FilterHexInput(before, r.caret, static_cast<int>(count));
        FUZZ_CHECK(r.text == before || (r.text.size() + 1 == before.size() && !r.entryComplete));
    }
    FUZZ_CHECK(r.text == digits && r.entryComplete == (!digits.empty() && digits.size() == count));

    const ParsedHex parsed = ParseHexField(text, static_cast<int>(count));
    const std::string compact = StripBlanks(parsed.text);
    FUZZ_CHECK(parsed.bytes.size() == count && compact.size() == 2 * count);
    FUZZ_CHECK(ParseHexField(compact, static_cast<int>(count)).bytes == parsed.bytes);
    FUZZ_CHECK(SpaceHex(compact, static_cast<int>(count)) == parsed.text);
    FUZZ_CHECK(StripBlanks(SpaceHex(text, static_cast<int>(count))) ==
               StripBlanks(text.substr(0, 2 * count)));
}
