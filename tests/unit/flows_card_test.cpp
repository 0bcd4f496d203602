// Card commands and their reply wait (acknowledgements, results in pieces, read errors, the
// 165-tick end), cyclic runs, and the register of issued cards; result codes are classified at the
// protocol level.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/card_settings.h"
#include "app/reader/card_command.h"
#include "app/reader/card_outcome.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;
using enum Ctl;
using Texts = std::vector<std::string>;
constexpr TimerId kCard = TimerId::Card;

const std::string kDatOk = "\n\rAT+DAT_OK";
const std::string kErr04 = "\n\rAT+ERR_04";
const std::string kAck = "\n\rAT+Uw - OK!";
const std::string kSuccess = "The operation was successful!";
const std::string kNotPresented = "The card was not brought to the reader!";
const std::string kNotRecognised = "The answer could not be recognized!";
const std::string kRetry = "The reader did not respond!\n(Try again or a different COM port).";
const std::string kClosed = "The reader did not answer in time; the connection was closed.";

struct CardWait : ::testing::Test {
    TestApp t{LanguageId::English};
    void SetUp() override { t.Connect(); }
    void SelectUserRole(int workMode) {
        t.SelectCombo(WorkModeCombo, workMode);
        t.SelectCombo(RoleCombo, 1);
    }
    // Presents one card per cycle: each result arrives a few ticks into its wait.
    void PresentCards(const Texts& results) {
        for (const std::string& result : results) {
            ASSERT_TRUE(t.Tick(kCard));
            ASSERT_TRUE(t.Tick(kCard));
            t.port.Arrive(result);
            ASSERT_TRUE(t.Tick(kCard));
        }
    }
};

// A card command's wait: ticks of 50 ms, at most 165, each polling for the
// result's first byte; the result is read at the tick it arrives.
TEST_F(CardWait, AWriteWaitsInTicksOf50MsAndReadsTheResultAtTheTickItsFirstByteArrives) {
    t.Click(WriteButton);
    EXPECT_FIELDS(
        (t.port.sent.back().size(), t.timers.running.at(kCard), t.progress.title, t.progress.range),
        (46u, 50u, "Present the card to the reader...", 165));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(t.Tick(kCard));
    t.port.Arrive(kDatOk);
    ASSERT_TRUE(t.Tick(kCard));
    EXPECT_FIELDS((t.timers.IsRunning(kCard), t.progress.steps), (false, 61));
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{kSuccess, MessageIcon::Success}));
}

// A search tick posted before its timer was killed can come during a card wait: it neither moves
// the bar nor ends the card's wait with a search of its own.
TEST_F(CardWait, AStaleSearchTickDuringACardWaitDoesNothing) {
    t.Click(WriteButton);
    const std::size_t sent = t.port.sent.size();
    for (int i = 0; i < 100; ++i) OnTimer(t.app, TimerId::Search);
    EXPECT_EQ(t.progress.steps, 0);
    EXPECT_EQ(t.port.sent.size(), sent);
    EXPECT_TRUE(t.timers.IsRunning(kCard));
}

// The search that replaces a command without a link does not resume it, and a run it was to begin
// is over; a clear asks first, and No does nothing.
TEST(CardCommandTest, WithoutALinkEveryCommandSearchesInstead) {
    for (Ctl button :
         {WriteButton, ReadButton, ClearButton, WriteCyclicButton, ClearCyclicButton}) {
        for (bool yes : {true, false}) {
            TestApp t{WithReader{}};
            t.ReaderAcknowledges();
            t.boxes.answers = {yes};
            t.Click(button);
            const bool asks = button == ClearButton || button == ClearCyclicButton,
                       searches = yes || !asks;
            const auto& running = t.timers.running;
            EXPECT_FIELDS(
                (t.boxes.questions,
                 running.count(TimerId::Search) ? running.at(TimerId::Search) : 0,
                 t.app.op.cyclicRun),
                (Texts(asks, t.T(Msg::kConfirmClearCard)), searches ? 10u : 0u, CyclicRun::None));
            t.RunOut(TimerId::Search);
            t.RunOut(TimerId::Reply);
            EXPECT_EQ(t.port.sent.size(), searches ? 1u : 0u)
                << static_cast<int>(button);  // the version query
        }
    }
}

