// The main form through the fake window (the waits are tested with the flows that run them), where
// a window goes in the work area, and the order Tab and the arrow keys take through its controls.
#include <gtest/gtest.h>

#include "app/card_settings.h"
#include "app/config.h"
#include "app/form_rules.h"
#include "app/hex_entry.h"
#include "app/read_back_apply.h"
#include "app/window_layout.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

using enum Ctl;

const std::string kFF6 = "FF FF FF FF FF FF";
const std::string kFF16 = kFF6 + " " + kFF6 + " FF FF FF FF";
constexpr auto kChecked = &FakeControl::checked;
constexpr auto kEnabled = &FakeControl::enabled;

// The flag of each control in order, '1' where set.
std::string Flags(TestApp& t, bool FakeControl::*flag, std::initializer_list<Ctl> ctls) {
    std::string flags;
    for (Ctl c : ctls) flags += t.form[c].*flag ? '1' : '0';
    return flags;
}

TEST(CardSettingsTest, EachReaderSettingRadioSendsItsLetter) {
    const struct {
        Ctl radio;
        std::size_t offset /* in the settings block */;
        std::uint8_t letter;
    } cases[] = {
        {IfW26Radio, 1, 'e'},       {IfW44Radio, 1, 'f'},          {IfW58Radio, 1, 'g'},
        {IndInverseRadio, 2, 'e'},  {StandbyDynamicRadio, 3, 'd'}, {StandbyStaticRadio, 3, 'e'},
        {TouchPollOnRadio, 4, 'd'},
    };
    const auto block = [](TestApp& t) {
        return SettingsBlockOf(
            BuildMasterWriteFrame(SnapshotOf(ReadCardSettings(t.form, t.app.values), {})));
    };
    for (const auto& c : cases) {
        TestApp t{WithReader{}};
        t.ClickRadio(c.radio);
        EXPECT_EQ(block(t)[c.offset], c.letter) << int(c.radio);
    }
    // The Crypto1 key the form holds goes out with the settings.
    TestApp t{WithReader{}};
    t.app.values.crypto1Key = {1, 2, 3, 4, 5, 6};
    const auto b = block(t);
    EXPECT_EQ(std::vector(b.begin() + 8, b.begin() + 14),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    // A Plus card without a security level has no card type.
    t.form[ClassicCheck].checked = t.form[Sl1Radio].checked = false;
    EXPECT_FALSE(ReadCardSettings(t.form, t.app.values).cardType.has_value());
    t.form[Sl3Radio].checked = true;
    const FormSnapshot sl3 = SnapshotOf(ReadCardSettings(t.form, t.app.values), {});
    EXPECT_EQ(BuildMasterWriteFrame(sl3)[kFrameCardTypeOffset], '3');
}

// A read-back put into the form: from offset 5, card type, AES letter, 6 unused, key 10 11 .. 1F,
// settings block.
void ApplyReadBack(TestApp& t, std::vector<std::uint8_t> settings, std::uint8_t card = 's',
                   std::uint8_t aes = 'X') {
    std::vector<std::uint8_t> frame{card, aes, 0, 0, 0, 0, 0, 0};
    for (std::uint8_t i = 0; i < 16; ++i) frame.push_back(0x10 + i);
    settings.resize(17, 0);
    frame.insert(frame.end(), settings.begin(), settings.end());
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
}

// A Master card's letters, each to its radio; a letter the form has no radio for leaves its group
// as it was, and sector and block keep to the up-downs' ranges.
TEST(ReadBackApplyTest, AMasterCardsLettersCheckTheirRadios) {
    const std::string aes = "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
                      zero6 = "00 00 00 00 00 00";
    const struct {
        std::vector<std::uint8_t> settings;
        std::uint8_t card, aesLetter;
        std::vector<Ctl> checked;
        int workMode, sector, block;
        std::string crypto1, aesKey;
    } cases[] = {
        {{'M', 'g', 'e', 'f', 'd', 'e', 20, 5, 1, 2, 3, 4, 5, 6},
         's',
         'X',
         {IfW58Radio, IndInverseRadio, StandbyOffRadio, TouchPollOnRadio, ClassicCheck},
         2,
         15,
         2,
         "01 02 03 04 05 06",
         kFF16},
        {{'M', 'f', 'd', 'e', 'e', 'd', 0, 1},
         '3',
         'V',
         {IfW44Radio, IndDirectRadio, StandbyStaticRadio, TouchPollOffRadio, PlusCheck, Sl3Radio},
         0,
         1,
         1,
         zero6,
         aes},
        {{'M', 'e', 'z', 'z', 'z', 'g', 3},
         '1',
         'V',
         {IfW26Radio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio, PlusCheck, Sl1Radio,
          AesAuthCheck},
         3,
         3,
         0,
         zero6,
         aes},
        {{'M', 'e', 'd', 'f', 'e', 'd', 1},
         '1',
         'X',
         {IfW26Radio, IndDirectRadio, StandbyOffRadio, TouchPollOffRadio, PlusCheck, Sl1Radio},
         0,
         1,
         0,
         zero6,
         aes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        TestApp t{WithReader{}};
        t.form.SetSelection(WorkModeCombo, 1);
        t.form[AesAuthCheck].checked = true;  // a Classic card and SL3 take it away
        ApplyReadBack(t, c.settings, c.card, c.aesLetter);
        for (Ctl ctl : c.checked) EXPECT_TRUE(t.form[ctl].checked) << int(ctl);
        EXPECT_FIELDS((t.form[AesAuthCheck].checked, t.form[WorkModeCombo].selection,
                       t.app.values.sectorNumber, t.app.values.blockNumber,
                       t.form[Crypto1KeyEdit].text, t.form[AesKeyEdit].text),
                      (std::ranges::count(c.checked, AesAuthCheck) == 1, c.workMode, c.sector,
                       c.block, c.crypto1, c.aesKey));
    }
}

TEST(ReadBackApplyTest, AUserCardsDataComesBackAsItWasTyped) {
    TestApp t{WithReader{}};
    t.SelectCombo(RoleCombo, 1);
    // A role letter of neither card is a User card's: no reader setting or key taken.
    ApplyReadBack(t, {'Q', 'f', 'f', 'f', 'f', 'f', 1, 0});
    EXPECT_FIELDS(
        (t.form[SectorDataEdit].text, t.form[IfW44Radio].checked, t.form[Crypto1KeyEdit].text),
        ("00 00 00 00 00 00 00", false, kFF6));
    // 11 22 .. 77 as the decrypt mode writes it; the layout is the User role's in the card's work
    // mode.
    ApplyReadBack(t, {'U', 0, 0, 0, 0, 'g', 4, 1, 0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5});
    EXPECT_FIELDS(
        (t.form[SectorDataEdit].text, t.form[WorkModeCombo].selection, t.app.values.sectorNumber,
         t.app.values.blockNumber, Flags(t, kEnabled, {SectorDataLabel, UniqueBeforeWriteCheck})),
        ("11 22 33 44 55 66 77", 3, 4, 1, "11"));
}

// The start form with both keys changed and shown in clear, as the operator may leave them.
struct KeysShown : TestApp {
    KeysShown() : TestApp(WithReader{}) {
        SetHexField(app, Crypto1KeyEdit, std::array<std::uint8_t, 6>{1, 2, 3, 4, 5, 6});
        SetHexField(app, AesKeyEdit, std::array<std::uint8_t, 16>{0x12});
        Click(ShowCrypto1Check);
        Click(ShowAesCheck);
        EXPECT_FALSE(form.IsPasswordMasked(Crypto1KeyEdit));
        EXPECT_FALSE(form.IsPasswordMasked(AesKeyEdit));
    }
    // A key is back at all FF and masked, its "Show Key" box cleared.
    void ExpectKeyReset(Ctl edit, Ctl show, const std::string& text) {
        EXPECT_FIELDS((form.Text(edit), form.IsChecked(show), form.IsPasswordMasked(edit)),
                      (text, false, true));
    }
};

TEST(FormRuleTest, MasterCardIdPutsSectorBlockAndKeyBack) {
    KeysShown t;
    auto& v = t.app.values;
    v.sectorNumber = 7;
    v.blockNumber = 2;
    ApplyFormRule(t.app, 0);
    EXPECT_FIELDS((v.sectorNumber, t.form[SectorUpDown].upDownPos, v.blockNumber,
                   t.form[BlockUpDown].upDownPos),
                  (1, 1, 0, 0));
    t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);
    v.sectorNumber = 7, v.blockNumber = 2;  // the card ID after login puts only the block back
    ApplyFormRule(t.app, 2);
    EXPECT_FIELDS((v.sectorNumber, v.blockNumber), (7, 0));
}

TEST(FormRuleTest, UniqueBeforeWriteLocksTheDataUntilTheMasterRoleClearsIt) {
    TestApp t{WithReader{}};
    t.SelectCombo(WorkModeCombo, 1);
    t.SelectCombo(RoleCombo, 1);
    t.Click(UniqueBeforeWriteCheck);
    const auto locked = [&] {
        return Flags(t, kEnabled,
                     {WriteCyclicButton, SectorDataEdit, GenerateUniqueButton, TouchMemoryEdit,
                      HexEdit, DecEdit, ConvTmW44Radio, ConvW26Radio, ConvW58Radio}) +
               Flags(t, kChecked, {UniqueBeforeWriteCheck});
    };
    EXPECT_EQ(locked(), "1000000001");
    t.SelectCombo(RoleCombo, 0);
    EXPECT_EQ(locked(), "0111111110");
}

TEST(FormRuleTest, UserCardIdWithClassicLeavesOnlyTheKeyListAndTheConnectionUsable) {
    KeysShown t;
    t.SelectCombo(RoleCombo, 1);
    EXPECT_EQ(Flags(t, kEnabled, {WriteButton,       ReadButton,        ClearButton,
                                  ClearCyclicButton, WriteCyclicButton, WorkModeCombo,
                                  ClassicCheck,      PlusCheck,         Sl1Radio,
                                  Sl3Radio,          AesAuthCheck,      AesKeyLabel,
                                  AesKeyEdit,        ShowAesCheck,      GenerateRandomButton,
                                  AddToListButton,   SectorLabel,       SectorUpDown,
                                  SectorEdit,        BlockLabel,        BlockUpDown,
                                  BlockEdit,         Crypto1KeyLabel,   Crypto1KeyEdit,
                                  ShowCrypto1Check,  ShowListButton,    RoleCombo,
                                  PortCombo,         SearchButton}),
              std::string(25, '0') + "1111");
    t.ExpectKeyReset(AesKeyEdit, ShowAesCheck, kFF16);
}

// A Plus card in the card ID mode and after login.
struct PlusCard : KeysShown {
    explicit PlusCard(int mode) {
        SelectCombo(WorkModeCombo, mode);
        ClickPlus(app);
    }
};

// Sl3 takes the Crypto1 key and the additional AES authentication away and
// puts a shown key back; Sl1 gives them back, the key outside the card ID mode.
TEST(ClickRuleTest, Sl3TakesTheCrypto1KeyAwayAndSl1GivesItBack) {
    for (int mode : {0, 2}) {
        PlusCard t{mode};
        t.Click(AesAuthCheck);
        t.ClickRadio(Sl3Radio);
        EXPECT_EQ(Flags(t, kChecked, {AesAuthCheck}) +
                      Flags(t, kEnabled,
                            {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check, AesAuthCheck}),
                  "00000")
            << mode;
        t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);
        t.form[ClearButton].enabled = false;
        t.ClickRadio(Sl1Radio);
        EXPECT_EQ(Flags(t, kEnabled,
                        {AesAuthCheck, ClearButton, ClearCyclicButton, Crypto1KeyLabel,
                         Crypto1KeyEdit, ShowCrypto1Check}),
                  mode ? "111111" : "111000");
    }
}

