// Card commands and their reply wait: the frame the form sends, the
// first-tick acknowledgement in the forms a reader gives it, the result line
// in pieces, read errors, the 165-tick end, cyclic runs, and the register of
// issued cards. The result codes themselves are classified at the protocol
// level.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/card_settings.h"
#include "app/reader/card_command.h"
#include "app/reader/card_outcome.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

const std::string kDatOk = "\n\rAT+DAT_OK";
const std::string kErr04 = "\n\rAT+ERR_04";
const std::string kAck = "\n\rAT+Uw - OK!";
const char kSuccess[] = "The operation was successful!";
const char kNotPresented[] = "The card was not brought to the reader!";
const char kNotRecognised[] = "The answer could not be recognized!";
const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

struct CardWait : ::testing::Test {
    TestApp t{LanguageId::English};
    void SetUp() override { t.Connect(); }
    void SelectUserRole(int workMode) {
        t.SelectCombo(Ctl::WorkModeCombo, workMode);
        t.SelectCombo(Ctl::RoleCombo, 1);
    }
    // Presents one card per cycle: each result arrives a few ticks into its wait.
    void PresentCards(const std::vector<std::string>& results) {
        for (const std::string& result : results) {
            ASSERT_TRUE(t.Tick(TimerId::Card));
            ASSERT_TRUE(t.Tick(TimerId::Card));
            t.port.Arrive(result);
            ASSERT_TRUE(t.Tick(TimerId::Card));
        }
    }
};

// A card command's wait: ticks of 50 ms, at most 165, each polling for the
// result's first byte; the result is read at the tick it arrives. (The frame
// the start form sends is the end-to-end suite's.)
TEST_F(CardWait, AWriteWaitsInTicksOf50MsAndReadsTheResultAtTheTickItsFirstByteArrives) {
    t.Click(Ctl::WriteButton);
    EXPECT_EQ(t.port.sent.back().size(), 46u);
    EXPECT_EQ(t.timers.running.at(TimerId::Card), 50u);
    EXPECT_EQ(t.progress.title, "Present the card to the reader...");
    EXPECT_EQ(t.progress.range, 165);
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(t.Tick(TimerId::Card));
    t.port.Arrive(kDatOk);
    ASSERT_TRUE(t.Tick(TimerId::Card));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_EQ(t.progress.steps, 61);
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{kSuccess, MessageIcon::Success}));
}

// The search that replaces a command without a link does not resume it, and
// a run it was to begin is over.
TEST(CardCommandTest, WithoutALinkEveryCommandSearchesInstead) {
    for (Ctl button : {Ctl::WriteButton, Ctl::ReadButton, Ctl::ClearButton, Ctl::WriteCyclicButton,
                       Ctl::ClearCyclicButton}) {
        SCOPED_TRACE(static_cast<int>(button));
        TestApp t{WithReader{}};
        t.ReaderAcknowledges();
        t.Click(button);
        EXPECT_EQ(t.timers.running.at(TimerId::Search), 10u);
        EXPECT_FALSE(t.app.op.cyclicRun != CyclicRun::None);
        t.RunOut(TimerId::Search);
        t.RunOut(TimerId::Reply);
        EXPECT_EQ(t.port.sent.size(), 1u);  // the version query alone
    }
}

TEST_F(CardWait, NoRoleOrAFailedSendSendsNothingAndEndsARun) {
    t.form[Ctl::RoleCombo].selection = -1;
    t.app.op.cyclicRun = CyclicRun::Write;
    WriteCard(t.app);
    EXPECT_EQ(t.port.sent.size(), 1u);
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);

    // The system refused the write: the operator sees its code.
    t.form[Ctl::RoleCombo].selection = 0;
    t.port.sendResult = false;
    t.port.sendError = 5;
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_EQ(t.boxes.systemErrors, std::vector<std::string>{"Error [5] when writing to the COM port!"});
    EXPECT_FALSE(t.app.LinkOpen());
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
}

