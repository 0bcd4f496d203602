// The reader search at start-up against the simulated reader, and the form
// as it starts; Read ID; the reader pulled out and put back.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

struct Expected {
    int id;  // 0: found by class and position
    const char* cls;
    int x, y, w, h;  // < 0: not compared (combo boxes, edits with an up-down)
    const char* state;  // s shown, e enabled, c checked
};

// The form as it starts, with no reader found: where each control sits, and its state. The texts are the
// message table's (checked against the program's own list by its unit test).
const Expected kStartForm[] = {
    {0, "Button", 5, 5, 650, 65, "se"}, {0, "Static", 18, 30, 125, 16, "se"},
    {kPortCombo, "ComboBox", 150, 27, 328, -1, "se"}, {kSearch, "Button", 490, 27, 150, 23, "se"},
    {0, "Static", 18, 49, 55, 15, "se"}, {0, "Static", 75, 48, 30, 15, "se"}, {0, "Button", 5, 75, 650, 115, "se"},
    {kClassic, "Button", 18, 100, 120, 23, "sec"}, {kPlus, "Button", 18, 125, 120, 23, "se"},
    {kSl1, "Button", 140, 127, 230, 20, "sc"}, {kSl3, "Button", 140, 155, 230, 20, "s"},
    {kAesAuth, "Button", 395, 125, 240, 23, "s"}, {0, "Button", 5, 195, 650, 95, "se"},
    {0, "Static", 18, 220, 35, 15, "se"}, {kRole, "ComboBox", 58, 217, 145, -1, "se"},
    {kWrite, "Button", 215, 217, 150, 23, "se"}, {kRead, "Button", 378, 217, 100, 23, "se"},
    {kClear, "Button", 490, 217, 150, 23, "se"}, {kWriteCyclic, "Button", 215, 250, 150, 23, "s"},
    {kClearCyclic, "Button", 490, 250, 150, 23, "se"}, {0, "Button", 5, 295, 650, 200, "se"},
    {0, "Static", 18, 320, 100, 15, "se"}, {kWorkMode, "ComboBox", 178, 317, 457, -1, "se"},
    {0, "Static", 18, 350, 110, 15, "s"}, {kSectorEdit, "Edit", 178, 347, -1, 23, "s"},
    {0, "Static", 273, 350, 90, 15, "s"}, {kBlockEdit, "Edit", 373, 347, -1, 23, "s"},
    {0, "Static", 18, 385, 160, 15, "s"}, {kCrypto1Edit, "Edit", 178, 382, 183, 23, "s"},
    {kShowCrypto1, "Button", 373, 382, 120, 23, "s"}, {0, "Static", 18, 420, 160, 15, "s"},
    {kAesEdit, "Edit", 178, 417, 340, 23, "s"}, {kShowAes, "Button", 530, 417, 120, 23, "s"},
    {kGenerateRandom, "Button", 60, 455, 150, 23, "s"}, {kAddToList, "Button", 255, 455, 150, 23, "se"},
    {kShowList, "Button", 450, 455, 150, 23, "se"}, {0, "Button", 5, 500, 650, 90, "e"},
    {0, "Static", 18, 525, 150, 15, "e"}, {kDataEdit, "Edit", 180, 523, 294, 23, "e"},
    {kGenerateUnique, "Button", 490, 523, 150, 23, "e"}, {kUniqueBeforeWrite, "Button", 180, 555, 360, 23, "e"},
    {0, "Button", 5, 595, 650, 145, "e"}, {0, "Static", 18, 620, 100, 15, "e"}, {0, "Edit", 130, 617, 180, 23, "e"},
    {0, "Static", 18, 655, 100, 15, "e"}, {0, "Edit", 130, 652, 180, 23, "e"}, {0, "Static", 18, 690, 100, 15, "e"},
    {0, "Edit", 130, 687, 180, 23, "e"}, {0, "Button", 367, 617, 230, 103, "e"},
    {kConvTmW44, "Button", 379, 642, 215, 20, "ec"}, {kConvW26, "Button", 379, 667, 150, 20, "e"},
    {kConvW58, "Button", 379, 692, 150, 20, "e"}, {0, "Button", 5, 500, 650, 270, "se"},
    {0, "Button", 18, 525, 307, 110, "se"}, {kIfTouchMemory, "Button", 30, 550, 120, 20, "sec"},
    {kIfW26, "Button", 30, 575, 120, 20, "se"}, {kIfW44, "Button", 30, 600, 120, 20, "se"},
    {kIfW58, "Button", 170, 550, 120, 20, "se"}, {0, "Button", 336, 525, 307, 110, "se"},
    {kIndDirect, "Button", 348, 550, 190, 20, "sec"}, {kIndInverse, "Button", 348, 575, 190, 20, "se"},
    {0, "Button", 18, 645, 307, 110, "se"}, {kStandbyDynamic, "Button", 30, 670, 190, 20, "se"},
    {kStandbyStatic, "Button", 30, 695, 190, 20, "se"}, {kStandbyOff, "Button", 30, 720, 190, 20, "sec"},
    {0, "Button", 336, 645, 307, 110, "se"}, {kTouchPollOn, "Button", 348, 670, 190, 20, "se"},
    {kTouchPollOff, "Button", 348, 695, 190, 20, "sec"},
};