TEST_F(CardWait, NoRoleOrAFailedSendSendsNothingAndEndsARun) {
    t.form[RoleCombo].selection = -1;
    t.app.op.cyclicRun = CyclicRun::Write;
    WriteCard(t.app);
    EXPECT_FIELDS((t.port.sent.size(), t.app.op.cyclicRun), (1u, CyclicRun::None));
    t.form[RoleCombo].selection = 0, t.port.sendResult = false,
    t.port.sendError = 5;  // the system refused the write
    t.Click(WriteCyclicButton);
    EXPECT_FIELDS(
        (t.boxes.systemErrors, t.app.LinkOpen(), t.timers.IsRunning(kCard), t.app.op.cyclicRun),
        (Texts{"Error [5] when writing to the COM port!"}, false, false, CyclicRun::None));
}

// Anything but a plain acknowledgement stops the wait at its first tick, without a poll or a next
// cycle. The device may follow its acknowledgement with text of its own and the result line, whole
// or begun, in the same read; the wait reads on from a begun result instead of polling a byte of it
// away. Nothing at all is read at the 165th tick, after polls at the 2nd to the 164th. A read that
// fails part-way is a failed read: its one box, no reply.
TEST(CardWaitTest, EndsWithOneOutcomeWhateverTheReaderSays) {
    struct Case {
        const char* name;
        std::string withAck;  // arrives with the acknowledgement, before the first tick
        Texts later;          // each arrives before one further tick
        int ticks, polls;     // how long the wait lasts, and its polls
        Texts messages;
        bool staysOpen = true;
        std::string ack = kAck;
        Ctl button = WriteButton;
        bool manual = false;
        std::size_t failingRead = 0,
                    failAfter = 0;              // the read at this tick fails after failAfter bytes
        std::string key = "FF FF FF FF FF FF";  // the Crypto1 key the form shows at the end
    };
    // A read-back, longer than the acknowledgement's read brings of it.
    const std::string readBack = ReadBackReply(BuildMasterWriteFrame(
        FormSnapshot{.classicChecked = true, .crypto1Key = {1, 2, 3, 4, 5, 6}}));
    const Ctl cyclic = WriteCyclicButton;
    const Case cases[] = {
        {"UnknownCommand",
         "\n\rAT+CMD - UNKNOWN CMD!",
         {},
         1,
         0,
         {"Invalid command!"},
         true,
         "",
         cyclic},
        {"GarbageFromAPortPickedByHand",
         "\x81\x92\xA3",
         {},
         1,
         0,
         {kNotRecognised, kRetry},
         false,
         "",
         cyclic,
         true},
        {"AResultWithoutAcknowledgement", kDatOk, {}, 1, 0, {kNotRecognised}, true, "", cyclic},
        {"Silence", "", {}, 1, 0, {}, false, "", cyclic},
        {"NothingAfterTheAcknowledgement", "", {}, 165, 163, {}, false},
        {"Whole", kDatOk, {}, 1, 0, {kSuccess}},
        {"WholeAfterALineEnd", "\r\n" + kDatOk, {}, 1, 0, {kSuccess}},
        {"OnlyTheLineFeed", "\n", {"\rAT+DAT_OK"}, 2, 0, {kSuccess}},
        {"OnlyTheCarriageReturn", "\r", {kDatOk}, 2, 0, {kSuccess}},
        {"PartOfTheLine", "\n\rAT+DA", {"T_OK"}, 2, 0, {kSuccess}},
        {"PartOfAnError", "\n\rAT+ERR_0", {"4"}, 2, 0, {kNotPresented}},
        {"PartOfAReadBack",
         readBack.substr(0, 20),
         {readBack.substr(20)},
         2,
         0,
         {kSuccess},
         true,
         kAck,
         ReadButton,
         false,
         0,
         0,
         "01 02 03 04 05 06"},
        {"AWordThenTheResult", " ready", {kDatOk}, 2, 1, {kSuccess}},
        {"ResultAfterSilentTicks", "\r\n", {"", "", kDatOk}, 4, 0, {kSuccess}},
        {"ResultInThreeReads", "\r\n", {"\n\rAT", "+ERR", "_04"}, 4, 0, {kNotPresented}},
        {"TextInFrontAndALineEnd", "\r\n", {kErr04}, 2, 0, {kNotPresented}, true, "#12 - OK!"},
        {"ABeginningNeverCompleted", "\n\rAT+DA", {}, 165, 0, {kNotRecognised}},
        {"ASecondAcknowledgement", "", {kAck}, 2, 1, {kNotRecognised}},  // says nothing of the card
        {"ALineEndThenSilence", "\r\n", {}, 165, 0, {}, false},  // text after the acknowledgement
                                                                 // is no answer
        // After a line end, bytes that can no longer begin a result line are an answer at once.
        {"ALineEndThenOtherText", "\r\n", {"\n\rBUSY\r\n"}, 2, 0, {kNotRecognised}},
        {"ALineEndThenNoise", "\r\n", {"\x81\x92"}, 2, 0, {kNotRecognised}},
        {"ALineEndAndNoiseInOneRead", "\r\n:\xC7Qp", {}, 1, 0, {kNotRecognised}},
        {"ALineEndThenNoiseOnAPortPickedByHand",
         "\r\n",
         {"\n\x81"},
         2,
         0,
         {kNotRecognised, kRetry},
         false,
         kAck,
         WriteButton,
         true},
        {"ReadErrorInTheAcknowledgement",
         kDatOk,
         {},
         1,
         0,
         {},
         false,
         kAck,
         WriteButton,
         false,
         1,
         13},
        {"ReadErrorReadingOn", "\r\n", {kDatOk}, 2, 0, {}, false, kAck, WriteButton, false, 2, 4},
        {"ReadErrorAfterThePoll", "", {kDatOk}, 2, 1, {}, false, kAck, WriteButton, false, 2, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t(LanguageId::English);
        t.Connect();
        t.app.link.manualConnect = c.manual;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack + c.withAck); };
        // Each box is modal to the disabled main window; none but a read's error box runs under a
        // live wait.
        bool boxOutOfPlace = false;
        t.boxes.modalLoop = [&] {
            const bool live = t.timers.IsRunning(kCard) || t.progress.open;
            boxOutOfPlace |= t.progress.mainWindowEnabled || (live && c.failingRead == 0);
            t.Tick(kCard);
        };
        t.Click(c.button);
        int ticks = 0;
        for (std::size_t i = 0; i <= c.later.size(); ++i) {
            if (i > 0) t.port.Arrive(c.later[i - 1]);
            if (c.failingRead == i + 1) t.port.failAfter = c.failAfter;
            ticks += t.Tick(kCard);
        }
        ticks += t.RunOut(kCard);
        EXPECT_FIELDS((ticks, t.progress.steps, t.port.polls, t.boxes.Texts(), t.boxes.systemErrors,
                       t.app.LinkOpen(), t.form[Crypto1KeyEdit].text),
                      (c.ticks, c.ticks, c.polls, c.messages,
                       Texts(c.failingRead ? 1 : 0, "Error [5] when reading from a COM port!"),
                       c.staysOpen, c.key));
        EXPECT_FIELDS(
            (boxOutOfPlace, t.app.op.cyclicRun, t.port.sent.size(), t.progress.mainWindowEnabled),
            (false, CyclicRun::None, 2u, true));
        if (c.failingRead == 0) {
            EXPECT_EQ(t.port.line, "") << "left unread";
        }
    }
}