TEST(ClickRuleTest, SelectClassicUndoesThePlusSettings) {
    for (int mode : {0, 2}) {
        PlusCard t{mode};
        t.ClickRadio(Sl3Radio);
        t.Click(AesAuthCheck);
        t.form[ClearButton].enabled = false;
        t.Click(ClassicCheck);
        EXPECT_EQ(Flags(t, kChecked, {ClassicCheck, Sl1Radio, PlusCheck, Sl3Radio, AesAuthCheck}),
                  "11000");
        EXPECT_EQ(Flags(t, kEnabled,
                        {Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck,
                         ClearButton, GenerateRandomButton, Crypto1KeyLabel, Crypto1KeyEdit,
                         ShowCrypto1Check}),
                  mode ? "00000011111" : "00000010000");
        t.ExpectKeyReset(AesKeyEdit, ShowAesCheck, kFF16);
    }
}

TEST(ResetTest, ResetFormBringsValuesBackButKeepsRoleAndVisibility) {
    KeysShown t;
    t.SelectCombo(WorkModeCombo, 3);
    t.SelectCombo(RoleCombo, 1);
    t.app.values.blockNumber = 1;
    ClickPlus(t.app);
    t.ClickRadio(Sl3Radio);
    t.ClickRadio(ConvW26Radio);
    EXPECT_EQ(t.form.Text(HexEdit), "332211");  // the data in the Wiegand 26 format
    t.ClickRadio(ConvW58Radio);
    EXPECT_EQ(t.form.Text(HexEdit), "77665544332211");
    for (Ctl c : {IfW44Radio, IndInverseRadio, StandbyStaticRadio, TouchPollOnRadio})
        t.ClickRadio(c);
    ResetForm(t.app);
    // The data back in the Touch Memory / Wiegand 44 format.
    EXPECT_FIELDS(
        (t.form.Selection(RoleCombo), t.form.Selection(WorkModeCombo), t.form.IsShown(UserGroup),
         t.form.IsShown(ReaderSettingsGroup), t.app.values.blockNumber, t.form.Text(HexEdit),
         t.form.IsEnabled(ShowCrypto1Check)),
        (1, 0, true, false, 0, "5544332211", false));
    EXPECT_EQ(Flags(t, kChecked,
                    {ConvTmW44Radio, IfTouchMemoryRadio, IndDirectRadio, StandbyOffRadio,
                     TouchPollOffRadio, ClassicCheck, Sl1Radio, ConvW58Radio, IfW44Radio,
                     IndInverseRadio, StandbyStaticRadio, TouchPollOnRadio, PlusCheck, Sl3Radio}),
              "11111110000000");
    t.ExpectKeyReset(Crypto1KeyEdit, ShowCrypto1Check, kFF6);
}