// Anything but a plain acknowledgement stops the wait at its first tick,
// without a poll and without a next cycle. The device may follow its
// acknowledgement with text of its own (a line end, a word) and the result
// line, whole or begun, in the same read; the wait reads on from a begun
// result instead of polling a byte of it away. Nothing at all is read at the
// 165th tick, after polls at the 2nd to the 164th. A read that fails part-way
// is a failed read: its one box, and the bytes before the failure are no reply.
TEST(CardWaitTest, EndsWithOneOutcomeWhateverTheReaderSays) {
    struct Case {
        const char* name;
        std::string withAck;             // arrives with the acknowledgement, before the first tick
        std::vector<std::string> later;  // each arrives before one further tick
        int ticks;                       // how long the wait lasts
        int polls;
        std::vector<std::string> messages;
        bool staysOpen = true;
        std::string ack = kAck;
        Ctl button = Ctl::WriteButton;
        bool manual = false;
        std::size_t failingRead = 0;  // the read at this tick fails after failAfter bytes
        std::size_t failAfter = 0;
        std::string key = "FF FF FF FF FF FF";  // the Crypto1 key the form shows at the end
    };
    // A read-back, longer than the acknowledgement's read brings of it.
    const std::string readBack =
        ReadBackReply(BuildMasterWriteFrame(FormSnapshot{.classicChecked = true, .crypto1Key = {1, 2, 3, 4, 5, 6}}));
    const Ctl cyclic = Ctl::WriteCyclicButton;
    const Case cases[] = {
        {"UnknownCommand", "\n\rAT+CMD - UNKNOWN CMD!", {}, 1, 0, {"Invalid command!"}, true, "", cyclic},
        {"GarbageFromAPortPickedByHand", "\x81\x92\xA3", {}, 1, 0, {kNotRecognised, kRetry}, false, "", cyclic, true},
        {"AResultWithoutAcknowledgement", kDatOk, {}, 1, 0, {kNotRecognised}, true, "", cyclic},
        {"Silence", "", {}, 1, 0, {}, false, "", cyclic},
        {"NothingAfterTheAcknowledgement", "", {}, 165, 163, {}, false},
        {"Whole", kDatOk, {}, 1, 0, {kSuccess}},
        {"WholeAfterALineEnd", "\r\n" + kDatOk, {}, 1, 0, {kSuccess}},
        {"OnlyTheLineFeed", "\n", {"\rAT+DAT_OK"}, 2, 0, {kSuccess}},
        {"OnlyTheCarriageReturn", "\r", {kDatOk}, 2, 0, {kSuccess}},
        {"PartOfTheLine", "\n\rAT+DA", {"T_OK"}, 2, 0, {kSuccess}},
        {"PartOfAnError", "\n\rAT+ERR_0", {"4"}, 2, 0, {kNotPresented}},
        {"PartOfAReadBack", readBack.substr(0, 20), {readBack.substr(20)}, 2, 0, {kSuccess}, true, kAck,
         Ctl::ReadButton, false, 0, 0, "01 02 03 04 05 06"},
        {"AWordThenTheResult", " ready", {kDatOk}, 2, 1, {kSuccess}},
        {"ResultAfterSilentTicks", "\r\n", {"", "", kDatOk}, 4, 0, {kSuccess}},
        {"ResultInThreeReads", "\r\n", {"\n\rAT", "+ERR", "_04"}, 4, 0, {kNotPresented}},
        {"TextInFrontAndALineEnd", "\r\n", {kErr04}, 2, 0, {kNotPresented}, true, "#12 - OK!"},
        {"ABeginningNeverCompleted", "\n\rAT+DA", {}, 165, 0, {kNotRecognised}},
        // A second acknowledgement says nothing of the card: not a silent end.
        {"ASecondAcknowledgement", "", {kAck}, 2, 1, {kNotRecognised}},
        // Text after the acknowledgement is no answer: silence then is none.
        {"ALineEndThenSilence", "\r\n", {}, 165, 0, {}, false},
        // After a line end, bytes that can no longer begin a result line
        // are an answer at once, not silence at the 165th tick.
        {"ALineEndThenOtherText", "\r\n", {"\n\rBUSY\r\n"}, 2, 0, {kNotRecognised}},
        {"ALineEndThenNoise", "\r\n", {"\x81\x92"}, 2, 0, {kNotRecognised}},
        {"ALineEndAndNoiseInOneRead", "\r\n:\xC7Qp", {}, 1, 0, {kNotRecognised}},
        {"ALineEndThenNoiseOnAPortPickedByHand", "\r\n", {"\n\x81"}, 2, 0, {kNotRecognised, kRetry}, false,
         kAck, Ctl::WriteButton, true},
        {"ReadErrorInTheAcknowledgement", kDatOk, {}, 1, 0, {}, false, kAck, Ctl::WriteButton, false, 1, 13},
        {"ReadErrorReadingOn", "\r\n", {kDatOk}, 2, 0, {}, false, kAck, Ctl::WriteButton, false, 2, 4},
        {"ReadErrorAfterThePoll", "", {kDatOk}, 2, 1, {}, false, kAck, Ctl::WriteButton, false, 2, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t(LanguageId::English);
        t.Connect();
        t.app.link.manualConnect = c.manual;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack + c.withAck); };
        // Each box is modal to the disabled main window, and none but a
        // read's own error box runs under a live wait.
        bool boxOutOfPlace = false;
        t.boxes.modalLoop = [&] {
            const bool live = t.timers.IsRunning(TimerId::Card) || t.progress.open;
            boxOutOfPlace |= t.progress.mainWindowEnabled || (live && c.failingRead == 0);
            t.Tick(TimerId::Card);
        };
        t.Click(c.button);
        int ticks = 0;
        for (std::size_t i = 0; i <= c.later.size(); ++i) {
            if (i > 0) t.port.Arrive(c.later[i - 1]);
            if (c.failingRead == i + 1) t.port.failAfter = c.failAfter;
            ticks += t.Tick(TimerId::Card);
        }
        ticks += t.RunOut(TimerId::Card);
        EXPECT_EQ(ticks, c.ticks);
        EXPECT_EQ(t.progress.steps, c.ticks);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_EQ(t.boxes.systemErrors,
                  std::vector<std::string>(c.failingRead ? 1 : 0, "Error [5] when reading from a COM port!"));
        EXPECT_FALSE(boxOutOfPlace);
        EXPECT_EQ(t.app.LinkOpen(), c.staysOpen);
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        EXPECT_EQ(t.port.sent.size(), 2u);
        EXPECT_EQ(t.port.polls, c.polls);
        EXPECT_TRUE(c.failingRead != 0 || t.port.line.empty());
        EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, c.key);
        EXPECT_TRUE(t.progress.mainWindowEnabled);
    }
}

