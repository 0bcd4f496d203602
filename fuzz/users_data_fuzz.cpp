// The usersData.data index built from any file content cut into any blocks,
// against the byte-by-byte reading of the file's rules, and the number added
// after it found.
#include <cstdio>
#include <string>

#include "carddata/users_data.h"
#include "carddata/users_data_index.h"
#include "fuzz_target.h"

namespace {

struct Scan {
    bool found = false;
    std::size_t records = 0, pending = 0;
};

// One byte at a time: anything but 0-9 and A-F throws the digits away, ten
// digits make a record. A number is there if a record begins with its first
// three bytes (six digits): a reader set to Wiegand 26 sends no more.
Scan ByteByByte(const std::string& file, const std::string& record) {
    Scan s;
    std::string digits;
    for (char c : file) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            digits.clear();
            continue;
        }
        digits += c;
        if (digits.size() < 10) continue;
        ++s.records;
        s.found |= digits.compare(0, 6, record, 0, 6) == 0;
        digits.clear();
    }
    s.pending = digits.size();
    return s;
}

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte seeding the block sizes, seven bytes of unique data, then
// the file's content.
TOLLVANE_FUZZ_HARNESS(users_data) {
    Bytes in(data, size);
    std::uint32_t seed = in.Byte();
    std::uint8_t unique[7];
    for (std::uint8_t& b : unique) b = in.Byte();
    const std::string file(in.Rest());

    const std::string record = UsersDataRecordText(unique);
    char expectedRecord[11];
    std::snprintf(expectedRecord, sizeof expectedRecord, "%02X%02X%02X%02X%02X", unique[0], unique[1], unique[2],
                  unique[3], unique[4]);
    FUZZ_CHECK(record == expectedRecord);

    UsersDataIndex index;
    FUZZ_CHECK(index.Build([&](const UsersDataIndex::BlockSink& sink) {
        for (std::size_t pos = 0, block = 0; pos < file.size(); pos += block) {
            block = NextBlock(seed, file.size() - pos, 23);
            sink(reinterpret_cast<const std::uint8_t*>(file.data()) + pos, block);
        }
        return true;
    }));
    const Scan expected = ByteByByte(file, record);
    const std::uint64_t number = UsersDataNumber(unique);
    FUZZ_CHECK(index.RecordCount() == expected.records && index.Contains(number) == expected.found);

    // A new record goes behind a line end after every tenth record, else a
    // blank; nothing before the first, unless stray digits would run into it.
    const std::string separator = index.SeparatorForNext();
    if (expected.records == 0) FUZZ_CHECK(separator == (expected.pending == 0 ? "" : " "));
    else FUZZ_CHECK(separator == (expected.records % 10 == 0 ? "\r\n" : " "));
    if (expected.found) return;
    index.Add(number);
    const Scan after = ByteByByte(file + separator + record, record);
    FUZZ_CHECK(after.found && after.records == expected.records + 1);
    FUZZ_CHECK(index.Contains(number) && index.RecordCount() == after.records);
}
