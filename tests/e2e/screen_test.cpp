// The main window at other DPIs and on a small screen, and the keyboard on
// the main form. tests/e2e/run runs the SmallScreen scenarios on a 1366 x 768
// screen and the LargeScreen ones on a 2560 x 1800 one, where the main window
// fits at 200 %.
#include <algorithm>
#include <variant>

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

TEST_F(E2eTest, LargeScreenMainWindowScalesWithTheDpi) {
    const struct {
        int dpi;
        const char* config;
        const char* shot;
    } cases[] = {{120, kEnglishConfig, ""}, {144, kEnglishConfig, "main-144-en"}, {144, kRussianConfig, "main-144-ru"},
                 {192, kEnglishConfig, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI");
        const AtDpi dpi(static_cast<DWORD>(c.dpi));
        Start(c.config);
        const auto scaled = [&](int v) { return MulDiv(v, c.dpi, 96); };
        // 665 x 830 at 96 DPI, about 998 x 1245 at 144, centred: it fits.
        const RECT outer = WindowRect(form->Main());
        EXPECT_NEAR(outer.right - outer.left, scaled(665), 4);
        EXPECT_NEAR(outer.bottom - outer.top, scaled(830), 4);
        EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
        EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);
        EXPECT_FALSE(GetWindowLongPtrW(form->Main(), GWL_STYLE) & WS_VSCROLL);
        // Every control at its 96-DPI place times the scale, within two pixels.
        std::vector<HWND> unmatched = form->Children();
        for (const Expected& e : kStartForm) {
            const auto at = std::find_if(unmatched.begin(), unmatched.end(), [&](HWND h) {
                const RECT r = ClientRectIn(h, form->Main());
                const auto within = [](LONG a, int b) { return std::abs(a - b) <= 2; };
                return ClassName(h) == e.cls && (!e.id || GetDlgCtrlID(h) == e.id) && within(r.left, scaled(e.x)) &&
                       within(r.top, scaled(e.y)) && (e.w < 0 || within(r.right - r.left, scaled(e.w))) &&
                       (e.h < 0 || ClassName(h) == "ComboBox" || within(r.bottom - r.top, scaled(e.h)));
            });
            EXPECT_NE(at, unmatched.end()) << e.cls << " " << e.id << " at " << e.x << "," << e.y;
            if (at != unmatched.end()) unmatched.erase(at);
        }
        if (*c.shot) Shot(form->Main(), c.shot);
    }
    // The progress window of a wait: 400 x 50 at 96 DPI.
    const AtDpi dpi(144);
    Start();
    form->ClickAsync(kSearch);
    const RECT progress = WindowRect(program->WaitTop(PROGRESS_CLASSW));
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
    for (int i = 0; i < 30 && program->Focus() != last; ++i) {
        const HWND before = program->Focus();
        program->Key(VK_TAB);
        WaitUntil([&] { return program->Focus() != before; });
    }
    ASSERT_EQ(program->Focus(), last);
    EXPECT_TRUE(InsideClient(last, main));
    EXPECT_LT(ClientRectIn(last, main).top, 695);  // the form scrolled on the way
}

// A stop of the form's Tab order: one control, or a group of radios, which
// Tab enters at its checked radio.
using Stop = std::variant<int, std::vector<int>>;

// Every stop of the main form in reading order: the group boxes from top to
// bottom and left to right, each by rows. The converter's fields have no
// identifier: 0, 1 and 2 stand for them.
const std::vector<Stop> kReadingOrder = {
    kPortCombo, kSearch, kClassic, kPlus, std::vector<int>{kSl1, kSl3}, kAesAuth, kRole, kWrite, kRead, kClear,
    kWriteCyclic, kClearCyclic, kWorkMode, kSectorEdit, kBlockEdit, kCrypto1Edit, kShowCrypto1, kAesEdit, kShowAes,
    kGenerateRandom, kAddToList, kShowList, kDataEdit, kGenerateUnique, kUniqueBeforeWrite, 0, 1, 2,
    std::vector<int>{kConvTmW44, kConvW26, kConvW58}, std::vector<int>{kIfTouchMemory, kIfW26, kIfW44, kIfW58},
    std::vector<int>{kIndDirect, kIndInverse}, std::vector<int>{kStandbyDynamic, kStandbyStatic, kStandbyOff},
    std::vector<int>{kTouchPollOn, kTouchPollOff}};