// A cyclic User write of new numbers, with the register of issued cards.
struct RegisterFlow : CardWait {
    MemoryFiles files;
    FakeSleeper registerSleeper;
    FixedStation station;
    IssuedCardsLog log{files, "IssuedCards.csv", registerSleeper, station, "C:\\Cards\\IssuedCards.csv"};

    void SetUp() override {
        CardWait::SetUp();
        t.app.issued = &log;
        SelectUserRole(1);
        t.Click(Ctl::UniqueBeforeWriteCheck);
    }
    std::vector<RegisterRow> Rows() const { return RegisterRows(files.Text("IssuedCards.csv")); }
};

// Each card of a run gets a new number that usersData.data recorded, and its
// row in the register (its message too, which a run does not show); the run
// ends with the first error. A number the file does not hold is never sent
// but stops the run: the store failed (and said why), or every number drawn
// was issued already.
TEST_F(RegisterFlow, ACyclicUserWriteSendsOnlyRecordedDataAndEndsOnTheFirstFailure) {
    t.Click(Ctl::WriteCyclicButton);
    PresentCards({kDatOk, kDatOk, kDatOk, kErr04});
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre(kNotPresented));
    EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u, 1000u, 1000u));
    ASSERT_EQ(t.port.sent.size(), 5u);  // the query and four writes
    ASSERT_EQ(t.users.recorded.size(), 4u);
    const std::vector<RegisterRow> rows = Rows();
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& number = t.users.recorded[i];
        EXPECT_TRUE(std::equal(number.begin(), number.end(), t.port.sent[i + 1].begin() + 37));
        const RegisterRow& r = rows[i];
        EXPECT_EQ((std::vector{r[kColTime], r[kColOperator], r[kColPort], r[kColRole], r[kColCyclic], r[kColUniqueData],
                               r[kColResult] + " " + r[kColMessage]}),
                  (std::vector<std::string>{"2026-12-06T18:30:05+03:00", "ivanova", "COM3", "User", "yes",
                                            FormatHexBytes(number.data(), 7),
                                            i < 3 ? "OK " + std::string(kSuccess) : "ERR_04 " + std::string(kNotPresented)}));
    }

    struct Case {
        std::deque<RecordOutcome> outcomes;  // of the second cycle's draws
        std::vector<std::string> messages;
    };
    for (const Case& c : {Case{{RecordOutcome::Failed}, {"Error writing to file usersData.data!\nGetLastError=00000005"}},
                          Case{std::deque<RecordOutcome>(1000, RecordOutcome::AlreadyRecorded),
                               {"The operation failed!"}}}) {
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        t.Click(Ctl::WriteCyclicButton);
        t.users.outcomes = c.outcomes;
        PresentCards({kDatOk});
        EXPECT_EQ(t.port.sent.size(), sent + 1);  // the first card's write only
        EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
    }
    EXPECT_TRUE(t.app.LinkOpen());
}

