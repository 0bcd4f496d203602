// The Win32 side of the main window over real (hidden) windows, where no
// end-to-end scenario looks: edit limits, radio groups, the menu bar and the
// message icons.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/win/main_window.h"
#include "app/win/resource_ids.h"
#include "app/win/win_form_view.h"
#include "app/win/win_shell.h"
#include "app/win/win_ui.h"
#include "base/win/handles.h"
#include "base/win/utf.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

class WinFormViewTest : public ::testing::Test {
protected:
    WinFormViewTest() { view.CreateControls(nullptr); }
    ~WinFormViewTest() override { DestroyWindow(host); }

    HWND host = CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPED, 0, 0, kMainWindowWidth, kMainWindowHeight,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
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

TEST(MenuBarTest, ToolsHoldsIssuedCardsAndTheActiveLanguageIsChecked) {
    for (const LanguageId language : {LanguageId::Russian, LanguageId::English}) {
        testing::TestApp t(language);
        const UniqueMenu bar(BuildMenuBar(t.app));
        const auto checked = [&](UINT item) { return (GetMenuState(bar.get(), item, MF_BYCOMMAND) & MF_CHECKED) != 0; };
        EXPECT_NE(GetMenuState(bar.get(), kMenuIssuedCards, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(checked(kMenuRussian), language == LanguageId::Russian);
        EXPECT_EQ(checked(kMenuEnglish), language == LanguageId::English);
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

}  // namespace
}  // namespace tollvane
