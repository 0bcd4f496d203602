// The usersData.data scan over any file content cut into any blocks, against
// the byte-by-byte reading of the file, and the record appended after it
// found by the next scan.
#include <cstdio>
#include <string>

#include "carddata/users_data.h"
#include "fuzz_target.h"

namespace {

struct Scan {
    bool found = false;
    std::size_t records = 0, pending = 0;
};

// One byte at a time: anything but 0-9 and A-F throws the digits away, ten
// digits make a record. A record is taken if its first three bytes (six
// digits) are the new number's: a reader set to Wiegand 26 sends no more.
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
        if (digits.compare(0, 6, record, 0, 6) == 0) {
            s.found = true;
            s.pending = 0;
            return s;
        }
        digits.clear();
    }
    s.pending = digits.size();
    return s;
}

Scan Feed(const std::string& file, const std::string& record, std::uint32_t seed) {
    tollvane::UsersDataScanner scanner(record);
    std::size_t pos = 0;
    while (pos < file.size() && !scanner.Found()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t block = std::min<std::size_t>(1 + (seed >> 16) % 23, file.size() - pos);
        scanner.Feed(reinterpret_cast<const std::uint8_t*>(file.data()) + pos, block);
        pos += block;
    }
    return {scanner.Found(), scanner.RecordCount(), scanner.Found() ? 0 : scanner.PendingDigits()};
}

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte seeding the block sizes, seven bytes of unique data, then
// the file's content.
TOLLVANE_FUZZ_HARNESS(users_data) {
    Bytes in(data, size);
    const std::uint32_t seed = in.Byte();
    std::uint8_t unique[7];
    for (std::uint8_t& b : unique) b = in.Byte();
    const std::string file(in.Rest());

    const std::string record = UsersDataRecordText(unique);
    char expectedRecord[11];
    std::snprintf(expectedRecord, sizeof expectedRecord, "%02X%02X%02X%02X%02X", unique[0], unique[1], unique[2],
                  unique[3], unique[4]);
    FUZZ_CHECK(record == expectedRecord);

    const Scan expected = ByteByByte(file, record);
    const Scan blocks = Feed(file, record, seed);
    FUZZ_CHECK(blocks.found == expected.found && blocks.records == expected.records);
    FUZZ_CHECK(blocks.pending == expected.pending);
    if (expected.found) return;

    // Not there: it is appended behind its separator, and from then on found.
    UsersDataScanner scanner(record);
    scanner.Feed(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    const std::string separator = scanner.SeparatorForNext();
    if (expected.records == 0) FUZZ_CHECK(separator == (expected.pending == 0 ? "" : " "));
    else FUZZ_CHECK(separator == (expected.records % 10 == 0 ? "\r\n" : " "));
    const Scan after = ByteByByte(file + separator + record, record);
    FUZZ_CHECK(after.found && after.records == expected.records + 1);
}
