// The role and work-mode rules, the card-type clicks and the reset, run
// against the fake form as the program starts it. The start form itself is
// the end-to-end suite's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/card_settings.h"
#include "app/form_rules.h"
#include "app/main_controller.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;
using testing::WithReader;
using enum Ctl;

const std::string kFF6 = "FF FF FF FF FF FF";
const std::vector<Ctl> kCrypto1Trio = {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check};
const std::vector<Ctl> kUniqueLocked = {SectorDataEdit, GenerateUniqueButton, TouchMemoryEdit, HexEdit,
                                        DecEdit,        ConvTmW44Radio,       ConvW26Radio,    ConvW58Radio};

// The form as the program starts it, with both keys changed and shown in
// clear, as the operator may leave them.
struct KeysShown : TestApp {
    KeysShown() : TestApp(WithReader{}) {
        SetHexField(app, Crypto1KeyEdit, std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6});
        SetHexField(app, AesKeyEdit, std::array<std::uint8_t, 16>{0x12});
        Click(ShowCrypto1Check);
        Click(ShowAesCheck);
    }
    // A key is back at all FF and masked, its "Show Key" box cleared.
    void ExpectKeyReset(Ctl edit, Ctl show, const std::string& text) {
        EXPECT_EQ(form.Text(edit), text);
        EXPECT_FALSE(form.IsChecked(show));
        EXPECT_TRUE(form.IsPasswordMasked(edit));
    }
};

TEST(FormRuleTest, MasterCardIdPutsSectorBlockAndKeyBack) {
    KeysShown t;
    t.app.values.sectorNumber = 7;
    t.app.values.blockNumber = 2;
    ApplyFormRule(t.app, 0);
    EXPECT_EQ(t.app.values.sectorNumber, 1);
    EXPECT_EQ(t.form[SectorUpDown].upDownPos, 1);
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_EQ(t.form[BlockUpDown].upDownPos, 0);
    t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);
}

TEST(FormRuleTest, UniqueBeforeWriteLocksTheDataUntilTheMasterRoleClearsIt) {
    TestApp t{WithReader{}};
    t.SelectCombo(WorkModeCombo, 1);
    t.SelectCombo(RoleCombo, 1);
    t.Click(UniqueBeforeWriteCheck);
    EXPECT_TRUE(t.form.IsEnabled(WriteCyclicButton));
    for (Ctl c : kUniqueLocked) EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);

    t.SelectCombo(RoleCombo, 0);
    EXPECT_FALSE(t.form.IsChecked(UniqueBeforeWriteCheck));
    EXPECT_FALSE(t.form.IsEnabled(WriteCyclicButton));
    for (Ctl c : kUniqueLocked) EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
}

TEST(FormRuleTest, UserCardIdWithClassicLeavesOnlyTheKeyListAndTheConnectionUsable) {
    KeysShown t;
    t.SelectCombo(RoleCombo, 1);
    for (Ctl c : {WriteButton, ReadButton, ClearButton, ClearCyclicButton, WriteCyclicButton, WorkModeCombo,
                  ClassicCheck, PlusCheck, Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck,
                  GenerateRandomButton, AddToListButton, SectorLabel, SectorUpDown, SectorEdit, BlockLabel,
                  BlockUpDown, BlockEdit, Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check})
        EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
    for (Ctl c : {ShowListButton, RoleCombo, PortCombo, SearchButton})
        EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
    t.ExpectKeyReset(AesKeyEdit, ShowAesCheck, kFF6 + " " + kFF6 + " FF FF FF FF");
}

// Sl3 takes the Crypto1 key and the additional AES authentication away and
// puts a shown key back; Sl1 gives them back, the key outside the card ID mode.
TEST(ClickRuleTest, Sl3TakesTheCrypto1KeyAwayAndSl1GivesItBack) {
    for (int mode : {0, 2}) {
        SCOPED_TRACE(mode);
        KeysShown t;
        t.SelectCombo(WorkModeCombo, mode);
        ClickPlus(t.app);
        t.Click(AesAuthCheck);
        t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
        EXPECT_FALSE(t.form.IsChecked(AesAuthCheck));
        for (Ctl c : {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check, AesAuthCheck})
            EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
        t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);

        t.form[ClearButton].enabled = false;
        t.ClickRadio(Sl1Radio, Sl1Radio, Sl3Radio);
        for (Ctl c : {AesAuthCheck, ClearButton, ClearCyclicButton}) EXPECT_TRUE(t.form.IsEnabled(c));
        for (Ctl c : kCrypto1Trio) EXPECT_EQ(t.form.IsEnabled(c), mode != 0) << static_cast<int>(c);
    }
}