// A cyclic User write of new numbers, with the register of issued cards.
struct RegisterFlow : CardWait {
    MemoryFiles files;
    FakeSleeper registerSleeper;
    FixedStation station;
    IssuedCardsLog log{files, "IssuedCards.csv", registerSleeper, station,
                       "C:\\Cards\\IssuedCards.csv"};

    void SetUp() override {
        CardWait::SetUp();
        t.app.issued = &log;
        SelectUserRole(1);
        t.Click(UniqueBeforeWriteCheck);
    }
    // Result and Message of each row.
    Texts Outcomes() const {
        Texts outcomes;
        for (const RegisterRow& r : RegisterRows(files.Text("IssuedCards.csv")))
            outcomes.push_back(r[kColResult] + " " + r[kColMessage]);
        return outcomes;
    }
    // The link as after a closed one, with the form reset, and the register empty.
    void Reconnect() {
        files.entries.erase("IssuedCards.csv");
        t.Connect();
        SelectUserRole(1);
    }
    bool RunOver() const {
        return !t.timers.IsRunning(kCard) && t.app.op.cyclicRun == CyclicRun::None;
    }

    // The commands sent since index from: "ID" for a Read ID, else the frame's role and operation
    // letters.
    std::string SentSince(std::size_t from) const {
        std::string out;
        for (std::size_t i = from; i < t.port.sent.size(); ++i) {
            const auto& b = t.port.sent[i];
            out += out.empty() ? "" : " ";
            out += b.size() == 46 ? std::string{char(b[3]), char(b[4])} : std::string("ID");
        }
        return out;
    }
};

