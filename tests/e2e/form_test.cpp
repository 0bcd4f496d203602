// The form and its window: the start-up search, Read ID, a replugged reader, the menu, the single
// instance, 144 DPI and a small screen (tests/e2e/run runs SmallScreen scenarios on a 1366 x 768
// screen, LargeScreen ones on 2560 x 1800). The controls' start states are the form's unit tests'
// (a reset brings them back), their scaling the platform's; Help's outcomes are the unit and
// package tests'.
#include "e2e_fixture.h"
#include "../support/expect_fields.h"

namespace tollvane::e2e {
namespace {

// How often the reader's port is listed.
long Listed(const Program& form) {
    const std::vector<std::string> ports = form.Items(Id(PortCombo));
    return std::count(ports.begin(), ports.end(), "COM5");
}

// Without the USB device (found through the Setup API) no port is asked; with it the version query
// goes to its port. The version checks themselves are the unit tests'.
TEST_F(E2eTest, StartUpSearchFindsTheReaderReadIdShowsTheCardAndAReplugIsFollowed) {
    Registry("no-usb");
    EXPECT_EQ(Start(), (std::vector<std::string>{"Varnel not found!",
                                                 "If you are sure that the reader is connected "
                                                 "to the PC,\nselect a COM port from the list!"}));
    EXPECT_FIELDS((Sent(), Version(), Listed(*program)), ("", "x.xx", 1L));
    Registry("plug");
    EXPECT_EQ(Start(), kConnected);
    // The port chosen, and locked while connected.
    EXPECT_FIELDS((Version(), Listed(*program), program->Text(Id(PortCombo)),
                   program->Enabled(Id(PortCombo))),
                  ("2.00", 1L, "COM5", false));

    program->MenuAsync(kMenuReadId);
    const HWND window = program->WaitTop(L"my Child Window Read ID");
    EXPECT_EQ(WindowText(FindWindowExW(window, nullptr, L"Edit", nullptr)), "0012345678");
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    program->Key(VK_ESCAPE);  // closes it as its close box does
    EXPECT_TRUE(Closed(window));

    const auto deviceChange = [&] {
        PostMessageW(program->Main(), WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0);
    };
    Sim("unplug");
    Registry("unplug");  // as Windows does: the port and the USB device go
    deviceChange();
    EXPECT_EQ(NextBox(), "Connection broken.\n\r(Varnel disabled!)");
    ASSERT_TRUE(Idle());
    EXPECT_FIELDS((Listed(*program), Version()), (0L, "x.xx"));
    ASSERT_EQ(Sim("plug").rfind("OK", 0), 0u);
    Registry("plug");
    deviceChange();
    EXPECT_EQ(program->SettleSearch(), kConnected);
    EXPECT_FIELDS((Version(), Listed(*program)), ("2.00", 1L));
}

TEST_F(E2eTest, LanguageSwitchRetextsTheFormAndKeepsItsState) {
    Start(kRussianConfig);
    ASSERT_EQ(WindowText(program->Main()), "Tollvane вер.2.00 (x64)");
    program->Select(Id(WorkModeCombo), 1);
    program->Click(Id(PlusCheck));
    program->Menu(kMenuEnglish);
    EXPECT_EQ(WindowText(program->Main()) + "|" + program->Text(Id(WriteButton)) + "|" +
                  program->Items(Id(WorkModeCombo))[1],
              "Tollvane ver.2.00 (x64)|Write|Send sector data after logged in");
    EXPECT_EQ(program->Selection(Id(WorkModeCombo)), 1);
    EXPECT_TRUE(program->Checked(Id(PlusCheck)));
    EXPECT_TRUE(program->Enabled(Id(Crypto1KeyEdit)));

    // The About box follows, modal, and Escape closes it.
    program->MenuAsync(kMenuAbout);
    const HWND about = program->WaitTop(L"#32770", L"About...");
    ASSERT_TRUE(about);
    EXPECT_FALSE(IsWindowEnabled(program->Main()));
    std::string texts = "|";
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += WindowText(child) + "|";
    EXPECT_NE(texts.find("|Program:\n\rTollvane\n\n\rVersion:   2.00 (x64)"), std::string::npos)
        << texts;
    PostMessageW(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Closed(about));

    // A second start brings the first window back and ends.
    ShowWindow(program->Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(program->Main()) != FALSE; }));
    Program second(dir.path);
    EXPECT_EQ(second.WaitMainWindow(), nullptr);
    EXPECT_EQ(second.WaitExit(), 0u);
    EXPECT_TRUE(WaitUntil(
        [&] { return !IsIconic(program->Main()) && GetForegroundWindow() == program->Main(); }));

    // File, Quit ends the program.
    program->MenuAsync(kMenuQuit);
    EXPECT_EQ(program->WaitExit(), 0u);
}

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

bool InsideClient(HWND control, HWND main) {
    RECT client{};
    GetClientRect(main, &client);
    const RECT r = RectIn(control, main);
    return r.top >= 0 && r.bottom <= client.bottom;
}

// At 144 DPI the window and its wait's progress window are half as large again; that every control
// of every window scales and its text fits is the platform test's.
TEST_F(E2eTest, LargeScreenMainWindowScalesWithTheDpi) {
    const AtDpi dpi(144);
    Start();
    // 665 x 830 at 96 DPI, centred: it fits.
    const RECT outer = WindowRect(program->Main());
    EXPECT_NEAR(outer.right - outer.left, 998, 4);
    EXPECT_NEAR(outer.bottom - outer.top, 1245, 4);
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);
    EXPECT_FALSE(GetWindowLongPtrW(program->Main(), GWL_STYLE) & WS_VSCROLL);
    program->ClickAsync(Id(SearchButton));
    const RECT progress = WindowRect(program->WaitTop(PROGRESS_CLASSW));  // 400 x 50 at 96 DPI
    EXPECT_FIELDS((progress.right - progress.left, progress.bottom - progress.top), (600L, 75L));
    program->SettleSearch();
}

TEST_F(E2eTest, SmallScreenCaptionStaysOnItAndTheLastControlIsReachable) {
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768) << "for a 1366 x 768 screen (tests/e2e/run)";
    Start();
    const HWND main = program->Main();
    const RECT outer = WindowRect(main);
    EXPECT_FIELDS((outer.top, outer.bottom),
                  (0L, 768L));  // centred, its caption would be off the screen
    EXPECT_TRUE(GetWindowLongPtrW(main, GWL_STYLE) & WS_VSCROLL);
    // The foot of the form (the reader settings' group box) and its last control (Tab's last stop).
    const HWND foot = program->ControlAt(L"Button", 5, 500, 650, 270);
    const HWND last = program->Control(Id(TouchPollOffRadio));
    EXPECT_FALSE(InsideClient(foot, main));
    // By the scroll bar ...
    SendMessageW(main, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(InsideClient(foot, main));
    SendMessageW(main, WM_VSCROLL, SB_TOP, 0);
    EXPECT_FALSE(InsideClient(foot, main));
    // ... by the mouse wheel ...
    const LONG top = RectIn(foot, main).top;
    SendMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_LT(RectIn(foot, main).top, top);
    SendMessageW(main, WM_VSCROLL, SB_TOP, 0);
    // ... and by Tab, which scrolls the control it reaches into view, with room below it.
    ASSERT_TRUE(TabTo(last));
    EXPECT_TRUE(InsideClient(last, main));
    EXPECT_LT(RectIn(last, main).top, 695);  // the form scrolled on the way
}

}  // namespace
}  // namespace tollvane::e2e