void ExpectStartForm(const Form& form) {
    for (const Expected& e : kStartForm) {
        const HWND h = e.id ? form.Control(e.id) : form.ControlAt(e.cls, e.x, e.y, e.w, e.h);
        ASSERT_NE(h, nullptr) << e.cls << " at " << e.x << "," << e.y;
        const RECT rc = ClientRectIn(h, form.Main());
        const std::string state = std::string(IsShown(h) ? "s" : "") + (IsWindowEnabled(h) ? "e" : "") +
                                  (e.id && ClassName(h) == "Button" && form.Checked(e.id) ? "c" : "");
        EXPECT_EQ(std::make_tuple(ClassName(h), int(rc.left), int(rc.top), e.w < 0 ? -1 : int(rc.right - rc.left),
                                  int(rc.bottom - rc.top), state),
                  std::make_tuple(std::string(e.cls), e.x, e.y, e.w, e.h < 0 ? int(rc.bottom - rc.top) : e.h,
                                  std::string(e.state)));
    }
    // Nothing besides the table and the two up-downs, which follow their edits.
    EXPECT_EQ(form.Children().size(), std::size(kStartForm) + 2);
    EXPECT_FALSE(form.Enabled(kSectorUpDown) || form.Enabled(kBlockUpDown));
    EXPECT_EQ(form.Items(kRole), (std::vector<std::string>{"Master", "User"}));
    EXPECT_EQ(form.Items(kWorkMode), (std::vector<std::string>{"Send card ID", "Send sector data after logged in",
                                                               "Send card ID after logged in",
                                                               "Send sector data after logged in and decrypt"}));
    EXPECT_EQ(std::make_pair(form.Selection(kRole), form.Selection(kWorkMode)), std::make_pair(0, 0));
}

// Pictures that only the documentation needs (scripts/screenshots sets TOLLVANE_E2E_SHOTS), taken without a
// reader: the progress window, the layouts the manual shows and a message box, in both languages.
void DocumentationPictures(E2eTest& t) {
    for (const std::string lang : {"ru", "en"}) {
        t.Start(lang == "ru" ? kRussianConfig : kEnglishConfig, "progress-" + lang);
        Shot(t.form->Main(), "main-master-" + lang);
        const struct { int role, mode; std::string name; } layouts[] = {
            {0, 1, "mode-master-1-"}, {0, 2, "mode-master-2-"}, {1, 0, "mode-user-0-"}, {1, 2, "mode-user-2-"},
            {1, 1, "main-user-"}};
        for (const auto& layout : layouts) {
            t.form->Select(kRole, 0);  // the work mode is chosen in the Master layout
            t.form->Select(kWorkMode, layout.mode);
            t.form->Select(kRole, layout.role);
            if (layout.name == "main-user-") t.form->Click(kGenerateUnique);
            Shot(t.form->Main(), layout.name + lang);
        }
        t.form->MenuAsync(kHelp);
        const auto box = t.program->WaitMessageBox();
        ASSERT_TRUE(box);
        Shot(box->hwnd, "message-" + lang);
        t.program->Answer(*box, IDOK);
        t.NextBox();
    }
}

// How often the reader's port is listed.
long Listed(const Form& form) {
    const std::vector<std::string> ports = form.Items(kPortCombo);
    return std::count(ports.begin(), ports.end(), "COM5");
}

// Without the USB device (which the search finds through the Setup API) no
// port is asked; with it the version query goes to its port. The version
// checks themselves are the unit tests'.
TEST_F(E2eTest, StartUpSearchFindsTheReaderReadIdShowsTheCardAndAReplugIsFollowed) {
    Registry("no-usb");
    EXPECT_EQ(Start(), (std::vector<std::string>{"Varnel not found!", "If you are sure that the reader is connected "
                                                 "to the PC,\nselect a COM port from the list!"}));
    EXPECT_EQ(sim.Sent(), "");
    EXPECT_EQ(Version(), "x.xx");
    EXPECT_EQ(Listed(*form), 1);
    ExpectStartForm(*form);
    if (std::getenv("TOLLVANE_E2E_SHOTS")) DocumentationPictures(*this);
    Registry("plug");
    EXPECT_EQ(Start(), kConnected);
    EXPECT_EQ(sim.Sent(), "41542B52454144535F555342");  // "AT+READS_USB"
    EXPECT_EQ(Version(), "2.00");
    EXPECT_EQ(Listed(*form), 1);
    EXPECT_EQ(form->Items(kPortCombo).at(static_cast<std::size_t>(form->Selection(kPortCombo))), "COM5");
    EXPECT_FALSE(form->Enabled(kPortCombo));
    Shot(form->Main(), "main-connected");

    form->MenuAsync(kReadId);
    const HWND window = program->WaitTop(L"my Child Window Read ID");
    EXPECT_EQ(WindowText(window), "Varnel ver.2.00");
    EXPECT_FALSE(IsWindowEnabled(form->Main()));
    std::vector<std::string> fields;
    for (HWND edit = nullptr; (edit = FindWindowExW(window, edit, L"Edit", nullptr)) != nullptr;)
        fields.push_back(WindowText(edit));
    EXPECT_EQ(fields, (std::vector<std::string>{"0012345678", "00BC614E", "3232235777", "192.168.1.1"}));
    Shot(window, "readid");
    program->Key(VK_ESCAPE);  // closes it as its close box does
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(form->Main()); }));

    const auto deviceChange = [&] { PostMessageW(form->Main(), WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0); };
    sim("unplug");
    Registry("unplug");  // as Windows does: the port and the USB device go
    deviceChange();
    EXPECT_EQ(NextBox(), "Connection broken.\n\r(Varnel disabled!)");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Listed(*form), 0);
    EXPECT_EQ(Version(), "x.xx");
    ASSERT_EQ(sim("plug").rfind("OK", 0), 0u);
    Registry("plug");
    deviceChange();
    EXPECT_EQ(program->SettleSearch(), kConnected);
    EXPECT_EQ(Version(), "2.00");
    EXPECT_EQ(Listed(*form), 1);
}

}  // namespace
}  // namespace tollvane::e2e
