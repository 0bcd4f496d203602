// The main window at 144 DPI and on a small screen. tests/e2e/run runs the
// SmallScreen scenarios on a 1366 x 768 screen and the LargeScreen ones on a
// 2560 x 1800 one.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

bool InsideClient(HWND control, HWND main) {
    RECT client{};
    GetClientRect(main, &client);
    const RECT r = ClientRectIn(control, main);
    return r.top >= 0 && r.bottom <= client.bottom;
}

// The program's windows take their DPI from this value when they start.
class AtDpi {
public:
    explicit AtDpi(DWORD dpi) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }
    ~AtDpi() { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels"); }
    AtDpi(const AtDpi&) = delete;
    AtDpi& operator=(const AtDpi&) = delete;
};

// At 144 DPI the window and its wait's progress window are half as large
// again; that every control of every window scales, and its text fits, is
// the platform test's, at each DPI.
TEST_F(E2eTest, LargeScreenMainWindowScalesWithTheDpi) {
    const AtDpi dpi(144);
    Start();
    // 665 x 830 at 96 DPI, centred: it fits.
    const RECT outer = WindowRect(form->Main());
    EXPECT_NEAR(outer.right - outer.left, 998, 4);
    EXPECT_NEAR(outer.bottom - outer.top, 1245, 4);
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);
    EXPECT_FALSE(GetWindowLongPtrW(form->Main(), GWL_STYLE) & WS_VSCROLL);
    const RECT last = ClientRectIn(form->Control(kTouchPollOff), form->Main());  // 348, 695, 190 x 20 at 96 DPI
    EXPECT_NEAR(last.left, 522, 2);
    EXPECT_NEAR(last.top, 1043, 2);
    EXPECT_NEAR(last.right - last.left, 285, 2);
    Shot(form->Main(), "main-144-en");
    form->Menu(kRussian);
    Shot(form->Main(), "main-144-ru");
    form->Menu(kEnglish);
    form->ClickAsync(kSearch);
    const RECT progress = WindowRect(program->WaitTop(PROGRESS_CLASSW));  // 400 x 50 at 96 DPI
    EXPECT_EQ(std::make_pair(progress.right - progress.left, progress.bottom - progress.top), std::make_pair(600L, 75L));
    program->SettleSearch();
}

TEST_F(E2eTest, SmallScreenCaptionStaysOnItAndTheLastControlIsReachable) {
    if (GetSystemMetrics(SM_CYSCREEN) != 768) GTEST_SKIP() << "for a 1366 x 768 screen (tests/e2e/run)";
    Start();
    const HWND main = form->Main();
    const RECT outer = WindowRect(main);
    EXPECT_EQ(outer.top, 0);  // centred it would be at -31, its caption off the screen
    EXPECT_EQ(outer.bottom, 768);
    EXPECT_TRUE(GetWindowLongPtrW(main, GWL_STYLE) & WS_VSCROLL);
    // The foot of the form, the reader settings' group box, and its last
    // control (Tab's last stop).
    const HWND foot = form->ControlAt("Button", 5, 500, 650, 270);
    const HWND last = form->Control(kTouchPollOff);
    EXPECT_FALSE(InsideClient(foot, main));
    // By the scroll bar ...
    SendMessageW(main, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(InsideClient(foot, main));
    SendMessageW(main, WM_VSCROLL, SB_TOP, 0);
    EXPECT_FALSE(InsideClient(foot, main));
    // ... by the mouse wheel ...
    const LONG top = ClientRectIn(foot, main).top;
    SendMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_LT(ClientRectIn(foot, main).top, top);
    SendMessageW(main, WM_VSCROLL, SB_TOP, 0);
    // ... and by Tab, which scrolls the control it reaches into view, with
    // room below it.
    ASSERT_TRUE(TabTo(last));
    EXPECT_TRUE(InsideClient(last, main));
    EXPECT_LT(ClientRectIn(last, main).top, 695);  // the form scrolled on the way
}

}  // namespace
}  // namespace tollvane::e2e