// The start form, its edits reporting their notifications the way Windows does.
struct Entry : TestApp {
    Entry() {
        InitMainForm(app);
        WireEditNotifications();
    }
    void Edit(Ctl c, const std::string& text, int caret) {
        form[c].text = text, form[c].caret = caret;
        OnEditChanged(app, c);
    }
    std::string Kept(Ctl c) {
        const auto hex = [](const auto& bytes) {
            return FormatHexBytes(bytes.data(), bytes.size());
        };
        const auto& v = app.values;
        return c == Crypto1KeyEdit ? hex(v.crypto1Key)
               : c == AesKeyEdit   ? hex(v.aesKey)
                                   : hex(v.uniqueData);
    }
};

// Focus, one edit (caret at its end unless given), then the focus taken away. Each runs with the
// edit reporting EN_CHANGE for the program's own texts, as Windows does, and without.
TEST(HexEntryTest, TypingFilteringAndLeaving) {
    // endsItself: the last digit ends the entry; shown: while the entry is open or after it ended;
    // leftWith: the display form on leaving and the kept bytes; converter: the data's hex number
    // after leaving.
    const struct {
        Ctl edit;
        std::string typed;
        bool endsItself;
        std::string shown, leftWith;
        int caret = -1;
        std::string converter = "5544332211";
    } cases[] = {
        {AesKeyEdit, "00112233", false, "00112233",
         "00 11 22 33 FF FF FF FF FF FF FF FF FF FF FF FF"},
        {SectorDataEdit, "0102", false, "0102", "01 02 FF FF FF FF FF", -1, "FFFFFF0201"},
        {Crypto1KeyEdit, "a0-b1 C2", false, "01C2", "01 C2 FF FF FF FF"},
        {Crypto1KeyEdit, "A0A1A2A3A4A5", true, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
        {SectorDataEdit, "01020304050607", true, "01 02 03 04 05 06 07", "01 02 03 04 05 06 07", -1,
         "0504030201"},
        // A pasted display form arrives whole and, complete, ends the entry.
        {Crypto1KeyEdit, "A0 A1 A2 A3 A4 A5", true, "A0 A1 A2 A3 A4 A5", "A0 A1 A2 A3 A4 A5"},
        // Digits beyond the field's count before the caret are refused, and the entry stays open.
        {Crypto1KeyEdit, "FFFFFFFFFFFF1", false, "FFFFFFFFFFFF", kFF6, 13},
        {Crypto1KeyEdit, "1FFFFFFFFFFFF", false, "FFFFFFFFFFFF", kFF6, 1},
        {Crypto1KeyEdit, "AB0102030405060708", false, "010203040506", "01 02 03 04 05 06", 2},
        {AesKeyEdit, std::string(32, 'F') + "0", false, std::string(32, 'F'), kFF16, 33},
    };
    for (bool reportsOwnTexts : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed +
                         (reportsOwnTexts ? "" : " (no EN_CHANGE for the program's texts)"));
            Entry t;
            if (!reportsOwnTexts) t.form.onTextSet = nullptr;
            t.FocusEdit(c.edit);
            EXPECT_EQ(t.form.Text(c.edit),
                      StripBlanks(t.form.Text(c.edit)));  // digits alone while focused
            t.Edit(c.edit, c.typed, c.caret < 0 ? static_cast<int>(c.typed.size()) : c.caret);
            EXPECT_FIELDS((t.form.focused.has_value(), t.form.Text(c.edit)),
                          (!c.endsItself, c.shown));
            t.form.FocusMainWindow();
            EXPECT_FIELDS((t.form.Text(c.edit), t.Kept(c.edit), t.form.Text(HexEdit)),
                          (c.leftWith, c.leftWith, c.converter));
            EXPECT_TRUE(t.form.IsPasswordMasked(Crypto1KeyEdit));
            EXPECT_TRUE(t.form.IsPasswordMasked(AesKeyEdit));
        }
    }
}

