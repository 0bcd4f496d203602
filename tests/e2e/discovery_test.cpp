// The reader search at start-up against the simulated reader, and the form
// as it starts.
#include <algorithm>
#include <tuple>

#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

struct Expected {
    int id;  // 0: found by class and position
    const char* cls;
    int x, y, w, h;  // w < 0: not compared (combo boxes, edits with an up-down)
    const char* text;  // nullptr: not compared
    const char* state;  // s shown, e enabled, c checked
};

// The form in English as it starts, with no reader found.
const Expected kStartForm[] = {
    {0, "Button", 5, 5, 650, 65, " Settings ", "se"}, {0, "Static", 18, 30, 125, 16, "Programmer port: ", "se"},
    {kPortCombo, "ComboBox", 150, 27, 328, -1, nullptr, "se"}, {kSearch, "Button", 490, 27, 150, 23, "SEARCH", "se"},
    {0, "Static", 18, 49, 55, 15, "Version: ", "se"}, {0, "Static", 75, 48, 30, 15, "x.xx", "se"},
    {0, "Button", 5, 75, 650, 115, " Type card ", "se"},
    {kClassic, "Button", 18, 100, 120, 23, "Mifare Classic", "sec"},
    {kPlus, "Button", 18, 125, 120, 23, "Mifare Plus", "se"},
    {kSl1, "Button", 140, 127, 230, 20, "[SL1] -> Mifare Classic (Crypto1)", "sc"},
    {kSl3, "Button", 140, 155, 230, 20, "[SL3] -> Mifare Plus (AES128)", "s"},
    {kAesAuth, "Button", 395, 125, 240, 23, "Additional AES128 authentication", "s"},
    {0, "Button", 5, 195, 650, 95, " Card ", "se"}, {0, "Static", 18, 220, 35, 15, "Type: ", "se"},
    {kRole, "ComboBox", 58, 217, 145, -1, nullptr, "se"}, {kWrite, "Button", 215, 217, 150, 23, "Write", "se"},
    {kRead, "Button", 378, 217, 100, 23, "Read", "se"}, {kClear, "Button", 490, 217, 150, 23, "Clear", "se"},
    {kWriteCyclic, "Button", 215, 250, 150, 23, "Write cyclically", "s"},
    {kClearCyclic, "Button", 490, 250, 150, 23, "Clear cyclically", "se"},
    {0, "Button", 5, 295, 650, 200, " Master card ", "se"}, {0, "Static", 18, 320, 100, 15, "Work mode: ", "se"},
    {kWorkMode, "ComboBox", 178, 317, 457, -1, nullptr, "se"}, {0, "Static", 18, 350, 110, 15, "Sector num: ", "s"},
    {kSectorEdit, "Edit", 178, 347, -1, 23, "1", "s"}, {0, "Static", 273, 350, 90, 15, "Block num: ", "s"},
    {kBlockEdit, "Edit", 373, 347, -1, 23, "0", "s"}, {0, "Static", 18, 385, 160, 15, "System key (Crypto1): ", "s"},
    {kCrypto1Edit, "Edit", 178, 382, 183, 23, "FF FF FF FF FF FF", "s"},
    {kShowCrypto1, "Button", 373, 382, 120, 23, "Show Key", "s"},
    {0, "Static", 18, 420, 160, 15, "System key (AES128): ", "s"},
    {kAesEdit, "Edit", 178, 417, 340, 23, "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", "s"},
    {kShowAes, "Button", 530, 417, 120, 23, "Show Key", "s"},
    {kGenerateRandom, "Button", 60, 455, 150, 23, "Generate random", "s"},
    {kAddToList, "Button", 255, 455, 150, 23, "Add to list", "se"},
    {kShowList, "Button", 450, 455, 150, 23, "Show list", "se"}, {0, "Button", 5, 500, 650, 90, " User card ", "e"},
    {0, "Static", 18, 525, 150, 15, "Sector data (hex): ", "e"},
    {kDataEdit, "Edit", 180, 523, 294, 23, "11 22 33 44 55 66 77", "e"},
    {kGenerateUnique, "Button", 490, 523, 150, 23, "Generate unique", "e"},
    {kUniqueBeforeWrite, "Button", 180, 555, 360, 23, "Generate unique data before write", "e"},
    {0, "Button", 5, 595, 650, 145, " Custom Card Converter ", "e"},
    {0, "Static", 18, 620, 100, 15, "Touch Memory: ", "e"}, {0, "Edit", 130, 617, 180, 23, nullptr, "e"},
    {0, "Static", 18, 655, 100, 15, "HEX: ", "e"}, {0, "Edit", 130, 652, 180, 23, nullptr, "e"},
    {0, "Static", 18, 690, 100, 15, "DEC: ", "e"}, {0, "Edit", 130, 687, 180, 23, nullptr, "e"},
    {0, "Button", 367, 617, 230, 103, " Reader interface ", "e"},
    {kConvTmW44, "Button", 379, 642, 215, 20, "Touch Memory, Wiegand 44", "ec"},
    {kConvW26, "Button", 379, 667, 150, 20, "Wiegand 26", "e"},
    {kConvW58, "Button", 379, 692, 150, 20, "Wiegand 58", "e"},
    {0, "Button", 5, 500, 650, 270, " Corvanth reader settings ", "se"},
    {0, "Button", 18, 525, 307, 110, " 1) INTERFACES: ", "se"},
    {kIfTouchMemory, "Button", 30, 550, 120, 20, "Touch Memory", "sec"},
    {kIfW26, "Button", 30, 575, 120, 20, "Wiegand 26", "se"},
    {kIfW44, "Button", 30, 600, 120, 20, "Wiegand 44", "se"},
    {kIfW58, "Button", 170, 550, 120, 20, "Wiegand 58", "se"},
    {0, "Button", 336, 525, 307, 110, " 2) INDICATION CONTROL: ", "se"},
    {kIndDirect, "Button", 348, 550, 190, 20, "Direct (active '1')", "sec"},
    {kIndInverse, "Button", 348, 575, 190, 20, "Inverse (active '0')", "se"},
    {0, "Button", 18, 645, 307, 110, " 3) INDICATION IN STANDBY MODE: ", "se"},
    {kStandbyDynamic, "Button", 30, 670, 190, 20, "Dynamic", "se"},
    {kStandbyStatic, "Button", 30, 695, 190, 20, "Static", "se"},
    {kStandbyOff, "Button", 30, 720, 190, 20, "Off", "sec"},
    {0, "Button", 336, 645, 307, 110, " 4) TOUCH BUTTON POLL: ", "se"},
    {kTouchPollOn, "Button", 348, 670, 190, 20, "On", "se"},
    {kTouchPollOff, "Button", 348, 695, 190, 20, "Off", "sec"},
};

void ExpectStartForm(const Form& form) {
    for (const Expected& e : kStartForm) {
        const HWND h = e.id ? form.Control(e.id) : form.ControlAt(e.cls, e.x, e.y, e.w, e.h);
        ASSERT_NE(h, nullptr) << e.cls << " at " << e.x << "," << e.y;
        const RECT rc = ClientRectIn(h, form.Main());
        const std::string state = std::string(IsShown(h) ? "s" : "") + (IsWindowEnabled(h) ? "e" : "") +
                                  (e.id && ClassName(h) == "Button" && form.Checked(e.id) ? "c" : "");
        EXPECT_EQ(std::make_tuple(ClassName(h), int(rc.left), int(rc.top), e.w < 0 ? -1 : int(rc.right - rc.left),
                                  int(rc.bottom - rc.top), e.text ? WindowText(h) : "", state),
                  std::make_tuple(std::string(e.cls), e.x, e.y, e.w, e.h < 0 ? int(rc.bottom - rc.top) : e.h,
                                  std::string(e.text ? e.text : ""), std::string(e.state)));
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
        Registry("plug");
    }
}

}  // namespace
}  // namespace tollvane::e2e