// Each card of a run gets a new number that usersData.data recorded, and its row in the register
// (its message too, which a run does not show); the run ends with the first error. A number the
// file does not hold is never sent but stops the run: the store failed (and said why), or every
// number drawn was issued already.
TEST_F(RegisterFlow, ACyclicUserWriteSendsOnlyRecordedDataAndEndsOnTheFirstFailure) {
    t.Click(WriteCyclicButton);
    PresentCards({kDatOk, kDatOk, kDatOk, kErr04});
    EXPECT_TRUE(RunOver());
    EXPECT_FIELDS((t.boxes.Texts(), t.sleeper.pauses),
                  (Texts{kNotPresented}, std::vector(3, 1000u)));
    ASSERT_FIELDS((t.port.sent.size(), t.users.recorded.size()),
                  (5u, 4u));  // the query, four writes
    const std::vector<RegisterRow> rows = RegisterRows(files.Text("IssuedCards.csv"));
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& number = t.users.recorded[i];
        EXPECT_TRUE(std::equal(number.begin(), number.end(), t.port.sent[i + 1].begin() + 37));
        const RegisterRow& r = rows[i];
        EXPECT_EQ((Texts{r[kColTime], r[kColOperator], r[kColComputer], r[kColPort], r[kColRole],
                         r[kColCyclic], r[kColUniqueData], r[kColResult] + " " + r[kColMessage]}),
                  (Texts{"2026-12-06T18:30:05+03:00", "ivanova", "DESK-2", "COM3", "User", "yes",
                         FormatHexBytes(number.data(), 7),
                         i < 3 ? "OK " + kSuccess : "ERR_04 " + kNotPresented}));
    }
    // The second cycle's draws: the store fails, or every number was issued.
    for (const auto& [outcomes, message] :
         {std::pair{std::deque{RecordOutcome::Failed},
                    "Error writing to file usersData.data!\nGetLastError=00000005"},
          std::pair{std::deque(1000, RecordOutcome::AlreadyRecorded), "The operation failed!"}}) {
        t.boxes.shown.clear();
        const std::size_t sent = t.port.sent.size();
        t.Click(WriteCyclicButton);
        t.users.outcomes = outcomes;
        PresentCards({kDatOk});
        EXPECT_EQ(t.port.sent.size(), sent + 1);  // the first card's write only
        EXPECT_TRUE(RunOver());
        EXPECT_EQ(t.boxes.Texts(), Texts{message});
    }
    EXPECT_TRUE(t.app.LinkOpen());
}

TEST_F(CardWait, ASuccessOfAnEarlierSingleWriteDoesNotContinueAFailingRun) {
    t.Click(WriteButton);
    PresentCards({kDatOk});
    t.Click(ClearCyclicButton);
    PresentCards({kErr04});
    EXPECT_FIELDS((t.port.sent.size(), t.timers.IsRunning(kCard), t.app.op.cyclicRun),
                  (3u, false, CyclicRun::None));
}

// Only a write in the sector data modes draws a number (the decrypt mode's is scrambled: the frame
// builders' test).
TEST_F(CardWait, OnlyTheSectorDataModesDrawANumber) {
    for (int mode : {0, 2, 3}) {
        SelectUserRole(mode);
        t.form[UniqueBeforeWriteCheck].checked = true;
        WriteCard(t.app);
        t.port.Arrive(kDatOk);
        t.RunOut(kCard);
        EXPECT_EQ(t.users.asked.size(), mode == 3 ? 1u : 0u) << mode;
    }
    for (Ctl other : {ReadButton, ClearButton}) {
        t.Click(other);
        t.port.Arrive(kDatOk);
        t.RunOut(kCard);
    }
    EXPECT_FIELDS((t.users.asked.size(), t.port.sent.size()), (1u, 6u));
}

