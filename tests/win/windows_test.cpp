// The program's windows under Wine, in this process: every window at each DPI (opened at 96, then
// told its monitor's DPI changed), the main form's edits, radios and drop-down list, the menu bar,
// each secondary window over its files and from the keyboard.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/win/card_holders_window.h"
#include "app/win/database_window.h"
#include "app/win/dpi.h"
#include "app/win/keyboard.h"
#include "app/win/main_frame.h"
#include "app/win/main_window.h"
#include "app/win/resource_ids.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "app/win/win_ui.h"
#include "app/win/window_kit.h"
#include "keystore/win/win_key_file_cipher.h"
#include "register/issued_cards.h"
#include "support/expect_fields.h"
#include "support/fakes.h"
#include "win/scratch.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        children.push_back(h);
    return children;
}

std::vector<RECT> Places(HWND window) {
    std::vector<RECT> places;
    for (HWND h : Children(window)) places.push_back(RectIn(h, window));
    return places;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[256] = {};
    ListView_GetItemText(list, row, column, text, 256);
    return text;
}

// How much wider than the control its text is with the control's own font
// (0 or less: it fits). A check box or radio keeps room for its box.
int TextOverflow(HWND control, int dpi) {
    const bool button = IsWindowClass(control, L"Button"), edit = IsWindowClass(control, L"Edit");
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (edit && (style & ES_PASSWORD)) return 0;  // shows asterisks
    const std::wstring text = WindowText(control);
    if (text.empty() || !(button || edit || IsWindowClass(control, L"Static"))) return 0;
    const HDC dc = GetDC(control);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const LONG_PTR type = style & BS_TYPEMASK;
    const bool box =
        button && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX;
    const RECT r = RectIn(control, GetParent(control));
    return size.cx + (box ? MetricAt(SM_CXMENUCHECK, dpi) : 0) - (r.right - r.left);
}

// Every control at its 96 DPI place (at96) times the scale, within two pixels, and every text
// inside its control. A combo box's height is its font's.
void ExpectLaidOutAt(HWND window, const std::vector<RECT>& at96, int dpi, const std::string& name) {
    const std::vector<HWND> children = Children(window);
    ASSERT_EQ(children.size(), at96.size()) << name;
    const auto scaled = [&](LONG v) { return MulDiv(v, dpi, 96); };
    for (std::size_t i = 0; i < children.size(); ++i) {
        const RECT r = RectIn(children[i], window), o = at96[i];
        SCOPED_TRACE(name + " control " + std::to_string(i) + " at " + std::to_string(dpi) +
                     " DPI");
        EXPECT_NEAR(r.left, scaled(o.left), 2);
        EXPECT_NEAR(r.top, scaled(o.top), 2);
        EXPECT_NEAR(r.right - r.left, scaled(o.right - o.left), 2);
        const bool combo = IsWindowClass(children[i], L"ComboBox");
        EXPECT_NEAR(r.bottom - r.top, combo ? r.bottom - r.top : scaled(o.bottom - o.top), 2);
        EXPECT_LE(TextOverflow(children[i], dpi), 0) << Narrow(WindowText(children[i]));
    }
}

// A hidden main window, and the secondary windows over the files of a scratch folder.
struct Windows {
    explicit Windows(LanguageId language) : t(language) {}
    ~Windows() { DestroyWindow(main); }
    MainWindowLink Link() const { return {main, L"", true}; }
    std::vector<std::pair<std::string, std::function<HWND()>>> Secondary() {
        return {{"key list", [this] { return keyList.OpenForAdd(Link()); }},
                {"Read ID",
                 [this] { return readId.Open(Link(), t.app.texts, "Varnel ver.2.00", values); }},
                {"Issued cards", [this] { return issued.Open(Link()); }},
                {"Card holders", [this] { return holders.Open(Link()); }},
                {"Database", [this] { return database.Open(Link()); }}};
    }

    testing::TestApp t;
    testing::Scratch dir;
    WinFiles files;
    WinKeyFileCipher cipher{files};
    KeyList list{
        files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.path.string() + "\\"};
    HWND main =
        CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPEDWINDOW, 0, 0, kMainWindowWidth,
                        kMainWindowHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    KeyListWindow keyList{t.app, list};
    ReadIdWindow readId;
    IssuedCardsWindow issued{t.app.texts, t.boxes, (dir / "IssuedCards.csv").wstring()};
    testing::FixedStation clock;
    FileHolders store{files,
                      t.sleeper,
                      {dir["CardHolders.csv"], dir["CardHolders.tmp"], dir["CardHolders.lock"]},
                      ""};
    HoldersRun run{store, clock};
    CardHoldersWindow holders{t.app, run};
    DatabaseWindow database{t.app.texts, t.sleeper, dir[""]};
    const std::string values[4] = {"0012345678", "00BC614E", "3232235777", "192.168.1.1"};
};