HWND StopControl(const Form& form, int id) {
    if (id > 2) return form.Control(id);
    return form.ControlAt("Edit", 130, 617 + 35 * id);  // Touch Memory, HEX, DEC
}

// The controls Tab should visit now: the shown, enabled stops, a radio
// group at its checked radio.
std::vector<HWND> ExpectedTabOrder(const Form& form) {
    std::vector<HWND> order;
    const auto usable = [&](HWND h) { return IsShown(h) && IsWindowEnabled(h); };
    for (const Stop& stop : kReadingOrder) {
        if (const int* id = std::get_if<int>(&stop)) {
            if (usable(StopControl(form, *id))) order.push_back(StopControl(form, *id));
            continue;
        }
        HWND chosen = nullptr;
        for (int id : std::get<std::vector<int>>(stop)) {
            if (!usable(form.Control(id))) continue;
            if (!chosen || form.Checked(id)) chosen = form.Control(id);
            if (form.Checked(id)) break;
        }
        if (chosen) order.push_back(chosen);
    }
    return order;
}

// Tab from control to control once round the form.
std::vector<HWND> TabRound(Program& program, std::size_t stops) {
    std::vector<HWND> visited;
    for (std::size_t i = 0; i < stops; ++i) {
        const HWND before = program.Focus();
        program.Key(VK_TAB);
        WaitUntil([&] { return program.Focus() != before; });
        visited.push_back(program.Focus());
    }
    return visited;
}

TEST_F(E2eTest, TabWalksTheFormInReadingOrderInBothRolesAndEndsAnEntry) {
    Start();
    for (const int role : {0, 1}) {
        SCOPED_TRACE(role == 0 ? "Master" : "User");
        if (role == 1) {
            form->Select(kWorkMode, 1);  // sector data: the data field is open
            form->Select(kRole, 1);
        }
        const std::vector<HWND> expected = ExpectedTabOrder(*form);
        std::vector<HWND> visited = TabRound(*program, expected.size());
        ASSERT_FALSE(visited.empty());
        // Where the round began depends on where the focus was.
        const auto first = std::find(expected.begin(), expected.end(), visited[0]);
        ASSERT_NE(first, expected.end());
        std::vector<HWND> rotated(first, expected.end());
        rotated.insert(rotated.end(), expected.begin(), first);
        EXPECT_EQ(visited, rotated);
    }
    // Tab into the data field selects its digits; Tab out ends the entry as
    // a click elsewhere does: missing digits are F, and the converter
    // (Wiegand 58: the bytes in reverse) shows the new number.
    form->Click(kConvW58);
    for (int i = 0; i < 30 && program->Focus() != form->Control(kDataEdit); ++i) TabRound(*program, 1);
    ASSERT_EQ(program->Focus(), form->Control(kDataEdit));
    // Enter and Escape reach no command there: 1 (Quit) and 2 (Russian)
    // would end the program or switch its language.
    program->Key(VK_RETURN);
    program->Key(VK_ESCAPE);
    program->Type("AABBCC");
    EXPECT_TRUE(WaitUntil([&] { return form->Text(kDataEdit) == "AABBCC"; })) << form->Text(kDataEdit);
    program->Key(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(StopControl(*form, 1)) == "FFFFFFFFCCBBAA"; }))
        << WindowText(StopControl(*form, 1));
    EXPECT_EQ(form->Text(kDataEdit), "AA BB CC FF FF FF FF");
    EXPECT_EQ(WindowText(form->Main()), "Tollvane ver.2.00 (x64)");
}

}  // namespace
}  // namespace tollvane::e2e
