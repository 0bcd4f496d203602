#include "carddata/hex_text.h"

namespace tollvane {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

}  // namespace

int HexLetterValue(char c) {
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return HexLetterValue(c);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::string StripBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') out.push_back(c);
    }
    return out;
}

std::string SpaceHex(std::string_view text, int byteCount) {
    std::string out;
    if (byteCount <= 0) return out;
    const std::size_t digits = static_cast<std::size_t>(byteCount) * 2;
    const std::size_t used = text.size() < digits ? text.size() : digits;
    out.reserve(used + used / 2);
    for (std::size_t i = 0; i < used; ++i) {
        // A blank goes between pairs, never after the last character taken.
        if (i > 0 && i % 2 == 0) out.push_back(' ');
        out.push_back(text[i]);
    }
    return out;
}

std::string FormatHexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    if (count == 0 || bytes == nullptr) return out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out.push_back(' ');
        out.push_back(kUpperDigits[bytes[i] >> 4]);
        out.push_back(kUpperDigits[bytes[i] & 0x0F]);
    }
    return out;
}

FilterResult FilterHexInput(std::string_view text, int caret, int digitLimit) {
    FilterResult result{std::string(text), caret, false};
    // Only one character goes per step: putting the shorter text back into the
    // edit raises the change notification again, which runs the next step.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsHexDigit(text[i])) {
            result.text.erase(i, 1);
            result.caret = static_cast<int>(i);
            return result;
        }
    }
    result.entryComplete =
        !text.empty() && digitLimit > 0 && text.size() == static_cast<std::size_t>(digitLimit);
    return result;
}

ParsedHex ParseHexField(std::string_view text, int byteCount) {
    ParsedHex parsed;
    if (byteCount <= 0) return parsed;
    const std::size_t digits = static_cast<std::size_t>(byteCount) * 2;
    std::string work(text.substr(0, digits));
    work.resize(digits, 'F');
    parsed.bytes.resize(static_cast<std::size_t>(byteCount));
    for (std::size_t k = 0; k < parsed.bytes.size(); ++k) {
        parsed.bytes[k] = static_cast<std::uint8_t>(16 * HexDigitValue(work[2 * k]) +
                                                    HexDigitValue(work[2 * k + 1]));
    }
    // The display form is made from the bytes, so a character that counted as
    // 0 shows as 0 and the field never shows a value other than the one used.
    parsed.text = FormatHexBytes(parsed.bytes.data(), parsed.bytes.size());
    return parsed;
}

}  // namespace tollvane
