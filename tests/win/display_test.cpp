// Every window at another DPI than 96, and the keyboard in the secondary
// windows, in this process: each window is opened at 96 DPI and then told
// that its monitor's DPI changed, as Windows tells it when it is moved.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/win/card_holders_window.h"
#include "app/win/dpi.h"
#include "app/win/keyboard.h"
#include "app/win/main_frame.h"
#include "app/win/main_window.h"
#include "app/win/resource_ids.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "keystore/win/win_key_file_cipher.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) children.push_back(h);
    return children;
}

RECT PlaceIn(HWND control, HWND window) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

// How much wider than the control its text is with the control's own font
// (0 or less: it fits). A check box or radio keeps room for its box.
int TextOverflow(HWND control, int dpi) {
    const std::wstring cls = ClassOf(control);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (cls == L"Edit" && (style & ES_PASSWORD)) return 0;  // shows asterisks
    const int length = GetWindowTextLengthW(control);
    if (length == 0 || (cls != L"Button" && cls != L"Static" && cls != L"Edit")) return 0;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const LONG_PTR type = style & BS_TYPEMASK;
    const bool box = cls == L"Button" && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX;
    const RECT r = PlaceIn(control, GetParent(control));
    return size.cx + (box ? MetricAt(SM_CXMENUCHECK, dpi) : 0) - (r.right - r.left);
}

// Every control of window at its place at 96 DPI (at96) times the scale,
// within two pixels, and every text inside its control. The height of a
// combo box is its font's.
void ExpectLaidOutAt(HWND window, const std::vector<RECT>& at96, int dpi, const std::string& name) {
    const std::vector<HWND> children = Children(window);
    ASSERT_EQ(children.size(), at96.size()) << name;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const RECT r = PlaceIn(children[i], window), o = at96[i];
        const bool combo = ClassOf(children[i]) == L"ComboBox";
        const auto scaled = [&](LONG v) { return MulDiv(v, dpi, 96); };
        SCOPED_TRACE(name + " control " + std::to_string(i) + " at " + std::to_string(dpi) + " DPI");
        EXPECT_NEAR(r.left, scaled(o.left), 2);
        EXPECT_NEAR(r.top, scaled(o.top), 2);
        EXPECT_NEAR(r.right - r.left, scaled(o.right - o.left), 2);
        if (!combo) {
            EXPECT_NEAR(r.bottom - r.top, scaled(o.bottom - o.top), 2);
        }
        EXPECT_LE(TextOverflow(children[i], dpi), 0) << Narrow(WindowText(children[i]));
    }
}

std::vector<RECT> Places(HWND window) {
    std::vector<RECT> places;
    for (HWND h : Children(window)) places.push_back(PlaceIn(h, window));
    return places;
}

void ChangeDpi(HWND window, int dpi) {
    RECT r{};
    GetWindowRect(window, &r);
    const RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, 96),
                         r.top + MulDiv(r.bottom - r.top, dpi, 96)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

struct Windows {
    explicit Windows(LanguageId language) : t(language) {}

    testing::TestApp t;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tollvane-display-" + std::to_string(GetCurrentProcessId()));
    WinFiles files;
    WinKeyFileCipher cipher{files};
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm, dir.string() + "\\"};
    HWND main = CreateWindowExW(0, L"Static", L"main", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0,
                                kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    KeyListWindow keyList{t.app, list};
    ReadIdWindow readId;
    IssuedCardsWindow issued{t.app.texts, t.boxes, (dir / "IssuedCards.csv").wstring()};
    struct : StationClock {
        RegisterTime Now() override { return {}; }
        std::string OperatorName() override { return {}; }
        std::string ComputerName() override { return {}; }
    } clock;
    HoldersRun run{files, t.sleeper, clock, {In("CardHolders.csv"), In("CardHolders.tmp"), In("CardHolders.lock")}, ""};
    CardHoldersWindow holders{t.app, run};
    const std::string values[4] = {"0012345678", "00BC614E", "3232235777", "192.168.1.1"};

    ~Windows() { DestroyWindow(main); }
    MainWindowLink Link() const { return {main, L"", true}; }
    std::string In(const char* name) const { return Narrow((dir / name).wstring()); }
    // Each secondary window and how it opens.
    std::vector<std::pair<std::string, std::function<HWND()>>> Secondary() {
        return {{"key list", [this] { return keyList.OpenForAdd(Link()); }},
                {"Read ID", [this] { return readId.Open(Link(), t.app.texts, "Varnel ver.2.00", values); }},
                {"Issued cards", [this] { return issued.Open(Link()); }},
                {"Card holders", [this] { return holders.Open(Link()); }}};
    }
};

// At 96 DPI nothing changes; the texts fit there too.
TEST(DisplayScaleTest, EveryWindowLaysItsTableOutAgainAtANewDpiAndItsTextsFit) {
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
                ChangeDpi(window, dpi);
                ExpectLaidOutAt(window, at96, dpi, name + lang);
                SendMessageW(window, WM_CLOSE, 0, 0);
            }
        }
    }
}

MSG Key(HWND to, WPARAM key) { return MSG{to, WM_KEYDOWN, key, 0, 0, {}}; }

// Escape closes each secondary window as its close box does; Enter presses
// the focused push button; Tab goes through the controls in reading order.
TEST(KeyboardTest, EscapeClosesEachSecondaryWindowEnterPressesAButtonTabReads) {
    Windows w(LanguageId::English);
    for (const auto& [name, open] : w.Secondary()) {
        const HWND window = open();
        ASSERT_TRUE(window) << name;
        const HWND first = TabOrder(window).at(0);
        EXPECT_TRUE(HandleKeyboard(Key(first, VK_ESCAPE))) << name;
        EXPECT_FALSE(IsWindow(window)) << name;
    }
    const HWND keys = w.keyList.OpenForAdd(w.Link());
    const auto item = [&](int id) { return GetDlgItem(keys, id); };
    EXPECT_EQ(TabOrder(keys), (std::vector<HWND>{item(kKeyCrypto1FieldId), item(kShowKeysCheckId), item(kKeyAesFieldId),
                                                 item(kAddNewButtonId), item(kDescriptionFieldId), item(kKeyListViewId),
                                                 item(kCancelButtonId)}));
    SetFocus(item(kAddNewButtonId));
    EXPECT_TRUE(HandleKeyboard(Key(item(kAddNewButtonId), VK_TAB)));
    EXPECT_EQ(GetFocus(), item(kDescriptionFieldId));
    EXPECT_TRUE(HandleKeyboard(Key(item(kCancelButtonId), VK_RETURN)));
    EXPECT_FALSE(IsWindow(keys));
}

}  // namespace
}  // namespace tollvane
