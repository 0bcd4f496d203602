#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
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

std::string RecordOf(std::uint64_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%010llX", static_cast<unsigned long long>(number));
    return text;
}

// The file as the program writes it: a blank between records, "\r\n" before
// every eleventh, nothing before the first and nothing at the end.
std::string FileOf(const std::vector<std::uint64_t>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += (i % 10 == 0) ? "\r\n" : " ";
        text += RecordOf(numbers[i]);
    }
    return text;
}

// The reading rules of the file: only ten upper-case hex digits in a row
// make a record; an eleventh digit begins the next one at once.
TEST(UsersDataIndex, ReadsRecordsByTheFileRules) {
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
        {"11111111110102030405", 2, true, " "},
        {"A0102030405", 1, false, " "},            // records count from their start
        {"01020304-0102030405", 1, true, " "},
        {"010203040", 0, false, " "},              // cut short: stray digits, a blank keeps them apart
        {"01 02 03 04 05", 0, false, " "},
        {"010203FFFF", 1, true, " "},                // the first three bytes decide
        {"010204FFFF 0002030405", 2, false, " "},
        {"0000000000 1111111111 2222222222 3333333333 4444444444 5555555555 6666666666 "
         "7777777777 8888888888 9999999999",
         10, false, "\r\n"},
    };
    for (const Case& c : cases) {
        UsersDataIndex index;
        ASSERT_TRUE(index.Build(Reading(c.file))) << c.file;
        EXPECT_EQ(index.RecordCount(), c.records) << c.file;
        EXPECT_EQ(index.Contains(0x0102030405), c.has0102030405) << c.file;
        EXPECT_EQ(index.SeparatorForNext(), c.separator) << c.file;
    }
}

TEST(UsersDataIndex, RecordSplitAcrossBlocksAtAnyPoint) {
    const std::string file = "1111111111 0102030405\r\nFFFFFFFFFF7";
    for (std::size_t block = 1; block <= file.size(); ++block) {
        UsersDataIndex index;
        ASSERT_TRUE(index.Build(Reading(file, block)));
        EXPECT_EQ(index.RecordCount(), 3u) << block;
        for (std::uint64_t n : {0x1111111111ull, 0x0102030405ull, 0xFFFFFFFFFFull}) {
            EXPECT_TRUE(index.Contains(n)) << block << " " << RecordOf(n);
        }
        EXPECT_FALSE(index.Contains(0x7000000000ull)) << block;  // the stray 7 is no record
    }
}

// A number counts as recorded when a record shares its first three bytes
// (what a reader set to Wiegand 26 sends); a set of those beginnings is the
// independent answer.
TEST(UsersDataIndex, FindsEveryNumberSharingTheFirstThreeBytesOfARecord) {
    std::vector<std::uint64_t> numbers = {0x0000000000, 0xFFFFFFFFFF, 0x0000FFFFFF, 0x0001000000, 0x7FFF7FFF7F};
    std::mt19937_64 random(12);
    for (int i = 0; i < 20000; ++i) numbers.push_back(random() & 0xFFFFFFFFFFull);
    numbers.push_back(numbers[7]);  // a number twice still counts twice
    std::set<std::uint64_t> beginnings;
    for (std::uint64_t n : numbers) beginnings.insert(n >> 16);

    UsersDataIndex index;
    ASSERT_TRUE(index.Build(Reading(FileOf(numbers))));
    EXPECT_EQ(index.RecordCount(), numbers.size());
    for (std::uint64_t n : numbers) {
        for (std::uint64_t probe : {n, n ^ 0xFFFF, n - 0x10000, n + 0x10000}) {
            probe &= 0xFFFFFFFFFFull;
            ASSERT_EQ(index.Contains(probe), beginnings.count(probe >> 16) == 1) << RecordOf(probe);
        }
    }
}

TEST(UsersDataIndex, FailedReadingLeavesNoIndex) {
    UsersDataIndex index;
    ASSERT_TRUE(index.Build(Reading("0102030405")));
    const UsersDataIndex::FileReading failsAfterOneBlock = [](const UsersDataIndex::BlockSink& sink) {
        const std::string text = "0102030405 0102030406";
        sink(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        return false;
    };
    EXPECT_FALSE(index.Build(failsAfterOneBlock));
    EXPECT_FALSE(index.Ready());
    EXPECT_FALSE(index.Contains(0x0102030405));
    EXPECT_EQ(index.RecordCount(), 0u);
}

}  // namespace
}  // namespace tollvane
