// The role and work-mode rules, the card-type clicks and
// the resets, run against the fake form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form_rules.h"
#include "app/main_controller.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;
using enum Ctl;

const std::vector<Ctl> kSectorTrio = {SectorLabel, SectorUpDown, SectorEdit};
const std::vector<Ctl> kBlockTrio = {BlockLabel, BlockUpDown, BlockEdit};
const std::vector<Ctl> kCrypto1Trio = {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check};
const std::vector<Ctl> kCardButtons = {WriteButton, ReadButton, ClearButton, ClearCyclicButton};
const std::vector<Ctl> kUniqueLocked = {SectorDataEdit, GenerateUniqueButton, TouchMemoryEdit, HexEdit,
                                        DecEdit,        ConvTmW44Radio,       ConvW26Radio,    ConvW58Radio};

std::vector<Ctl> Join(std::initializer_list<std::vector<Ctl>> parts) {
    std::vector<Ctl> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Started : TestApp {
    Started() { InitMainForm(app); }
};

TEST(FormStartTest, StartsInTheMasterCardIdLayoutWithClassicSelected) {
    Started t;
    for (Ctl c : {GenerateRandomButton, WriteCyclicButton, SectorEdit, BlockEdit, Crypto1KeyEdit, Sl1Radio,
                  AesAuthCheck, AesKeyEdit, ShowAesCheck})
        EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
    for (Ctl c : {ClassicCheck, Sl1Radio, IfTouchMemoryRadio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio,
                  ConvTmW44Radio})
        EXPECT_TRUE(t.form.IsChecked(c)) << static_cast<int>(c);
    EXPECT_FALSE(t.form.IsShown(UserGroup));
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit) && t.form.IsPasswordMasked(AesKeyEdit));
    EXPECT_EQ(t.form.Text(SectorDataEdit), "11 22 33 44 55 66 77");
    EXPECT_EQ(t.form.Text(TouchMemoryEdit), "CD00554433221101");
    EXPECT_EQ(t.form.Text(VersionValue), "x.xx");
}

TEST(FormRuleTest, MasterCardIdPutsSectorBlockAndKeyBackAndMasksTheKey) {
    Started t;
    t.app.values.sectorNumber = 7;
    t.app.values.blockNumber = 2;
    t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
    t.app.values.crypto1KeyText = "01 02 03 04 05 06";
    t.form[ShowCrypto1Check].checked = true;
    t.form[Crypto1KeyEdit].masked = false;

    ApplyFormRule(t.app, 0);

    EXPECT_EQ(t.app.values.sectorNumber, 1);
    EXPECT_EQ(t.form[SectorUpDown].upDownPos, 1);
    EXPECT_EQ(t.form[BlockUpDown].upDownPos, 0);
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_FALSE(t.form.IsChecked(ShowCrypto1Check));
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
}

TEST(FormRuleTest, BackToMasterClearsUniqueBeforeWriteAndUnlocksTheDataField) {
    Started t;
    t.SelectCombo(RoleCombo, 1);
    t.form.SetSelection(WorkModeCombo, 1);
    ApplyFormRule(t.app, 11);
    ClickUniqueBeforeWrite(t.app);
    ASSERT_FALSE(t.form.IsEnabled(SectorDataEdit));
    ASSERT_TRUE(t.form.IsEnabled(WriteCyclicButton));

    ApplyFormRule(t.app, 1);

    EXPECT_FALSE(t.form.IsChecked(UniqueBeforeWriteCheck));
    EXPECT_FALSE(t.form.IsEnabled(WriteCyclicButton));
    for (Ctl c : kUniqueLocked) EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
}

TEST(FormRuleTest, UserCardIdWithClassicLeavesOnlyTheKeyListAndTheConnectionUsable) {
    Started t;
    t.app.values.aesKeyText = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF";
    t.form[ShowAesCheck].checked = true;
    t.form[AesKeyEdit].masked = false;

    t.SelectCombo(RoleCombo, 1);

    for (Ctl c : Join({kCardButtons, kCrypto1Trio, kSectorTrio, kBlockTrio,
                       {WriteCyclicButton, WorkModeCombo, ClassicCheck, PlusCheck, Sl1Radio, Sl3Radio, AesAuthCheck,
                        AesKeyLabel, AesKeyEdit, ShowAesCheck, GenerateRandomButton, AddToListButton}}))
        EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
    for (Ctl c : {ShowListButton, RoleCombo, PortCombo, SearchButton})
        EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
    EXPECT_EQ(t.app.values.aesKeyText, "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(t.form.Text(AesKeyEdit), t.app.values.aesKeyText);
    EXPECT_FALSE(t.form.IsChecked(ShowAesCheck));
    EXPECT_TRUE(t.form.IsPasswordMasked(AesKeyEdit));
}

TEST(ClickRuleTest, Sl1TurnsTheCrypto1KeyOnOnlyOutsideCardIdMode) {
    for (int mode : {0, 1, 2, 3}) {
        Started t;
        t.form.SetSelection(WorkModeCombo, mode);
        ClickPlus(t.app);
        t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
        t.form[ClearButton].enabled = false;
        t.ClickRadio(Sl1Radio, Sl1Radio, Sl3Radio);
        EXPECT_TRUE(t.form.IsEnabled(AesAuthCheck));
        EXPECT_TRUE(t.form.IsEnabled(ClearButton));
        EXPECT_TRUE(t.form.IsEnabled(ClearCyclicButton));
        for (Ctl c : kCrypto1Trio) EXPECT_EQ(t.form.IsEnabled(c), mode != 0) << mode << " " << static_cast<int>(c);
    }
}

TEST(ClickRuleTest, Sl3ResetsAShownCrypto1KeyAndMasksIt) {
    Started t;
    t.form.SetSelection(WorkModeCombo, 1);
    ApplyFormRule(t.app, 1);
    ClickPlus(t.app);
    t.Click(AesAuthCheck);
    t.Click(ShowCrypto1Check);
    t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
    ASSERT_FALSE(t.form.IsPasswordMasked(Crypto1KeyEdit));

    t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);

    EXPECT_FALSE(t.form.IsChecked(AesAuthCheck));
    for (Ctl c : Join({kCrypto1Trio, {AesAuthCheck}})) EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_FALSE(t.form.IsChecked(ShowCrypto1Check));
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
}

