// The usersData.data index of any file: the same in any blocks, and a number added found again
// when the file with its record is read.

#include "carddata/users_data.h"
#include "carddata/users_data_index.h"
#include "fuzz_target.h"

namespace tollvane::fuzz {

// The index of the file handed over in blocks drawn from seed (0: one block).
static void Build(UsersDataIndex& index, const std::string& file, std::uint32_t seed) {
    FUZZ_CHECK(index.Build([&](const UsersDataIndex::BlockSink& sink) {
        InBlocks(file, seed, 23, [&](const char* block, std::size_t n) {
            sink(reinterpret_cast<const std::uint8_t*>(block), n);
        });
        return true;
    }));
}

}  // namespace tollvane::fuzz

// Input: a byte seeding the block sizes, seven bytes of unique data, then the file's content.
TOLLVANE_FUZZ_HARNESS(users_data) {
    const std::uint32_t seed = in.Byte() + 1u;
    std::uint8_t unique[7];
    for (std::uint8_t& b : unique) b = in.Byte();
    const std::string file(in.Rest());
    const std::string record = UsersDataRecordText(unique);

    UsersDataIndex whole, blocks;
    Build(whole, file, 0);
    Build(blocks, file, seed);
    const std::uint64_t number = UsersDataNumber(unique);
    const std::string separator = whole.SeparatorForNext();
    FUZZ_CHECK(whole.RecordCount() == blocks.RecordCount() &&
               whole.Contains(number) == blocks.Contains(number));
    FUZZ_CHECK(separator == blocks.SeparatorForNext() && whole.RecordCount() <= file.size() / 10);
    FUZZ_CHECK(separator == "" || separator == " " || separator == "\r\n");
    // Found: a record begins with the number's first three bytes.
    if (whole.Contains(number)) {
        FUZZ_CHECK(file.find(record.substr(0, 6)) != std::string::npos);
        return;
    }
    whole.Add(number);
    FUZZ_CHECK(whole.Contains(number));
    UsersDataIndex after;
    Build(after, file + separator + record, seed);
    FUZZ_CHECK(after.Contains(number) && after.RecordCount() == whole.RecordCount());
    FUZZ_CHECK(whole.RecordCount() == blocks.RecordCount() + 1 &&
               after.SeparatorForNext() == whole.SeparatorForNext());
}
