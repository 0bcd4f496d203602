// The reader search at start-up against the simulated reader, the port
// picked by hand, and the form as it starts.
#include <algorithm>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

struct Expected {
    int id;  // 0: found by class and position
    const char* cls;
    int x, y, w, h;  // w < 0: not compared (combo boxes, edits with an up-down)
    const char* text;  // nullptr: not compared
    bool shown, enabled, checked;
};

// The form in English as it starts, with no reader found.
const Expected kStartForm[] = {
    {0, "Button", 5, 5, 650, 65, " Settings ", true, true, false},
    {0, "Static", 18, 30, 125, 16, "Programmer port: ", true, true, false},
    {kPortCombo, "ComboBox", 150, 27, 328, -1, nullptr, true, true, false},
    {kSearch, "Button", 490, 27, 150, 23, "SEARCH", true, true, false},
    {0, "Static", 18, 49, 55, 15, "Version: ", true, true, false},
    {0, "Static", 75, 48, 30, 15, "x.xx", true, true, false},
    {0, "Button", 5, 75, 650, 115, " Type card ", true, true, false},
    {kClassic, "Button", 18, 100, 120, 23, "Mifare Classic", true, true, true},
    {kPlus, "Button", 18, 125, 120, 23, "Mifare Plus", true, true, false},
    {kSl1, "Button", 140, 127, 230, 20, "[SL1] -> Mifare Classic (Crypto1)", true, false, true},
    {kSl3, "Button", 140, 155, 230, 20, "[SL3] -> Mifare Plus (AES128)", true, false, false},
    {kAesAuth, "Button", 395, 125, 240, 23, "Additional AES128 authentication", true, false, false},
    {0, "Button", 5, 195, 650, 95, " Card ", true, true, false},
    {0, "Static", 18, 220, 35, 15, "Type: ", true, true, false},
    {kRole, "ComboBox", 58, 217, 145, -1, nullptr, true, true, false},
    {kWrite, "Button", 215, 217, 150, 23, "Write", true, true, false},
    {kRead, "Button", 378, 217, 100, 23, "Read", true, true, false},
    {kClear, "Button", 490, 217, 150, 23, "Clear", true, true, false},
    {kWriteCyclic, "Button", 215, 250, 150, 23, "Write cyclically", true, false, false},
    {kClearCyclic, "Button", 490, 250, 150, 23, "Clear cyclically", true, true, false},
    {0, "Button", 5, 295, 650, 200, " Master card ", true, true, false},
    {0, "Static", 18, 320, 100, 15, "Work mode: ", true, true, false},
    {kWorkMode, "ComboBox", 178, 317, 457, -1, nullptr, true, true, false},
    {0, "Static", 18, 350, 110, 15, "Sector num: ", true, false, false},
    {kSectorEdit, "Edit", 178, 347, -1, 23, "1", true, false, false},
    {0, "Static", 273, 350, 90, 15, "Block num: ", true, false, false},
    {kBlockEdit, "Edit", 373, 347, -1, 23, "0", true, false, false},
    {0, "Static", 18, 385, 160, 15, "System key (Crypto1): ", true, false, false},
    {kCrypto1Edit, "Edit", 178, 382, 183, 23, "FF FF FF FF FF FF", true, false, false},
    {kShowCrypto1, "Button", 373, 382, 120, 23, "Show Key", true, false, false},
    {0, "Static", 18, 420, 160, 15, "System key (AES128): ", true, false, false},
    {kAesEdit, "Edit", 178, 417, 340, 23, "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", true, false, false},
    {kShowAes, "Button", 530, 417, 120, 23, "Show Key", true, false, false},
    {kGenerateRandom, "Button", 60, 455, 150, 23, "Generate random", true, false, false},
    {kAddToList, "Button", 255, 455, 150, 23, "Add to list", true, true, false},
    {kShowList, "Button", 450, 455, 150, 23, "Show list", true, true, false},
    {0, "Button", 5, 500, 650, 90, " User card ", false, true, false},
    {0, "Static", 18, 525, 150, 15, "Sector data (hex): ", false, true, false},
    {kDataEdit, "Edit", 180, 523, 294, 23, "11 22 33 44 55 66 77", false, true, false},
    {kGenerateUnique, "Button", 490, 523, 150, 23, "Generate unique", false, true, false},
    {kUniqueBeforeWrite, "Button", 180, 555, 360, 23, "Generate unique data before write", false, true, false},
    {0, "Button", 5, 595, 650, 145, " Custom Card Converter ", false, true, false},
    {0, "Static", 18, 620, 100, 15, "Touch Memory: ", false, true, false},
    {0, "Edit", 130, 617, 180, 23, nullptr, false, true, false},
    {0, "Static", 18, 655, 100, 15, "HEX: ", false, true, false},
    {0, "Edit", 130, 652, 180, 23, nullptr, false, true, false},
    {0, "Static", 18, 690, 100, 15, "DEC: ", false, true, false},
    {0, "Edit", 130, 687, 180, 23, nullptr, false, true, false},
    {0, "Button", 367, 617, 230, 103, " Reader interface ", false, true, false},
    {kConvTmW44, "Button", 379, 642, 215, 20, "Touch Memory, Wiegand 44", false, true, true},
    {kConvW26, "Button", 379, 667, 150, 20, "Wiegand 26", false, true, false},
    {kConvW58, "Button", 379, 692, 150, 20, "Wiegand 58", false, true, false},
    {0, "Button", 5, 500, 650, 270, " Corvanth reader settings ", true, true, false},
    {0, "Button", 18, 525, 307, 110, " 1) INTERFACES: ", true, true, false},
    {kIfTouchMemory, "Button", 30, 550, 120, 20, "Touch Memory", true, true, true},
    {kIfW26, "Button", 30, 575, 120, 20, "Wiegand 26", true, true, false},
    {kIfW44, "Button", 30, 600, 120, 20, "Wiegand 44", true, true, false},
    {kIfW58, "Button", 170, 550, 120, 20, "Wiegand 58", true, true, false},
    {0, "Button", 336, 525, 307, 110, " 2) INDICATION CONTROL: ", true, true, false},
    {kIndDirect, "Button", 348, 550, 190, 20, "Direct (active '1')", true, true, true},
    {kIndInverse, "Button", 348, 575, 190, 20, "Inverse (active '0')", true, true, false},
    {0, "Button", 18, 645, 307, 110, " 3) INDICATION IN STANDBY MODE: ", true, true, false},
    {kStandbyDynamic, "Button", 30, 670, 190, 20, "Dynamic", true, true, false},
    {kStandbyStatic, "Button", 30, 695, 190, 20, "Static", true, true, false},
    {kStandbyOff, "Button", 30, 720, 190, 20, "Off", true, true, true},
    {0, "Button", 336, 645, 307, 110, " 4) TOUCH BUTTON POLL: ", true, true, false},
    {kTouchPollOn, "Button", 348, 670, 190, 20, "On", true, true, false},
    {kTouchPollOff, "Button", 348, 695, 190, 20, "Off", true, true, true},
};

