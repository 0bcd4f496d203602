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
        {42, {}},
        {2, {{notFound, MessageIcon::Error}, {folder, MessageIcon::Hint}}},
        {31,
         {{"Help file cannot be opened!", MessageIcon::Warning},
          {"Install a PDF viewer on your PC.", MessageIcon::Hint}}},
        {32, {{"Opening the help file failed!\n\r[Error code: 32]", MessageIcon::Error}}},
        {5, {{"Opening the help file failed!\n\r[Error code: 5]", MessageIcon::Error}}},
    };
    for (const Case& c : cases) {
        TestApp t(LanguageId::English);
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
        t.boxes.answers = {c.answer};
        t.Click(c.button);
        ASSERT_EQ(t.boxes.questions.size(), 1u);
        EXPECT_EQ(t.boxes.questions[0], t.T(Msg::kConfirmClearCard));
        // Yes without a link searches for the reader; No does nothing.
        EXPECT_EQ(t.timers.IsRunning(TimerId::Search), c.answer);
        EXPECT_FALSE(t.app.op.cyclicClearActive);
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

// New data is shown and converted whether the store recorded it, found it
// and drew again, or failed (its message is the store's own); with no new
// number at all "The operation failed!" and the data stay as they were.
TEST(GenerateUniqueTest, NewDataIsShownUnlessNoNumberCouldBeMade) {
    struct Case {
        std::deque<RecordOutcome> outcomes;
        bool sourceFails;
        bool shown;
    };
    const Case cases[] = {{{RecordOutcome::Recorded}, false, true},
                          {{RecordOutcome::AlreadyRecorded}, false, true},
                          {{RecordOutcome::Failed}, false, true},
                          {{}, true, false},
                          {std::deque<RecordOutcome>(1000, RecordOutcome::AlreadyRecorded), false, false}};
    for (const Case& c : cases) {
        Started t;
        t.users.outcomes = c.outcomes;
        t.random.fail = c.sourceFails;
        t.Click(GenerateUniqueButton);
        const std::string text = c.shown ? t.app.values.uniqueDataText : "11 22 33 44 55 66 77";
        EXPECT_EQ(t.form.Text(SectorDataEdit), text);
        EXPECT_EQ(t.app.values.uniqueDataText, text);
        EXPECT_EQ(t.form.Text(HexEdit) == "5544332211", !c.shown);
        if (c.shown) {
            EXPECT_EQ(t.app.values.uniqueData, t.users.asked.back());
        }
        EXPECT_EQ(t.boxes.shown.size(), c.shown ? 0u : 1u);
    }
}

TEST(ConverterRadioTest, RadiosChooseTheFormatOfTheConverterFields) {
    Started t;
    const std::pair<Ctl, const char*> cases[] = {{ConvW26Radio, "332211"}, {ConvW58Radio, "77665544332211"},
                                                  {ConvTmW44Radio, "5544332211"}};
    for (const auto& [radio, hex] : cases) {
        t.ClickRadio(radio, ConvTmW44Radio, ConvW58Radio);
        EXPECT_EQ(t.form.Text(HexEdit), hex);
    }
}

// --- Up-downs, device changes, the end --------------------------------------------

TEST(UpDownTest, SectorAndBlockStayInTheirRanges) {
    struct Case {
        Ctl upDown;
        int pos, delta, sector, block;
    };
    const Case cases[] = {
        {SectorUpDown, 1, 1, 2, 0},   {SectorUpDown, 15, 1, 15, 0}, {SectorUpDown, 3, -20, 1, 0},
        {BlockUpDown, 0, -1, 1, 0},   {BlockUpDown, 2, 1, 1, 2},    {SectorUpDown, 0x7FFFFFFF, 1, 15, 0},
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
