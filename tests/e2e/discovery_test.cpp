// The reader search at start-up against the simulated reader, and the form
// as it starts.
#include <algorithm>
#include <tuple>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

void ExpectStartForm(const Form& form) {
    for (const Expected& e : kStartForm) {
        const HWND h = e.id ? form.Control(e.id) : form.ControlAt(e.cls, e.x, e.y, e.w, e.h);
        ASSERT_NE(h, nullptr) << e.cls << " at " << e.x << "," << e.y;
        const RECT rc = ClientRectIn(h, form.Main());
        const std::string state = std::string(IsShown(h) ? "s" : "") + (IsWindowEnabled(h) ? "e" : "") +
                                  (e.id && ClassName(h) == "Button" && form.Checked(e.id) ? "c" : "");
        EXPECT_EQ(std::make_tuple(ClassName(h), int(rc.left), int(rc.top), e.w < 0 ? -1 : int(rc.right - rc.left),
                                  int(rc.bottom - rc.top), state),
                  std::make_tuple(std::string(e.cls), e.x, e.y, e.w, e.h < 0 ? int(rc.bottom - rc.top) : e.h, std::string(e.state)));
    }
    // Nothing besides the table and the two up-downs, which follow their edits.
    EXPECT_EQ(form.Children().size(), std::size(kStartForm) + 2);
    EXPECT_FALSE(form.Enabled(kSectorUpDown) || form.Enabled(kBlockUpDown));
    EXPECT_EQ(form.Items(kRole), (std::vector<std::string>{"Master", "User"}));
    EXPECT_EQ(form.Items(kWorkMode),
              (std::vector<std::string>{"Send card ID", "Send sector data after logged in", "Send card ID after logged in",
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

struct DiscoveryCase {
    const char* name;
    const char* registry;  // the registry change made before the start, or nullptr
    const char* version;   // what the reader reports
    std::vector<std::string> boxes;
    const char* shownVersion;
    bool connected;
};

const std::string kFound = "Varnel reader found!\n\r->[COM5]";
const std::string kQueryHex = "41542B52454144535F555342";  // "AT+READS_USB"

TEST_F(E2eTest, StartUpSearchFindsTheReaderAndChecksItsVersion) {
    const DiscoveryCase cases[] = {
        {"no USB device", "no-usb", "2.00",
         {"Varnel not found!", "If you are sure that the reader is connected to the PC,\nselect a COM port from the list!"},
         "x.xx", false},
        {"reader 2.00", nullptr, "2.00", {kFound, "Settings read!"}, "2.00", true},
        {"reader 2.01", nullptr, "2.01", {kFound, "Settings read!", "Update your reader to version 2.00!"}, "x.xx", false},
    };
    for (const DiscoveryCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.registry) Registry(c.registry);
        sim(std::string("version ") + c.version);
        sim("sent");
        EXPECT_EQ(Start(), c.boxes);
        EXPECT_EQ(Version(), c.shownVersion);
        EXPECT_EQ(form->Enabled(kPortCombo), !c.connected);
        EXPECT_EQ(sim.Sent(), c.registry ? "" : kQueryHex);
        const std::vector<std::string> ports = form->Items(kPortCombo);
        EXPECT_EQ(std::count(ports.begin(), ports.end(), "COM5"), 1);
        if (c.connected) {
            EXPECT_EQ(ports.at(static_cast<std::size_t>(form->Selection(kPortCombo))), "COM5");
            Shot(form->Main(), "main-connected");
        }
        if (!c.registry) continue;
        ExpectStartForm(*form);
        if (std::getenv("TOLLVANE_E2E_SHOTS")) DocumentationPictures(*this);
        Registry("plug");
    }
}

}  // namespace
}  // namespace tollvane::e2e
