// The form's layouts, the role and work-mode rules, the card-type clicks and
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

const std::vector<Ctl> kReaderSettings = {
    ReaderSettingsGroup, InterfacesGroup,    IndicationGroup,    StandbyGroup,       TouchPollGroup,
    IfTouchMemoryRadio,  IfW26Radio,         IfW44Radio,         IfW58Radio,         IndDirectRadio,
    IndInverseRadio,     StandbyDynamicRadio, StandbyStaticRadio, StandbyOffRadio,   TouchPollOnRadio,
    TouchPollOffRadio};
const std::vector<Ctl> kUserAndConverter = {
    UserGroup,       SectorDataLabel, SectorDataEdit,       GenerateUniqueButton, UniqueBeforeWriteCheck,
    ConverterGroup,  TouchMemoryLabel, TouchMemoryEdit,     HexLabel,             HexEdit,
    DecLabel,        DecEdit,          ReaderInterfaceGroup, ConvTmW44Radio,      ConvW26Radio,
    ConvW58Radio};
// The user-card controls whose enabled state the Master layouts leave alone.
const std::vector<Ctl> kUserValueControls = {
    SectorDataLabel, SectorDataEdit, GenerateUniqueButton, UniqueBeforeWriteCheck, TouchMemoryLabel,
    HexLabel,        DecLabel,       TouchMemoryEdit,      HexEdit,               DecEdit,
    ConvTmW44Radio,  ConvW26Radio,   ConvW58Radio};
// No layout touches these.
const std::vector<Ctl> kNeverTouched = {RoleCombo,    PortCombo,   SearchButton, ClassicCheck,
                                        PlusCheck,    Sl1Radio,    Sl3Radio,     AesAuthCheck,
                                        AesKeyLabel,  AesKeyEdit,  ShowAesCheck};
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

enum class Card { Classic, PlusSl1, PlusSl3 };

void SetCard(TestApp& t, Card card) {
    t.form[ClassicCheck].checked = card == Card::Classic;
    t.form[PlusCheck].checked = card != Card::Classic;
    t.form[Sl1Radio].checked = card != Card::PlusSl3;
    t.form[Sl3Radio].checked = card == Card::PlusSl3;
}

struct LayoutCase {
    const char* name;
    Layout layout;
    Card card;
    bool unique;
    std::vector<Ctl> on, off, kept;
};

