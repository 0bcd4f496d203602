// One entry of the key list and its line in keys.data:
// "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=... A_KEY=... Description=...\n"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tollvane {

// Capacities of the current record's fields; a parse never stores more.
inline constexpr std::size_t kTcCapacity = 3;
inline constexpr std::size_t kCodeCapacity = 1;  // AA, OI, LL, DI, SB, WM, BN
inline constexpr std::size_t kSnCapacity = 2;
inline constexpr std::size_t kMKeyCapacity = 31;
inline constexpr std::size_t kAKeyCapacity = 63;
inline constexpr std::size_t kDescriptionCapacity = 255;
// Longest line a parse looks at; characters beyond it are ignored.
inline constexpr std::size_t kMaxRecordLine = 511;
// Longest key text a written record carries after its blanks are removed.
inline constexpr std::size_t kMaxCompactKey = 63;

// The current record: every line read is parsed into it, and a parse leaves
// the fields it does not reach as the previous line left them.
struct KeyRecord {
    std::string TC, AA, OI, LL, DI, SB, WM, SN, BN, M_KEY, A_KEY, Description;
    // Whether the last parse took each key from its line: only such a key is
    // still in the line's compact form and is regrouped for display.
    bool mKeyFromLine = false, aKeyFromLine = false;
};

// Parses one line (without its line feed) into current. Tolerant: the keys
// are searched in their fixed order, and the first one missing ends the
// parse, leaving that field and all later ones unchanged.
void ParseKeyRecord(std::string_view line, KeyRecord& current);

// Rewrites M_KEY and A_KEY in their spaced form (6 and 16 pairs), each only
// when the last parse took it from its line: a key kept from the previous
// record has been regrouped already, and regrouping twice would garble it.
void RegroupKeys(KeyRecord& record);

// The card settings of a record as short texts, read from the form.
struct RecordSettings {
    std::string TC, AA, OI, LL, DI, SB, WM, SN, BN;
};

// The record line, line feed included, for the given key texts (blanks are
// removed from them) and description.
std::string FormatKeyRecord(std::string_view crypto1Text, std::string_view aesText,
                            std::string_view description, const RecordSettings& settings);

}  // namespace tollvane
