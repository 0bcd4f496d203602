// The program's windows under Wine, where no end-to-end scenario looks: the
// main form's edit limits and radio groups, the menu bar, the message icons,
// a key description outside ASCII, Use This Key, the Issued cards window
// following its register, copying, and meeting a register it cannot read, and
// the Card holders window over a list another station holds.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "app/holders/holders_run.h"
#include "app/win/card_holders_window.h"
#include "app/win/main_window.h"
#include "app/win/resource_ids.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "app/win/win_ui.h"
#include "base/win/utf.h"
#include "keystore/win/win_key_file_cipher.h"
#include "register/issued_cards.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

// A hidden window in the main window's place.
HWND MainWindow() {
    return CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, kMainWindowWidth, kMainWindowHeight,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[256] = {};
    ListView_GetItemText(list, row, column, text, 256);
    return text;
}

class WinFormViewTest : public ::testing::Test {
protected:
    WinFormViewTest() { view.CreateControls(nullptr); }
    ~WinFormViewTest() override { DestroyWindow(host); }

    HWND host = MainWindow();
    MessageTable texts{LanguageId::English};
    WinFormView view{host, texts};
};

// A pasted key or number arrives whole in its display form, and no more.
TEST_F(WinFormViewTest, EditsTakeTheWholeDisplayFormOfTheirValue) {
    for (const auto& [edit, pasted] : {std::pair{Ctl::Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5"},
                                       {Ctl::AesKeyEdit, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
                                       {Ctl::SectorDataEdit, "01 02 03 04 05 06 07"}}) {
        SendMessageW(view.Handle(edit), EM_SETSEL, 0, -1);
        SendMessageW(view.Handle(edit), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>((Widen(pasted) + L"F").c_str()));
        EXPECT_EQ(view.Text(edit), pasted);
    }
}

TEST_F(WinFormViewTest, CheckingARadioClearsTheOthersOfItsGroupOnly) {
    view.SetChecked(Ctl::IfW58Radio, true);
    EXPECT_FALSE(view.IsChecked(Ctl::IfTouchMemoryRadio));
    EXPECT_TRUE(view.IsChecked(Ctl::IndDirectRadio));
    view.SetChecked(Ctl::Sl3Radio, true);
    EXPECT_FALSE(view.IsChecked(Ctl::Sl1Radio));
    EXPECT_TRUE(view.IsChecked(Ctl::ClassicCheck));  // a check box in the same frame
    view.SetChecked(Ctl::ConvW26Radio, true);
    EXPECT_FALSE(view.IsChecked(Ctl::ConvTmW44Radio));
    EXPECT_TRUE(view.IsChecked(Ctl::IfW58Radio));
}

// Tools ends with "Verify after write" (checked while it is on), "Issued
// cards..." and "Card holders...".
TEST(MenuBarTest, ToolsEndsWithVerifyIssuedCardsAndCardHoldersAndTheActiveLanguageAndOptionAreChecked) {
    for (const LanguageId language : {LanguageId::Russian, LanguageId::English}) {
        for (const bool verify : {false, true}) {
            testing::TestApp t(language);
            t.app.verifyAfterWrite = verify;
            const UniqueMenu bar(BuildMenuBar(t.app));
            const auto checked = [&](UINT item) { return (GetMenuState(bar.get(), item, MF_BYCOMMAND) & MF_CHECKED) != 0; };
            const HMENU tools = GetSubMenu(bar.get(), 1);
            const int last = GetMenuItemCount(tools) - 1;
            EXPECT_EQ(GetMenuItemID(tools, last - 2), static_cast<UINT>(kMenuVerifyAfterWrite));
            EXPECT_EQ(GetMenuItemID(tools, last - 1), static_cast<UINT>(kMenuIssuedCards));
            EXPECT_EQ(GetMenuItemID(tools, last), static_cast<UINT>(kMenuCardHolders));
            for (const auto& [item, text] : {std::pair{kMenuVerifyAfterWrite, Msg::kMenuVerifyAfterWrite},
                                             std::pair{kMenuCardHolders, Msg::kMenuCardHolders}}) {
                wchar_t shown[64] = {};
                GetMenuStringW(tools, static_cast<UINT>(item), shown, 64, MF_BYCOMMAND);
                EXPECT_EQ(Narrow(shown), t.T(text));
            }
            EXPECT_EQ(checked(kMenuVerifyAfterWrite), verify);
            EXPECT_EQ(checked(kMenuRussian), language == LanguageId::Russian);
            EXPECT_EQ(checked(kMenuEnglish), language == LanguageId::English);
        }
    }
}

// Each kind of message shows the program's own icon resource of that kind:
// 3 success, 4 warning, 5 error, 6 hint, 7 retry.
TEST(MessageIconTest, EachKindShowsItsIconResource) {
    const std::pair<MessageIcon, int> icons[] = {{MessageIcon::Success, 3}, {MessageIcon::Warning, 4},
                                                 {MessageIcon::Error, 5},   {MessageIcon::Hint, 6},
                                                 {MessageIcon::Retry, 7}};
    for (const auto& [icon, resource] : icons) EXPECT_EQ(MessageIconResource(icon), resource) << resource;
}

// The key file keeps descriptions in the ANSI code page, as earlier installations
// wrote them, and the window shows them as typed. Use This Key closes the window.
TEST(KeyListWindowTest, ADescriptionIsStoredInTheAnsiCodePageAndUseThisKeyCloses) {
    const fs::path dir = fs::temp_directory_path() / ("tollvane-keywin-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
    testing::TestApp t{LanguageId::English};
    WinFiles files;
    WinKeyFileCipher cipher{files};
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.string() + "\\"};
    const HWND main = MainWindow();
    KeyListWindow window{t.app, list};
    const auto press = [&](int id) { SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    ASSERT_TRUE(MakeFirstKeyList(files, cipher, dir.string() + "\\"));
    ASSERT_TRUE(window.OpenForAdd({main}));
    const std::wstring door = L"T\u00fcr 5 \u00e9";
    SetWindowTextW(GetDlgItem(window.Window(), kDescriptionFieldId), door.c_str());
    press(kAddNewButtonId);
    EXPECT_EQ(Cell(GetDlgItem(window.Window(), kKeyListViewId), 0, 8), door);  // column 8: the description
    char ansi[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, door.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr), 1);
    ASSERT_FALSE(DecryptKeyFile(files, cipher, (dir / kCrKeysFile).string(), (dir / "check").string(), kKeyFilePassword));
    std::ifstream stored(dir / "check", std::ios::binary);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(stored), {}).find(std::string("Description=") + ansi + "\n"),
              std::string::npos);
    stored.close();

    list.OnRowClicked(0);
    press(kUseKeyButtonId);
    EXPECT_FALSE(window.Window());
    DestroyWindow(main);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

std::string RegisterLine(const char* time, const char* result) {
    RegisterRow row;
    row[kColTime] = time;
    row[kColRole] = "User";
    row[kColOperation] = "Write";
    row[kColResult] = result;
    row[kColMessage] = "line one\nline two";
    return FormatRegisterLine(row);
}

TEST(IssuedCardsWindowTest, FollowsTheRegisterCopiesClosesAndNamesARegisterItCannotRead) {
    const fs::path path = fs::temp_directory_path() / ("tollvane-issued-" + std::to_string(GetCurrentProcessId()));
    std::ofstream(path, std::ios::binary) << RegisterFileStart() << RegisterLine("T1", "OK")
                                          << RegisterLine("T2", "ERR_04");
    const MessageTable texts{LanguageId::English};
    testing::FakeMessageBoxes boxes;
    const HWND main = MainWindow();
    IssuedCardsWindow window{texts, boxes, path.wstring()};
    const auto list = [&] { return GetDlgItem(window.Window(), kIssuedListViewId); };
    const auto rows = [&] { return SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0); };
    // The window's look at the register, which its timer repeats every second.
    const auto refresh = [&] { SendMessageW(window.Window(), WM_TIMER, 1, 0); };

    ASSERT_TRUE(window.Open({main}));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(Cell(list(), 1, kColMessage), L"line one line two");
    // Another station appends; the next look shows its row on top.
    std::ofstream(path, std::ios::binary | std::ios::app) << RegisterLine("T3", "OK");
    refresh();
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(Cell(list(), 0, kColTime), L"T3");
    EXPECT_EQ(WindowText(GetDlgItem(window.Window(), kIssuedCountsId)), L"Rows shown: 3    Successful User writes: 2");

    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED;
    SendMessageW(list(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    SendMessageW(window.Window(), WM_COMMAND, kIssuedCopyButtonId, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    const std::wstring clipboard = copied ? static_cast<const wchar_t*>(GlobalLock(copied)) : L"";
    if (copied) GlobalUnlock(copied);
    CloseClipboard();
    EXPECT_EQ(clipboard.substr(0, 3), L"T1\t");
    // Typing in the filter narrows the rows once the typing pauses.
    SetWindowTextW(GetDlgItem(window.Window(), kIssuedFilterEditId), L"t2");
    for (int waits = 0; rows() != 1 && waits < 100; ++waits) {
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(Cell(list(), 0, kColTime), L"T2");
    SendMessageW(window.Window(), WM_COMMAND, kIssuedCloseButtonId, 0);
    EXPECT_FALSE(window.Window());
    EXPECT_TRUE(boxes.shown.empty());

    // Held by another program: no row, and one box however often it looks.
    {
        const UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held && window.Open({main}));
        EXPECT_EQ(rows(), 0);
        refresh();
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Error reading from file " + path.string() + "!\nGetLastError=00000020");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
    DestroyWindow(main);
    fs::remove(path);
}

// A list another station holds (its run, or a change under way) is shown
// read-only: the line says so, and only Export... and Close work.
TEST(CardHoldersWindowTest, AListHeldElsewhereIsShownReadOnly) {
    const fs::path folder = fs::temp_directory_path() / ("tollvane-holders-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder);
    std::ofstream(folder / "CardHolders.csv", std::ios::binary)
        << "\xEF\xBB\xBFName,UniqueData,Status,Time\r\nAnna,,waiting,\r\n"
           "Борис,11 22 33 44 55 66 77,issued,2026-12-06T18:30:05+03:00\r\n";
    UniqueFileHandle station2(CreateFileW((folder / "CardHolders.lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    testing::TestApp t(LanguageId::Russian);
    WinFiles files;
    struct : StationClock {
        RegisterTime Now() override { return {}; }
        std::string OperatorName() override { return {}; }
        std::string ComputerName() override { return {}; }
    } clock;
    const auto in = [&](const char* name) { return Narrow((folder / name).wstring()); };
    HoldersRun run(files, t.sleeper, clock, {in("CardHolders.csv"), in("CardHolders.tmp"), in("CardHolders.lock")}, "");
    CardHoldersWindow window(t.app, run);
    const HWND main = MainWindow();
    ASSERT_TRUE(window.Open({main}));
    const auto item = [&](int id) { return GetDlgItem(window.Window(), id); };
    EXPECT_EQ(SendMessageW(item(kHoldersListViewId), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(item(kHoldersListViewId), 1, 2), L"выдана");
    EXPECT_EQ(Narrow(WindowText(item(kHoldersCountsId))), "В списке: 2  Выдано: 1  Ожидают: 1");
    EXPECT_TRUE(IsWindowVisible(item(kHoldersInUseId)));
    for (int id : {kHoldersImportButtonId, kHoldersRemoveButtonId, kHoldersIssueButtonId})
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    EXPECT_TRUE(IsWindowEnabled(item(kHoldersExportButtonId)));
    SendMessageW(window.Window(), WM_COMMAND, kHoldersCloseButtonId, 0);
    EXPECT_FALSE(window.Window());
    EXPECT_TRUE(t.boxes.shown.empty());
    DestroyWindow(main);
    station2.reset();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tollvane
