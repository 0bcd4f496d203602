#include "keystore/key_record.h"

#include "carddata/hex_text.h"

namespace tollvane {

namespace {

// One key of a record line in its fixed place in the order: the width of its
// value, and how far after the key the search for the next key begins (key,
// value and the blank that separates the pairs).
struct FieldRule {
    std::string_view key;
    std::size_t width;
    std::size_t advance;
    std::string KeyRecord::*field;
    std::size_t capacity;
};

constexpr FieldRule kRules[] = {
    {"TC=", 3, 7, &KeyRecord::TC, kTcCapacity},
    {"AA=", 1, 5, &KeyRecord::AA, kCodeCapacity},
    {"OI=", 1, 5, &KeyRecord::OI, kCodeCapacity},
    {"LL=", 1, 5, &KeyRecord::LL, kCodeCapacity},
    {"DI=", 1, 5, &KeyRecord::DI, kCodeCapacity},
    {"SB=", 1, 5, &KeyRecord::SB, kCodeCapacity},
    {"WM=", 1, 5, &KeyRecord::WM, kCodeCapacity},
    {"SN=", 2, 6, &KeyRecord::SN, kSnCapacity},
    {"BN=", 1, 5, &KeyRecord::BN, kCodeCapacity},
    {"M_KEY=", 12, 19, &KeyRecord::M_KEY, kMKeyCapacity},
    {"A_KEY=", 32, 39, &KeyRecord::A_KEY, kAKeyCapacity},
};

constexpr std::string_view kDescriptionKey = "Description=";

std::string Capped(std::string_view value, std::size_t capacity) {
    return std::string(value.substr(0, capacity));
}

void Regroup(std::string& key, bool& fromLine, std::size_t byteCount, std::size_t capacity) {
    if (!fromLine) return;
    key = Capped(SpaceHex(key, static_cast<int>(byteCount)), capacity);
    fromLine = false;
}

// Line feeds and NULs would split the record or cut it short when the line is
// read back, so the description carries blanks in their place.
std::string DescriptionForLine(std::string_view description) {
    std::string out(description.substr(0, kDescriptionCapacity));
    for (char& c : out) {
        if (c == '\n' || c == '\0') c = ' ';
    }
    return out;
}

}  // namespace

void ParseKeyRecord(std::string_view line, KeyRecord& current) {
    // The line is read as the text it was kept in: at most kMaxRecordLine
    // characters, ending at a NUL if one got into the file.
    line = line.substr(0, kMaxRecordLine);
    line = line.substr(0, line.find('\0'));

    current.mKeyFromLine = false;
    current.aKeyFromLine = false;
    std::size_t from = 0;
    for (const FieldRule& rule : kRules) {
        if (from >= line.size()) return;
        const std::size_t at = line.find(rule.key, from);
        if (at == std::string_view::npos) return;
        // A value is taken by its width, as far as the line goes, not up to
        // the next blank.
        current.*rule.field = Capped(line.substr(at + rule.key.size(), rule.width), rule.capacity);
        if (rule.field == &KeyRecord::M_KEY) current.mKeyFromLine = true;
        if (rule.field == &KeyRecord::A_KEY) current.aKeyFromLine = true;
        from = at + rule.advance;
    }
    if (from >= line.size()) return;
    const std::size_t at = line.find(kDescriptionKey, from);
    if (at == std::string_view::npos) return;
    current.Description = Capped(line.substr(at + kDescriptionKey.size()), kDescriptionCapacity);
}

void RegroupKeys(KeyRecord& record) {
    Regroup(record.M_KEY, record.mKeyFromLine, 6, kMKeyCapacity);
    Regroup(record.A_KEY, record.aKeyFromLine, 16, kAKeyCapacity);
}

std::string FormatKeyRecord(std::string_view crypto1Text, std::string_view aesText,
                            std::string_view description, const RecordSettings& settings) {
    const std::string mKey = Capped(StripBlanks(crypto1Text), kMaxCompactKey);
    const std::string aKey = Capped(StripBlanks(aesText), kMaxCompactKey);
    std::string line;
    line.reserve(128 + mKey.size() + aKey.size() + description.size());
    line += "TC=" + settings.TC;
    line += " AA=" + settings.AA;
    line += " OI=" + settings.OI;
    line += " LL=" + settings.LL;
    line += " DI=" + settings.DI;
    line += " SB=" + settings.SB;
    line += " WM=" + settings.WM;
    line += " SN=" + settings.SN;
    line += " BN=" + settings.BN;
    line += " M_KEY=" + mKey;
    line += " A_KEY=" + aKey;
    line += " Description=" + DescriptionForLine(description);
    line += '\n';
    return line;
}

}  // namespace tollvane
