#include "app/holders/holders_import.h"

#include <unordered_map>

#include "app/holders/csv_records.h"
#include "app/holders/holder_texts.h"
#include "base/utf8.h"

namespace tollvane {

namespace {

// True when the bytes are UTF-8 as the standard allows it: no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t more;
        unsigned min, cp;
        if ((c & 0xE0) == 0xC0)
            more = 1, min = 0x80, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            more = 2, min = 0x800, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            more = 3, min = 0x10000, cp = c & 0x07;
        else
            return false;
        if (s.size() - i <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

// UTF-16 as a spreadsheet's "Unicode text" saves it; a lone surrogate
// becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]),
                   b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned cp = static_cast<unsigned>(unit(i));
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const unsigned low = static_cast<unsigned>(unit(i + 2));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    // The no-break space a spreadsheet may leave around a name.
    while (s.substr(0, 2) == "\xC2\xA0") s.remove_prefix(2);
    while (s.size() >= 2 && s.substr(s.size() - 2) == "\xC2\xA0") s.remove_suffix(2);
    return s;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Fourteen hex digits, either case, with blanks only between pairs.
std::optional<HolderNumber> ParseGivenNumber(std::string_view text) {
    HolderNumber number{};
    std::size_t digits = 0;
    for (char c : text) {
        if (c == ' ') {
            if (digits % 2 != 0) return std::nullopt;
            continue;
        }
        const int v = HexValue(c);
        if (v < 0 || digits == 14) return std::nullopt;
        number[digits / 2] = static_cast<std::uint8_t>(number[digits / 2] * 16 + v);
        ++digits;
    }
    if (digits != 14) return std::nullopt;
    return number;
}

// The separator the first line that holds one uses, outside quotes.
char FindSeparator(std::string_view text) {
    bool quoted = false;
    bool tab = false, semicolon = false, comma = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n') {
            if (tab || semicolon || comma) break;
            continue;
        }
        tab = tab || c == '\t';
        semicolon = semicolon || c == ';';
        comma = comma || c == ',';
    }
    return tab ? '\t' : semicolon ? ';' : ',';
}

bool IsHeaderCell(std::string_view cell) {
    if (cell.size() == 4) {
        std::string lower(cell);
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower == "name") return true;
    }
    return cell == "Имя" || cell == "ИМЯ" || cell == "имя" || cell == "ФИО";
}

// Numbers counted the way a Wiegand 26 reader sees them: their first three
// bytes.
std::uint32_t W26Key(const HolderNumber& n) { return (n[0] << 16) | (n[1] << 8) | n[2]; }

Msg RefusalText(Refusal r) {
    switch (r) {
        case Refusal::EmptyName: return Msg::kHoldersRefusedEmptyName;
        case Refusal::NameTooLong: return Msg::kHoldersRefusedLongName;
        case Refusal::BadNumber: return Msg::kHoldersRefusedBadNumber;
        case Refusal::NumberRecorded: return Msg::kHoldersRefusedRecorded;
        case Refusal::NumberTwice: return Msg::kHoldersRefusedTwice;
        case Refusal::ControlCharacter: return Msg::kHoldersRefusedControl;
    }
    return Msg::kHoldersRefusedBadNumber;
}

bool HasControlCharacter(std::string_view name) {
    for (const char c : name) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) return true;
    }
    return false;
}

// Where the zero bytes of text without a mark stand: 1 all at odd places,
// 0 all at even places, -1 none or both.
int ZeroBytesParity(std::string_view bytes) {
    bool odd = false, even = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') (i % 2 ? odd : even) = true;
    }
    return odd == even ? -1 : odd ? 1 : 0;
}

}  // namespace

std::string ImportText(std::string_view bytes, const AnsiToUtf8& ansi) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(bytes.substr(2), true);
    if (const int zeros = ZeroBytesParity(bytes); zeros >= 0) return Utf16ToUtf8(bytes, zeros == 0);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return ansi ? ansi(bytes) : std::string(bytes);
}

ImportResult ReadImport(std::string_view text, const NumberRecorded& recorded,
                        const std::vector<CardHolder>& onList, std::size_t maxPeople) {
    ImportResult result;
    // Numbers given already: those waiting on the list, then the file's.
    std::unordered_map<std::uint32_t, bool> given;
    for (const CardHolder& p : onList) {
        if (p.number && p.status == HolderStatus::Waiting) given.emplace(W26Key(*p.number), true);
    }
    bool first = true;
    ReadCsvRecords(text, FindSeparator(text),
                   [&](std::size_t line, std::vector<std::string>& fields) {
                       const bool isFirst = first;
                       first = false;
                       if (IsEmptyRecord(fields)) return true;
                       const std::string_view name = Trim(fields[0]);
                       if (isFirst && IsHeaderCell(name)) return true;
                       const std::string_view numberText =
                           fields.size() > 1 ? Trim(fields[1]) : std::string_view();
                       if (name.empty() && numberText.empty()) return true;  // a row of empty cells
                       const auto refuse = [&](Refusal r) {
                           result.refused.push_back({line, r});
                           return true;
                       };
                       if (name.empty()) return refuse(Refusal::EmptyName);
                       if (CharacterCount(name) > kMaxHolderName)
                           return refuse(Refusal::NameTooLong);
                       if (HasControlCharacter(name)) return refuse(Refusal::ControlCharacter);
                       CardHolder person;
                       person.name = std::string(name);
                       if (!numberText.empty()) {
                           person.number = ParseGivenNumber(numberText);
                           if (!person.number) return refuse(Refusal::BadNumber);
                           if (recorded && recorded(*person.number))
                               return refuse(Refusal::NumberRecorded);
                           if (!given.emplace(W26Key(*person.number), true).second)
                               return refuse(Refusal::NumberTwice);
                       }
                       if (result.people.size() == maxPeople) {
                           result.tooManyPeople = true;
                           return false;
                       }
                       result.people.push_back(std::move(person));
                       result.lines.push_back(line);
                       return true;
                   });
    if (!result.refused.empty() || result.tooManyPeople) {
        result.people.clear();
        result.lines.clear();
    }
    return result;
}

std::string RefusalMessage(const std::vector<RefusedLine>& refused, const MessageTable& texts) {
    constexpr std::size_t kShown = 10;
    std::string text = texts[Msg::kHoldersNothingImported];
    for (std::size_t i = 0; i < refused.size() && i < kShown; ++i) {
        text += "\n";
        text += texts[Msg::kHoldersLine];
        text += " " + std::to_string(refused[i].line) + ": ";
        text += texts[RefusalText(refused[i].reason)];
    }
    if (refused.size() > kShown) {
        text += "\n";
        text += FillNumbers(texts[Msg::kHoldersAndMore], {{'N', refused.size() - kShown}});
    }
    return text;
}

}  // namespace tollvane