TEST_F(CardWait, ASuccessOfAnEarlierSingleWriteDoesNotContinueAFailingRun) {
    t.Click(Ctl::WriteButton);
    PresentCards({kDatOk});
    t.Click(Ctl::ClearCyclicButton);
    PresentCards({kErr04});
    EXPECT_EQ(t.port.sent.size(), 3u);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
}

// Only the sector data modes draw a number before a write; the decrypt mode
// sends it scrambled, as the frame builders' test shows.
TEST_F(CardWait, OnlyTheSectorDataModesDrawANumber) {
    for (int mode : {0, 2, 3}) {
        SelectUserRole(mode);
        t.form[Ctl::UniqueBeforeWriteCheck].checked = true;
        WriteCard(t.app);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.users.asked.size(), mode == 3 ? 1u : 0u) << mode;
    }
    for (Ctl other : {Ctl::ReadButton, Ctl::ClearButton}) {  // only a write does
        t.Click(other);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
    }
    EXPECT_EQ(t.users.asked.size(), 1u);
    EXPECT_EQ(t.port.sent.size(), 6u);
}

// No command is sent when the register cannot be written.
TEST_F(RegisterFlow, ARegisterThatCannotBeWrittenStopsTheRunBeforeAnythingIsSent) {
    const std::optional<FileOp> steps[] = {FileOp::Read, FileOp::Write, FileOp::Flush, std::nullopt /* open refused */};
    for (const auto& step : steps) {
        files.Put("IssuedCards.csv", "2026-12-06T18:29:00+03:00,cut short");  // to be read and mended first
        files.FailAt(step.value_or(FileOp::Open), 1, step ? 112 : 5);
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        const std::size_t drawn = t.users.asked.size();
        t.Click(Ctl::WriteCyclicButton);
        EXPECT_EQ(t.port.sent.size(), sent);
        EXPECT_EQ(t.users.asked.size(), drawn);  // no number handed out for it
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        EXPECT_EQ(t.boxes.shown[0].text.rfind("The register of issued cards cannot be written:\n\rC:\\Cards\\IssuedCards.csv\n\r", 0), 0u);
        EXPECT_NE(t.boxes.shown[0].text.find(step ? "GetLastError=00000070" : "GetLastError=00000005"), std::string::npos);
    }
}

