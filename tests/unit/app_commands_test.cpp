// The main window's commands: language switch, help, the confirmation of a
// clear, generators and up-downs; timer ticks that come
// with no wait of theirs running. The waits themselves are tested with the
// flows that run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/config.h"
#include "app/form_rules.h"
#include "app/main_controller.h"
#include "app/progress.h"
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

TEST(LanguageTest, AFailedSaveWarnsAndTheSwitchStillHappens) {
    Started t;
    t.app.configPath = (std::filesystem::temp_directory_path() / "no-such-folder-tollvane" / "appconfig.ini").string();
    OnCommand(t.app, Command::English);
    // Told in the language that was active when the save failed.
    EXPECT_EQ(t.boxes.shown,
              (std::vector<ShownMessage>{{Text(LanguageId::Russian, Msg::kSaveSettingsFailed), MessageIcon::Warning}}));
    EXPECT_EQ(t.form.Text(WriteButton), "Write");
    EXPECT_EQ(t.shell.menuRebuilds, 1);
}

// A help file the shell cannot open for a reason of its own (a missing file
// and a missing viewer have their messages, tried with the installed program).
TEST(HelpTest, AnotherShellErrorIsShownWithItsCode) {
    TestApp t(LanguageId::English);
    t.shell.helpResult = {HelpOpen::Failed, 32};
    OnCommand(t.app, Command::Help);
    EXPECT_EQ(t.shell.helpOpens, 1);
    EXPECT_EQ(t.boxes.shown,
              (std::vector<ShownMessage>{{"Opening the help file failed!\n\r[Error code: 32]", MessageIcon::Error}}));
}

TEST(ReaderCommandTest, ClearAsksFirstAndNoDoesNothing) {
    for (Ctl button : {ClearButton, ClearCyclicButton}) {
        for (bool yes : {false, true}) {
            Started t;
            t.boxes.answers = {yes};
            t.Click(button);
            ASSERT_EQ(t.boxes.questions.size(), 1u);
            EXPECT_EQ(t.boxes.questions[0], t.T(Msg::kConfirmClearCard));
            // Yes without a link searches for the reader (and forgets the run); No does nothing.
            EXPECT_EQ(t.timers.IsRunning(TimerId::Search), yes);
            EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        }
    }
}

TEST(GenerateRandomTest, KeysChangeByCardTypeAndWorkMode) {
    struct Case {
        const char* name;
        bool plus, sl3;
        int mode;
        bool crypto1Changes, aesChanges;
    };
    const Case cases[] = {
        {"classic sector data", false, false, 1, true, false},
        {"plus sl1 card id", true, false, 0, false, true},
        {"plus sl1 after login", true, false, 2, true, true},
        {"plus sl3 sector data", true, true, 3, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started t;
        t.form.SetSelection(WorkModeCombo, c.mode);
        if (c.plus) ClickPlus(t.app);
        if (c.sl3) t.ClickRadio(Sl3Radio, Sl1Radio, Sl3Radio);
        t.Click(GenerateRandomButton);
        EXPECT_EQ(t.form.Text(Crypto1KeyEdit) != "FF FF FF FF FF FF", c.crypto1Changes);
        EXPECT_EQ(t.form.Text(AesKeyEdit).substr(0, 2) != "FF", c.aesChanges);
        EXPECT_TRUE(t.boxes.shown.empty());
    }
}

// New data is shown and converted, after the message when usersData.data
// could not take it; with no number at all "The operation failed!" and the
// data stay as they were.
TEST(GenerateUniqueTest, NewDataIsShownUnlessNoNumberCouldBeMade) {
    const struct {
        bool sourceFails;
        std::optional<StoreFailure> failure;
        std::string message;
    } cases[] = {
        {false, {}, ""},
        {true, {}, "The operation failed!"},
        {false, StoreFailure{StoreStep::Open, 0}, Text(LanguageId::English, Msg::kUsersDataOpenError)},
        {false, StoreFailure{StoreStep::Read, 0x1E}, "Error reading from file usersData.data!\nGetLastError=0000001E"},
        {false, StoreFailure{StoreStep::Write, 5}, "Error writing to file usersData.data!\nGetLastError=00000005"},
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
        std::string fieldWhenTold;
        t.boxes.modalLoop = [&] { fieldWhenTold = t.form.Text(SectorDataEdit); };
        t.Click(GenerateUniqueButton);
        const auto shown = c.sourceFails ? std::array<std::uint8_t, 7>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}
                                         : t.users.asked.at(0);
        EXPECT_EQ(t.app.values.uniqueData, shown);
        EXPECT_EQ(t.form.Text(SectorDataEdit), t.app.values.uniqueDataText);
        EXPECT_EQ(t.form.Text(HexEdit) == "5544332211", c.sourceFails);
        EXPECT_EQ(t.boxes.Texts(), c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        if (!c.message.empty()) EXPECT_EQ(fieldWhenTold, "11 22 33 44 55 66 77");  // told before it changes
    }
}

TEST(UpDownTest, SectorAndBlockStayInTheirRanges) {
    struct Case {
        Ctl upDown;
        int pos, delta, sector, block;
    };
    const Case cases[] = {
        {SectorUpDown, 1, 1, 2, 0},   {SectorUpDown, 15, 1, 15, 0}, {SectorUpDown, 3, -20, 1, 0},
        {BlockUpDown, 0, -1, 1, 0},   {BlockUpDown, 2, 1, 1, 2},    {SectorUpDown, 0x7FFFFFFF, 1, 15, 0},
        {SectorEdit, 5, 1, 1, 0},  // not an up-down
    };
    for (const Case& c : cases) {
        TestApp t;
        OnUpDownDelta(t.app, c.upDown, c.pos, c.delta);
        EXPECT_EQ(t.app.values.sectorNumber, c.sector) << c.pos << " " << c.delta;
        EXPECT_EQ(t.app.values.blockNumber, c.block) << c.pos << " " << c.delta;
    }
}

TEST(WaitTest, TicksAndTimersWithoutAWaitDoNothing) {
    TestApp t;
    for (int id : {0, 3, 5, -1}) ShowProgress(t.app, static_cast<TimerId>(id));
    for (int id : {1, 2, 4, 9, 0}) OnTimer(t.app, static_cast<TimerId>(id));
    EXPECT_EQ(t.progress.opens, 0);
    EXPECT_EQ(t.progress.steps, 0);
    EXPECT_TRUE(t.timers.running.empty());
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

}  // namespace
}  // namespace tollvane
