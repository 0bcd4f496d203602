// usersData.data over the files in memory: the records appended in the
// file's layout, the wait for a file held by another station, every failure
// reported with the file left as it was, and the file read only when
// someone else changed it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "carddata/generation.h"
#include "carddata/users_data.h"
#include "carddata/users_data_store.h"
#include "support/fakes.h"
#include "support/memory_files.h"

namespace tollvane {
namespace {

using testing::FileOp;

constexpr char kPath[] = "usersData.data";
constexpr std::uint8_t kNumber[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x66, 0x77};

// A file of `count` distinct records laid out as the file's rules say.
std::string FileOfRecords(std::size_t count) {
    std::string text;
    char record[16];
    for (std::size_t i = 0; i < count; ++i) {
        text += i == 0 ? "" : i % 10 == 0 ? "\r\n" : " ";
        std::snprintf(record, sizeof record, "%010llX",
                      static_cast<unsigned long long>((i * 0x9E3779B1ull + 0x10) & 0xFFFFFFFFFFull));
        text += record;
    }
    return text;
}

struct UsersDataStoreTest : ::testing::Test {
    testing::MemoryFiles files;
    testing::FakeSleeper sleeper;
    testing::FakeMessageBoxes boxes;
    MessageTable texts{LanguageId::English};
    UsersDataStore store{files, sleeper, boxes, texts, kPath};
};

TEST_F(UsersDataStoreTest, AppendsNewNumbersAndFindsOldOnes) {
    const std::string ten = FileOfRecords(10);
    const std::string eleven = FileOfRecords(11);
    struct Case {
        const char* name;
        std::string before;
        RecordOutcome outcome;
        std::string after;
    } cases[] = {
        {"empty file: first record has no separator", "", RecordOutcome::Recorded, "0102030405"},
        {"second record after a blank", "AAAAAAAAAA", RecordOutcome::Recorded, "AAAAAAAAAA 0102030405"},
        {"11th record starts a new line", ten, RecordOutcome::Recorded, ten + "\r\n0102030405"},
        {"12th record after a blank", eleven, RecordOutcome::Recorded, eleven + " 0102030405"},
        {"number already there", ten + "\r\n0102030405 BBBBBBBBBB", RecordOutcome::AlreadyRecorded,
         ten + "\r\n0102030405 BBBBBBBBBB"},
        {"lower case is no record", "0a0b0c0d0e", RecordOutcome::Recorded, "0a0b0c0d0e0102030405"},
        {"the first three bytes count", "AAAAAAAAAA 010203FFFF", RecordOutcome::AlreadyRecorded,
         "AAAAAAAAAA 010203FFFF"},
        {"another third byte is new", "010204FFFF", RecordOutcome::Recorded, "010204FFFF 0102030405"},
        {"stray digits are kept apart", "01234", RecordOutcome::Recorded, "01234 0102030405"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        files.Put(kPath, c.before);
        EXPECT_EQ(store.Record(kNumber), c.outcome);
        // A number counts as recorded only once it is on the disk.
        EXPECT_EQ(files.entries[kPath].durable, c.after);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// A reader set to Wiegand 26 sends only the first three bytes: a drawn value
// that repeats them for a recorded number is drawn again.
TEST_F(UsersDataStoreTest, AValueRepeatingTheFirstThreeBytesOfARecordIsDrawnAgain) {
    struct Counting : RandomSource {
        std::uint8_t next = 1;
        bool Fill(std::uint8_t* out, std::size_t count) override {
            for (std::size_t i = 0; i < count; ++i) out[i] = next++;
            return true;
        }
    } random;
    files.Put(kPath, "AAAAAAAAAA 010203AAAA");
    const std::optional<UniqueResult> made = GenerateUniqueData(random, store);
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(made->text, "08 09 0A 0B 0C 0D 0E");
    EXPECT_EQ(files.Text(kPath), "AAAAAAAAAA 010203AAAA 08090A0B0C");
}

TEST_F(UsersDataStoreTest, AFileHeldByAnotherStationIsWaitedForUpToTwoSeconds) {
    const std::string open = texts[Msg::kUsersDataOpenError];
    const struct {
        int held;
        RecordOutcome outcome;
        std::size_t pauses;
    } table[] = {{0, RecordOutcome::Recorded, 0}, {20, RecordOutcome::Recorded, 20}, {21, RecordOutcome::Failed, 20}};
    for (const auto& t : table) {
        files.Put(kPath, "");
        files.heldOpens = t.held;
        sleeper.pauses.clear();
        boxes.shown.clear();
        EXPECT_EQ(store.Record(kNumber), t.outcome);
        EXPECT_EQ(sleeper.pauses, std::vector<unsigned>(t.pauses, 100u));
        EXPECT_EQ(boxes.shown.size(), t.outcome == RecordOutcome::Failed ? 1u : 0u);
    }
    EXPECT_EQ(boxes.shown[0].text, open);
    files.entries.clear();  // missing: reported at once, never made
    EXPECT_EQ(store.Record(kNumber), RecordOutcome::Failed);
    EXPECT_FALSE(files.Has(kPath));
    EXPECT_EQ(sleeper.pauses.size(), 20u);
}

TEST_F(UsersDataStoreTest, AFailedStepIsReportedAndLeavesTheFileAsItWas) {
    const std::string before = FileOfRecords(7000);  // about 77 KB: two blocks
    const char kRead[] = "Error reading from file usersData.data!\nGetLastError=0000001E";
    const char kWrite[] = "Error writing to file usersData.data!\nGetLastError=0000001E";
    const struct {
        FileOp step;
        int nth;
        const char* message;
    } cases[] = {
        {FileOp::Read, 1, kRead},  {FileOp::Read, 2, kRead},   {FileOp::Size, 1, kRead},
        {FileOp::Seek, 1, kRead},  {FileOp::Write, 1, kWrite}, {FileOp::Flush, 1, kWrite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nth);
        boxes.shown.clear();
        files.Put(kPath, before);
        files.FailAt(c.step, c.nth, 0x1E);
        EXPECT_EQ(store.Record(kNumber), RecordOutcome::Failed);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, c.message);
        // A record that reached the file before its flush failed is cut off.
        EXPECT_EQ(files.entries[kPath].durable, before);
        EXPECT_EQ(files.Text(kPath), before);
    }
    // Once the fault is gone the same number is recorded normally.
    EXPECT_EQ(store.Record(kNumber), RecordOutcome::Recorded);
    EXPECT_EQ(files.Text(kPath), before + "\r\n0102030405");
}

// The file is read once; every number appended afterwards is known without
// reading it again, until someone else changes it (a new size, or only a
// new last-write time).
TEST_F(UsersDataStoreTest, ReadsTheFileAgainOnlyAfterAnOutsideChange) {
    files.Put(kPath, "BBBBBBBBBB");
    files.FailAt(FileOp::Read, 0);  // counts the reads from here
    for (std::uint8_t i = 0; i < 12; ++i) {
        const std::uint8_t number[7] = {0x10, 0x20, i, 0x40, 0x50, 0, 0};
        EXPECT_EQ(store.Record(number), RecordOutcome::Recorded);
        EXPECT_EQ(store.Record(number), RecordOutcome::AlreadyRecorded);
    }
    EXPECT_EQ(files.Calls(FileOp::Read), 2);  // the text, then the end
    const std::uint8_t other[7] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0};
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

}  // namespace
}  // namespace tollvane
