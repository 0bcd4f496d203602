// The program's files under Wine: kernel32's failures, the wipe of a plain key list, the CryptoAPI
// cipher against the independent OpenSSL files, and stations (processes) sharing usersData.data,
// the register and the key list.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "app/win/win_ui.h"
#include "base/win/handles.h"
#include "base/win/utf.h"
#include "base/win/win_files.h"
#include "carddata/users_data_store.h"
#include "keystore/key_files.h"
#include "keystore/key_list.h"
#include "keystore/win/win_key_file_cipher.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "support/fakes.h"
#include "win/scratch.h"
#include "support/expect_fields.h"

namespace tollvane {
namespace {

using testing::FileOp, testing::ReadAll, testing::Scratch, testing::WriteAll;
namespace fs = std::filesystem;

// Each failing call gives the outcome its system error stands for; a failed move leaves both files
// as they were. An appender keeps a second one out but lets readers look on; a reader never keeps a
// writer out.
TEST(WinFiles, EachFailureGivesItsOutcome) {
    Scratch dir;
    WinFiles files;
    WriteAll(dir / "a", "abc");
    WriteAll(dir / "b", "old");
    WriteAll(dir / "e", "new");
    std::unique_ptr<File> file, readOnly, writeOnly, appender, reader;
    ASSERT_TRUE(files.Open(dir["a"], OpenMode::Read, readOnly));
    ASSERT_TRUE(files.Open(dir["c"], OpenMode::CreateAlways, writeOnly));
    ASSERT_TRUE(files.Open(dir["r.csv"], OpenMode::AppendShared, appender));  // made when missing
    EXPECT_TRUE(files.Open(dir["r.csv"], OpenMode::ReadShared, reader));
    // Another program holding b open without sharing.
    UniqueFileHandle holder(CreateFileW((dir / "b").wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[4];
    std::size_t got = 0;
    FileStamp stamp;
    const FileStatus missing = FileStatus::NotFound, held = FileStatus::HeldElsewhere;
    const struct {
        const char* call;
        FileResult result;
        FileStatus status;
        std::uint32_t error;
    } cases[] = {
        {"open missing", files.Open(dir["x"], OpenMode::Read, file), missing, ERROR_FILE_NOT_FOUND},
        {"create, no folder", files.Open(dir["n\\x"], OpenMode::CreateAlways, file), missing,
         ERROR_PATH_NOT_FOUND},
        {"copy missing", files.Copy(dir["x"], dir["d"]), missing, ERROR_FILE_NOT_FOUND},
        {"delete missing", files.Delete(dir["x"]), missing, ERROR_FILE_NOT_FOUND},
        {"stamp missing", files.Stamp(dir["x"], stamp), missing, ERROR_FILE_NOT_FOUND},
        {"move, no folder", files.MoveReplace(dir["e"], dir["n\\b"]), missing,
         ERROR_PATH_NOT_FOUND},
        {"open held", files.Open(dir["b"], OpenMode::ReadWrite, file), held,
         ERROR_SHARING_VIOLATION},
        {"delete held", files.Delete(dir["b"]), held, ERROR_SHARING_VIOLATION},
        {"second appender", files.Open(dir["r.csv"], OpenMode::AppendShared, file), held,
         ERROR_SHARING_VIOLATION},
        {"second holder", files.Open(dir["r.csv"], OpenMode::Hold, file), held,
         ERROR_SHARING_VIOLATION},
        {"write to a read handle", readOnly->Write("x", 1), FileStatus::Failed,
         ERROR_ACCESS_DENIED},
        {"read a write handle", writeOnly->Read(buffer, 4, got), FileStatus::Failed,
         ERROR_ACCESS_DENIED},
        {"move over held", files.MoveReplace(dir["e"], dir["b"]), held, ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases)
        EXPECT_FIELDS((c.result.status, c.result.error), (c.status, c.error)) << c.call;
    EXPECT_FALSE(readOnly->Resize(1));
    holder.reset();
    EXPECT_EQ(ReadAll(dir / "e") + ReadAll(dir / "b"), "newold");
    appender.reset();
    EXPECT_TRUE(files.Open(dir["r.csv"], OpenMode::AppendShared, appender));

    // A resize cuts at the new end wherever the position is.
    readOnly.reset();
    ASSERT_TRUE(files.Open(dir["a"], OpenMode::ReadWrite, file));
    ASSERT_TRUE(file->Seek(3));
    ASSERT_TRUE(file->Resize(2));
    file.reset();
    EXPECT_EQ(ReadAll(dir / "a"), "ab");
}

TEST(WinFiles, LeftoverPlainKeysAreOverwrittenThenDeleted) {
    Scratch dir;
    WinFiles files;
    const std::string secret =
        "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=A0A1A2A3A4A5\n";
    WriteAll(dir / kKeysFile, secret);
    WriteAll(dir / kTmpKeysFile, "TmpKeys");
    // A second name for keys.data's bytes shows what became of them.
    ASSERT_TRUE(CreateHardLinkW((dir / "link").wstring().c_str(),
                                (dir / kKeysFile).wstring().c_str(), nullptr));
    WipeLeftoverPlainKeys(files, dir[""]);
    EXPECT_FALSE(fs::exists(dir / kKeysFile));
    EXPECT_FALSE(fs::exists(dir / kTmpKeysFile));
    EXPECT_EQ(ReadAll(dir / "link"), std::string(secret.size(), '\0'));
}

std::string KeyFileVector(const std::string& name) {
    return ReadAll(fs::path(TOLLVANE_TEST_DATA) / "keyfile" / name);
}

struct WinKeyFileCipherTest : ::testing::Test {
    testing::MemoryFiles files;
    WinKeyFileCipher cipher{files};
};

// The files are read and written in steps of 960 bytes: the vectors end just before, at and after a
// step's end, both ways. Only the encrypted output is put on the disk: plain keys never are.
TEST_F(WinKeyFileCipherTest, ReadsAndWritesTheIndependentImplementationsFiles) {
    for (const std::string name : {"empty.bin", "959.bin", "960.bin", "961.bin", "keylist.data"}) {
        SCOPED_TRACE(name);
        files.Put("plain", KeyFileVector("plain_" + name));
        files.Put("cipher", KeyFileVector((name == "keylist.data" ? "crkeys_" : "cipher_") + name));
        ASSERT_FALSE(EncryptKeyFile(files, cipher, "plain", "out", kKeyFilePassword));
        EXPECT_EQ(files.entries["out"].durable,
                  files.Text("cipher"));  // on the disk when it returns
        ASSERT_FALSE(DecryptKeyFile(files, cipher, "cipher", "out", kKeyFilePassword));
        EXPECT_EQ(files.Text("out"), files.Text("plain"));
        EXPECT_EQ(files.entries["out"].durable, "");
    }
}

TEST_F(WinKeyFileCipherTest, EachFailedStepIsReportedWithItsFileAndText) {
    const std::string list = KeyFileVector("crkeys_keylist.data");
    const char kDecrypt[] = "Ошибка во время CryptDecrypt!\nНомер ошибки: 0x80090005.";
    const char kWrite[] = "Ошибка записи зашифрованного текста!\nНомер ошибки: 0x00000070.";
    struct Case {
        const char* name;
        bool encrypt;
        std::string source;
        std::optional<FileOp> failing;  // a file step failing with 112
        const char* file;               // the file the failure names
        const char* message;
    };
    const Case cases[] = {
        {"corrupt padding", false, list.substr(0, list.size() - 1) + "\x5A", std::nullopt, "",
         kDecrypt},
        {"empty cipher text", false, "", std::nullopt, "", kDecrypt},
        {"target cannot be made", true, list, FileOp::Open, "target",
         "Ошибка открытия файла назначения!\nНомер ошибки: 0x00000070."},
        {"read", true, list, FileOp::Read, "source",
         "Ошибка чтения открытого текста!\nНомер ошибки: 0x00000070."},
        {"write", false, list, FileOp::Write, "target", kWrite},
        {"flush", true, list, FileOp::Flush, "target", kWrite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.entries.clear();
        files.Put("source", c.source);
        // The source is opened first, so only the second opening can fail here.
        if (c.failing) files.FailAt(*c.failing, *c.failing == FileOp::Open ? 2 : 1, 112);
        const auto failure =
            c.encrypt ? EncryptKeyFile(files, cipher, "source", "target", kKeyFilePassword)
                      : DecryptKeyFile(files, cipher, "source", "target", kKeyFilePassword);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->file, c.file);
        EXPECT_EQ(CipherFailureText(*failure), c.message);
        files.FailAt(FileOp::Open, 0);
    }
}

constexpr int kPerStation = 24;
constexpr wchar_t kStationVariable[] = L"TOLLVANE_FILES_STATION";

std::string StationLine(char station, int n) {
    RegisterRow row;
    row[kColTime] = std::to_string(n);
    row[kColOperator] = std::string(1, station);
    row[kColMessage] = "row " + std::to_string(n) + ", with \"quotes\"\nand a line end";
    return FormatRegisterLine(row);
}

// Run by the test below in a process of its own per station: the variable holds its letter, then
// the folder. Disabled, so that a run of the suite neither runs it alone nor counts it as skipped.
// 'A' and 'B' record numbers, append register rows and add keys one at a time, as operators do; 'S'
// repeats the program's start (the wipe) meanwhile until both are done.
TEST(Stations, DISABLED_Station) {
    wchar_t value[MAX_PATH + 2] = {};
    ASSERT_NE(GetEnvironmentVariableW(kStationVariable, value, MAX_PATH + 2), 0u)
        << "started by the test below";
    const char station = static_cast<char>(value[0]);
    const std::string folder = Narrow(value + 1);
    WinFiles files;
    const auto done = [&](char who) { return fs::path(Widen(folder + "done " + who)); };
    if (station == 'S') {
        for (const ULONGLONG end = GetTickCount64() + 60000;
             !fs::exists(done('A')) || !fs::exists(done('B'));) {
            ASSERT_LT(GetTickCount64(), end) << "the other stations did not finish";
            WipeLeftoverPlainKeys(files, folder);
            Sleep(1);
        }
        return;
    }
    WinSleeper sleeper;
    WinKeyFileCipher cipher(files);
    UsersDataStore store(files, sleeper, folder + "usersData.data");
    testing::TestApp t{testing::WithReader{}};
    testing::FakeKeyListUi ui;
    KeyList list(files, cipher, t.boxes, t.app.texts, sleeper, t.keyForm, folder);
    list.SetUi(&ui);
    ui.fields[KeyField::Crypto1] = t.app.values.crypto1KeyText;
    ui.fields[KeyField::Aes] = t.app.values.aesKeyText;
    for (int i = 0; i < kPerStation; ++i) {
        const std::uint8_t number[7] = {static_cast<std::uint8_t>(station),
                                        static_cast<std::uint8_t>(i), 1, 2, 3};
        const Recording recording = store.Record(number);
        ASSERT_EQ(recording, RecordOutcome::Recorded) << "error " << recording.failure.systemError;
        const auto failure =
            AppendRegisterLine(files, sleeper, folder + "IssuedCards.csv", StationLine(station, i));
        ASSERT_FALSE(failure) << "error " << failure->systemError;
        if (i % 2) continue;  // a key every other card
        ui.fields[KeyField::Description] = station + std::to_string(i);
        // A list the other station holds longer than the wait is tried again, as an operator would.
        KeyListOutcome added;
        for (int tries = 0;
             (added = list.AddKeyRecord().outcome) == KeyListOutcome::InUse && tries < 10;
             ++tries) {}
        ASSERT_EQ(added, KeyListOutcome::Done)
            << (t.boxes.shown.empty() ? "" : t.boxes.shown.back().text);
    }
    WriteAll(done(station), "");
}

TEST(Stations, TwoStationsRecordNumbersAppendRowsAndAddKeysAtOnceAndAThirdStartsMeanwhile) {
    Scratch dir;
    WinFiles files;
    WinKeyFileCipher cipher(files);
    WriteAll(dir / "usersData.data", "");
    ASSERT_TRUE(MakeFirstKeyList(files, cipher, dir[""]));
    // Each station is this program again, told its letter and the folder.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<HANDLE> stations;
    for (const wchar_t station : {L'A', L'B', L'S'}) {
        SetEnvironmentVariableW(kStationVariable, (station + Widen(dir[""])).c_str());
        std::wstring command = L"\"" + std::wstring(self) +
                               L"\" --gtest_also_run_disabled_tests "
                               L"--gtest_filter=Stations.DISABLED_Station --gtest_brief=1";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(process.hThread);
        stations.push_back(process.hProcess);
    }
    SetEnvironmentVariableW(kStationVariable, nullptr);
    // A station still running after two minutes is stopped.
    bool passed = WaitForMultipleObjects(3, stations.data(), TRUE, 120000) == WAIT_OBJECT_0;
    for (HANDLE station : stations) {
        DWORD code = 1;
        if (!passed) TerminateProcess(station, 1);
        passed = passed && GetExitCodeProcess(station, &code) && code == 0;
        CloseHandle(station);
    }
    EXPECT_TRUE(passed);

    // Every number once, none lost or doubled.
    std::istringstream records(ReadAll(dir / "usersData.data"));
    const std::multiset<std::string> numbers{std::istream_iterator<std::string>(records), {}};
    EXPECT_EQ(numbers.size(), 2u * kPerStation);
    EXPECT_EQ(std::set<std::string>(numbers.begin(), numbers.end()).size(), 2u * kPerStation);
    // Under one header, every row whole and in its station's own order.
    const std::string text = ReadAll(dir / "IssuedCards.csv");
    ASSERT_EQ(text.rfind(RegisterFileStart(), 0), 0u);
    std::map<char, int> next;
    for (std::size_t at = RegisterFileStart().size(); at < text.size();) {
        const char station = text[text.find(',', at) + 1];
        const std::string line = StationLine(station, next[station]++);
        ASSERT_EQ(text.compare(at, line.size(), line), 0) << "at " << at;
        at += line.size();
    }
    EXPECT_EQ(next['A'] + next['B'], 2 * kPerStation);
    // Every key once; the backup follows the list.
    ASSERT_FALSE(DecryptKeyFile(files, cipher, dir[kCrKeysFile], dir["check"], kKeyFilePassword));
    std::multiset<std::string> descriptions, expected;
    std::istringstream lines(ReadAll(dir / "check"));
    for (std::string line; std::getline(lines, line);)
        descriptions.insert(line.substr(line.find("Description=") + 12));
    for (char station : {'A', 'B'})
        for (int i = 0; i < kPerStation; i += 2) expected.insert(station + std::to_string(i));
    EXPECT_EQ(descriptions, expected);
    EXPECT_EQ(ReadAll(dir / kZipKeysFile), ReadAll(dir / kCrKeysFile));
}

}  // namespace
}  // namespace tollvane
