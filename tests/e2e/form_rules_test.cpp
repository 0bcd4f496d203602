// Which controls are on, off, shown and hidden for each role and work mode,
// and the card-type and option clicks, on the real form.
#include "e2e_fixture.h"

namespace tollvane::e2e {
namespace {

// Layout of a Mifare Classic card for each rule code; -1 means "not
// checked here". Columns follow the controls of kControls.
const int kControls[] = {kWrite, kRead, kClear, kClearCyclic, kWriteCyclic, kWorkMode, kSectorUpDown, kSectorEdit,
                         kBlockUpDown, kBlockEdit, kCrypto1Edit, kShowCrypto1, kGenerateRandom, kAddToList, kShowList,
                         kDataEdit, kGenerateUnique, kUniqueBeforeWrite};

struct LayoutCase {
    int role, mode;
    int enabled[std::size(kControls)];
    bool userShown;  // user-card and converter controls shown, reader settings hidden
};

const LayoutCase kClassicLayouts[] = {
    // Wr Rd Cl CC WC WM SU SE BU BE K1 S1 GR AL SL  DE GU UB
    {0, 0, {1, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, -1, -1, -1}, false},
    {0, 1, {1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1}, false},
    {0, 2, {1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, -1, -1, -1}, false},
    {0, 3, {1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1}, false},
    {1, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}, true},
    {1, 1, {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1}, true},
    {1, 2, {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0}, true},
    {1, 3, {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1}, true},
};

class LayoutTest : public ProgramTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, RoleAndWorkModeGiveTheirLayout) {
    const LayoutCase& c = GetParam();
    Start();
    // The work mode can only be chosen in the Master role.
    form->Select(kWorkMode, c.mode);
    form->Select(kRole, c.role);
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        if (c.enabled[i] < 0) continue;
        SCOPED_TRACE("control " + std::to_string(kControls[i]));
        EXPECT_EQ(form->Enabled(kControls[i]), c.enabled[i] == 1);
    }
    for (int id : {kDataEdit, kGenerateUnique, kUniqueBeforeWrite, kConvTmW44, kConvW26, kConvW58})
        EXPECT_EQ(form->Shown(id), c.userShown) << "control " << id;
    for (int id : {kIfTouchMemory, kIfW58, kIndDirect, kStandbyOff, kTouchPollOn})
        EXPECT_EQ(form->Shown(id), !c.userShown) << "control " << id;
    EXPECT_EQ(IsShown(form->ControlAt("Button", 5, 500, 650, 90)), c.userShown);
    EXPECT_EQ(IsShown(form->ControlAt("Button", 5, 500, 650, 270)), !c.userShown);
    // The card type can only be chosen in the Master role.
    EXPECT_EQ(form->Enabled(kClassic), c.role == 0);
    EXPECT_EQ(form->Enabled(kPlus), c.role == 0);
    // Port choice and search stay usable.
    EXPECT_TRUE(form->Enabled(kPortCombo));
    EXPECT_TRUE(form->Enabled(kSearch));
    EXPECT_TRUE(form->Enabled(kRole));
}

INSTANTIATE_TEST_SUITE_P(Classic, LayoutTest, ::testing::ValuesIn(kClassicLayouts), [](const auto& info) {
    return std::string(info.param.role ? "User" : "Master") + "Mode" + std::to_string(info.param.mode);
});

TEST_F(ProgramTest, PlusCardTurnsOnSecurityLevelsAndTheAesKey) {
    Start();
    form->Click(kPlus);
    EXPECT_TRUE(form->Checked(kPlus));
    EXPECT_FALSE(form->Checked(kClassic));
    for (int id : {kSl1, kSl3, kAesAuth, kAesEdit, kShowAes, kGenerateRandom}) EXPECT_TRUE(form->Enabled(id)) << id;
    form->Click(kPlus);  // a second click leaves it checked
    EXPECT_TRUE(form->Checked(kPlus));

    // A Plus card in "User, Send card ID" can be written.
    form->Select(kRole, 1);
    EXPECT_TRUE(form->Enabled(kWrite));
    EXPECT_TRUE(form->Enabled(kWriteCyclic));
    form->Select(kRole, 0);

    form->Click(kAesAuth);
    EXPECT_TRUE(form->Checked(kAesAuth));
    form->Click(kAesAuth);
    EXPECT_FALSE(form->Checked(kAesAuth));
    form->Click(kAesAuth);

    form->Click(kClassic);
    EXPECT_TRUE(form->Checked(kClassic));
    EXPECT_FALSE(form->Checked(kPlus));
    for (int id : {kSl1, kSl3, kAesAuth, kAesEdit, kShowAes, kGenerateRandom}) EXPECT_FALSE(form->Enabled(id)) << id;
    EXPECT_TRUE(form->Checked(kSl1));
    EXPECT_FALSE(form->Checked(kAesAuth));
}