TEST(HexEntryTest, TheProgramsOwnTextAndOtherNotificationsAreNotFiltered) {
    Entry t;
    // A text another part put there is not filtered on entering; its lower-case letters parse as 0.
    t.app.values.crypto1KeyText = "ab CD ef 12 34 56";
    t.FocusEdit(Crypto1KeyEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "abCDef123456");
    t.form.FocusMainWindow();
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "00 CD 00 12 34 56");
    // Without the focus the filter is off; other edits are no entry.
    t.Edit(Crypto1KeyEdit, "xyz", 3);
    OnEditEntered(t.app, SectorEdit);
    EXPECT_EQ(t.form.Text(Crypto1KeyEdit), "xyz");
    EXPECT_FALSE(t.app.values.aesFilter);
    EXPECT_FALSE(t.app.values.crypto1Filter);
    EXPECT_FALSE(t.app.values.uniqueFilter);
}

struct Started : TestApp {
    Started() {  // the file is made when missing
        ReadConfig(files, app.configPath);
        InitMainForm(app);
    }
};

TEST(LanguageTest, AFailedSaveWarnsAndTheSwitchStillHappens) {
    Started t;
    t.app.configPath =
        (std::filesystem::temp_directory_path() / "no-such-folder-tollvane" / "appconfig.ini")
            .string();
    OnCommand(t.app, Command::English);  // told in the language active when the save failed
    EXPECT_EQ(t.boxes.shown,
              (std::vector<ShownMessage>{
                  {Text(LanguageId::Russian, Msg::kSaveSettingsFailed), MessageIcon::Warning}}));
    EXPECT_FIELDS((t.form.Text(WriteButton), t.shell.menuRebuilds), (std::string("Write"), 1));
    // "Verify after write" alike: told, and on until the program ends.
    OnCommand(t.app, Command::VerifyAfterWrite);
    EXPECT_EQ(
        t.boxes.shown.back(),
        (ShownMessage{Text(LanguageId::English, Msg::kSaveSettingsFailed), MessageIcon::Warning}));
    EXPECT_TRUE(t.app.verifyAfterWrite);
}

