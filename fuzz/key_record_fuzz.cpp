// Key record lines: any line after any other keeps the capacities, a key the line does not
// carry is never regrouped again, and a record the program writes reads back field for field.

#include "fuzz_target.h"
#include "carddata/hex_text.h"
#include "keystore/key_record.h"

// Input: the previous line and the line, split at the first 0xFF byte, parsed in turn as the
// list reader does; the same bytes also make the record written and read back.
TOLLVANE_FUZZ_HARNESS(key_record) {
    const std::string all(Bytes(in).Rest());
    const std::size_t split = all.find('\xFF');
    const std::string previous = split == std::string::npos ? std::string() : all.substr(0, split);
    const std::string line = split == std::string::npos ? all : all.substr(split + 1);

    KeyRecord current;
    ParseKeyRecord(previous, current);
    RegroupKeys(current);
    const KeyRecord shown = current;
    ParseKeyRecord(line, current);
    RegroupKeys(current);
    const std::string seen = line.substr(0, std::min(line.find('\0'), kMaxRecordLine));
    if (seen.find("M_KEY=") == std::string::npos) FUZZ_CHECK(current.M_KEY == shown.M_KEY);
    if (seen.find("A_KEY=") == std::string::npos) FUZZ_CHECK(current.A_KEY == shown.A_KEY);
    FUZZ_CHECK(current.TC.size() <= kTcCapacity && current.SN.size() <= kSnCapacity);
    FUZZ_CHECK(current.M_KEY.size() <= kMKeyCapacity && current.A_KEY.size() <= kAKeyCapacity);
    FUZZ_CHECK(current.Description.size() <= kDescriptionCapacity);

    const RecordSettings s{"SL1", "V", "1", "0", "2", "1", "3", "15", "2"};
    std::string mKey, aKey;
    for (int i = 0; i < 12; ++i) mKey += "0123456789ABCDEF"[in.Byte() & 15];
    for (int i = 0; i < 32; ++i)
        aKey += std::string(i % 2 == 0 && i ? " " : "") + "0123456789ABCDEF"[in.Byte() & 15];
    const std::string description(in.Text(80));
    const std::string written = FormatKeyRecord(mKey, aKey, description, s);
    FUZZ_CHECK(written.size() == 118 + description.size() + 1 &&
               written.find('\n') == written.size() - 1);
    KeyRecord read = current;  // whatever came before must not show through
    ParseKeyRecord(std::string_view(written).substr(0, written.size() - 1), read);
    RegroupKeys(read);
    std::string shownDescription = description;
    for (char& c : shownDescription) c = (c == '\n' || c == '\0') ? ' ' : c;
    FUZZ_CHECK(read.TC == s.TC && read.SN == s.SN && read.BN == s.BN &&
               read.Description == shownDescription);
    FUZZ_CHECK(read.M_KEY == SpaceHex(mKey, 6) && read.A_KEY == aKey);
}
