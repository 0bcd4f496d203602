#include <gtest/gtest.h>

#include <string>

#include "carddata/users_data.h"

namespace tollvane {
namespace {

void FeedText(UsersDataScanner& s, const std::string& text) {
    s.Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(UsersData, RecordTextIsFirstFiveBytes) {
    const std::uint8_t data[7] = {0x01, 0xAB, 0x00, 0xFF, 0x7C, 0x99, 0x88};
    EXPECT_EQ(UsersDataRecordText(data), "01AB00FF7C");
}

TEST(UsersData, Separators) {
    EXPECT_EQ(UsersDataSeparator(0), "");     // 1st record
    EXPECT_EQ(UsersDataSeparator(1), " ");
    EXPECT_EQ(UsersDataSeparator(9), " ");
    EXPECT_EQ(UsersDataSeparator(10), "\r\n");  // 11th record
    EXPECT_EQ(UsersDataSeparator(11), " ");     // 12th record
    EXPECT_EQ(UsersDataSeparator(20), "\r\n");
}

// A file written record by record reads back with the right count, and each
// of its records is found.
TEST(UsersData, WrittenFileReadsBack) {
    std::string file;
    std::vector<std::string> records;
    for (int i = 0; i < 23; ++i) {
        const std::uint8_t data[7] = {static_cast<std::uint8_t>(i), 0x20, 0x30, 0x40, 0x50, 0, 0};
        records.push_back(UsersDataRecordText(data));
        file += UsersDataSeparator(static_cast<std::size_t>(i)) + records.back();
    }
    EXPECT_EQ(file.substr(0, 21), records[0] + " " + records[1]);
    EXPECT_EQ(file.substr(10 * 11 - 1, 2), "\r\n");

    UsersDataScanner absent("FFFFFFFFFF");
    FeedText(absent, file);
    EXPECT_FALSE(absent.Found());
    EXPECT_EQ(absent.RecordCount(), 23u);

    UsersDataScanner present(records[11]);
    FeedText(present, file);
    EXPECT_TRUE(present.Found());
    EXPECT_EQ(present.RecordCount(), 12u);
}

TEST(UsersData, ReadingRules) {
    struct Case { const char* file; std::size_t count; bool found; };
    const Case cases[] = {
        {"", 0, false},
        {"0102030405", 1, true},
        {"0a0b0c0d0e 0102030405", 1, true},   // lower case is no record at all
        {"0a0b0c0d0e", 0, false},
        {"01020304050102030405", 1, true},     // found at once: counting stops
        {"11111111110102030405", 2, true},     // 11th digit starts the next record
        {"AAAAAAAAAA0102030405", 2, true},
        {"A0102030405", 1, false},             // records are counted from their start
        {"01020304-0102030405", 1, true},      // any other byte drops the digits read
        {"0102030405F", 1, true},
        {"010203040", 0, false},               // a record cut short is no record
        {"01 02 03 04 05", 0, false},
        // A Wiegand 26 reader sees only the first three bytes.
        {"0102039999", 1, true},
        {"0102049999 9901020304", 2, false},
    };
    for (const Case& c : cases) {
        UsersDataScanner s("0102030405");
        FeedText(s, c.file);
        EXPECT_EQ(s.Found(), c.found) << c.file;
        EXPECT_EQ(s.RecordCount(), c.count) << c.file;
    }
}

TEST(UsersData, RecordSplitAcrossBlocks) {
    const std::string file = "1111111111 0102030405";
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
        UsersDataScanner s("0102030405");
        FeedText(s, file.substr(0, cut));
        FeedText(s, file.substr(cut));
        EXPECT_TRUE(s.Found()) << cut;
        EXPECT_EQ(s.RecordCount(), 2u) << cut;
    }
    // One byte at a time.
    UsersDataScanner s("0102030405");
    for (char c : file) FeedText(s, std::string(1, c));
    EXPECT_TRUE(s.Found());
}

TEST(UsersData, LongGarbage) {
    std::string garbage;
    for (int i = 0; i < 100000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    UsersDataScanner s("0102030405");
    FeedText(s, garbage);
    FeedText(s, std::string(1000, '\0'));
    FeedText(s, std::string(99999, 'A'));  // 9999 records and 9 digits left over
    EXPECT_FALSE(s.Found());
    FeedText(s, "x0102030405");
    EXPECT_TRUE(s.Found());
    s.Feed(nullptr, 5);  // nothing to read: no harm
}

// What a new record is appended after, and that it reads back as a record.
TEST(UsersData, SeparatorForNextKeepsTheNewRecordReadable) {
    struct Case { std::string file; const char* separator; };
    const Case cases[] = {
        {"", ""},
        {"1111111111", " "},
        {"0102", " "},  // stray digits alone: the new record must not join them
        {"xyz", ""},
        {"1111111111 22", " "},
        {"1111111111 2222222222 3333333333 4444444444 5555555555 6666666666 7777777777 "
         "8888888888 9999999999 AAAAAAAAAA",
         "\r\n"},
    };
    for (const Case& c : cases) {
        UsersDataScanner s("0A0B0C0D0E");
        FeedText(s, c.file);
        const std::string sep = s.SeparatorForNext();
        EXPECT_EQ(sep, c.separator) << c.file;
        UsersDataScanner again("0A0B0C0D0E");
        FeedText(again, c.file + sep + "0A0B0C0D0E");
        EXPECT_TRUE(again.Found()) << c.file;
    }
}

TEST(UsersData, WrongLengthRecordTextNeverMatches) {
    for (const char* key : {"", "010203040", "01020304050"}) {
        UsersDataScanner s(key);
        FeedText(s, "0102030405 01020304050");
        EXPECT_FALSE(s.Found()) << key;
        EXPECT_EQ(s.RecordCount(), 2u) << key;
    }
}

}  // namespace
}  // namespace tollvane
