// The main window's commands: language switch, help, generators, card
// commands' confirmation, converter, up-downs, device changes and the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/config.h"
#include "app/form_rules.h"
#include "app/main_controller.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::ShownMessage;
using testing::TestApp;
using enum Ctl;

struct Started : TestApp {
    Started() {
        ReadConfig(files, app.configPath);  // creates the file when it is missing
        InitMainForm(app);
    }
};

// --- Language ---------------------------------------------------------------

TEST(LanguageTest, AFailedSaveWarnsAndTheSwitchStillHappens) {
    Started t;
    t.app.configPath = (std::filesystem::temp_directory_path() / "no-such-folder-tollvane" / "appconfig.ini").string();

    OnCommand(t.app, 3, 0);

    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].icon, MessageIcon::Warning);
    // Told in the language that was active when the save failed.
    EXPECT_EQ(t.boxes.shown[0].text, Text(LanguageId::Russian, Msg::kSaveSettingsFailed));
    EXPECT_EQ(t.form.Text(WriteButton), "Write");
    EXPECT_EQ(t.shell.menuRebuilds, 1);
}

// --- Help, About, Quit ---------------------------------------------------------

TEST(HelpTest, ShellResultsPickTheirMessages) {
    const std::string notFound = Text(LanguageId::English, Msg::kHelpFileNotFound);
    const std::string folder = Text(LanguageId::English, Msg::kHelpFolderHint);
    struct Case {
        long result;
        std::vector<ShownMessage> expected;
    };
    const Case cases[] = {
        {33, {}},
        {42, {}},
        {2, {{notFound, MessageIcon::Error}, {folder, MessageIcon::Hint}}},
        {3, {{notFound, MessageIcon::Error}, {folder, MessageIcon::Hint}}},
        {31,
         {{"Help file cannot be opened!", MessageIcon::Warning},
          {"Install a PDF viewer on your PC.", MessageIcon::Hint}}},
        {32, {{"Opening the help file failed!\n\r[Error code: 32]", MessageIcon::Error}}},
        {0, {{"Opening the help file failed!\n\r[Error code: 0]", MessageIcon::Error}}},
        {5, {{"Opening the help file failed!\n\r[Error code: 5]", MessageIcon::Error}}},
    };
    for (const Case& c : cases) {
        TestApp t;
        t.app.language = LanguageId::English;
        t.app.texts.Load(LanguageId::English);
        t.shell.helpResult = c.result;
        OnCommand(t.app, 5, 0);
        EXPECT_EQ(t.shell.helpOpens, 1);
        EXPECT_EQ(t.boxes.shown, c.expected) << c.result;
    }
}

// --- Reader commands ----------------------------------------------------------

TEST(ReaderCommandTest, ClearAsksFirstAndNoDoesNothing) {
    struct Case {
        Ctl button;
        bool answer;
        bool cyclicClear;
    };
    for (const Case c : {Case{ClearButton, false, false}, Case{ClearCyclicButton, false, false},
                         Case{ClearButton, true, false}, Case{ClearCyclicButton, true, true}}) {
        Started t;
        t.app.language = LanguageId::English;
        t.app.texts.Load(LanguageId::English);
        t.boxes.answers = {c.answer};
        t.Click(c.button);
        ASSERT_EQ(t.boxes.questions.size(), 1u);
        EXPECT_EQ(t.boxes.questions[0], "Are you sure you want to clear the card?");
        if (!c.answer || c.button == ClearButton) {
            EXPECT_FALSE(t.app.op.cyclicClearActive);
        }
    }
}

// --- Generators -----------------------------------------------------------------

TEST(GenerateRandomTest, KeysChangeByCardTypeAndWorkMode) {
    struct Case {
        const char* name;
        bool plus, sl3;
        int mode;
        bool crypto1Changes, aesChanges;
    };
    const Case cases[] = {
        {"classic card id", false, false, 0, false, false},
        {"classic sector data", false, false, 1, true, false},
        {"plus sl1 card id", true, false, 0, false, true},
        {"plus sl1 after login", true, false, 2, true, true},
        {"plus sl3 sector data", true, true, 3, false, true},
    };
    for (const Case& c : cases) {
        Started t;
        t.form.SetSelection(WorkModeCombo, c.mode);
        if (c.plus) ClickPlus(t.app);
        if (c.sl3) t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);

        t.Click(GenerateRandomButton);

        EXPECT_EQ(t.app.values.crypto1KeyText != "FF FF FF FF FF FF", c.crypto1Changes) << c.name;
        EXPECT_EQ(t.form.Text(Crypto1KeyEdit), t.app.values.crypto1KeyText) << c.name;
        EXPECT_EQ(t.app.values.aesKey[0] != 0xFF, c.aesChanges) << c.name;
        EXPECT_EQ(t.form.Text(AesKeyEdit), t.app.values.aesKeyText) << c.name;
        EXPECT_TRUE(t.boxes.shown.empty()) << c.name;
    }
}

