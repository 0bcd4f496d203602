// Reading the register: any blocks give the rows of one block, each row the file's bytes at its
// offset; a row the program formats reads back as one row with its fields.

#include "fuzz_target.h"
#include "register/issued_cards.h"
#include "register/register_reader.h"

namespace tollvane::fuzz {

using Rows = std::vector<std::pair<std::uint64_t, std::string>>;  // offset, line

// The rows of the file handed over in blocks drawn from seed (0: one block).
static Rows Scan(const std::string& file, std::uint32_t seed, std::uint64_t& consumed) {
    RegisterScanner scanner;
    Rows rows;
    InBlocks(file, seed, 29, [&](const char* block, std::size_t n) {
        scanner.Feed(block, n,
                     [&](std::uint64_t at, std::string_view line) { rows.emplace_back(at, line); });
    });
    consumed = scanner.Consumed();
    return rows;
}

// A field as it reads back: the file keeps no CRLF inside a field.
static std::string WithoutCrLf(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

}  // namespace tollvane::fuzz

// Input: a byte seeding the block sizes, then the file's content (second byte even) or the
// fields of one row (odd), each a length byte and its bytes.
TOLLVANE_FUZZ_HARNESS(register) {
    const std::uint32_t seed = in.Byte() + 1u;
    const bool formatted = (in.Byte() & 1) != 0;
    RegisterRow fields;
    for (std::string& field : fields) field = formatted ? std::string(in.Text(in.Byte() % 48)) : "";
    const std::string file = formatted
                                 ? std::string(RegisterFileStart()) + FormatRegisterLine(fields)
                                 : std::string(in.Rest());

    std::uint64_t consumed = 0, blockConsumed = 0;
    const Rows whole = Scan(file, 0, consumed);
    FUZZ_CHECK(whole == Scan(file, seed, blockConsumed) && consumed == blockConsumed &&
               consumed <= file.size());
    std::uint64_t after = 0;
    RegisterRow split;
    for (const auto& [offset, line] : whole) {
        FUZZ_CHECK(offset >= after && offset + line.size() <= consumed &&
                   file.compare(offset, line.size(), line) == 0);
        after = offset + line.size();
        SplitRegisterLine(line, split);
    }
    if (!formatted) return;
    FUZZ_CHECK(whole.size() == 1 && consumed == file.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        FUZZ_CHECK(WithoutCrLf(split[i]) == WithoutCrLf(fields[i]));
}