TEST_F(ProgramTest, Sl3ResetsAndMasksTheCrypto1Key) {
    Start();
    form->Select(kWorkMode, 1);
    form->Click(kPlus);
    form->Click(kShowCrypto1);
    EXPECT_TRUE(form->Checked(kShowCrypto1));
    EXPECT_EQ(form->PasswordChar(kCrypto1Edit), 0);
    form->FocusEdit(kCrypto1Edit);
    form->SelectAll(kCrypto1Edit);
    form->Type(kCrypto1Edit, "1234");
    form->FocusOn(form->Main());
    EXPECT_EQ(form->Text(kCrypto1Edit), "12 34 FF FF FF FF");

    form->Click(kAesAuth);
    form->Click(kSl3);
    EXPECT_TRUE(form->Checked(kSl3));
    EXPECT_FALSE(form->Checked(kSl1));
    EXPECT_FALSE(form->Checked(kAesAuth));
    for (int id : {kAesAuth, kCrypto1Edit, kShowCrypto1}) EXPECT_FALSE(form->Enabled(id)) << id;
    EXPECT_EQ(form->Text(kCrypto1Edit), "FF FF FF FF FF FF");
    EXPECT_FALSE(form->Checked(kShowCrypto1));
    EXPECT_EQ(form->PasswordChar(kCrypto1Edit), L'*');

    form->Click(kSl1);
    for (int id : {kAesAuth, kCrypto1Edit, kShowCrypto1, kClear, kClearCyclic}) EXPECT_TRUE(form->Enabled(id)) << id;
}

TEST_F(ProgramTest, ShowKeyBoxesMaskAndUnmask) {
    Start();
    form->Select(kWorkMode, 1);
    form->Click(kPlus);
    for (auto [box, edit] : {std::pair{kShowCrypto1, kCrypto1Edit}, std::pair{kShowAes, kAesEdit}}) {
        form->Click(box);
        EXPECT_TRUE(form->Checked(box));
        EXPECT_EQ(form->PasswordChar(edit), 0);
        form->Click(box);
        EXPECT_FALSE(form->Checked(box));
        EXPECT_EQ(form->PasswordChar(edit), L'*');
    }
}

TEST_F(ProgramTest, UniqueBeforeWriteLocksDataAndConverterUntilMasterAgain) {
    Start();
    form->Select(kWorkMode, 1);
    form->Select(kRole, 1);
    const int locked[] = {kDataEdit, kGenerateUnique, kConvTmW44, kConvW26, kConvW58};
    form->Click(kUniqueBeforeWrite);
    EXPECT_TRUE(form->Checked(kUniqueBeforeWrite));
    EXPECT_TRUE(form->Enabled(kWriteCyclic));
    for (int id : locked) EXPECT_FALSE(form->Enabled(id)) << id;
    form->Click(kUniqueBeforeWrite);
    EXPECT_FALSE(form->Checked(kUniqueBeforeWrite));
    EXPECT_FALSE(form->Enabled(kWriteCyclic));
    for (int id : locked) EXPECT_TRUE(form->Enabled(id)) << id;

    form->Click(kUniqueBeforeWrite);
    form->Select(kRole, 0);
    EXPECT_FALSE(form->Checked(kUniqueBeforeWrite));
    EXPECT_FALSE(form->Enabled(kWriteCyclic));
    for (int id : locked) EXPECT_TRUE(form->Enabled(id)) << id;
}

TEST_F(ProgramTest, MasterSendCardIdResetsSectorBlockAndKey) {
    Start();
    form->Select(kWorkMode, 1);
    for (int i = 0; i < 3; ++i) form->UpDownClick(kSectorUpDown, true);
    form->UpDownClick(kBlockUpDown, true);
    form->Click(kShowCrypto1);
    form->FocusEdit(kCrypto1Edit);
    form->SelectAll(kCrypto1Edit);
    form->Type(kCrypto1Edit, "AB");
    form->FocusOn(form->Main());
    ASSERT_EQ(form->Text(kSectorEdit), "4");
    ASSERT_EQ(form->Text(kBlockEdit), "1");

    form->Select(kWorkMode, 2);  // "after logged in": only the block goes back
    EXPECT_EQ(form->Text(kSectorEdit), "4");
    EXPECT_EQ(form->Text(kBlockEdit), "0");
    EXPECT_EQ(form->Text(kCrypto1Edit), "AB FF FF FF FF FF");

    form->Select(kWorkMode, 0);
    EXPECT_EQ(form->Text(kSectorEdit), "1");
    EXPECT_EQ(form->Text(kBlockEdit), "0");
    EXPECT_EQ(form->Text(kCrypto1Edit), "FF FF FF FF FF FF");
    EXPECT_FALSE(form->Checked(kShowCrypto1));
    EXPECT_EQ(form->PasswordChar(kCrypto1Edit), L'*');
}

}  // namespace
}  // namespace tollvane::e2e
