// The key list window under Wine: its controls, the commands of its buttons
// and list, and the main window's state around it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/win/key_list_window.h"
#include "keystore/win/win_key_file_cipher.h"
#include "base/win/win_files.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::wstring Text(HWND control) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(control, buffer, 1024);
    return buffer;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

class KeyListWindowTest : public ::testing::Test {
protected:
    static fs::path MakeFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        fs::path dir = fs::path(temp) / ("tollvane-keywin-" + std::to_string(GetCurrentProcessId()) + "-" +
                                         std::to_string(++counter_));
        fs::create_directories(dir);
        return dir;
    }

    KeyListWindowTest() {
        t.app.language = LanguageId::English;
        t.app.texts.Load(LanguageId::English);
        main_ = CreateWindowExW(0, L"Static", L"main window stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        context.mainWindow = main_;
        context.app = &t.app;
        context.boxes = &t.boxes;
        context.list = &list;
    }
    ~KeyListWindowTest() override {
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        DestroyWindow(main_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // crkeys.data holding these lines, encrypted by the program's cipher.
    void Store(const std::string& plain) {
        std::ofstream((dir_ / "plain.txt"), std::ios::binary) << plain;
        ASSERT_TRUE(cipher.EncryptKeyFile(Utf8(dir_ / "plain.txt"), Utf8(dir_ / kCrKeysFile),
                                          kKeyFilePassword));
        fs::remove(dir_ / "plain.txt");
    }
    std::string Stored() {
        const fs::path plain = dir_ / "check.txt";
        if (!cipher.DecryptKeyFile(Utf8(dir_ / kCrKeysFile), Utf8(plain), kKeyFilePassword)) return "?";
        std::ifstream in(plain, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        fs::remove(plain);
        return text;
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    HWND List() const { return Item(kKeyListViewId); }
    void Command(int id) { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    // A click on a row: the list view selects it, then tells its parent.
    void ClickRow(int row, UINT code = NM_CLICK) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        NMITEMACTIVATE notify{};
        notify.hdr.hwndFrom = List();
        notify.hdr.idFrom = kKeyListViewId;
        notify.hdr.code = code;
        notify.iItem = row;
        SendMessageW(window_, WM_NOTIFY, kKeyListViewId, reinterpret_cast<LPARAM>(&notify));
    }
    wchar_t PasswordChar(int id) const {
        return static_cast<wchar_t>(SendMessageW(Item(id), EM_GETPASSWORDCHAR, 0, 0));
    }

    static std::string Rec(const std::string& description, const std::string& settings =
                               "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0",
                           const std::string& mkey = "FFFFFFFFFFFF",
                           const std::string& akey = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF") {
        return settings + " M_KEY=" + mkey + " A_KEY=" + akey + " Description=" + description + "\n";
    }

    static inline int counter_ = 0;
    fs::path dir_ = MakeFolder();
    testing::TestApp t;
    WinFiles files;
    WinKeyFileCipher cipher{files, t.boxes};
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, Utf8(dir_) + "\\"};
    KeyListWindowContext context;
    HWND main_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(KeyListWindowTest, AddKeepsTheDescriptionInTheAnsiCodePage) {
    Store("");
    window_ = OpenKeyListForAdd(context);
    ASSERT_NE(window_, nullptr);
    EXPECT_EQ(Text(Item(kKeyCrypto1FieldId)), L"FF FF FF FF FF FF");
    EXPECT_EQ(Text(Item(kDescriptionFieldId)), L"Key Description");

    Command(kAddNewButtonId);
    ASSERT_EQ(Rows(List()), 1);
    Command(kAddNewButtonId);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].text, "[0000] Key already exit at the list.");

    const std::wstring door = L"T\u00fcr 5 \u00e9";
    SetWindowTextW(Item(kDescriptionFieldId), door.c_str());
    Command(kAddNewButtonId);
    ASSERT_EQ(Rows(List()), 2);
    EXPECT_EQ(Cell(List(), 1, 8), door);
    // In the file the description is stored as the ANSI bytes of the text.
    char ansi[64] = {};
    const int n = WideCharToMultiByte(CP_ACP, 0, door.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    ASSERT_GT(n, 1);
    const std::string stored = Stored();
    EXPECT_NE(stored.find(std::string("Description=") + ansi + "\n"), std::string::npos);
    if (GetACP() != CP_UTF8) {
        EXPECT_EQ(std::string(ansi).size(), door.size());
    }
}

TEST_F(KeyListWindowTest, UseThisKeyAppliesTheRecordAndCloses) {
    Store(Rec("r0") + Rec("sl3", "TC=SL3 AA=X OI=1 LL=0 DI=2 SB=1 WM=1 SN=09 BN=1", "A0A1A2A3A4A5",
                          "00112233445566778899AABBCCDDEEFF"));
    t.form[Ctl::RoleCombo].items = {"Master", "User"};
    t.form[Ctl::RoleCombo].selection = 0;
    t.form[Ctl::WorkModeCombo].items = {"a", "b", "c", "d"};
    window_ = OpenKeyListWindow(context);
    ASSERT_NE(window_, nullptr);
    ClickRow(1);
    Command(kUseKeyButtonId);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(t.form[Ctl::Sl3Radio].checked);
    EXPECT_FALSE(t.form[Ctl::ClassicCheck].checked);
    EXPECT_EQ(t.app.values.sectorNumber, 9);
    EXPECT_EQ(t.app.values.aesKeyText, "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    EXPECT_FALSE(fs::exists(dir_ / kKeysFile));
}

}  // namespace
}  // namespace tollvane