TEST(ClickRuleTest, SelectClassicUndoesThePlusSettings) {
    for (int mode : {0, 2}) {
        KeysShown t;
        t.SelectCombo(WorkModeCombo, mode);
        ClickPlus(t.app);
        t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
        t.Click(AesAuthCheck);
        t.form[ClearButton].enabled = false;

        t.Click(ClassicCheck);

        EXPECT_TRUE(t.form.IsChecked(ClassicCheck) && t.form.IsChecked(Sl1Radio));
        EXPECT_FALSE(t.form.IsChecked(PlusCheck) || t.form.IsChecked(Sl3Radio) || t.form.IsChecked(AesAuthCheck));
        for (Ctl c : {Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck})
            EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
        t.ExpectKeyReset(AesKeyEdit, ShowAesCheck, kFF6 + " " + kFF6 + " FF FF FF FF");
        EXPECT_TRUE(t.form.IsEnabled(ClearButton));
        EXPECT_EQ(t.form.IsEnabled(GenerateRandomButton), mode != 0);
        for (Ctl c : kCrypto1Trio) EXPECT_EQ(t.form.IsEnabled(c), mode != 0) << static_cast<int>(c);
    }
}

// The reset brings the values back (the converter's format too), but keeps
// the role and which controls are shown.
TEST(ResetTest, ResetFormBringsValuesBackButKeepsRoleAndVisibility) {
    KeysShown t;
    t.SelectCombo(WorkModeCombo, 3);
    t.SelectCombo(RoleCombo, 1);
    t.app.values.blockNumber = 1;
    ClickPlus(t.app);
    t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
    t.ClickRadio(ConvW26Radio, ConvTmW44Radio, ConvW58Radio);
    EXPECT_EQ(t.form.Text(HexEdit), "332211");  // the data in the Wiegand 26 format
    t.ClickRadio(ConvW58Radio, ConvTmW44Radio, ConvW58Radio);
    EXPECT_EQ(t.form.Text(HexEdit), "77665544332211");
    t.ClickRadio(IfW44Radio, IfTouchMemoryRadio, IfW58Radio);
    t.ClickRadio(IndInverseRadio, IndDirectRadio, IndInverseRadio);
    t.ClickRadio(StandbyStaticRadio, StandbyDynamicRadio, StandbyOffRadio);
    t.ClickRadio(TouchPollOnRadio, TouchPollOnRadio, TouchPollOffRadio);

    ResetForm(t.app);

    EXPECT_EQ(t.form.Selection(RoleCombo), 1);
    EXPECT_EQ(t.form.Selection(WorkModeCombo), 0);
    EXPECT_TRUE(t.form.IsShown(UserGroup));
    EXPECT_FALSE(t.form.IsShown(ReaderSettingsGroup));
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_EQ(t.form.Text(HexEdit), "5544332211");  // the data in the Touch Memory / Wiegand 44 format
    for (Ctl c : {ConvTmW44Radio, IfTouchMemoryRadio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio,
                  ClassicCheck, Sl1Radio})
        EXPECT_TRUE(t.form.IsChecked(c)) << static_cast<int>(c);
    for (Ctl c : {ConvW58Radio, IfW44Radio, IndInverseRadio, StandbyStaticRadio, TouchPollOnRadio, PlusCheck, Sl3Radio})
        EXPECT_FALSE(t.form.IsChecked(c)) << static_cast<int>(c);
    EXPECT_FALSE(t.form.IsEnabled(ShowCrypto1Check));
    t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);
}

}  // namespace
}  // namespace tollvane