// Every outcome is one row, and its Message is what the operator was told;
// silence on a port the search found shows no box, so the row says what
// happened instead.
TEST_F(RegisterFlow, EachOutcomeIsOneRowSayingWhatTheOperatorWasTold) {
    struct Case {
        const char* name;
        std::string ack;     // arrives at once after the send
        std::string result;  // arrives before the third tick
        bool manual;
        std::string row;     // Result and Message
        std::vector<std::string> messages;
    } cases[] = {
        {"Done", kAck, kDatOk, false, "OK The operation was successful!", {kSuccess}},
        {"Error", kAck, kErr04, false, "ERR_04 " + std::string(kNotPresented), {kNotPresented}},
        {"SecondAcknowledgement", kAck, kAck, false, "UNRECOGNIZED " + std::string(kNotRecognised), {kNotRecognised}},
        {"Rejected", "\n\rAT+CMD - UNKNOWN CMD!", "", false, "UNRECOGNIZED Invalid command!", {"Invalid command!"}},
        {"TextAfterALineEnd", kAck + "\r\n", "\n\rBUSY", false, "UNRECOGNIZED " + std::string(kNotRecognised),
         {kNotRecognised}},
        {"Silence", kAck, "", false, "NO_REPLY The reader did not answer in time; the connection was closed.", {}},
        {"SilenceOnAPortPickedByHand", kAck, "", true, "NO_REPLY " + std::string(kRetry), {kRetry}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.entries.erase("IssuedCards.csv");
        t.Connect();
        SelectUserRole(1);
        t.app.link.manualConnect = c.manual;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack); };
        t.Click(Ctl::WriteButton);
        t.Tick(TimerId::Card);
        t.Tick(TimerId::Card);
        t.port.Arrive(c.result);
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        const std::vector<RegisterRow> rows = Rows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][kColResult] + " " + rows[0][kColMessage], c.row);
    }
}

