// Key record lines: the tolerant parse against a plain reading of the line
// format, the capacities of the current record, regrouping, and a record
// written by the program read back field for field.
#include <string>

#include "fuzz_target.h"
#include "keystore/key_record.h"

namespace tollvane::fuzz {
namespace {

struct Rule {
    const char* key;
    std::size_t width, next;
    std::string KeyRecord::*field;
};
// Widths and search distances of the record line, in line order.
const Rule kLine[] = {{"TC=", 3, 7, &KeyRecord::TC},     {"AA=", 1, 5, &KeyRecord::AA},
                      {"OI=", 1, 5, &KeyRecord::OI},     {"LL=", 1, 5, &KeyRecord::LL},
                      {"DI=", 1, 5, &KeyRecord::DI},     {"SB=", 1, 5, &KeyRecord::SB},
                      {"WM=", 1, 5, &KeyRecord::WM},     {"SN=", 2, 6, &KeyRecord::SN},
                      {"BN=", 1, 5, &KeyRecord::BN},     {"M_KEY=", 12, 19, &KeyRecord::M_KEY},
                      {"A_KEY=", 32, 39, &KeyRecord::A_KEY}, {"Description=", 255, 0, &KeyRecord::Description}};

// The line as the reading buffer holds it: 511 characters at most, up to a
// NUL. Gives the number of fields taken from the line.
std::size_t ExpectedParse(std::string line, KeyRecord& r) {
    line = line.substr(0, 511);
    line = line.substr(0, line.find('\0'));
    std::size_t from = 0, taken = 0;
    for (const Rule& rule : kLine) {
        if (from >= line.size()) return taken;
        std::size_t at = std::string::npos;
        for (std::size_t p = from; p < line.size(); ++p) {
            if (line.compare(p, std::char_traits<char>::length(rule.key), rule.key) == 0) {
                at = p;
                break;
            }
        }
        if (at == std::string::npos) return taken;
        ++taken;
        const std::size_t value = at + std::char_traits<char>::length(rule.key);
        r.*rule.field = value < line.size() ? line.substr(value, rule.width) : std::string();
        from = at + rule.next;
    }
    return taken;
}

bool Same(const KeyRecord& a, const KeyRecord& b) {
    for (const Rule& rule : kLine) {
        if (a.*rule.field != b.*rule.field) return false;
    }
    return true;
}

const char kHex[] = "0123456789ABCDEF";

}  // namespace
}  // namespace tollvane::fuzz

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: the previous line and the line, split at the first 0xFF byte; the
// previous line is parsed first, as the list reader does line after line.
// The bytes also make one record that the program writes and reads back.
TOLLVANE_FUZZ_HARNESS(key_record) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::size_t split = all.find('\xFF');
    const std::string previous = split == std::string::npos ? std::string() : all.substr(0, split);
    const std::string line = split == std::string::npos ? all : all.substr(split + 1);

    // The list reader parses line after line into one record and regroups
    // the keys of each for display.
    KeyRecord current, expected;
    ParseKeyRecord(previous, current);
    ExpectedParse(previous, expected);
    FUZZ_CHECK(Same(current, expected));
    RegroupKeys(current);
    const KeyRecord shown = current;

    // A parse overwrites only the fields it reaches; keys it does not reach
    // stay as they were shown, never regrouped a second time.
    ParseKeyRecord(line, current);
    expected = shown;
    const std::size_t reached = ExpectedParse(line, expected);
    FUZZ_CHECK(Same(current, expected));
    RegroupKeys(current);
    if (reached <= 9) FUZZ_CHECK(current.M_KEY == shown.M_KEY);
    if (reached <= 10) FUZZ_CHECK(current.A_KEY == shown.A_KEY);
    FUZZ_CHECK(current.TC.size() <= kTcCapacity && current.SN.size() <= kSnCapacity);
    FUZZ_CHECK(current.M_KEY.size() <= kMKeyCapacity && current.A_KEY.size() <= kAKeyCapacity);
    FUZZ_CHECK(current.Description.size() <= kDescriptionCapacity);
    KeyRecord again = current;
    RegroupKeys(again);
    FUZZ_CHECK(Same(again, current));

    // A record made from the form's values and any description.
    Bytes in(data, size);
    RecordSettings s;
    const char* types[] = {"Cls", "SL1", "SL3"};
    s.TC = types[in.Byte() % 3];
    s.AA = (in.Byte() & 1) ? "V" : "X";
    s.OI = std::string(1, static_cast<char>('0' + in.Byte() % 4));
    s.LL = std::string(1, static_cast<char>('0' + in.Byte() % 2));
    s.DI = std::string(1, static_cast<char>('0' + in.Byte() % 3));
    s.SB = std::string(1, static_cast<char>('0' + in.Byte() % 2));
    s.WM = std::string(1, static_cast<char>('0' + in.Byte() % 4));
    const int sector = 1 + in.Byte() % 15;
    s.SN = std::string(1, static_cast<char>('0' + sector / 10)) + static_cast<char>('0' + sector % 10);
    s.BN = std::string(1, static_cast<char>('0' + in.Byte() % 3));
    std::string mKey, aKey, spacedA;
    for (int i = 0; i < 12; ++i) mKey += kHex[in.Byte() & 15];
    for (int i = 0; i < 32; ++i) {
        aKey += kHex[in.Byte() & 15];
        spacedA += aKey.back();
        if (i % 2 == 1 && i != 31) spacedA += ' ';
    }
    const std::string description(in.Text(80));
    const std::string written = FormatKeyRecord(mKey, spacedA, description, s);
    FUZZ_CHECK(!written.empty() && written.back() == '\n');
    FUZZ_CHECK(written.find('\n') == written.size() - 1);
    FUZZ_CHECK(written.size() == 118 + description.size() + 1);

    KeyRecord read = current;  // whatever came before must not show through
    ParseKeyRecord(std::string_view(written).substr(0, written.size() - 1), read);
    FUZZ_CHECK(read.TC == s.TC && read.AA == s.AA && read.OI == s.OI && read.LL == s.LL && read.DI == s.DI);
    FUZZ_CHECK(read.SB == s.SB && read.WM == s.WM && read.SN == s.SN && read.BN == s.BN);
    FUZZ_CHECK(read.M_KEY == mKey && read.A_KEY == aKey);
    std::string shownDescription = description;
    for (char& c : shownDescription) {
        if (c == '\n' || c == '\0') c = ' ';
    }
    FUZZ_CHECK(read.Description == shownDescription);
}
