// The key list window under Wine over real key files: what no end-to-end
// scenario reaches (Use This Key, a description outside ASCII).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"
#include "keystore/win/win_key_file_cipher.h"
#include "keystore/win/win_key_files.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

class KeyListWindowTest : public ::testing::Test {
protected:
    KeyListWindowTest() { fs::create_directories(dir_); }
    ~KeyListWindowTest() override {
        DestroyWindow(main_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // crkeys.data holding these lines, encrypted by the program's cipher;
    // "?" when it cannot be read back.
    void Store(const std::string& plain) {
        std::ofstream(dir_ / "plain.txt", std::ios::binary) << plain;
        ASSERT_TRUE(cipher_.EncryptKeyFile((dir_ / "plain.txt").string(), Path(kCrKeysFile), kKeyFilePassword));
    }
    std::string Stored() {
        if (!cipher_.DecryptKeyFile(Path(kCrKeysFile), Path("check.txt"), kKeyFilePassword)) return "?";
        std::ifstream in(dir_ / "check.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    HWND Item(int id) const { return GetDlgItem(window_.Window(), id); }
    void Press(int id) { SendMessageW(window_.Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    fs::path dir_ = fs::temp_directory_path() / ("tollvane-keywin-" + std::to_string(GetCurrentProcessId()));
    testing::TestApp t{LanguageId::English};
    WinKeyFiles files_;
    WinKeyFileCipher cipher_{t.boxes};
    KeyList list_{files_, cipher_, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir_.string() + "\\"};
    HWND main_ = CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    KeyListWindow window_{t.app, list_};
};

TEST_F(KeyListWindowTest, ADescriptionIsStoredInTheAnsiCodePageAndShownAsTyped) {
    Store("");
    ASSERT_TRUE(window_.OpenForAdd({main_}));
    const std::wstring door = L"T\u00fcr 5 \u00e9";
    SetWindowTextW(Item(kDescriptionFieldId), door.c_str());
    Press(kAddNewButtonId);

    wchar_t cell[64] = {};
    LVITEMW item{};
    item.iSubItem = 8;
    item.pszText = cell;
    item.cchTextMax = 64;
    SendMessageW(Item(kKeyListViewId), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(cell), door);
    char ansi[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, door.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr), 1);
    EXPECT_NE(Stored().find(std::string("Description=") + ansi + "\n"), std::string::npos);
}

TEST_F(KeyListWindowTest, UseThisKeyPutsTheRecordOnTheFormClosesAndGivesTheMainWindowBack) {
    Store("TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0 M_KEY=FFFFFFFFFFFF "
          "A_KEY=FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF Description=r0\n"
          "TC=SL3 AA=X OI=1 LL=0 DI=2 SB=1 WM=1 SN=09 BN=1 M_KEY=A0A1A2A3A4A5 "
          "A_KEY=00112233445566778899AABBCCDDEEFF Description=sl3\n");
    t.form[Ctl::RoleCombo].items = {"Master", "User"};
    t.form[Ctl::WorkModeCombo].items = {"a", "b", "c", "d"};
    ASSERT_TRUE(window_.Open({main_}));
    EXPECT_FALSE(IsWindowEnabled(main_));
    list_.OnRowClicked(1);
    Press(kUseKeyButtonId);
    EXPECT_FALSE(window_.Window());
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(t.form[Ctl::Sl3Radio].checked);
    EXPECT_EQ(t.app.values.sectorNumber, 9);
    EXPECT_EQ(t.app.values.aesKeyText, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    EXPECT_FALSE(fs::exists(dir_ / kKeysFile));
}

}  // namespace
}  // namespace tollvane
