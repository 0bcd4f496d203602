// Two stations writing one register at the same time, as two processes of
// this test program, while a third look reads it: every row arrives whole,
// in each station's own order, and the reader never sees half a row.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "register/register_browser.h"
#include "register/win/register_file_source.h"
#include "register/win/register_file_storage.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

constexpr int kRowsPerStation = 50;
constexpr wchar_t kStationVariable[] = L"TOLLVANE_REGISTER_STATION";

class RealSleeper : public Sleeper {
public:
    void SleepMs(unsigned ms) override { Sleep(ms); }
};

// Run by the parent below, in a process of its own, once per station.
TEST(RegisterStations, Station) {
    wchar_t value[MAX_PATH + 16] = {};
    if (GetEnvironmentVariableW(kStationVariable, value, MAX_PATH + 16) == 0) GTEST_SKIP() << "started by TwoStations";
    const std::wstring text = value;
    const std::wstring station = text.substr(0, 1);
    RegisterFileStorage storage(text.substr(2));
    RealSleeper sleeper;
    RegisterRow row;
    row[kColOperator] = std::string(1, static_cast<char>(station[0]));
    row[kColResult] = "OK";
    for (int i = 0; i < kRowsPerStation; ++i) {
        row[kColTime] = std::to_string(i);
        row[kColMessage] = "row " + std::to_string(i) + ", with \"quotes\"\nand a line end";
        const auto failure = AppendRegisterLine(storage, sleeper, FormatRegisterLine(row));
        ASSERT_FALSE(failure) << "step " << static_cast<int>(failure->step) << " error " << failure->systemError;
    }
}

HANDLE StartStation(const std::wstring& station, const fs::path& file) {
    SetEnvironmentVariableW(kStationVariable, (station + L"|" + file.wstring()).c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=RegisterStations.Station --gtest_brief=1";
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

TEST(RegisterStations, TwoStationsAppendWhileAThirdReads) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path file = fs::path(temp) / ("tollvane-stations-" + std::to_string(GetCurrentProcessId()) + ".csv");
    fs::remove(file);
    const HANDLE stations[2] = {StartStation(L"A", file), StartStation(L"B", file)};
    ASSERT_TRUE(stations[0] && stations[1]);

    RegisterFileSource source(file.wstring());
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

    std::ostringstream content;
    content << std::ifstream(file, std::ios::binary).rdbuf();
    const std::string text = content.str();
    EXPECT_EQ(text.rfind(RegisterFileStart(), 0), 0u);
    EXPECT_EQ(text.find("Time,Operator", RegisterFileStart().size()), std::string::npos);  // one header
    RegisterView view;
    view.Feed(text.data(), text.size());
    ASSERT_EQ(view.Rows().size(), 2u * kRowsPerStation);
    std::map<std::string, int> next;
    for (const RegisterRowRef& ref : view.Rows()) {
        RegisterRow row;
        SplitRegisterLine(std::string_view(text).substr(ref.Offset(), ref.Length()), row);
        const int expected = next[row[kColOperator]]++;
        EXPECT_EQ(row[kColTime], std::to_string(expected));
        EXPECT_EQ(row[kColMessage], "row " + std::to_string(expected) + ", with \"quotes\"\nand a line end");
    }
    EXPECT_EQ(next["A"], kRowsPerStation);
    EXPECT_EQ(next["B"], kRowsPerStation);
    fs::remove(file);
}

}  // namespace
}  // namespace tollvane
