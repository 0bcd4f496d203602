// usersData.data on a real file under Wine, with injected read, write and
// flush failures where the disk cannot be made to fail on demand.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "carddata/generation.h"
#include "carddata/users_data.h"
#include "carddata/win/users_data_file.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

class RecordingBoxes : public MessageBoxes {
public:
    void Show(const std::string& text, MessageIcon icon) override {
        texts.push_back(text);
        icons.push_back(icon);
    }
    void ShowSystemError(const std::string& text) override { texts.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }

    std::vector<std::string> texts;
    std::vector<MessageIcon> icons;
};

// Fails the chosen call; everything else goes to the real file.
class FaultyCalls : public UsersDataFileCalls {
public:
    int failRead = -1;          // number of the ReadFile call that fails, from 0
    DWORD writeBeforeFail = 0;  // bytes that really reach the file before the write fails
    bool failWrite = false;
    bool shortWrite = false;    // the write succeeds but stores only writeBeforeFail bytes
    bool failFlush = false;

    BOOL Read(HANDLE file, void* buffer, DWORD size, DWORD* got) override {
        if (reads++ == failRead) {
            *got = 0;
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        return UsersDataFileCalls::Read(file, buffer, size, got);
    }
    BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) override {
        if (!failWrite && !shortWrite) return UsersDataFileCalls::Write(file, data, size, written);
        DWORD part = 0;
        if (writeBeforeFail > 0) UsersDataFileCalls::Write(file, data, writeBeforeFail, &part);
        *written = part;
        if (shortWrite) return TRUE;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    BOOL Flush(HANDLE file) override {
        if (!failFlush) return UsersDataFileCalls::Flush(file);
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }

    int reads = 0;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good());
}

// A file of `count` distinct records as the program writes them.
std::string FileOfRecords(size_t count, std::vector<size_t>* starts = nullptr) {
    std::string text;
    char record[16];
    for (size_t i = 0; i < count; ++i) {
        text += UsersDataSeparator(i);
        if (starts) starts->push_back(text.size());
        std::snprintf(record, sizeof record, "%010llX",
                      static_cast<unsigned long long>((i * 0x9E3779B1ull + 0x10) & 0xFFFFFFFFFFull));
        text += record;
    }
    return text;
}