MSG Key(HWND to, WPARAM key) { return MSG{to, WM_KEYDOWN, key, 0, 0, {}}; }

// At 96 DPI nothing changes; the texts fit there too.
TEST(DisplayScaleTest, EveryWindowLaysItsTableOutAgainAtANewDpiItsTextsFitAndEscapeClosesIt) {
    for (const LanguageId language : {LanguageId::English, LanguageId::Russian}) {
        for (const int dpi : {96, 120, 144, 192}) {
            Windows w(language);
            const std::string lang = language == LanguageId::English ? " (en)" : " (ru)";
            {
                MainFrame frame(w.main);
                WinFormView form(w.main, w.t.app.texts);
                form.CreateControls(frame.Font());
                const std::vector<RECT> at96 = Places(w.main);
                // What the controls hold stays: a field's text in the middle of its entry.
                SetWindowTextW(form.Handle(Ctl::SectorDataEdit), L"0A0B");
                SendMessageW(form.Handle(Ctl::SectorDataEdit), EM_SETSEL, 2, 2);
                RECT r{};
                GetWindowRect(w.main, &r);
                frame.OnDpiChanged(dpi, {r.left, r.top, r.left + 998, r.top + 1245});
                ExpectLaidOutAt(w.main, at96, dpi, "main form" + lang);
                EXPECT_EQ(form.Text(Ctl::SectorDataEdit), "0A0B");
                EXPECT_EQ(form.Caret(Ctl::SectorDataEdit), 2);
            }
            for (const auto& [name, open] : w.Secondary()) {
                const HWND window = open();
                ASSERT_TRUE(window) << name;
                const std::vector<RECT> at96 = Places(window);
                RECT r{};
                GetWindowRect(window, &r);
                const RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, 96),
                                     r.top + MulDiv(r.bottom - r.top, dpi, 96)};
                SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                             reinterpret_cast<LPARAM>(&suggested));
                ExpectLaidOutAt(window, at96, dpi, name + lang);
                EXPECT_TRUE(HandleKeyboard(Key(TabOrder(window).at(0), VK_ESCAPE))) << name;
                EXPECT_FALSE(IsWindow(window)) << name;
            }
        }
    }
}