TEST(ClickRuleTest, SelectClassicUndoesThePlusSettings) {
    for (int mode : {0, 2}) {
        Started t;
        t.form.SetSelection(WorkModeCombo, mode);
        ApplyFormRule(t.app, mode);
        ClickPlus(t.app);
        t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
        t.Click(ShowAesCheck);
        t.app.values.aesKey.fill(0x12);
        t.form[ClearButton].enabled = false;

        t.Click(ClassicCheck);

        EXPECT_TRUE(t.form.IsChecked(ClassicCheck) && t.form.IsChecked(Sl1Radio));
        EXPECT_FALSE(t.form.IsChecked(PlusCheck) || t.form.IsChecked(Sl3Radio) || t.form.IsChecked(AesAuthCheck));
        for (Ctl c : {Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck})
            EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
        EXPECT_EQ(t.app.values.aesKey[0], 0xFF);
        EXPECT_FALSE(t.form.IsChecked(ShowAesCheck));
        EXPECT_TRUE(t.form.IsPasswordMasked(AesKeyEdit));
        EXPECT_TRUE(t.form.IsEnabled(ClearButton));
        EXPECT_EQ(t.form.IsEnabled(GenerateRandomButton), mode != 0);
        for (Ctl c : kCrypto1Trio) EXPECT_EQ(t.form.IsEnabled(c), mode != 0) << static_cast<int>(c);
    }
}

TEST(ResetTest, ResetFormBringsValuesBackButKeepsRoleAndVisibility) {
    Started t;
    t.SelectCombo(RoleCombo, 1);
    t.form.SetSelection(WorkModeCombo, 3);
    ApplyFormRule(t.app, 13);
    t.app.reader = {'B', 200};
    t.app.values.sectorNumber = 9;
    t.app.values.blockNumber = 1;
    t.app.values.uniqueData = {1, 2, 3, 4, 5, 6, 7};
    t.ClickRadio(ConvW58Radio, ConvTmW44Radio, ConvW58Radio);
    t.ClickRadio(IfW44Radio, IfTouchMemoryRadio, IfW58Radio);
    t.ClickRadio(IndInverseRadio, IndDirectRadio, IndInverseRadio);
    t.ClickRadio(StandbyStaticRadio, StandbyDynamicRadio, StandbyOffRadio);
    t.ClickRadio(TouchPollOnRadio, TouchPollOnRadio, TouchPollOffRadio);

    ResetForm(t.app);

    EXPECT_EQ(t.app.reader.modelLetter, 'X');
    EXPECT_EQ(t.form.Selection(RoleCombo), 1);
    EXPECT_EQ(t.form.Selection(WorkModeCombo), 0);
    EXPECT_TRUE(t.form.IsShown(UserGroup));
    EXPECT_FALSE(t.form.IsShown(ReaderSettingsGroup));
    EXPECT_EQ(t.app.values.sectorNumber, 1);
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_TRUE(t.form.IsChecked(ConvTmW44Radio));
    EXPECT_EQ(t.form.Text(HexEdit), "0504030201");  // format 0 of the data as it stands
    for (Ctl c : {IfTouchMemoryRadio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio})
        EXPECT_TRUE(t.form.IsChecked(c)) << static_cast<int>(c);
    for (Ctl c : {IfW44Radio, IndInverseRadio, StandbyStaticRadio, TouchPollOnRadio})
        EXPECT_FALSE(t.form.IsChecked(c)) << static_cast<int>(c);
    EXPECT_TRUE(t.form.IsChecked(ClassicCheck));
    EXPECT_FALSE(t.form.IsEnabled(ShowCrypto1Check));
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
}

}  // namespace
}  // namespace tollvane