// No command is sent, and no number handed out, when the register cannot be written; the box says
// why.
TEST_F(RegisterFlow, ARegisterThatCannotBeWrittenStopsTheRunBeforeAnythingIsSent) {
    const std::string notWritable =
        "The register of issued cards cannot be written:\n\rC:\\Cards\\IssuedCards.csv\n\r";
    for (const std::optional<FileOp> step :
         {std::optional(FileOp::Read), {FileOp::Write}, {FileOp::Flush}, {}}) {
        files.Put("IssuedCards.csv",
                  "2026-12-06T18:29:00+03:00,cut short");  // to be read and mended first
        files.FailAt(step.value_or(FileOp::Open), 1,
                     step ? 112 : 5);  // without a step: the open refused
        t.boxes.shown.clear();
        const std::pair sentAndDrawn(t.port.sent.size(), t.users.asked.size());
        t.Click(WriteCyclicButton);
        EXPECT_FIELDS((t.port.sent.size(), t.users.asked.size(), t.app.op.cyclicRun),
                      (sentAndDrawn.first, sentAndDrawn.second, CyclicRun::None));
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        const std::string& told = t.boxes.shown[0].text;
        const char* code = step ? "GetLastError=00000070" : "GetLastError=00000005";
        EXPECT_TRUE(told.starts_with(notWritable)) << told;
        EXPECT_TRUE(told.find(code) != std::string::npos) << told;
    }
}

// Every outcome is one row, its Message what the operator was told; silence on a port the search
// found shows no box, so the row says what happened instead.
TEST_F(RegisterFlow, EachOutcomeIsOneRowSayingWhatTheOperatorWasTold) {
    // The acknowledgement arrives at once after the send, the result before the third tick; row:
    // Result Message.
    const struct {
        std::string ack, result;
        bool manual;
        std::string row;
        Texts messages;
    } cases[] = {
        {kAck, kDatOk, false, "OK " + kSuccess, {kSuccess}},
        {kAck, kErr04, false, "ERR_04 " + kNotPresented, {kNotPresented}},
        {kAck, kAck, false, "UNRECOGNIZED " + kNotRecognised, {kNotRecognised}},
        {"\n\rAT+CMD - UNKNOWN CMD!",
         "",
         false,
         "UNRECOGNIZED Invalid command!",
         {"Invalid command!"}},
        {kAck + "\r\n", "\n\rBUSY", false, "UNRECOGNIZED " + kNotRecognised, {kNotRecognised}},
        {kAck, "", false, "NO_REPLY " + kClosed, {}},
        {kAck, "", true, "NO_REPLY " + kRetry, {kRetry}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Reconnect();
        t.app.link.manualConnect = c.manual;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack); };
        t.Click(WriteButton);
        t.Tick(kCard);
        t.Tick(kCard);
        t.port.Arrive(c.result);
        t.RunOut(kCard);
        EXPECT_FIELDS((t.boxes.Texts(), Outcomes()), (c.messages, Texts{c.row}));
    }
}