// The choice a drop-down list makes, each time it takes effect.
std::vector<int> g_choices;
LRESULT CALLBACK RouteChoices(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR view) {
    auto& form = *reinterpret_cast<WinFormView*>(view);
    if (msg == WM_COMMAND && LOWORD(wp) == ControlId(Ctl::WorkModeCombo) &&
        form.ChoiceTakesEffect(Ctl::WorkModeCombo, HIWORD(wp)))
        g_choices.push_back(form.Selection(Ctl::WorkModeCombo));
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// A pasted key or number arrives whole in its display form, and no more; a radio clears only its
// own group. A key on a drop-down list moves its selection; the choice takes effect once, when a
// key closes the list or the focus leaves it, and not at all when the selection came back. A pick
// with the mouse takes effect at once.
TEST(MainFormTest, EditsTakeTheirDisplayFormRadiosClearTheirGroupAndDropDownListsChooseOnce) {
    Windows w(LanguageId::English);
    WinFormView view{w.main, w.t.app.texts};
    view.CreateControls(nullptr);
    for (const auto& [edit, pasted] :
         {std::pair{Ctl::Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5"},
          {Ctl::AesKeyEdit, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
          {Ctl::SectorDataEdit, "01 02 03 04 05 06 07"}}) {
        SendMessageW(view.Handle(edit), EM_SETSEL, 0, -1);
        SendMessageW(view.Handle(edit), EM_REPLACESEL, TRUE,
                     reinterpret_cast<LPARAM>((Widen(pasted) + L"F").c_str()));
        EXPECT_EQ(view.Text(edit), pasted);
    }
    view.SetChecked(Ctl::IfW58Radio, true);
    view.SetChecked(Ctl::Sl3Radio, true);
    view.SetChecked(Ctl::ConvW26Radio, true);
    for (const auto& [radio, checked] : {std::pair{Ctl::IfTouchMemoryRadio, false},
                                         {Ctl::IndDirectRadio, true},
                                         {Ctl::Sl1Radio, false},
                                         {Ctl::ClassicCheck, true},  // a check box beside
                                         {Ctl::ConvTmW44Radio, false},
                                         {Ctl::IfW58Radio, true}})
        EXPECT_EQ(view.IsChecked(radio), checked) << static_cast<int>(radio);
    ShowWindow(w.main, SW_SHOW);
    ASSERT_TRUE(SetWindowSubclass(w.main, RouteChoices, 1, reinterpret_cast<DWORD_PTR>(&view)));
    const HWND list = view.Handle(Ctl::WorkModeCombo);
    for (const char* mode :
         {"Send card ID", "Sector data", "Card ID after login", "Sector data, decrypted"})
        view.AddItem(Ctl::WorkModeCombo, mode);
    const auto key = [&](WPARAM k, UINT msg = WM_KEYDOWN) { SendMessageW(list, msg, k, 0); };
    const auto open = [&] { SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0); };
    const auto pick = [&](int item) {  // a click on an item of the open list
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        RECT r{};
        GetComboBoxInfo(list, &info);
        SendMessageW(info.hwndList, LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM(r.left + 2, r.top + 2);
        SendMessageW(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(info.hwndList, WM_LBUTTONUP, 0, at);
    };
    const struct {
        const char* name;
        std::function<void()> act;
        std::vector<int> atOnce, whenLeft;
    } cases[] = {
        {"down twice", [&] { key(VK_DOWN), key(VK_DOWN); }, {}, {3}},
        {"up and down again", [&] { key(VK_UP), key(VK_DOWN); }, {}, {}},
        {"a letter", [&] { key('C', WM_CHAR); }, {}, {2}},
        {"down in the open list, Enter", [&] { open(), key(VK_DOWN), key(VK_RETURN); }, {2}, {2}},
        {"a mouse pick", [&] { open(), pick(3); }, {3}, {3}},
    };
    for (const auto& c : cases) {
        view.SetSelection(Ctl::WorkModeCombo, 1);
        SetFocus(list);
        g_choices.clear();
        c.act();
        EXPECT_EQ(g_choices, c.atOnce) << c.name;
        SetFocus(view.Handle(Ctl::WriteButton));
        EXPECT_EQ(g_choices, c.whenLeft) << c.name;
    }
    RemoveWindowSubclass(w.main, RouteChoices, 1);
}

// Tools ends with "Verify after write" (checked while on), "Database...", "Issued cards..." and
// "Card holders..."; the active language is checked. Each kind of message shows its own icon
// resource.
TEST(MenuBarTest, ToolsEndsWithItsFourItemsAndTheActiveLanguageAndOptionAreChecked) {
    for (const bool english : {false, true}) {  // each check seen on and off
        testing::TestApp t(english ? LanguageId::English : LanguageId::Russian);
        t.app.verifyAfterWrite = english;
        const UniqueMenu bar(BuildMenuBar(t.app));
        const auto checked = [&](UINT item) {
            return (GetMenuState(bar.get(), item, MF_BYCOMMAND) & MF_CHECKED) != 0;
        };
        const HMENU tools = GetSubMenu(bar.get(), 1);
        const int end = GetMenuItemCount(tools);
        const UINT last[] = {kMenuVerifyAfterWrite, kMenuDatabase, kMenuIssuedCards,
                             kMenuCardHolders};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(GetMenuItemID(tools, end - 4 + i), last[i]) << "item " << end - 4 + i;
        EXPECT_FIELDS(
            (checked(kMenuVerifyAfterWrite), checked(kMenuRussian), checked(kMenuEnglish)),
            (english, !english, english));
    }
    for (const auto& [icon, resource] : {std::pair{MessageIcon::Success, 3},
                                         {MessageIcon::Warning, 4},
                                         {MessageIcon::Error, 5},
                                         {MessageIcon::Hint, 6},
                                         {MessageIcon::Retry, 7}})
        EXPECT_EQ(MessageIconResource(icon), resource) << resource;
}

// The key list window over 24 records the independent implementation encrypted: Tab goes in
// reading order; masked until Show Key, a double click fills the fields, a non-ASCII description is
// kept in the ANSI code page (as earlier installations wrote it) and shown as typed; from the
// keyboard an arrow chooses a row as a click does, Delete asks and removes it, Enter uses it. What
// the rows hold after a change is the native key list tests'.
TEST(KeyListWindowTest, ShowsAddsRemovesAndUsesTheRecordsOfAnEncryptedListByMouseAndKeyboard) {
    Windows w(LanguageId::English);
    fs::copy_file(fs::path(TOLLVANE_TEST_DATA) / "keyfile" / "crkeys_keylist.data",
                  w.dir / kCrKeysFile);
    ASSERT_TRUE(w.keyList.OpenForAdd(w.Link()));
    const auto item = [&](int id) { return GetDlgItem(w.keyList.Window(), id); };
    const HWND list = item(kKeyListViewId);
    const auto press = [&](int id) {
        SendMessageW(w.keyList.Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    };
    const auto click = [&](int row, UINT code) {  // as the list view reports a click on a row
        ListView_SetItemState(item(kKeyListViewId), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        NMHDR header{item(kKeyListViewId), kKeyListViewId, code};
        SendMessageW(w.keyList.Window(), WM_NOTIFY, kKeyListViewId,
                     reinterpret_cast<LPARAM>(&header));
    };
    const auto key = [&](WPARAM vk) {
        if (!HandleKeyboard(Key(list, vk))) SendMessageW(list, WM_KEYDOWN, vk, 0);
    };
    const auto masking = [&] {
        return SendMessageW(item(kKeyCrypto1FieldId), EM_GETPASSWORDCHAR, 0, 0);
    };
    EXPECT_EQ(TabOrder(w.keyList.Window()),
              (std::vector<HWND>{item(kKeyCrypto1FieldId), item(kShowKeysCheckId),
                                 item(kKeyAesFieldId), item(kAddNewButtonId),
                                 item(kDescriptionFieldId), list, item(kCancelButtonId)}));
    SetFocus(item(kAddNewButtonId));
    EXPECT_TRUE(HandleKeyboard(Key(item(kAddNewButtonId), VK_TAB)));
    EXPECT_EQ(GetFocus(), item(kDescriptionFieldId));

    ASSERT_EQ(ListView_GetItemCount(list), 24);
    EXPECT_EQ(Cell(list, 1, 6) + L"|" + Cell(list, 1, 8),
              std::wstring(17, L'*') + L"|Entrance door, building 2");
    EXPECT_EQ(masking(), '*');
    press(kShowKeysCheckId);
    EXPECT_EQ(Cell(list, 1, 6), L"A0 A1 A2 A3 A4 A5");
    EXPECT_EQ(masking(), 0);
    click(3, NM_DBLCLK);
    EXPECT_EQ(WindowText(item(kDescriptionFieldId)), L"Server room = TC=Cls keys");
    EXPECT_EQ(WindowText(item(kKeyCrypto1FieldId)), L"B0 B1 B2 B3 B4 B5");

    const std::wstring door = L"T\u00fcr 5 \u00e9";
    SetWindowTextW(item(kDescriptionFieldId), door.c_str());
    press(kAddNewButtonId);
    ASSERT_EQ(ListView_GetItemCount(list), 25);
    EXPECT_EQ(Cell(list, 24, 8), door);
    char ansi[64] = {};
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, door.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr),
              1);
    ASSERT_FALSE(
        DecryptKeyFile(w.files, w.cipher, w.dir[kCrKeysFile], w.dir["check"], kKeyFilePassword));
    EXPECT_NE(testing::ReadAll(w.dir / "check").find(std::string("Description=") + ansi + "\n"),
              std::string::npos);

    click(2, NM_CLICK);
    press(kRemoveButtonId);
    ASSERT_EQ(ListView_GetItemCount(list), 24);

    SetFocus(list);
    ListView_SetItemState(list, 5, LVIS_FOCUSED, LVIS_FOCUSED);
    key(VK_DOWN);
    key(VK_DELETE);  // the question names the row the arrow chose
    EXPECT_EQ(w.t.boxes.questions,
              (std::vector<std::string>{"[0002] Are you sure you want to delete the key?",
                                        "[0006] Are you sure you want to delete the key?"}));
    EXPECT_EQ(ListView_GetItemCount(list), 23);
    ListView_SetItemState(list, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    key(VK_DOWN);
    key(VK_RETURN);
    EXPECT_FALSE(w.keyList.Window()) << "Enter uses the row and closes the window";
    ASSERT_TRUE(w.keyList.OpenForAdd(w.Link()));
    click(0, NM_CLICK);
    press(kUseKeyButtonId);
    EXPECT_FALSE(w.keyList.Window());
}

std::string RegisterLine(const char* time, const char* result, const char* barcode = "") {
    RegisterRow row;
    row[kColCardBarcode] = barcode;
    row[kColTime] = time;
    row[kColRole] = "User";
    row[kColOperation] = "Write";
    row[kColResult] = result;
    row[kColMessage] = "line one\nline two";
    return FormatRegisterLine(row);
}

TEST(IssuedCardsWindowTest, FollowsTheRegisterCopiesClosesAndNamesARegisterItCannotRead) {
    Windows w(LanguageId::English);
    const fs::path path = w.dir / "IssuedCards.csv";
    std::ofstream(path, std::ios::binary) << RegisterFileStart() << RegisterLine("T1", "OK")
                                          << RegisterLine("T2", "ERR_04", "0012345678");
    const auto list = [&] { return GetDlgItem(w.issued.Window(), kIssuedListViewId); };
    const auto rows = [&] { return SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0); };
    // The window's look at the register, which its timer repeats every second.
    const auto refresh = [&] { SendMessageW(w.issued.Window(), WM_TIMER, 1, 0); };
    ASSERT_TRUE(w.issued.Open(w.Link()));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(Cell(list(), 1, kColMessage), L"line one line two");
    // Another station appends; the next look shows its row.
    std::ofstream(path, std::ios::binary | std::ios::app) << RegisterLine("T3", "OK");
    refresh();
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(WindowText(GetDlgItem(w.issued.Window(), kIssuedCountsId)),
              L"Rows shown: 3    Successful User writes: 2");

    ListView_SetItemState(list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(w.issued.Window(), WM_COMMAND, kIssuedCopyButtonId, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE copied = GetClipboardData(CF_UNICODETEXT);
    const std::wstring clipboard = copied ? static_cast<const wchar_t*>(GlobalLock(copied)) : L"";
    if (copied) GlobalUnlock(copied);
    CloseClipboard();
    EXPECT_EQ(clipboard.substr(0, 3), L"T1\t");
    // Typing in the filter (a card's barcode from Read ID) narrows the rows once the typing pauses.
    SetWindowTextW(GetDlgItem(w.issued.Window(), kIssuedFilterEditId), L"0012345678");
    for (int waits = 0; rows() != 1 && waits < 100; ++waits) {
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    ASSERT_EQ(rows(), 1);
    // Enter presses the focused push button.
    EXPECT_TRUE(
        HandleKeyboard(Key(GetDlgItem(w.issued.Window(), kIssuedCloseButtonId), VK_RETURN)));
    EXPECT_FALSE(w.issued.Window());

    // Held by another program: no row, and one box however often it looks.
    {
        const UniqueFileHandle held(
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ASSERT_TRUE(w.issued.Open(w.Link()));
        EXPECT_EQ(rows(), 0);
        refresh();
    }
    EXPECT_EQ(w.t.boxes.Texts(),
              std::vector<std::string>{"Error reading from file " + path.string() +
                                       "!\nGetLastError=00000020"});
    EXPECT_EQ(w.t.boxes.shown.at(0).icon, MessageIcon::Error);
}

// A list another station holds (its run, or a change under way) is read-only: the line says so,
// Export/Close work.
TEST(CardHoldersWindowTest, AListHeldElsewhereIsShownReadOnly) {
    Windows w(LanguageId::Russian);
    std::ofstream(w.dir / "CardHolders.csv", std::ios::binary)
        << "\xEF\xBB\xBFName,UniqueData,Status,Time,CardBarcode,CardCipherId\r\nAnna,,waiting,,,"
           "\r\n"
           "Борис,11 22 33 44 55 66 77,issued,2026-12-06T18:30:05+03:00,0012345678,3232235777\r\n";
    const UniqueFileHandle station2(CreateFileW((w.dir / "CardHolders.lock").c_str(),
                                                GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                                nullptr, OPEN_ALWAYS, 0, nullptr));
    ASSERT_TRUE(w.holders.Open(w.Link()));
    const auto item = [&](int id) { return GetDlgItem(w.holders.Window(), id); };
    EXPECT_EQ(SendMessageW(item(kHoldersListViewId), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Cell(item(kHoldersListViewId), 1, 2), L"выдано");
    EXPECT_EQ(Cell(item(kHoldersListViewId), 1, 4) + L" " + Cell(item(kHoldersListViewId), 1, 5),
              L"0012345678 3232235777");
    EXPECT_EQ(Narrow(WindowText(item(kHoldersCountsId))), "В списке: 2  Выдано: 1  Ожидают: 1");
    EXPECT_TRUE(IsWindowVisible(item(kHoldersInUseId)));
    for (int id : {kHoldersImportButtonId, kHoldersRemoveButtonId, kHoldersReplaceButtonId,
                   kHoldersIssueButtonId})
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    for (int id : {kHoldersExportButtonId, kHoldersExportRevokedButtonId})
        EXPECT_TRUE(IsWindowEnabled(item(id))) << id;
    SendMessageW(w.holders.Window(), WM_COMMAND, kHoldersCloseButtonId, 0);
    EXPECT_FALSE(w.holders.Window());
    EXPECT_TRUE(w.t.boxes.shown.empty());
}

}  // namespace
}  // namespace tollvane
