// The key list window under Wine over real key files, where no end-to-end
// scenario looks: a description outside ASCII, and Use This Key.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"
#include "base/win/win_files.h"
#include "keystore/win/win_key_file_cipher.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

// The key file keeps descriptions in the ANSI code page, as earlier
// installations wrote them; the window shows them as typed. Use This Key
// (whose effect on the form the key list's own tests check) closes the
// window and gives the main window back.
TEST(KeyListWindowTest, ADescriptionIsStoredInTheAnsiCodePageAndUseThisKeyCloses) {
    const fs::path dir = fs::temp_directory_path() / ("tollvane-keywin-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    testing::TestApp t{LanguageId::English};
    WinFiles files;
    WinKeyFileCipher cipher{files, t.boxes};
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.string() + "\\"};
    const HWND main = CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    KeyListWindow window{t.app, list};
    const auto press = [&](int id) { SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    ASSERT_TRUE(MakeFirstKeyList(files, cipher, dir.string() + "\\"));
    ASSERT_TRUE(window.OpenForAdd({main}));
    const std::wstring door = L"T\u00fcr 5 \u00e9";
    SetWindowTextW(GetDlgItem(window.Window(), kDescriptionFieldId), door.c_str());
    press(kAddNewButtonId);

    wchar_t cell[64] = {};
    LVITEMW item{};
    item.iSubItem = 8;  // the description
    item.pszText = cell;
    item.cchTextMax = 64;
    SendMessageW(GetDlgItem(window.Window(), kKeyListViewId), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(cell), door);
    char ansi[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, door.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr), 1);
    ASSERT_TRUE(cipher.DecryptKeyFile((dir / kCrKeysFile).string(), (dir / "check").string(), kKeyFilePassword));
    std::ifstream stored(dir / "check", std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(stored), {}).find(std::string("Description=") + ansi + "\n"),
              std::string::npos);
    stored.close();

    list.OnRowClicked(0);
    press(kUseKeyButtonId);
    EXPECT_FALSE(window.Window());
    EXPECT_TRUE(IsWindowEnabled(main));
    DestroyWindow(main);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

}  // namespace
}  // namespace tollvane