class UsersDataFileTest : public ::testing::Test {
protected:
    static fs::path TestFolder() {
        return fs::temp_directory_path() /
               (std::string("tollvane-users-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void SetUp() override {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    bool NobodyHolds() const {
        HANDLE h = CreateFileW(path_.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }

    const fs::path dir_ = TestFolder();
    const fs::path path_ = dir_ / "usersData.data";
    RecordingBoxes boxes_;
    MessageTable texts_{LanguageId::English};
    UsersDataFile store_{boxes_, texts_, path_.string()};
};

constexpr std::uint8_t kNumber[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x66, 0x77};

TEST_F(UsersDataFileTest, AppendsNewNumbersAndFindsOldOnes) {
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
        {"only the first five bytes count", "0102030405", RecordOutcome::AlreadyRecorded, "0102030405"},
        {"lower case is no record", "0a0b0c0d0e", RecordOutcome::Recorded, "0a0b0c0d0e0102030405"},
        {"lower case hides nothing", "0102030405", RecordOutcome::AlreadyRecorded, "0102030405"},
        {"the first three bytes count", "AAAAAAAAAA 010203FFFF", RecordOutcome::AlreadyRecorded,
         "AAAAAAAAAA 010203FFFF"},
        {"another third byte is new", "010204FFFF", RecordOutcome::Recorded, "010204FFFF 0102030405"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText(path_, c.before);
        EXPECT_EQ(store_.Record(kNumber), c.outcome);
        EXPECT_EQ(ReadText(path_), c.after);
        EXPECT_TRUE(NobodyHolds());
    }
    EXPECT_TRUE(boxes_.texts.empty());
}

// A reader set to Wiegand 26 sends only the first three bytes: a drawn value
// that repeats them for a recorded number is drawn again.
TEST_F(UsersDataFileTest, AValueRepeatingTheFirstThreeBytesOfARecordIsDrawnAgain) {
    struct Counting : RandomSource {
        std::uint8_t next = 1;
        bool Fill(std::uint8_t* out, std::size_t count) override {
            for (std::size_t i = 0; i < count; ++i) out[i] = next++;
            return true;
        }
    } random;
    WriteText(path_, "AAAAAAAAAA 010203AAAA");
    const std::optional<UniqueResult> made = GenerateUniqueData(random, store_);
    ASSERT_TRUE(made.has_value());
    EXPECT_TRUE(made->recorded);
    EXPECT_EQ(made->text, "08 09 0A 0B 0C 0D 0E");
    EXPECT_EQ(ReadText(path_), "AAAAAAAAAA 010203AAAA 08090A0B0C");
}

TEST_F(UsersDataFileTest, RecordSplitAcrossTheReadBlockIsFound) {
    std::vector<size_t> starts;
    const std::string text = FileOfRecords(12500, &starts);
    ASSERT_GT(text.size(), 2u * UsersDataFile::kBlockSize);
    for (size_t boundary : {size_t{UsersDataFile::kBlockSize}, size_t{2 * UsersDataFile::kBlockSize}}) {
        size_t i = 0;
        while (i < starts.size() && !(starts[i] < boundary && boundary < starts[i] + 10)) ++i;
        ASSERT_LT(i, starts.size()) << "no record straddles " << boundary;
        SCOPED_TRACE(i);
        std::uint8_t number[7] = {};
        for (int b = 0; b < 5; ++b)
            number[b] = static_cast<std::uint8_t>(std::stoi(text.substr(starts[i] + 2 * b, 2), nullptr, 16));
        WriteText(path_, text);
        EXPECT_EQ(store_.Record(number), RecordOutcome::AlreadyRecorded);
    }
    // Every record is counted across blocks: the 12501st starts a new line.
    WriteText(path_, text);
    EXPECT_EQ(store_.Record(kNumber), RecordOutcome::Recorded);
    EXPECT_EQ(ReadText(path_), text + "\r\n0102030405");
}

TEST_F(UsersDataFileTest, MissingFileIsReportedAndNotCreated) {
    EXPECT_EQ(store_.Record(kNumber), RecordOutcome::Failed);
    ASSERT_EQ(boxes_.texts.size(), 1u);
    EXPECT_EQ(boxes_.texts[0], texts_[Msg::kUsersDataOpenError]);
    EXPECT_EQ(boxes_.icons[0], MessageIcon::Error);
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(UsersDataFileTest, FailedReadWriteOrFlushIsReportedAndLeavesTheFileAsItWas) {
    const std::string before = FileOfRecords(7000);  // about 77 KB: two blocks
    struct Case {
        const char* name;
        void (*arm)(FaultyCalls&);
        const char* message;
    } cases[] = {
        {"first read fails", [](FaultyCalls& c) { c.failRead = 0; },
         "Error reading from file usersData.data!\nGetLastError=0000001E"},
        {"second read fails", [](FaultyCalls& c) { c.failRead = 1; },
         "Error reading from file usersData.data!\nGetLastError=0000001E"},
        {"write fails", [](FaultyCalls& c) { c.failWrite = true; },
         "Error writing to file usersData.data!\nGetLastError=00000070"},
        {"write fails after part of the record", [](FaultyCalls& c) { c.failWrite = true; c.writeBeforeFail = 6; },
         "Error writing to file usersData.data!\nGetLastError=00000070"},
        {"write stores only part of the record", [](FaultyCalls& c) { c.shortWrite = true; c.writeBeforeFail = 4; },
         "Error writing to file usersData.data!\nGetLastError=00000070"},
        {"flush fails", [](FaultyCalls& c) { c.failFlush = true; },
         "Error writing to file usersData.data!\nGetLastError=0000045D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes_.texts.clear();
        WriteText(path_, before);
        FaultyCalls calls;
        c.arm(calls);
        store_.UseCalls(calls);
        EXPECT_EQ(store_.Record(kNumber), RecordOutcome::Failed);
        ASSERT_EQ(boxes_.texts.size(), 1u);
        EXPECT_EQ(boxes_.texts[0], c.message);
        EXPECT_EQ(ReadText(path_), before);
        EXPECT_TRUE(NobodyHolds());
    }
    // Once the fault is gone the same number is recorded normally.
    UsersDataFileCalls real;
    store_.UseCalls(real);
    EXPECT_EQ(store_.Record(kNumber), RecordOutcome::Recorded);
    EXPECT_EQ(ReadText(path_), before + "\r\n0102030405");
}

// The file is read once; every number appended afterwards is known without
// reading it again, and the file keeps its layout.
TEST_F(UsersDataFileTest, ReadsTheFileOnceWhileNobodyElseChangesIt) {
    WriteText(path_, "");
    FaultyCalls counting;
    store_.UseCalls(counting);
    std::string expected;
    for (std::uint8_t i = 0; i < 12; ++i) {
        const std::uint8_t number[7] = {0x10, 0x20, i, 0x40, 0x50, 0, 0};
        EXPECT_EQ(store_.Record(number), RecordOutcome::Recorded);
        char record[16];
        std::snprintf(record, sizeof record, "1020%02X4050", i);
        expected += (i == 0 ? "" : i == 10 ? "\r\n" : " ") + std::string(record);
        EXPECT_EQ(store_.Record(number), RecordOutcome::AlreadyRecorded);
    }
    EXPECT_EQ(ReadText(path_), expected);
    EXPECT_EQ(counting.reads, 1);  // the empty file: one read that returns nothing
    EXPECT_TRUE(boxes_.texts.empty());
}

// Someone else's change, seen by a new size or a new last-write time, makes
// the store read the file again before it answers.
TEST_F(UsersDataFileTest, ReadsAgainAfterAnOutsideChange) {
    const std::uint8_t other[7] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0, 0};
    WriteText(path_, "BBBBBBBBBB");
    ASSERT_EQ(store_.Record(kNumber), RecordOutcome::Recorded);

    // Appended from outside: a new size.
    WriteText(path_, ReadText(path_) + " AAAAAAAAAA");
    EXPECT_EQ(store_.Record(other), RecordOutcome::AlreadyRecorded);

    // Replaced from outside by a text of the same size: only the time differs.
    WriteText(path_, "CCCCCCCCCC 0102030405 BBBBBBBBBB");
    HANDLE h = CreateFileW(path_.wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME earlier{};
    GetFileTime(h, nullptr, nullptr, &earlier);
    ULARGE_INTEGER t{{earlier.dwLowDateTime, earlier.dwHighDateTime}};
    t.QuadPart -= 36000000000ull;  // an hour
    earlier = {t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &earlier));
    CloseHandle(h);
    EXPECT_EQ(store_.Record(other), RecordOutcome::Recorded);
    EXPECT_EQ(ReadText(path_), "CCCCCCCCCC 0102030405 BBBBBBBBBB AAAAAAAAAA");
}

}  // namespace
}  // namespace tollvane
