#include <gtest/gtest.h>

#include <string>

#include "carddata/users_data_index.h"

namespace tollvane {
namespace {

// A reading that hands the text over in blocks of the given size.
UsersDataIndex::FileReading Reading(const std::string& text, std::size_t block = 4096) {
    return [text, block](const UsersDataIndex::BlockSink& sink) {
        for (std::size_t at = 0; at < text.size(); at += block) {
            sink(reinterpret_cast<const std::uint8_t*>(text.data()) + at, std::min(block, text.size() - at));
        }
        return true;
    };
}

// The reading rules of the file: only ten upper-case hex digits in a row
// make a record; an eleventh digit begins the next one at once. A record may
// be cut into blocks at any point.
TEST(UsersDataIndex, ReadsRecordsByTheFileRulesInAnyBlocks) {
    struct Case {
        const char* file;
        std::size_t records;
        bool has0102030405;
        const char* separator;
    };
    const Case cases[] = {
        {"", 0, false, ""},
        {"0102030405", 1, true, " "},
        {"0a0b0c0d0e", 0, false, ""},              // lower case: no record at all
        {"0a0b0c0d0e 0102030405", 1, true, " "},
        {"111111111101020304052222222222", 3, true, " "},
        {"A0102030405", 1, false, " "},            // records count from their start
        {"01020304-0102030405", 1, true, " "},
        {"010203040", 0, false, " "},              // cut short: stray digits, a blank keeps them apart
        {"010203FFFF", 1, true, " "},                // the first three bytes decide
        {"010204FFFF 0002030405", 2, false, " "},
        {"0102030000 0102040000 0102040000", 3, true, " "},  // neighbours in the table; repeats count
        {"1111111111 0102030405\r\nFFFFFFFFFF7", 3, true, " "},  // the stray 7 is no record
        {"0000000000 1111111111 2222222222 3333333333 4444444444 5555555555 6666666666 "
         "7777777777 8888888888 9999999999",
         10, false, "\r\n"},
    };
    for (const Case& c : cases) {
        const std::string file = c.file;
        // Blocks of 2, 3 and 7 cut the records of a line at every point.
        for (std::size_t block : {1u, 2u, 3u, 7u, 10u, 11u, 4096u}) {
            SCOPED_TRACE(::testing::Message() << c.file << " in blocks of " << block);
            UsersDataIndex index;
            ASSERT_TRUE(index.Build(Reading(file, block)));
            EXPECT_EQ(index.RecordCount(), c.records);
            EXPECT_EQ(index.Contains(0x0102030405), c.has0102030405);
            EXPECT_EQ(index.SeparatorForNext(), c.separator);
        }
    }
}

TEST(UsersDataIndex, FailedReadingLeavesNoIndex) {
    UsersDataIndex index;
    ASSERT_TRUE(index.Build(Reading("0102030405")));
    EXPECT_FALSE(index.Build([](const UsersDataIndex::BlockSink& sink) { return !Reading("0102030405 01")(sink); }));
    EXPECT_FALSE(index.Ready());
    EXPECT_EQ(index.RecordCount(), 0u);
}

}  // namespace
}  // namespace tollvane
