// The card data: random keys, never-repeated unique data, the rules of
// usersData.data's records (fuzz/users_data_fuzz.cpp reads any file in any
// blocks) and its store over the files in memory. The converter's worked
// examples are the holders export's; the hex text steps the hex entry's.
#include <gtest/gtest.h>

#include "carddata/generation.h"
#include "carddata/users_data_index.h"
#include "carddata/users_data_store.h"
#include "support/fakes.h"
#include "support/memory_files.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

TEST(Generation, KeysTakeWholeBytesAndTheirTextOrStayOnAFailingSource) {
    FakeRandom random;
    random.next = 0xFA;  // bytes above 7F and a wrap: nothing is cut to 15 bits
    std::array<std::uint8_t, 6> key{};
    std::array<std::uint8_t, 16> aes{};
    std::string text, aesText;
    ASSERT_TRUE(GenerateCrypto1Key(random, key, text));
    ASSERT_TRUE(GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(key, (std::array<std::uint8_t, 6>{0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}));
    random.fail = true;  // the texts stay those of the keys made
    EXPECT_FALSE(GenerateCrypto1Key(random, key, text));
    EXPECT_FALSE(GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(aes[15], 0x0F);
    EXPECT_EQ((std::vector{text, aesText}),
              (std::vector<std::string>{"FA FB FC FD FE FF",
                                        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"}));
}

// A value the store has already is drawn again; a store that fails has said why, and the value is
// made but not recorded. A failing source and a store that never takes a value are the form's and
// the register flow's.
TEST(Generation, UniqueDataIsDrawnUntilTheStoreRecordsIt) {
    using enum RecordOutcome;
    // The store's outcomes; whether the value is recorded, the last value drawn, the values asked.
    const struct {
        std::deque<RecordOutcome> outcomes;
        bool recorded;
        const char* text;
        std::size_t asked;
    } cases[] = {
        {{AlreadyRecorded, AlreadyRecorded}, true, "0F 10 11 12 13 14 15", 3},
        {{AlreadyRecorded, Failed}, false, "08 09 0A 0B 0C 0D 0E", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        FakeRandom random;
        FakeUniqueStore store;
        store.outcomes = c.outcomes;
        const auto made = GenerateUniqueData(random, store);
        EXPECT_EQ(store.asked.size(), c.asked);
        ASSERT_TRUE(made.has_value());
        EXPECT_FIELDS((made->recorded, made->text, made->bytes),
                      (c.recorded, c.text, store.asked.back()));
    }
}

// A reading that hands the text over in blocks of the given size.
UsersDataIndex::FileReading Reading(const std::string& text, std::size_t block = 4096) {
    return [text, block](const UsersDataIndex::BlockSink& sink) {
        for (std::size_t at = 0; at < text.size(); at += block)
            sink(reinterpret_cast<const std::uint8_t*>(text.data()) + at,
                 std::min(block, text.size() - at));
        return true;
    };
}

// Ten digits 0-9 and A-F make a record, anything else throws the digits before it away; a
// number is there when a record begins with its first three bytes. A new record goes behind
// a blank, a line end after every tenth, and apart from stray digits.
TEST(UsersDataIndex, RecordsByTheFilesRules) {
    const std::uint8_t number[7] = {0x01, 0x02, 0x03, 0x04, 0x05};
    const struct {
        std::string file;
        std::size_t records;
        bool found;
        const char* separator;
    } cases[] = {
        {"", 0, false, ""},
        {"0102039999", 1, true, " "},
        {"01020304", 0, false, " "},
        {"0a02030405", 0, false, " "},
        {std::string(10, '\0') + std::string(10, '\xFF'), 0, false,
         ""},  // zeros and FF are no digits
        {"01-0203040506", 1, false, " "},
        {"AB01020304050", 1, false, " "},
        {"1111111111 0102035555\r\n", 2, true, " "},
        {std::string(90, '1') + "01-02030405 0102030405", 10, true, "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        UsersDataIndex index;
        ASSERT_TRUE(index.Build(Reading(c.file, 3)));
        EXPECT_EQ(index.RecordCount(), c.records) << c.file;
        EXPECT_EQ(index.Contains(UsersDataNumber(number)), c.found) << c.file;
        EXPECT_EQ(index.SeparatorForNext(), c.separator) << c.file;
    }
    // A failed reading leaves no index.
    UsersDataIndex index;
    ASSERT_TRUE(index.Build(Reading("0102030405")));
    EXPECT_FALSE(index.Build(
        [](const UsersDataIndex::BlockSink& sink) { return !Reading("0102030405 01")(sink); }));
    EXPECT_FALSE(index.Ready());
    EXPECT_EQ(index.RecordCount(), 0u);
}

constexpr char kPath[] = "usersData.data";
constexpr std::uint8_t kNumber[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x66, 0x77};

struct UsersDataStoreTest : ::testing::Test {
    MemoryFiles files;
    FakeSleeper sleeper;
    UsersDataStore store{files, sleeper, kPath};
};

// A file held by another station is waited for up to two seconds; a failure leaves the file as it
// was.
TEST_F(UsersDataStoreTest, AFailedStepIsReportedAndLeavesTheFileAsItWas) {
    std::string before =
        "AB12CD34EF";  // 7000 records in the file's layout: about 77 KB, two blocks
    for (std::size_t i = 1; i < 7000; ++i)
        before += (i % 10 ? " " : "\r\n") + std::string("AB12CD34EF");
    using enum StoreStep;
    const struct {
        int held;
        FileOp step;
        int nth;
        std::optional<StoreStep> failed;
        std::size_t pauses;
    } cases[] = {
        {21, FileOp::Open, 0, Open, 20},
        {0, FileOp::Read, 1, Read, 0},
        {0, FileOp::Read, 2, Read, 0},
        {0, FileOp::Size, 1, Read, 0},
        {0, FileOp::Seek, 1, Read, 0},
        {0, FileOp::Write, 1, Write, 0},
        {0, FileOp::Flush, 1, Write, 0},
        {20, FileOp::Open, 0, {}, 20},  // held for two seconds: recorded
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.held << " " << static_cast<int>(c.step) << " " << c.nth);
        sleeper.pauses.clear();
        files.Put(kPath, before);
        files.heldOpens = c.held;
        files.FailAt(c.step, c.nth, 0x1E);
        const Recording recording = store.Record(kNumber);
        EXPECT_EQ(recording, c.failed ? RecordOutcome::Failed : RecordOutcome::Recorded);
        // A file held too long has no system error of its own.
        if (c.failed) {
            EXPECT_FIELDS((recording.failure.step, recording.failure.systemError),
                          (*c.failed, c.failed == Open ? 0u : 0x1Eu));
        }
        EXPECT_EQ(sleeper.pauses, std::vector<unsigned>(c.pauses, 100u));
        // A record that reached the file before its flush failed is cut off.
        const std::string after = c.failed ? before : before + "\r\n0102030405";
        EXPECT_EQ(files.entries[kPath].durable, after);
        EXPECT_EQ(files.Text(kPath), after);
    }
    files.entries.clear();  // missing: reported at once, never made
    sleeper.pauses.clear();
    EXPECT_EQ(store.Record(kNumber), RecordOutcome::Failed);
    EXPECT_FALSE(files.Has(kPath));
    EXPECT_TRUE(sleeper.pauses.empty());
}

// The file is read once; the numbers appended afterwards are known, and laid out, without reading
// it again until someone else changes it (a new size, or only a new last-write time).
TEST_F(UsersDataStoreTest, ReadsTheFileAgainOnlyAfterAnOutsideChange) {
    std::string nine = "AB12CD34EF";
    for (int i = 1; i < 9; ++i) nine += " AB12CD34EF";
    const std::uint8_t tenth[7] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0, 0},
                       other[7] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0};
    files.Put(kPath, nine);
    EXPECT_EQ(store.Record(tenth), RecordOutcome::Recorded);
    files.FailAt(FileOp::Read, 0);  // counts the reads from here
    EXPECT_EQ(store.Record(kNumber), RecordOutcome::Recorded);
    EXPECT_EQ(store.Record(tenth), RecordOutcome::AlreadyRecorded);
    EXPECT_EQ(files.Calls(FileOp::Read), 0);
    EXPECT_EQ(files.Text(kPath), nine + " 0A0B0C0D0E\r\n0102030405");
    files.entries[kPath].data += " AAAAAAAAAA";
    ++files.entries[kPath].version;
    EXPECT_EQ(store.Record(other), RecordOutcome::AlreadyRecorded);
    // Written anew by someone else with a text of the same size.
    std::string same = files.Text(kPath);
    same.replace(same.size() - 10, 10, "CCCCCCCCCC");
    files.Put(kPath, same);
    EXPECT_EQ(store.Record(other), RecordOutcome::Recorded);
    EXPECT_EQ(files.Text(kPath), same + " AAAAAAAAAA");
}

// A given number is expected in the file; another number with its first three bytes makes it
// unusable.
TEST_F(UsersDataStoreTest, AGivenNumberIsCheckedAgainstEveryRecordWithItsFirstThreeBytes) {
    const struct {
        const char* name;
        const char* file;
        RecordOutcome outcome;
        const char* after;
    } cases[] = {
        {"new", "AAAAAAAAAA", RecordOutcome::Recorded, "AAAAAAAAAA 0102030405"},
        {"reserved", "AAAAAAAAAA 0102030405", RecordOutcome::AlreadyRecorded,
         "AAAAAAAAAA 0102030405"},
        {"key of another", "0102030499", RecordOutcome::KeyTaken, "0102030499"},
        {"reserved and another", "0102030405 0102039999", RecordOutcome::KeyTaken,
         "0102030405 0102039999"},
    };
    for (const auto& c : cases) {
        files.Put(kPath, c.file);
        UsersDataStore fresh{files, sleeper, kPath};
        EXPECT_EQ(fresh.RecordGiven(kNumber).outcome, c.outcome) << c.name;
        EXPECT_EQ(files.Text(kPath), c.after) << c.name;
    }
}

}  // namespace
}  // namespace tollvane::testing
