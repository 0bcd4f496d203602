// The Win32 side of the main window over real (hidden) windows: the form's
// controls and what they report, the menu bar, the progress window and the
// UTF-8 conversion.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/win/main_window.h"
#include "base/win/utf.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "app/win/win_ui.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

// A hidden top-level window of the main window's size to hang controls on.
class HostWindow {
public:
    HostWindow() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"tollvane test host";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPED | WS_SYSMENU, 0, 0, kMainWindowWidth,
                                kMainWindowHeight, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~HostWindow() { DestroyWindow(hwnd_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

class WinFormViewTest : public ::testing::Test {
protected:
    void SetUp() override { view.CreateControls(nullptr); }

    HostWindow host;
    MessageTable texts{LanguageId::English};
    WinFormView view{host.get(), texts};
};

TEST_F(WinFormViewTest, EveryControlIsCreatedWithItsIdentifierPlaceAndStartState) {
    std::set<HWND> handles;
    for (const ControlTemplate& tpl : MainFormControls()) {
        SCOPED_TRACE(static_cast<int>(tpl.ctl));
        const HWND h = view.Handle(tpl.ctl);
        ASSERT_NE(h, nullptr);
        handles.insert(h);
        EXPECT_EQ(GetDlgCtrlID(h), ControlId(tpl.ctl));
        EXPECT_EQ(view.IsShown(tpl.ctl), tpl.shown);
        EXPECT_EQ(view.IsEnabled(tpl.ctl), tpl.enabled);
        if (std::wstring(tpl.className) == L"Button") {
            EXPECT_EQ(view.IsChecked(tpl.ctl), tpl.checked);
        }
        if (tpl.w == 0) continue;  // the up-downs size themselves to their edit
        RECT rc;
        GetWindowRect(h, &rc);
        MapWindowPoints(HWND_DESKTOP, host.get(), reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, tpl.x);
        EXPECT_EQ(rc.top, tpl.y);
    }
    EXPECT_EQ(handles.size(), MainFormControls().size());
    EXPECT_EQ(view.Text(Ctl::SettingsGroup), " Settings ");
    EXPECT_EQ(view.Text(Ctl::ShowCrypto1Check), "Show Key");
    EXPECT_EQ(view.Text(Ctl::AesKeyEdit), "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(view.Text(Ctl::SectorEdit), "1");
    EXPECT_EQ(view.Text(Ctl::BlockEdit), "0");
}

TEST_F(WinFormViewTest, EditsTakeTheWholeDisplayFormOfTheirValue) {
    struct Case {
        Ctl edit;
        const char* pasted;
    };
    for (const Case& c : {Case{Ctl::Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5"},
                          Case{Ctl::AesKeyEdit, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
                          Case{Ctl::SectorDataEdit, "01 02 03 04 05 06 07"}}) {
        SCOPED_TRACE(c.pasted);
        const HWND h = view.Handle(c.edit);
        SendMessageW(h, EM_SETSEL, 0, -1);
        SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Widen(c.pasted).c_str()));
        EXPECT_EQ(view.Text(c.edit), c.pasted);
        // One more character does not fit.
        SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"F"));
        EXPECT_EQ(view.Text(c.edit), c.pasted);
    }
}

TEST_F(WinFormViewTest, CheckingARadioClearsTheOthersOfItsGroupOnly) {
    view.SetChecked(Ctl::IfW58Radio, true);
    EXPECT_TRUE(view.IsChecked(Ctl::IfW58Radio));
    EXPECT_FALSE(view.IsChecked(Ctl::IfTouchMemoryRadio));
    EXPECT_TRUE(view.IsChecked(Ctl::IndDirectRadio));
    EXPECT_TRUE(view.IsChecked(Ctl::StandbyOffRadio));

    view.SetChecked(Ctl::Sl3Radio, true);
    EXPECT_FALSE(view.IsChecked(Ctl::Sl1Radio));
    EXPECT_TRUE(view.IsChecked(Ctl::ClassicCheck));  // a check box in the same frame

    view.SetChecked(Ctl::IfW58Radio, false);
    EXPECT_FALSE(view.IsChecked(Ctl::IfW58Radio));
}

TEST_F(WinFormViewTest, AClickOnARadioStaysInsideItsFrame) {
    SendMessageW(view.Handle(Ctl::StandbyDynamicRadio), BM_CLICK, 0, 0);
    EXPECT_TRUE(view.IsChecked(Ctl::StandbyDynamicRadio));
    EXPECT_FALSE(view.IsChecked(Ctl::StandbyOffRadio));
    EXPECT_TRUE(view.IsChecked(Ctl::TouchPollOffRadio));
    EXPECT_TRUE(view.IsChecked(Ctl::IndDirectRadio));
}

TEST_F(WinFormViewTest, KeysAreMaskedWithAStarUntilShown) {
    EXPECT_TRUE(view.IsPasswordMasked(Ctl::Crypto1KeyEdit));
    EXPECT_EQ(SendMessageW(view.Handle(Ctl::Crypto1KeyEdit), EM_GETPASSWORDCHAR, 0, 0), L'*');
    view.SetPasswordMask(Ctl::Crypto1KeyEdit, false);
    EXPECT_FALSE(view.IsPasswordMasked(Ctl::Crypto1KeyEdit));
    view.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    EXPECT_EQ(SendMessageW(view.Handle(Ctl::Crypto1KeyEdit), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_FALSE(view.IsPasswordMasked(Ctl::SectorDataEdit));
}

TEST_F(WinFormViewTest, UpDownPositionShowsInItsEditByEitherName) {
    view.SetUpDownPos(Ctl::SectorUpDown, 7);
    EXPECT_EQ(view.Text(Ctl::SectorEdit), "7");
    view.SetUpDownPos(Ctl::BlockEdit, 2);
    EXPECT_EQ(view.Text(Ctl::BlockEdit), "2");
    view.SetUpDownPos(Ctl::SectorUpDown, 99);  // held to the range
    EXPECT_EQ(view.Text(Ctl::SectorEdit), "15");
}

TEST_F(WinFormViewTest, ComboBoxesKeepOrderAndSelection) {
    view.ResetContent(Ctl::PortCombo);
    EXPECT_EQ(view.Selection(Ctl::PortCombo), -1);
    for (const char* name : {"COM3", "COM10", "Порт"}) view.AddItem(Ctl::PortCombo, name);
    EXPECT_EQ(view.ItemCount(Ctl::PortCombo), 3);
    EXPECT_EQ(view.ItemText(Ctl::PortCombo, 1), "COM10");
    EXPECT_EQ(view.ItemText(Ctl::PortCombo, 2), "Порт");
    EXPECT_EQ(view.ItemText(Ctl::PortCombo, 5), "");
    view.SetSelection(Ctl::PortCombo, 2);
    EXPECT_EQ(view.Selection(Ctl::PortCombo), 2);
    view.DeleteItem(Ctl::PortCombo, 0);
    EXPECT_EQ(view.ItemText(Ctl::PortCombo, 0), "COM10");
    view.SetSelection(Ctl::PortCombo, 9);
    EXPECT_EQ(view.Selection(Ctl::PortCombo), -1);
}

TEST_F(WinFormViewTest, TextsAndCaretRoundTrip) {
    view.SetText(Ctl::TouchMemoryEdit, "Данные 01");
    EXPECT_EQ(view.Text(Ctl::TouchMemoryEdit), "Данные 01");
    view.SetCaret(Ctl::TouchMemoryEdit, 3);
    EXPECT_EQ(view.Caret(Ctl::TouchMemoryEdit), 3);
    view.Show(Ctl::UserGroup, true);
    EXPECT_TRUE(view.IsShown(Ctl::UserGroup));
    view.Enable(Ctl::WriteButton, false);
    EXPECT_FALSE(view.IsEnabled(Ctl::WriteButton));
}

TEST(WideTextTest, ConvertsBothWays) {
    struct Case {
        std::string utf8;
        std::wstring utf16;
    };
    for (const Case& c : {Case{"", L""}, Case{"Tollvane ver.2.00 (x64)", L"Tollvane ver.2.00 (x64)"},
                          Case{"Сообщение\n\r", L"\x0421\x043e\x043e\x0431\x0449\x0435\x043d\x0438\x0435\n\r"},
                          Case{std::string("a\0b", 3), std::wstring(L"a\0b", 3)}}) {
        EXPECT_EQ(Widen(c.utf8), c.utf16);
        EXPECT_EQ(Narrow(c.utf16), c.utf8);
    }
    // A broken byte becomes the replacement character, the rest survives.
    EXPECT_EQ(Widen("A\xff" "B"), L"A\xfffd" L"B");
}

struct MenuItem {
    int id;
    std::wstring text;
    bool checked;
};

std::vector<MenuItem> Items(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({(info.fType & MFT_SEPARATOR) ? -1 : static_cast<int>(info.wID), text,
                         (info.fState & MFS_CHECKED) != 0});
    }
    return items;
}

TEST(MenuBarTest, ItemsTextsAndOneCheckMarkOnTheLanguage) {
    for (LanguageId lang : {LanguageId::Russian, LanguageId::English}) {
        testing::TestApp t;
        t.app.language = lang;
        t.app.texts.Load(lang);
        const HMENU bar = BuildMenuBar(t.app);
        ASSERT_EQ(GetMenuItemCount(bar), 3);
        const HMENU file = GetSubMenu(bar, 0), tools = GetSubMenu(bar, 1), help = GetSubMenu(bar, 2);
        const auto T = [&](Msg m) { return Widen(t.app.texts[m]); };
        EXPECT_EQ(Items(bar)[0].text, T(Msg::kMenuFile));
        EXPECT_EQ(Items(bar)[2].text, T(Msg::kMenuHelp));

        ASSERT_EQ(Items(file).size(), 1u);
        EXPECT_EQ(Items(file)[0].id, 1);
        EXPECT_EQ(Items(file)[0].text, T(Msg::kMenuQuit));

        const auto tool = Items(tools);
        ASSERT_EQ(tool.size(), 3u);
        EXPECT_EQ(tool[0].text, T(Msg::kMenuLanguage));
        EXPECT_EQ(tool[1].id, -1);
        EXPECT_EQ(tool[2].id, 4);
        const auto langs = Items(GetSubMenu(tools, 0));
        ASSERT_EQ(langs.size(), 2u);
        EXPECT_EQ(langs[0].id, 2);
        EXPECT_EQ(langs[0].text, L"Русский");
        EXPECT_EQ(langs[1].id, 3);
        EXPECT_EQ(langs[1].text, L"English");
        EXPECT_EQ(langs[0].checked, lang == LanguageId::Russian);
        EXPECT_EQ(langs[1].checked, lang == LanguageId::English);

        const auto helps = Items(help);
        ASSERT_EQ(helps.size(), 3u);
        EXPECT_EQ(helps[0].id, 5);
        EXPECT_EQ(helps[0].text, T(Msg::kMenuHelpItem));
        EXPECT_EQ(helps[1].id, -1);
        EXPECT_EQ(helps[2].id, 6);
        DestroyMenu(bar);
    }
}

TEST(ProgressViewTest, CentredOwnedWindowThatStepsAndCloses) {
    HostWindow host;
    WinProgressView progress(host.get());
    progress.Open("Search for Varnel reader", 100);
    const HWND w = progress.Window();
    ASSERT_NE(w, nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(w, title, 64);
    EXPECT_STREQ(title, L"Search for Varnel reader");
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 200);
    EXPECT_EQ(rc.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 25);
    EXPECT_EQ(rc.right - rc.left, 400);
    EXPECT_EQ(rc.bottom - rc.top, 50);
    EXPECT_EQ(GetWindow(w, GW_OWNER), host.get());
    EXPECT_EQ(SendMessageW(w, PBM_GETRANGE, FALSE, 0), 100);
    progress.Step();
    progress.Step();
    EXPECT_EQ(SendMessageW(w, PBM_GETPOS, 0, 0), 2);

    progress.EnableMainWindow(false);
    EXPECT_FALSE(IsWindowEnabled(host.get()));
    progress.EnableMainWindow(true);

    progress.Close();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Close();  // nothing left to close
    progress.Step();
}

}  // namespace
}  // namespace tollvane