// A row that cannot be written ends the run; the box says what became of
// the command: carried out, not answered, or not sent at all.
TEST_F(RegisterFlow, ARowThatCannotBeWrittenEndsTheRunAndSaysWhatHappened) {
    struct Case {
        const char* reply;
        bool sent;
        const char* first;
    } cases[] = {
        {"\n\rAT+DAT_OK", true, "The card command was carried out, but it could not be recorded"},
        {"", true, "The reader did not answer the card command, and this could not be recorded"},
        {"", false, "The card command was not sent, and this could not be recorded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        t.Connect();
        SelectUserRole(1);
        t.port.sendResult = c.sent;
        files.Put("IssuedCards.csv", "rows so far\r\n");
        files.FailAt(FileOp::Flush, 1, 112);
        t.Click(Ctl::WriteCyclicButton);
        const std::size_t sent = t.port.sent.size();
        if (c.sent) PresentCards({c.reply});
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        EXPECT_EQ(t.port.sent.size(), sent);
        ASSERT_FALSE(t.boxes.shown.empty());
        EXPECT_EQ(t.boxes.shown[0].text.rfind(c.first, 0), 0u) << t.boxes.shown[0].text;
    }
}

// "Verify after write": a done write is read back with the Read frame of its
// role from the same settings, under the same wait, and the read decides the
// one row and the one message; a run goes on only after a verified card.
TEST_F(RegisterFlow, AVerifiedWriteIsReadBackAndTheReadDecidesItsOutcome) {
    const std::string unverified = "The card was written, but it could not be read back to check it:\n";
    struct Case {
        const char* name;
        std::string read;  // the read's result; "=" the card as written, "~" one data byte changed
        bool cyclic, sendFails;
        std::string row;  // Result and Message
        std::vector<std::string> messages;
        bool staysOpen = true;
    } cases[] = {
        {"Verified", "=", false, false, std::string("VERIFIED ") + kSuccess, {kSuccess}},
        {"Mismatch", "~", false, false,
         "MISMATCH The card does not hold what was written!\nDiffers: unique data.\nPut this card aside.",
         {"The card does not hold what was written!\nDiffers: unique data.\nPut this card aside."}},
        {"ReadError", kErr04, false, false, "UNVERIFIED " + unverified + kNotPresented, {unverified + kNotPresented}},
        {"ReadSilence", "", false, false,
         "UNVERIFIED " + unverified + "The reader did not answer in time; the connection was closed.",
         {unverified + "The reader did not answer in time; the connection was closed."}, false},
        {"ReadNotSent", "", false, true, "UNVERIFIED " + unverified + "Error when writing to the COM port!",
         {unverified + "Error when writing to the COM port!"}, false},
        {"CyclicMismatch", "~", true, false, "MISMATCH The card does not hold what was written!\nDiffers: unique data.\nPut this card aside.",
         {"The card does not hold what was written!\nDiffers: unique data.\nPut this card aside."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.entries.erase("IssuedCards.csv");
        t.Connect();  // after a link that was closed, with the form reset
        SelectUserRole(1);
        t.form[Ctl::UniqueBeforeWriteCheck].checked = true;
        t.app.verifyAfterWrite = true;
        const std::size_t first = t.port.sent.size();
        // What the card written by the frame sent at index holds.
        const auto readBack = [&](std::size_t index, bool spoil) {
            return ReadBackReply(FrameOf(t.port.sent[index]), [&](CommandFrame& f) { f[kFrameSettingsOffset + 8] ^= spoil; });
        };
        t.Click(c.cyclic ? Ctl::WriteCyclicButton : Ctl::WriteButton);
        if (c.cyclic) {  // a first card read back as written, and the run goes on
            PresentCards({kDatOk});
            PresentCards({readBack(first, false)});
            EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u));
            t.sleeper.pauses.clear();
            ASSERT_EQ(t.port.sent.size(), first + 3);
        }
        const std::size_t write = t.port.sent.size() - 1;
        t.port.sendResult = !c.sendFails;
        PresentCards({kDatOk});
        if (!c.sendFails) {
            ASSERT_EQ(t.port.sent.size(), write + 2);
            // The read of the same role, from the same settings as the write.
            const CommandFrame read =
                BuildUserReadFrame(SnapshotOf(ReadCardSettings(t.form, t.app.values), t.app.values.uniqueData));
            EXPECT_EQ(t.port.sent.back(), std::vector<std::uint8_t>(read.begin(), read.end()));
            if (c.read == "=" || c.read == "~") PresentCards({readBack(write, c.read == "~")});
            else PresentCards({c.read});
        }
        t.port.sendResult = true;
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_EQ(t.app.op.cyclicRun, CyclicRun::None);
        EXPECT_TRUE(t.sleeper.pauses.empty());
        EXPECT_EQ(t.app.LinkOpen(), c.staysOpen);
        const std::vector<RegisterRow> rows = Rows();
        ASSERT_EQ(rows.size(), c.cyclic ? 2u : 1u);
        EXPECT_EQ(rows[0][kColResult], c.cyclic ? "VERIFIED" : rows.back()[kColResult]);
        EXPECT_EQ(rows.back()[kColResult] + " " + rows.back()[kColMessage], c.row);
        EXPECT_EQ(rows.back()[kColOperation], "Write");
        // Every number drawn stays on record, whatever the read found.
        EXPECT_EQ(t.users.recorded.size(), t.users.asked.size());
        t.boxes.shown.clear();
    }
}

}  // namespace
}  // namespace tollvane::testing
