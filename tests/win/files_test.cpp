// The program's files over kernel32 under Wine: each failure gives its
// outcome, the leftover plain key list is wiped, the key list goes through
// CryptoAPI to the bytes the independent implementation expects, and two
// stations (two processes of this program) share usersData.data and the
// register at the same time while a third look reads the register.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "base/win/utf.h"
#include "base/win/win_files.h"
#include "carddata/users_data_store.h"
#include "keystore/key_list.h"
#include "keystore/win/win_key_file_cipher.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "register/register_file_source.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const fs::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

class Scratch {
public:
    Scratch() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = fs::path(temp) / ("tollvane-files-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++counter_));
        fs::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path operator/(const char* name) const { return path_ / name; }
    std::string operator[](const char* name) const { return Narrow((path_ / name).wstring()); }
    std::string Prefix() const { return Narrow(path_.wstring()) + "\\"; }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

// Another program holding a file open without sharing.
struct Holder {
    explicit Holder(const fs::path& path, DWORD share = 0)
        : h(CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0,
                        nullptr)) {}
    ~Holder() { CloseHandle(h); }
    HANDLE h;
};

TEST(WinFiles, EachFailureGivesItsOutcome) {
    Scratch dir;
    WinFiles files;
    WriteAll(dir / "a", "abc");
    WriteAll(dir / "b", "old");
    std::unique_ptr<File> file;
    const auto is = [](const FileResult& r, FileStatus status, std::uint32_t code) {
        return r.status == status && r.error == code;
    };
    EXPECT_TRUE(is(files.Open(dir["missing"], OpenMode::Read, file), FileStatus::NotFound, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(is(files.Open(dir["no\\x"], OpenMode::CreateAlways, file), FileStatus::NotFound, ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(is(files.Copy(dir["missing"], dir["c"]), FileStatus::NotFound, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(is(files.Delete(dir["missing"]), FileStatus::NotFound, ERROR_FILE_NOT_FOUND));
    FileStamp stamp;
    EXPECT_TRUE(is(files.Stamp(dir["missing"], stamp), FileStatus::NotFound, ERROR_FILE_NOT_FOUND));
    // A move that fails leaves both files as they were.
    EXPECT_FALSE(files.MoveReplace(dir["a"], dir["no\\b"]));
    {
        Holder holder(dir / "b");
        EXPECT_TRUE(is(files.Open(dir["b"], OpenMode::ReadWrite, file), FileStatus::HeldElsewhere,
                       ERROR_SHARING_VIOLATION));
        EXPECT_TRUE(is(files.Delete(dir["b"]), FileStatus::HeldElsewhere, ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(files.MoveReplace(dir["a"], dir["b"]));
    }
    EXPECT_EQ(ReadAll(dir / "a"), "abc");
    EXPECT_EQ(ReadAll(dir / "b"), "old");
    // Calls the handle's access does not allow.
    ASSERT_TRUE(files.Open(dir["a"], OpenMode::Read, file));
    EXPECT_TRUE(is(file->Write("x", 1), FileStatus::Failed, ERROR_ACCESS_DENIED));
    EXPECT_FALSE(file->Resize(1));
    ASSERT_TRUE(files.Open(dir["c"], OpenMode::CreateAlways, file));
    char buffer[4];
    std::size_t got = 0;
    EXPECT_TRUE(is(file->Read(buffer, 4, got), FileStatus::Failed, ERROR_ACCESS_DENIED));
    file.reset();
    // And the same calls where they belong.
    ASSERT_TRUE(files.Open(dir["a"], OpenMode::ReadWrite, file));
    ASSERT_TRUE(file->Seek(1));
    ASSERT_TRUE(file->Write("XYZ", 3));
    ASSERT_TRUE(file->Flush());
    std::uint64_t size = 0;
    ASSERT_TRUE(file->Size(size));
    EXPECT_EQ(size, 4u);
    ASSERT_TRUE(file->Resize(2));
    file.reset();
    EXPECT_EQ(ReadAll(dir / "a"), "aX");
    ASSERT_TRUE(files.MoveReplace(dir["a"], dir["b"]));
    ASSERT_TRUE(files.Copy(dir["b"], dir["c"]));
    EXPECT_FALSE(files.Exists(dir["a"]));
    EXPECT_EQ(ReadAll(dir / "c"), "aX");
}

TEST(WinFiles, AppendersTakeTurnsWhileReadersLookOn) {
    Scratch dir;
    WinFiles files;
    std::unique_ptr<File> writer, second, reader;
    ASSERT_TRUE(files.Open(dir["r.csv"], OpenMode::AppendShared, writer));  // made when missing
    ASSERT_TRUE(writer->Write("row\r\n", 5));
    EXPECT_EQ(files.Open(dir["r.csv"], OpenMode::AppendShared, second).status, FileStatus::HeldElsewhere);
    ASSERT_TRUE(files.Open(dir["r.csv"], OpenMode::ReadShared, reader));
    char buffer[8] = {};
    std::size_t got = 0;
    ASSERT_TRUE(ReadFull(*reader, buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "row\r\n");
    // A reader never stands in a writer's way.
    writer.reset();
    EXPECT_TRUE(files.Open(dir["r.csv"], OpenMode::AppendShared, second));
}

TEST(WinFiles, LeftoverPlainKeysAreOverwrittenThenDeleted) {
    Scratch dir;
    WinFiles files;
    const std::string secret = "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=A0A1A2A3A4A5\n";
    WriteAll(dir / kKeysFile, secret);
    WriteAll(dir / kTmpKeysFile, "TmpKeys");
    // A second name for keys.data's bytes shows what became of them.
    ASSERT_TRUE(CreateHardLinkW((dir / "link").wstring().c_str(), (dir / kKeysFile).wstring().c_str(), nullptr));
    WipeLeftoverPlainKeys(files, dir.Prefix());
    EXPECT_FALSE(fs::exists(dir / kKeysFile));
    EXPECT_FALSE(fs::exists(dir / kTmpKeysFile));
    EXPECT_EQ(ReadAll(dir / "link"), std::string(secret.size(), '\0'));
}

// The key list over kernel32 and CryptoAPI, from a list written by the
// independent implementation, adds a record exactly as it would.
TEST(WinFiles, TheKeyListWritesWhatTheIndependentImplementationExpects) {
    struct Ui : KeyListUi {
        std::size_t rows = 0;
        std::string fields[3] = {"FF FF FF FF FF FF", "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF",
                                 "Written by the program"};
        void ShowRows(KeyListRows r) override { rows = r.Count(); }
        bool IsShowKeysChecked() const override { return true; }
        void SetShowKeysChecked(bool) override {}
        void SetKeyFieldsMasked(bool) override {}
        std::string FieldText(KeyField f) const override { return fields[static_cast<int>(f)]; }
        void SetFieldText(KeyField, const std::string&) override {}
        void EnableRecordButtons() override {}
        void CloseWindow() override {}
    } ui;
    Scratch dir;
    WinFiles files;
    testing::TestApp t;
    t.app.texts.Load(LanguageId::English);
    WinKeyFileCipher cipher(files, t.boxes);
    KeyList list(files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.Prefix());
    list.SetUi(&ui);
    fs::copy_file(fs::path(TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data", dir / kCrKeysFile);
    list.OnAddNew();
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_EQ(ui.rows, 25u);
    EXPECT_EQ(ReadAll(dir / kCrKeysFile), ReadAll(fs::path(TOLLVANE_TEST_DATA) / "keylist" / "crkeys_added.data"));
    EXPECT_EQ(ReadAll(dir / kZipKeysFile), ReadAll(dir / kCrKeysFile));
    EXPECT_FALSE(fs::exists(dir / kKeysFile) || fs::exists(dir / kTmpCrKeysFile));
}

// --- Two stations at once --------------------------------------------------------

constexpr int kPerStation = 40;
constexpr wchar_t kStationVariable[] = L"TOLLVANE_FILES_STATION";

class RealSleeper : public Sleeper {
public:
    void SleepMs(unsigned ms) override { Sleep(ms); }
};

// Run by the tests below in a process of its own, once per station: the
// variable says "<letter>|<usersData.data>|<register>".
TEST(Stations, Station) {
    wchar_t value[2 * MAX_PATH + 8] = {};
    if (GetEnvironmentVariableW(kStationVariable, value, 2 * MAX_PATH + 8) == 0) GTEST_SKIP() << "started below";
    const std::string text = Narrow(value);
    const std::size_t bar = text.find('|', 2);
    const char station = text[0];
    const std::string users = text.substr(2, bar - 2), registerPath = text.substr(bar + 1);
    WinFiles files;
    RealSleeper sleeper;
    testing::FakeMessageBoxes boxes;
    const MessageTable texts(LanguageId::English);
    UsersDataStore store(files, sleeper, boxes, texts, users);
    RegisterRow row;
    row[kColOperator] = std::string(1, station);
    row[kColResult] = "OK";
    for (int i = 0; i < kPerStation; ++i) {
        const std::uint8_t number[7] = {static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(i), 1, 2, 3};
        ASSERT_EQ(store.Record(number), RecordOutcome::Recorded) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
        row[kColTime] = std::to_string(i);
        row[kColMessage] = "row " + std::to_string(i) + ", with \"quotes\"\nand a line end";
        const auto failure = AppendRegisterLine(files, sleeper, registerPath, FormatRegisterLine(row));
        ASSERT_FALSE(failure) << "step " << static_cast<int>(failure->step) << " error " << failure->systemError;
    }
}

HANDLE StartStation(char station, const fs::path& users, const fs::path& reg) {
    SetEnvironmentVariableW(kStationVariable,
                            (std::wstring(1, station) + L"|" + users.wstring() + L"|" + reg.wstring()).c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=Stations.Station --gtest_brief=1";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kStationVariable, nullptr);
    if (!started) return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

TEST(Stations, TwoStationsRecordNumbersAndAppendRowsWhileAThirdReads) {
    Scratch dir;
    WriteAll(dir / "usersData.data", "");
    const HANDLE stations[2] = {StartStation('A', dir / "usersData.data", dir / "IssuedCards.csv"),
                                StartStation('B', dir / "usersData.data", dir / "IssuedCards.csv")};
    ASSERT_TRUE(stations[0] && stations[1]);

    WinFiles files;
    RegisterFileSource source(files, dir["IssuedCards.csv"]);
    RegisterBrowser browser(source);
    bool loaded = false;
    while (WaitForMultipleObjects(2, stations, TRUE, 20) == WAIT_TIMEOUT) {
        bool changed = false;
        if (!loaded) loaded = browser.Load();
        else EXPECT_TRUE(browser.Refresh(changed));
        // Every row seen so far is whole: its message is the last field.
        for (std::size_t i = 0; i < browser.RowCount(); ++i) {
            ASSERT_EQ(browser.RowAt(i)[kColMessage].substr(0, 4), "row ") << i;
        }
    }
    for (HANDLE station : stations) {
        DWORD code = 1;
        GetExitCodeProcess(station, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(station);
    }

    // Every number once, none lost or doubled.
    std::istringstream records(ReadAll(dir / "usersData.data"));
    std::set<std::string> numbers;
    std::string record;
    int count = 0;
    for (; records >> record; ++count) numbers.insert(record);
    EXPECT_EQ(count, 2 * kPerStation);
    EXPECT_EQ(numbers.size(), 2u * kPerStation);
    EXPECT_EQ(numbers.count("4127010203"), 1u);  // 'A', 39, 1, 2, 3

    // Every row whole, in each station's own order, under one header.
    const std::string text = ReadAll(dir / "IssuedCards.csv");
    EXPECT_EQ(text.rfind(RegisterFileStart(), 0), 0u);
    EXPECT_EQ(text.find("Time,Operator", RegisterFileStart().size()), std::string::npos);
    RegisterView view;
    view.Feed(text.data(), text.size());
    ASSERT_EQ(view.Rows().size(), 2u * kPerStation);
    std::map<std::string, int> next;
    for (const RegisterRowRef& ref : view.Rows()) {
        RegisterRow row;
        SplitRegisterLine(std::string_view(text).substr(ref.Offset(), ref.Length()), row);
        const int expected = next[row[kColOperator]]++;
        EXPECT_EQ(row[kColTime], std::to_string(expected));
        EXPECT_EQ(row[kColMessage], "row " + std::to_string(expected) + ", with \"quotes\"\nand a line end");
    }
    EXPECT_EQ(next["A"], kPerStation);
    EXPECT_EQ(next["B"], kPerStation);
}

}  // namespace
}  // namespace tollvane