// Expected states of every role-dependent control, for card types and
// option states that select each conditional cell both ways.
std::vector<LayoutCase> LayoutCases() {
    const std::vector<Ctl> masterCommon = Join({kCardButtons, {WorkModeCombo, AddToListButton, ShowListButton}});
    return {
        {"MasterCardIdClassic", Layout::MasterCardId, Card::Classic, false, masterCommon,
         Join({{WriteCyclicButton, GenerateRandomButton}, kSectorTrio, kBlockTrio, kCrypto1Trio}),
         Join({kUserValueControls, kNeverTouched})},
        {"MasterCardIdPlus", Layout::MasterCardId, Card::PlusSl3, false, masterCommon,
         Join({{WriteCyclicButton}, kSectorTrio, kBlockTrio, kCrypto1Trio}),
         Join({{GenerateRandomButton}, kUserValueControls, kNeverTouched})},
        {"MasterSectorDataClassic", Layout::MasterSectorData, Card::Classic, false,
         Join({masterCommon, kSectorTrio, kBlockTrio, kCrypto1Trio, {GenerateRandomButton}}), {WriteCyclicButton},
         Join({kUserValueControls, kNeverTouched})},
        {"MasterSectorDataSl1", Layout::MasterSectorData, Card::PlusSl1, false,
         Join({masterCommon, kSectorTrio, kBlockTrio, kCrypto1Trio, {GenerateRandomButton}}), {WriteCyclicButton},
         Join({kUserValueControls, kNeverTouched})},
        {"MasterSectorDataSl3", Layout::MasterSectorData, Card::PlusSl3, false,
         Join({masterCommon, kSectorTrio, kBlockTrio, {GenerateRandomButton}}), {WriteCyclicButton},
         Join({kCrypto1Trio, kUserValueControls, kNeverTouched})},
        {"MasterIdAfterLoginClassic", Layout::MasterCardIdAfterLogin, Card::Classic, false,
         Join({masterCommon, kSectorTrio, kCrypto1Trio, {GenerateRandomButton}}),
         Join({{WriteCyclicButton}, kBlockTrio}), Join({kUserValueControls, kNeverTouched})},
        {"MasterIdAfterLoginSl3", Layout::MasterCardIdAfterLogin, Card::PlusSl3, false,
         Join({masterCommon, kSectorTrio, {GenerateRandomButton}}), Join({{WriteCyclicButton}, kBlockTrio}),
         Join({kCrypto1Trio, kUserValueControls, kNeverTouched})},
        {"UserCardIdClassic", Layout::UserCardId, Card::Classic, true, {ShowListButton},
         Join({kCardButtons, kSectorTrio, kBlockTrio, kCrypto1Trio, kUserValueControls,
               {WriteCyclicButton, WorkModeCombo, GenerateRandomButton, AddToListButton}}),
         kNeverTouched},
        {"UserCardIdPlus", Layout::UserCardId, Card::PlusSl1, false, {ShowListButton},
         Join({{ReadButton, ClearButton, ClearCyclicButton}, kSectorTrio, kBlockTrio, kCrypto1Trio,
               kUserValueControls, {WorkModeCombo, GenerateRandomButton, AddToListButton}}),
         Join({{WriteButton, WriteCyclicButton}, kNeverTouched})},
        {"UserSectorDataClassic", Layout::UserSectorData, Card::Classic, false,
         Join({kCardButtons, kUserValueControls,
               {SectorLabel, BlockLabel, Crypto1KeyLabel, ShowCrypto1Check, ShowListButton}}),
         {WriteCyclicButton, WorkModeCombo, SectorUpDown, SectorEdit, BlockUpDown, BlockEdit, Crypto1KeyEdit,
          GenerateRandomButton, AddToListButton},
         kNeverTouched},
        {"UserSectorDataUniqueSl3", Layout::UserSectorData, Card::PlusSl3, true,
         Join({kCardButtons,
               {WriteCyclicButton, SectorLabel, BlockLabel, Crypto1KeyLabel, ShowListButton, SectorDataLabel,
                UniqueBeforeWriteCheck, TouchMemoryLabel, HexLabel, DecLabel}}),
         Join({kUniqueLocked,
               {WorkModeCombo, SectorUpDown, SectorEdit, BlockUpDown, BlockEdit, Crypto1KeyEdit,
                GenerateRandomButton, AddToListButton}}),
         Join({{ShowCrypto1Check}, kNeverTouched})},
        {"UserIdAfterLoginClassic", Layout::UserCardIdAfterLogin, Card::Classic, true,
         Join({kCardButtons, {WriteCyclicButton, SectorLabel, Crypto1KeyLabel, ShowCrypto1Check, ShowListButton}}),
         Join({kBlockTrio, kUserValueControls,
               {WorkModeCombo, SectorUpDown, SectorEdit, Crypto1KeyEdit, GenerateRandomButton, AddToListButton}}),
         kNeverTouched},
        {"UserIdAfterLoginSl3", Layout::UserCardIdAfterLogin, Card::PlusSl3, false,
         Join({kCardButtons, {WriteCyclicButton, SectorLabel, Crypto1KeyLabel, ShowListButton}}),
         Join({kBlockTrio, kUserValueControls,
               {WorkModeCombo, SectorUpDown, SectorEdit, Crypto1KeyEdit, GenerateRandomButton, AddToListButton}}),
         Join({{ShowCrypto1Check}, kNeverTouched})},
    };
}

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, SetsEveryRoleDependentControl) {
    const LayoutCase& c = GetParam();
    // Run from all-enabled and from all-disabled, so that a control the
    // layout should leave alone is caught whichever way it is changed.
    for (bool start : {true, false}) {
        SCOPED_TRACE(start ? "from all enabled" : "from all disabled");
        TestApp t;
        for (const auto& list : {c.on, c.off, c.kept, kReaderSettings, kUserAndConverter})
            for (Ctl ctl : list) t.form[ctl].enabled = start;
        SetCard(t, c.card);
        t.form[UniqueBeforeWriteCheck].checked = c.unique;

        ApplyLayout(t.app, c.layout);

        for (Ctl ctl : c.on) EXPECT_TRUE(t.form.IsEnabled(ctl)) << static_cast<int>(ctl);
        for (Ctl ctl : c.off) EXPECT_FALSE(t.form.IsEnabled(ctl)) << static_cast<int>(ctl);
        for (Ctl ctl : c.kept) EXPECT_EQ(t.form.IsEnabled(ctl), start) << static_cast<int>(ctl);
        const bool user = c.layout >= Layout::UserCardId;
        for (Ctl ctl : kUserAndConverter) EXPECT_EQ(t.form.IsShown(ctl), user) << static_cast<int>(ctl);
        for (Ctl ctl : kReaderSettings) EXPECT_EQ(t.form.IsShown(ctl), !user) << static_cast<int>(ctl);
        // Only the User layout for card IDs clears the option; the others
        // leave it as it was.
        EXPECT_EQ(t.form.IsChecked(UniqueBeforeWriteCheck), c.unique && c.layout != Layout::UserCardId);
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, LayoutTest, ::testing::ValuesIn(LayoutCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct Started : TestApp {
    Started() { InitMainForm(app); }
};

TEST(FormStartTest, StartsInTheMasterCardIdLayoutWithClassicSelected) {
    Started t;
    EXPECT_EQ(t.form.Selection(RoleCombo), 0);
    EXPECT_EQ(t.form.ItemCount(RoleCombo), 2);
    EXPECT_EQ(t.form.Selection(WorkModeCombo), 0);
    EXPECT_EQ(t.form.ItemCount(WorkModeCombo), 4);
    for (Ctl c : {GenerateRandomButton, WriteCyclicButton, SectorEdit, BlockEdit, Crypto1KeyEdit, Sl1Radio,
                  Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck})
        EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);
    for (Ctl c : {WriteButton, ReadButton, ClearButton, ClearCyclicButton, AddToListButton, ShowListButton})
        EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
    EXPECT_TRUE(t.form.IsChecked(ClassicCheck));
    EXPECT_TRUE(t.form.IsChecked(Sl1Radio));
    EXPECT_FALSE(t.form.IsChecked(Sl3Radio));
    for (Ctl c : {IfTouchMemoryRadio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio, ConvTmW44Radio})
        EXPECT_TRUE(t.form.IsChecked(c)) << static_cast<int>(c);
    EXPECT_TRUE(t.form.IsShown(ReaderSettingsGroup));
    EXPECT_FALSE(t.form.IsShown(UserGroup));
    EXPECT_FALSE(t.form.IsShown(ConverterGroup));
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
    EXPECT_TRUE(t.form.IsPasswordMasked(AesKeyEdit));
    EXPECT_EQ(t.form.Text(SectorDataEdit), "11 22 33 44 55 66 77");
    EXPECT_EQ(t.form.Text(TouchMemoryEdit), "CD00554433221101");
    EXPECT_EQ(t.form.Text(HexEdit), "5544332211");
    EXPECT_EQ(t.form.Text(DecEdit), "0366216421905");
    EXPECT_EQ(t.form.Text(VersionValue), "x.xx");
    EXPECT_EQ(t.form.Text(HexLabel), "HEX: ");
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
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_EQ(t.form[BlockUpDown].upDownPos, 0);
    EXPECT_EQ(t.app.values.crypto1Key, (std::array<std::uint8_t, 6>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(t.app.values.crypto1KeyText, "FF FF FF FF FF FF");
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "FF FF FF FF FF FF");
    EXPECT_FALSE(t.form.IsChecked(ShowCrypto1Check));
    EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
}

TEST(FormRuleTest, CardIdAfterLoginResetsOnlyTheBlock) {
    Started t;
    t.app.values.sectorNumber = 7;
    t.app.values.blockNumber = 2;
    t.app.values.crypto1KeyText = "01 02 03 04 05 06";
    t.form[Crypto1KeyEdit].text = "01 02 03 04 05 06";

    ApplyFormRule(t.app, 2);

    EXPECT_EQ(t.app.values.sectorNumber, 7);
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "01 02 03 04 05 06");
    EXPECT_TRUE(t.form.IsEnabled(SectorEdit));
    EXPECT_FALSE(t.form.IsEnabled(BlockEdit));
}

TEST(FormRuleTest, MasterRulesTurnThePlusControlsBackOn) {
    for (bool sl1 : {true, false}) {
        Started t;
        ClickPlus(t.app);
        t.form[Sl1Radio].checked = sl1;
        t.form[Sl3Radio].checked = !sl1;
        ApplyFormRule(t.app, 10);
        ASSERT_FALSE(t.form.IsEnabled(Sl1Radio));

        ApplyFormRule(t.app, 1);

        for (Ctl c : {ClassicCheck, PlusCheck, Sl1Radio, Sl3Radio, AesKeyLabel, AesKeyEdit, ShowAesCheck,
                      GenerateRandomButton})
            EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
        EXPECT_EQ(t.form.IsEnabled(AesAuthCheck), sl1);
    }
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

TEST(FormRuleTest, UserCardIdWithPlusKeepsWritingPossible) {
    Started t;
    ClickPlus(t.app);
    t.form[WriteButton].enabled = false;
    t.form[WriteCyclicButton].enabled = false;

    t.SelectCombo(RoleCombo, 1);

    EXPECT_TRUE(t.form.IsEnabled(WriteButton));
    EXPECT_TRUE(t.form.IsEnabled(WriteCyclicButton));
    EXPECT_FALSE(t.form.IsEnabled(PlusCheck));
    EXPECT_FALSE(t.form.IsEnabled(AesKeyEdit));
}

TEST(FormRuleTest, UserSectorModesPickTheirLayoutAndKeepShowAesForPlus) {
    struct Case {
        int code;
        bool blockLabel;
    };
    for (const Case c : {Case{11, true}, Case{12, false}, Case{13, true}}) {
        Started t;
        ClickPlus(t.app);
        t.form.SetSelection(RoleCombo, 1);
        t.form.SetSelection(WorkModeCombo, c.code - 10);
        ApplyFormRule(t.app, c.code);
        EXPECT_EQ(t.form.IsEnabled(BlockLabel), c.blockLabel) << c.code;
        EXPECT_TRUE(t.form.IsEnabled(ShowAesCheck)) << c.code;
        for (Ctl ctl : {ClassicCheck, PlusCheck, Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyEdit})
            EXPECT_FALSE(t.form.IsEnabled(ctl)) << c.code << " " << static_cast<int>(ctl);
    }
}

TEST(FormRuleTest, CodesWithoutARuleChangeNothing) {
    for (int code : {-11, -1, 4, 9, 14, 20, 100}) {
        Started t;
        const std::string before = t.form.Describe();
        ApplyFormRule(t.app, code);
        EXPECT_EQ(t.form.Describe(), before) << code;
    }
}

TEST(ClickRuleTest, PlusTurnsOnTheSecurityLevelAndAesControls) {
    Started t;
    ClickPlus(t.app);
    ClickPlus(t.app);  // a second click leaves it checked
    EXPECT_TRUE(t.form.IsChecked(PlusCheck));
    EXPECT_FALSE(t.form.IsChecked(ClassicCheck));
    for (Ctl c : {Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck, GenerateRandomButton})
        EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
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

TEST(ClickRuleTest, ShowKeyAndAesAuthToggle) {
    struct Case {
        Ctl check, edit;
    };
    for (const Case c : {Case{ShowCrypto1Check, Crypto1KeyEdit}, Case{ShowAesCheck, AesKeyEdit}}) {
        Started t;
        t.Click(c.check);
        EXPECT_TRUE(t.form.IsChecked(c.check));
        EXPECT_FALSE(t.form.IsPasswordMasked(c.edit));
        t.Click(c.check);
        EXPECT_FALSE(t.form.IsChecked(c.check));
        EXPECT_TRUE(t.form.IsPasswordMasked(c.edit));
    }
    Started t;
    t.Click(AesAuthCheck);
    EXPECT_TRUE(t.form.IsChecked(AesAuthCheck));
    t.Click(AesAuthCheck);
    EXPECT_FALSE(t.form.IsChecked(AesAuthCheck));
}

TEST(ClickRuleTest, UniqueBeforeWriteLocksTheDataAndUnlocksCyclicWrite) {
    Started t;
    t.SelectCombo(RoleCombo, 1);
    t.form.SetSelection(WorkModeCombo, 1);
    ApplyFormRule(t.app, 11);
    ASSERT_FALSE(t.form.IsEnabled(WriteCyclicButton));

    t.Click(UniqueBeforeWriteCheck);
    EXPECT_TRUE(t.form.IsChecked(UniqueBeforeWriteCheck));
    EXPECT_TRUE(t.form.IsEnabled(WriteCyclicButton));
    for (Ctl c : kUniqueLocked) EXPECT_FALSE(t.form.IsEnabled(c)) << static_cast<int>(c);

    t.Click(UniqueBeforeWriteCheck);
    EXPECT_FALSE(t.form.IsChecked(UniqueBeforeWriteCheck));
    EXPECT_FALSE(t.form.IsEnabled(WriteCyclicButton));
    for (Ctl c : kUniqueLocked) EXPECT_TRUE(t.form.IsEnabled(c)) << static_cast<int>(c);
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

        EXPECT_TRUE(t.form.IsChecked(ClassicCheck));
        EXPECT_FALSE(t.form.IsChecked(PlusCheck));
        EXPECT_TRUE(t.form.IsChecked(Sl1Radio));
        EXPECT_FALSE(t.form.IsChecked(Sl3Radio));
        EXPECT_FALSE(t.form.IsChecked(AesAuthCheck));
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
    EXPECT_EQ(t.app.reader.versionX100, 0);
    EXPECT_EQ(t.form.Selection(RoleCombo), 1);
    EXPECT_EQ(t.form.Selection(WorkModeCombo), 0);
    EXPECT_TRUE(t.form.IsShown(UserGroup));
    EXPECT_TRUE(t.form.IsShown(SectorDataEdit));
    EXPECT_FALSE(t.form.IsShown(ReaderSettingsGroup));
    EXPECT_EQ(t.app.values.sectorNumber, 1);
    EXPECT_EQ(t.app.values.blockNumber, 0);
    EXPECT_EQ(t.app.values.converterFormat, 0);
    EXPECT_TRUE(t.form.IsChecked(ConvTmW44Radio));
    EXPECT_FALSE(t.form.IsChecked(ConvW58Radio));
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
