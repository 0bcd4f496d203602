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

TEST_F(WinFormViewTest, KeysAreMaskedWithAStarUntilShown) {
    EXPECT_TRUE(view.IsPasswordMasked(Ctl::Crypto1KeyEdit));
    EXPECT_EQ(SendMessageW(view.Handle(Ctl::Crypto1KeyEdit), EM_GETPASSWORDCHAR, 0, 0), L'*');
    view.SetPasswordMask(Ctl::Crypto1KeyEdit, false);
    EXPECT_FALSE(view.IsPasswordMasked(Ctl::Crypto1KeyEdit));
    view.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    EXPECT_EQ(SendMessageW(view.Handle(Ctl::Crypto1KeyEdit), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_FALSE(view.IsPasswordMasked(Ctl::SectorDataEdit));
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

}  // namespace
}  // namespace tollvane
