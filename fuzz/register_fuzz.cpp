// Reading the register back: any bytes cut into any blocks give the rows that
// one block gives, each row is the file's own bytes at its offset, and a row
// the program formats is read back as one row with its fields.
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "register/issued_cards.h"
#include "register/register_reader.h"

namespace {

struct Row {
    std::uint64_t offset;
    std::string line;
    bool operator==(const Row& other) const { return offset == other.offset && line == other.line; }
};

std::vector<Row> Scan(const std::string& file, std::uint32_t seed, std::uint64_t& consumed) {
    tollvane::RegisterScanner scanner;
    std::vector<Row> rows;
    std::size_t pos = 0;
    while (pos < file.size()) {
        const std::size_t left = file.size() - pos;
        const std::size_t block = seed == 0 ? left : tollvane::fuzz::NextBlock(seed, left, 29);
        scanner.Feed(file.data() + pos, block,
                     [&](std::uint64_t offset, std::string_view line) { rows.push_back({offset, std::string(line)}); });
        pos += block;
    }
    consumed = scanner.Consumed();
    return rows;
}

// A field as it reads back: the file keeps no CRLF inside a field.
std::string WithoutCrLf(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: a byte seeding the block sizes, then either the file's content
// (first byte even) or the fields of one row (odd), each a length byte and
// its bytes.
TOLLVANE_FUZZ_HARNESS(register) {
    Bytes in(data, size);
    const std::uint32_t seed = in.Byte() + 1u;
    const bool formatted = (in.Byte() & 1) != 0;
    RegisterRow fields;
    std::string file;
    if (formatted) {
        for (std::string& field : fields) field = std::string(in.Text(in.Byte() % 48));
        file = std::string(RegisterFileStart()) + FormatRegisterLine(fields);
    } else {
        file = std::string(in.Rest());
    }

    std::uint64_t wholeConsumed = 0, blockConsumed = 0;
    const std::vector<Row> whole = Scan(file, 0, wholeConsumed);
    const std::vector<Row> blocks = Scan(file, seed, blockConsumed);
    FUZZ_CHECK(whole == blocks);
    FUZZ_CHECK(wholeConsumed == blockConsumed && wholeConsumed <= file.size());
    std::uint64_t after = 0;
    for (const Row& row : whole) {
        FUZZ_CHECK(row.offset >= after && row.offset + row.line.size() <= wholeConsumed);
        FUZZ_CHECK(file.compare(row.offset, row.line.size(), row.line) == 0);
        after = row.offset + row.line.size();
        RegisterRow split;
        SplitRegisterLine(row.line, split);
    }
    if (!formatted) return;

    FUZZ_CHECK(whole.size() == 1 && wholeConsumed == file.size());
    RegisterRow split;
    SplitRegisterLine(whole[0].line, split);
    for (std::size_t i = 0; i < fields.size(); ++i) FUZZ_CHECK(WithoutCrLf(split[i]) == WithoutCrLf(fields[i]));
}