TEST(HelpTest, EachOutcomeOfOpeningTheHelpFileIsSaid) {
    using enum HelpOpen;
    const struct {
        HelpOpening opening;
        std::vector<Msg> messages;
    } cases[] = {{{Opened, 0}, {}},
                 {{FileMissing, 2}, {Msg::kHelpFileNotFound, Msg::kHelpFolderHint}},
                 {{NoViewer, 1155}, {Msg::kHelpCannotOpen, Msg::kInstallPdfViewer}},
                 {{Failed, 32}, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        TestApp t(LanguageId::English);
        t.shell.helpResult = c.opening;
        OnCommand(t.app, Command::Help);
        std::vector<std::string> expected;
        for (Msg m : c.messages) expected.push_back(t.T(m));
        if (c.opening.result == Failed)
            expected = {"Opening the help file failed!\n\r[Error code: 32]"};
        EXPECT_FIELDS((t.boxes.Texts(), t.shell.helpOpens), (expected, 1));
    }
}

TEST(GenerateRandomTest, KeysChangeByCardTypeAndWorkMode) {
    // Classic sector data, Plus SL1 card ID, Plus SL1 after login, Plus SL3 sector data.
    const struct {
        bool plus, sl3;
        int mode;
        bool crypto1Changes, aesChanges;
    } cases[] = {{false, false, 1, true, false},
                 {true, false, 0, false, true},
                 {true, false, 2, true, true},
                 {true, true, 3, false, true}};
    for (const auto& c : cases) {
        Started t;
        t.form.SetSelection(WorkModeCombo, c.mode);
        if (c.plus) ClickPlus(t.app);
        if (c.sl3) t.ClickRadio(Sl3Radio);
        t.Click(GenerateRandomButton);
        EXPECT_FIELDS((t.form.Text(Crypto1KeyEdit) != kFF6,
                       t.form.Text(AesKeyEdit).substr(0, 2) != "FF", t.boxes.shown.size()),
                      (c.crypto1Changes, c.aesChanges, 0u))
            << c.mode;
    }
}

// New data is shown and converted, after the message when usersData.data could not take it; with no
// number at all "The operation failed!" and the data stay as they were.
TEST(GenerateUniqueTest, NewDataIsShownUnlessNoNumberCouldBeMade) {
    const struct {
        bool sourceFails;
        std::optional<StoreFailure> failure;
        std::string message;
    } cases[] = {
        {false, {}, ""},
        {true, {}, "The operation failed!"},
        {false, StoreFailure{StoreStep::Open, 0},
         Text(LanguageId::English, Msg::kUsersDataOpenError)},
        {false, StoreFailure{StoreStep::Read, 0x1E},
         "Error reading from file usersData.data!\nGetLastError=0000001E"},
        {false, StoreFailure{StoreStep::Database, 0, "refused (SQLSTATE 08001)"},
         "The database cannot be reached:\nrefused (SQLSTATE 08001)\nNo card was written."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TestApp t(LanguageId::English);
        InitMainForm(t.app);
        t.random.fail = c.sourceFails;
        if (c.failure) {
            t.users.outcomes = {RecordOutcome::Failed};
            t.users.failure = *c.failure;
        }
        std::string fieldWhenTold = "11 22 33 44 55 66 77";  // told before it changes
        t.boxes.modalLoop = [&] { fieldWhenTold = t.form.Text(SectorDataEdit); };
        t.Click(GenerateUniqueButton);
        const auto shown =
            c.sourceFails ? std::array<std::uint8_t, 7>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}
                          : t.users.asked.at(0);
        EXPECT_FIELDS((t.app.values.uniqueData, t.form.Text(SectorDataEdit),
                       t.form.Text(HexEdit) == "5544332211", fieldWhenTold),
                      (shown, t.app.values.uniqueDataText, c.sourceFails, "11 22 33 44 55 66 77"));
        EXPECT_EQ(t.boxes.Texts(),
                  c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
    }
}

TEST(UpDownTest, SectorAndBlockStayInTheirRanges) {
    const struct {
        Ctl upDown;
        int pos, delta, sector, block;
    } cases[] = {{SectorUpDown, 1, 1, 2, 0},   {SectorUpDown, 15, 1, 15, 0},
                 {SectorUpDown, 3, -20, 1, 0}, {BlockUpDown, 0, -1, 1, 0},
                 {BlockUpDown, 2, 1, 1, 2},    {SectorUpDown, 0x7FFFFFFF, 1, 15, 0},
                 {SectorEdit, 5, 1, 1, 0}};  // the last no up-down
    for (const auto& c : cases) {
        TestApp t;
        OnUpDownDelta(t.app, c.upDown, c.pos, c.delta);
        EXPECT_FIELDS((t.app.values.sectorNumber, t.app.values.blockNumber), (c.sector, c.block))
            << c.pos << " " << c.delta;
    }
}

TEST(WaitTest, TheMainWindowsEndEndsTheOperation) {
    TestApp t{WithReader{}};
    t.Connect();
    OnDevicesChanged(t.app);
    OnDestroy(t.app);
    EXPECT_FIELDS((t.timers.running.size(), t.app.LinkOpen(), t.port.closes), (0u, false, 1));
}

TEST(PlaceInWorkAreaTest, KeepsAFittingWindowAndCutsATallOneAtTheTop) {
    const struct {
        const char* name;
        PixelRect wanted, work, placed;
        bool cut;
    } cases[] = {
        {"665 x 830 on 1280 x 1000",
         {307, 85, 972, 915},
         {0, 0, 1280, 1000},
         {307, 85, 972, 915},
         false},
        {"caption at y = -31", {350, -31, 1015, 799}, {0, 0, 1366, 768}, {350, 0, 1015, 768}, true},
        {"150 %, task bar below",
         {461, -82, 1459, 1163},
         {0, 0, 1920, 1040},
         {461, 0, 1459, 1040},
         true},
        {"moved up, not cut", {307, 25, 972, 775}, {0, 0, 1280, 760}, {307, 10, 972, 760}, false},
        {"task bar on top", {307, 10, 972, 760}, {0, 40, 1280, 800}, {307, 40, 972, 790}, false},
        {"too wide: close box kept",
         {-25, 0, 1305, 900},
         {0, 0, 1280, 1000},
         {0, 0, 1280, 900},
         false},
        {"second monitor",
         {2200, 100, 2865, 930},
         {1920, 0, 3840, 1040},
         {2200, 100, 2865, 930},
         false},
    };
    for (const auto& c : cases) {
        const Placement p = PlaceInWorkArea(c.wanted, c.work);
        EXPECT_EQ(p.window, c.placed) << c.name;
        EXPECT_EQ(p.cut, c.cut) << c.name;
    }
}

using K = KeyboardControl;

// Two group boxes side by side: the left one with a radio group and a label beside a field a few
// pixels lower, the right one with a nested box; a disabled control and one outside every box.
TEST(TabStopsTest, GoesByBoxThenRowsAndStopsOnceInARadioGroup) {
    const std::vector<K> controls = {
        // two a line: 0 and 1, 2 and 3, ...
        {K::GroupBox, {300, 0, 600, 200}, true, false, true},
        {K::GroupBox, {320, 40, 580, 180}, true, false, true},
        {K::Focusable, {340, 60, 440, 80}, true},
        {K::GroupBox, {0, 0, 290, 200}, true, false, true},
        {K::Radio, {10, 20, 100, 40}, true, false},
        {K::Radio, {10, 50, 100, 70}, true, true},
        {K::Radio, {150, 20, 250, 40}, true, false},
        {K::Passive, {10, 100, 60, 115}, true},
        {K::Focusable, {150, 103, 250, 126}, true},
        {K::Focusable, {70, 98, 140, 121}, true},
        {K::Focusable, {10, 150, 100, 170}, false},
        {K::Focusable, {320, 10, 400, 30}, true},
        {K::Focusable, {700, 10, 800, 30}, true},
    };
    // Outside every box first, then the left box (its radios one stop, on the checked one; the
    // field row by x), then the right box and the box inside it.
    EXPECT_EQ(TabStops(controls), (std::vector<int>{12, 5, 9, 8, 11, 2}));
    EXPECT_EQ(RadioGroupOf(controls, 5), (std::vector<int>{4, 6, 5}));
    EXPECT_TRUE(RadioGroupOf(controls, 8).empty());
}

}  // namespace
}  // namespace tollvane::testing
