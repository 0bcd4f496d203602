#include "app/holders/holder_texts.h"

namespace tollvane {

namespace {

bool IsWordByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (static_cast<unsigned char>(c) & 0x80);
}

}  // namespace

std::string FillNumbers(std::string_view text,
                        std::initializer_list<std::pair<char, std::size_t>> numbers) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool alone = (i == 0 || !IsWordByte(text[i - 1])) &&
                           (i + 1 == text.size() || !IsWordByte(text[i + 1]));
        bool filled = false;
        if (alone) {
            for (const auto& [letter, value] : numbers) {
                if (letter == c) {
                    out += std::to_string(value);
                    filled = true;
                    break;
                }
            }
        }
        if (!filled) out.push_back(c);
    }
    return out;
}

std::string FillTexts(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string out(text);
    std::size_t from = 0;
    for (std::string_view value : values) {
        const std::size_t at = out.find("%s", from);
        if (at == std::string::npos) break;
        out.replace(at, 2, value);
        from = at + value.size();
    }
    return out;
}

}  // namespace tollvane
