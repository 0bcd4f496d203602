// The key list window under Wine over real key files: what no end-to-end
// scenario reaches.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"
#include "keystore/win/win_key_file_cipher.h"
#include "base/win/win_files.h"
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
    WinFiles files_;
    WinKeyFileCipher cipher_{files_, t.boxes};
    KeyList list_{files_, cipher_, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir_.string() + "\\"};
    HWND main_ = CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    KeyListWindow window_{t.app, list_};
};

// The key file keeps descriptions in the ANSI code page, as earlier
// installations wrote them; the window shows them as typed. Use This Key
// (whose effect on the form the key list's own tests check) closes the
// window and gives the main window back.
TEST_F(KeyListWindowTest, ADescriptionIsStoredInTheAnsiCodePageAndUseThisKeyCloses) {
    Store("");
    ASSERT_TRUE(window_.OpenForAdd({main_}));
    EXPECT_FALSE(IsWindowEnabled(main_));
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

    list_.OnRowClicked(0);
    Press(kUseKeyButtonId);
    EXPECT_FALSE(window_.Window());
    EXPECT_TRUE(IsWindowEnabled(main_));
}

}  // namespace
}  // namespace tollvane