TEST(GenerateUniqueTest, NewDataIsShownAndConverted) {
    struct Case {
        std::deque<RecordOutcome> outcomes;
        std::size_t attempts;
    };
    // Recorded; found in the file once and drawn again; the file failing
    // (its message is the store's own): the new data is shown every time.
    for (const Case& c : {Case{{RecordOutcome::Recorded}, 1}, Case{{RecordOutcome::AlreadyRecorded}, 2},
                          Case{{RecordOutcome::Failed}, 1}}) {
        Started t;
        t.users.outcomes = c.outcomes;
        t.random.next = 0x01;
        t.Click(GenerateUniqueButton);

        EXPECT_EQ(t.users.asked.size(), c.attempts);
        const auto& last = t.users.asked.back();
        EXPECT_EQ(t.app.values.uniqueData, last);
        EXPECT_EQ(t.form.Text(SectorDataEdit), t.app.values.uniqueDataText);
        EXPECT_NE(t.app.values.uniqueDataText, "11 22 33 44 55 66 77");
        EXPECT_NE(t.form.Text(HexEdit), "5544332211");
        EXPECT_TRUE(t.boxes.shown.empty());
    }
}

// A failing random source, or one whose every number was issued before:
// "The operation failed!", and the data stay as they were.
TEST(GenerateUniqueTest, NoNewNumberKeepsTheDataAndSaysSo) {
    for (bool sourceFails : {true, false}) {
        SCOPED_TRACE(sourceFails);
        Started t;
        t.random.fail = sourceFails;
        if (!sourceFails) t.users.outcomes.assign(1000, RecordOutcome::AlreadyRecorded);
        t.Click(GenerateUniqueButton);
        EXPECT_EQ(t.form.Text(SectorDataEdit), "11 22 33 44 55 66 77");
        EXPECT_EQ(t.app.values.uniqueDataText, "11 22 33 44 55 66 77");
        EXPECT_EQ(t.app.values.uniqueData, (std::array<std::uint8_t, 7>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        EXPECT_EQ(t.boxes.shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(t.boxes.shown[0].text, t.app.texts[Msg::kErr05OperationFailed]);
    }
}

TEST(ConverterRadioTest, RadiosChooseTheFormat) {
    struct Case {
        Ctl radio;
        int format;
        const char *touchMemory, *hex, *dec;
    };
    const Case cases[] = {
        {ConvW26Radio, 1, "EA00000033221101", "332211", "03351057"},
        {ConvW58Radio, 2, "7566554433221101", "77665544332211", "33608038631023121"},
        {ConvTmW44Radio, 0, "CD00554433221101", "5544332211", "0366216421905"},
    };
    Started t;
    for (const Case& c : cases) {
        t.ClickRadio(c.radio, ConvTmW44Radio, ConvW58Radio);
        EXPECT_EQ(t.app.values.converterFormat, c.format);
        EXPECT_EQ(t.form.Text(TouchMemoryEdit), c.touchMemory);
        EXPECT_EQ(t.form.Text(HexEdit), c.hex);
        EXPECT_EQ(t.form.Text(DecEdit), c.dec);
    }
}

// --- Up-downs, device changes, the end --------------------------------------------

TEST(UpDownTest, SectorAndBlockStayInTheirRanges) {
    struct Case {
        Ctl upDown;
        int pos, delta, sector, block;
    };
    const Case cases[] = {
        {SectorUpDown, 1, 1, 2, 0},      {SectorUpDown, 15, 1, 15, 0},   {SectorUpDown, 1, -1, 1, 0},
        {SectorUpDown, 3, -20, 1, 0},    {SectorUpDown, 14, 100, 15, 0}, {BlockUpDown, 0, -1, 1, 0},
        {BlockUpDown, 2, 1, 1, 2},       {BlockUpDown, 1, 1, 1, 2},      {BlockUpDown, 1, -1, 1, 0},
        {SectorUpDown, 0x7FFFFFFF, 1, 15, 0},
    };
    for (const Case& c : cases) {
        TestApp t;
        OnUpDownDelta(t.app, static_cast<int>(c.upDown), c.pos, c.delta);
        EXPECT_EQ(t.app.values.sectorNumber, c.sector) << c.pos << " " << c.delta;
        EXPECT_EQ(t.app.values.blockNumber, c.block) << c.pos << " " << c.delta;
    }
    TestApp t;
    OnUpDownDelta(t.app, static_cast<int>(SectorEdit), 5, 1);  // not an up-down
    EXPECT_EQ(t.app.values.sectorNumber, 1);
}

}  // namespace
}  // namespace tollvane