// A row that cannot be written ends the run; the box says what became of the command.
TEST_F(RegisterFlow, ARowThatCannotBeWrittenEndsTheRunAndSaysWhatHappened) {
    const struct {
        const char* reply;
        bool sent;
        std::string first;
    } cases[] = {
        {"\n\rAT+DAT_OK", true, "The card command was carried out, but it could not be recorded"},
        {"", true, "The reader did not answer the card command, and this could not be recorded"},
        {"", false, "The card command was not sent, and this could not be recorded"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        t.Connect();
        SelectUserRole(1);
        t.port.sendResult = c.sent;
        files.Put("IssuedCards.csv", "rows so far\r\n");
        files.FailAt(FileOp::Flush, 1, 112);
        t.Click(WriteCyclicButton);
        const std::size_t sent = t.port.sent.size();
        if (c.sent) PresentCards({c.reply});
        t.RunOut(kCard);
        EXPECT_FIELDS((t.app.op.cyclicRun, t.port.sent.size()), (CyclicRun::None, sent));
        ASSERT_FALSE(t.boxes.shown.empty());
        EXPECT_EQ(t.boxes.shown[0].text.substr(0, c.first.size()), c.first);
    }
}

// "Verify after write": a done write is read back with the Read frame of its role from the same
// settings, under the same wait, and the read decides the one row and the one message; a run goes
// on only after a verified card.
TEST_F(RegisterFlow, AVerifiedWriteIsReadBackAndTheReadDecidesItsOutcome) {
    const std::string unverified =
        "The card was written, but it could not be read back to check it:\n";
    const std::string mismatch =
        "The card does not hold what was written!\nDiffers: unique data.\nPut this card aside.";
    // The read's result ("=" the card as written, "~" one data byte changed) and the row: Result,
    // Message, the box.
    const struct {
        std::string read;
        bool cyclic, sendFails;
        std::string row;
        bool staysOpen = true;
    } cases[] = {
        {"=", false, false, "VERIFIED " + kSuccess},
        {"~", false, false, "MISMATCH " + mismatch},
        {kErr04, false, false, "UNVERIFIED " + unverified + kNotPresented},
        {"", false, false, "UNVERIFIED " + unverified + kClosed, false},
        {"", false, true, "UNVERIFIED " + unverified + "Error when writing to the COM port!",
         false},
        {"~", true, false, "MISMATCH " + mismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Reconnect();
        t.sleeper.pauses.clear();
        t.form[UniqueBeforeWriteCheck].checked = t.app.verifyAfterWrite = true;
        t.cardInFront = 0;
        t.ReaderReadsCards(true);
        const std::size_t first = t.port.sent.size() + 1;  // after the card's Read ID
        // What the card written by the frame sent at index holds.
        const auto readBack = [&](std::size_t index, bool spoil) {
            const auto spoilData = [&](CommandFrame& f) { f[kFrameSettingsOffset + 8] ^= spoil; };
            return ReadBackReply(FrameOf(t.port.sent[index]), spoilData);
        };
        t.Click(c.cyclic ? WriteCyclicButton : WriteButton);
        if (c.cyclic) {  // a first card read back as written, and the run goes on
            PresentCards({kDatOk}), PresentCards({readBack(first, false)});
            EXPECT_THAT(t.sleeper.pauses,
                        ElementsAre(100u, 1000u, 100u));  // Read ID's wait, the run's pause
            EXPECT_EQ(SentSince(first - 1), "ID Uw Ur ID Uw");
            t.sleeper.pauses.clear();
        }
        const std::size_t write = t.port.sent.size() - 1;
        t.port.sendResult = !c.sendFails;
        PresentCards({kDatOk});
        if (!c.sendFails) {
            ASSERT_EQ(t.port.sent.size(), write + 2);
            // The read of the same role, from the same settings as the write.
            const CommandFrame read = BuildUserReadFrame(
                SnapshotOf(ReadCardSettings(t.form, t.app.values), t.app.values.uniqueData));
            EXPECT_EQ(t.port.sent.back(), std::vector<std::uint8_t>(read.begin(), read.end()));
            PresentCards(
                {c.read == "=" || c.read == "~" ? readBack(write, c.read == "~") : c.read});
        }
        t.port.sendResult = true;
        t.RunOut(kCard);
        const std::vector<RegisterRow> rows = RegisterRows(files.Text("IssuedCards.csv"));
        ASSERT_EQ(rows.size(), c.cyclic ? 2u : 1u);
        const std::string box = c.row.substr(c.row.find(' ') + 1);
        EXPECT_FIELDS(
            (t.boxes.Texts(), t.app.op.cyclicRun,
             std::count(t.sleeper.pauses.begin(), t.sleeper.pauses.end(), 1000u), t.app.LinkOpen(),
             rows[0][kColResult], Outcomes().back(), rows.back()[kColOperation]),
            (Texts{box}, CyclicRun::None, 0, c.staysOpen,
             c.cyclic ? "VERIFIED" : rows.back()[kColResult], c.row, "Write"));
        // Each row names the card identified before its write, whatever the result.
        EXPECT_EQ(rows.back()[kColCardBarcode], c.cyclic ? "0012345679" : "0012345678");
        EXPECT_EQ(rows.back()[kColCardCipherId], "3232235777");
        // Every number drawn stays on record, whatever the read found.
        EXPECT_EQ(t.users.recorded.size(), t.users.asked.size());
        t.boxes.shown.clear();
    }
}

// With the check on, a write answered with a card's contents is not recognised: no read-back, no
// OK, the form kept.
TEST_F(RegisterFlow, AWriteToCheckAnsweredWithACardsContentsIsNotRecognised) {
    t.form[UniqueBeforeWriteCheck].checked = t.app.verifyAfterWrite = true;
    t.Click(WriteButton);
    const std::size_t write = t.port.sent.size() - 1;
    const std::string key = t.form[Ctl::Crypto1KeyEdit].text;
    PresentCards({ReadBackReply(FrameOf(t.port.sent[write]),
                                [](CommandFrame& f) { f[kFrameSettingsOffset + 9] ^= 1; })});
    t.RunOut(kCard);
    EXPECT_EQ(t.port.sent.size(), write + 1) << "nothing read back";
    EXPECT_EQ(t.boxes.Texts(), Texts{kNotRecognised});
    EXPECT_EQ(RegisterRows(files.Text("IssuedCards.csv")).at(0)[kColResult], "UNRECOGNIZED");
    EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, key) << "the form is not filled from the answer";
}

// With "Verify after write" each card of a run is identified first: a card left on is not written
// again and the run asks every 300 ms (a Read ID at every sixth tick, read two ticks later) until a
// new card comes, and gives up where a card wait does. A Clear records its card too.
TEST_F(RegisterFlow, AVerifiedRunWritesEachCardOnceAndWaitsForTheNext) {
    t.app.verifyAfterWrite = true;
    t.ReaderReadsCards(false);
    const std::size_t first = t.port.sent.size();
    const auto readBack = [&] {
        return ReadBackReply(FrameOf(t.port.sent[t.port.sent.size() - 2]));
    };  // the write's
    t.Click(WriteCyclicButton);
    PresentCards({kDatOk});
    PresentCards({readBack()});
    EXPECT_EQ(SentSince(first), "ID Uw Ur ID");
    EXPECT_EQ(t.progress.title,
              "This card has just been written. Take it away and put the next one.");
    const struct {
        int ticks;
        int card;
        const char* sent;
        const char* title;
    } steps[] = {
        {5, 0, "", "This card has just been written. Take it away and put the next one."},
        {1, -1, "ID", "This card has just been written. Take it away and put the next one."},
        {2, -1, "", "Put the next card on the programmer."},
        {4, 1, "ID", "Put the next card on the programmer."},
        {2, 1, "Uw", "Present the card to the reader..."},
    };
    for (const auto& step : steps) {
        const std::size_t before = t.port.sent.size();
        t.cardInFront = step.card;
        for (int i = 0; i < step.ticks; ++i) ASSERT_TRUE(t.Tick(kCard)) << step.title;
        EXPECT_EQ(SentSince(before), step.sent) << step.ticks << " ticks to " << step.title;
        EXPECT_EQ(t.progress.title, step.title) << step.ticks << " ticks to " << step.sent;
    }
    PresentCards({kDatOk});
    t.cardInFront = -1;
    PresentCards({readBack()});
    // No card comes: the run ends where a card wait would, with its message, and records nothing
    // more.
    EXPECT_EQ(t.RunOut(kCard), 165);
    EXPECT_TRUE(RunOver());
    EXPECT_EQ(t.boxes.Texts(), Texts{kNotPresented});
    EXPECT_EQ(Outcomes().size(), 2u);
    // A single Clear reads the card's ID once, and its row names the card.
    t.cardInFront = 2;
    t.boxes.answers = {true};
    const std::size_t clear = t.port.sent.size();
    t.Click(ClearButton);
    PresentCards({kDatOk});
    EXPECT_EQ(SentSince(clear), "ID Uc");
    EXPECT_EQ(RegisterRows(files.Text("IssuedCards.csv")).back()[kColCardBarcode], "0012345680");
}

}  // namespace
}  // namespace tollvane::testing