void ExpectStartForm(const Form& form) {
    for (const Expected& e : kStartForm) {
        SCOPED_TRACE(std::to_string(e.id) + " at " + std::to_string(e.x) + "," + std::to_string(e.y));
        const HWND h = e.id ? form.Control(e.id) : form.ControlAt(e.cls, e.x, e.y, e.w, e.h);
        ASSERT_NE(h, nullptr);
        const RECT rc = ClientRectIn(h, form.Main());
        EXPECT_EQ(ClassName(h), e.cls);
        EXPECT_EQ(rc.left, e.x);
        EXPECT_EQ(rc.top, e.y);
        EXPECT_TRUE(e.w < 0 || rc.right - rc.left == e.w);
        EXPECT_EQ(rc.bottom - rc.top, e.h < 0 ? rc.bottom - rc.top : e.h);
        if (e.text) { EXPECT_EQ(WindowText(h), e.text); }
        EXPECT_EQ(IsShown(h), e.shown);
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, e.enabled);
        if (e.id && std::string(e.cls) == "Button") { EXPECT_EQ(form.Checked(e.id), e.checked); }
    }
    // Nothing besides the table and the two up-downs, which follow their edits.
    EXPECT_EQ(form.Children().size(), std::size(kStartForm) + 2);
    EXPECT_FALSE(form.Enabled(kSectorUpDown));
    EXPECT_FALSE(form.Enabled(kBlockUpDown));
    EXPECT_EQ(form.Items(kRole), (std::vector<std::string>{"Master", "User"}));
    EXPECT_EQ(form.Selection(kRole), 0);
    EXPECT_EQ(form.Items(kWorkMode),
              (std::vector<std::string>{"Send card ID", "Send sector data after logged in", "Send card ID after logged in",
                                        "Send sector data after logged in and decrypt"}));
    EXPECT_EQ(form.Selection(kWorkMode), 0);
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
        // The operator picks the port of a device that does not answer.
        sim("next silent");
        form->Select(kPortCombo, static_cast<int>(std::find(ports.begin(), ports.end(), "COM5") - ports.begin()));
        int icon = 0;
        EXPECT_EQ(NextBox(&icon), "The reader did not respond!\n(Try again or a different COM port).");
        EXPECT_EQ(icon, 7);
        ASSERT_TRUE(Idle());
        EXPECT_TRUE(form->Enabled(kPortCombo));
        EXPECT_EQ(Version(), "x.xx");
        Registry("plug");
    }
}

}  // namespace
}  // namespace tollvane::e2e
