// The reader's flows through the fake window and line: finding the reader, connecting, the version
// check, the operator's port choice, the end of an operation, card ID reading and the supervision
// after a device change; card commands and their reply wait (acknowledgements, results in pieces,
// read errors, the 165-tick end), cyclic runs, and the register of issued cards. Result codes are
// classified at the protocol level.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/card_settings.h"
#include "app/port_list_ui.h"
#include "app/reader/card_command.h"
#include "app/reader/card_outcome.h"
#include "app/reader/discovery.h"
#include "app/reader/link.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;
using enum Ctl;
using enum TimerId;
using enum MessageIcon;
using Texts = std::vector<std::string>;
using Shown = std::vector<ShownMessage>;

const std::string kDatOk = "\n\rAT+DAT_OK";
const std::string kErr04 = "\n\rAT+ERR_04";
const std::string kAck = "\n\rAT+Uw - OK!";
const std::string kSuccess = "The operation was successful!";
const std::string kNotPresented = "The card was not brought to the reader!";
const std::string kNotRecognised = "The answer could not be recognized!";
const std::string kInvalid = "Invalid command!";
const std::string kRetry = "The reader did not respond!\n(Try again or a different COM port).";
const std::string kClosed = "The reader did not answer in time; the connection was closed.";
const std::string kFound = "Varnel reader found!\n\r->[COM12]",
                  hint = Text(LanguageId::English, Msg::kSelectPortHint);

// The main window stays disabled from the search's first tick to the version wait's last.
TEST(ReaderSearchTest, StartUpFindsTheReaderConnectsAndChecksTheVersion) {
    TestApp t{WithReader{{"COM10", "COM1", "COM3"}, "COM3"}};
    t.ReaderAcknowledges();
    t.app.op.tickCount = 57;  // left over from a tick that came after its wait
    StartUp(t.app);
    EXPECT_FIELDS((t.timers.running.at(Search), t.progress.range), (10u, 100));
    EXPECT_EQ(t.RunOut(Search), 100);
    EXPECT_FIELDS((t.port.openBauds, t.app.link.portIndex /* in the list sorted by number */,
                   t.timers.running.at(Reply), t.progress.range, t.progress.mainWindowEnabled),
                  (std::vector{19200u}, 1, 500u, 2, false));
    EXPECT_EQ(t.RunOut(Reply), 2);
    EXPECT_FIELDS((t.form[VersionValue].text, t.progress.mainWindowEnabled), ("2.00", true));
}

// No port list: one empty entry, and picking it warns again. Names that are no port names give an
// empty list, so the search looks for the reader.
TEST(ReaderSearchTest, WhatKeepsTheSearchFromALinkIsSaid) {
    const struct {
        std::optional<Texts> ports;
        bool opens, sends;
        Texts items;
        Shown messages;
        int closes;
    } cases[] = {
        {std::nullopt, true, true, {""}, {{"No COM ports found in the system!", Warning}}, 0},
        {Texts{}, true, true, {}, {{"Varnel not found!", Error}, {hint, Hint}}, 0},
        {Texts{"COM12"},
         false,
         true,
         {"COM12"},
         {{kFound, Success}, {"Error opening [COM12]!", Error}},
         0},
        {Texts{"COM12"}, true, false, {"COM12"}, {{kFound, Success}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items.size());
        TestApp t{WithReader{{}, std::nullopt}};
        t.ports.ports = c.ports;
        if (c.ports && !c.ports->empty()) t.ports.readerPort = "COM12";
        t.port.openResult = c.opens;
        t.port.sendResult = c.sends;
        SearchReader(t.app);
        EXPECT_FIELDS((t.form[PortCombo].items, t.boxes.shown, t.app.LinkOpen(),
                       t.timers.IsRunning(Reply), t.form[PortCombo].enabled, t.port.closes),
                      (c.items, c.messages, false, false, true, c.closes));
        t.SelectCombo(PortCombo, 0);
        if (!c.ports) {
            EXPECT_FIELDS((t.boxes.shown.size(), t.port.opened.size(), t.app.link.manualConnect),
                          (2u, 0u, false));
        }
    }
}

// Only a port picked by hand is given up for an answer that is no version.
TEST(VersionReplyTest, KeepsOrClosesThePortByTheReplyAndWhoPickedThePort) {
    const std::string unknown = "\n\rAT+CMD - UNKNOWN CMD!", noise = "\x81\x92\xA3\xB4";
    const struct {
        std::string reply;
        bool manual;
        Texts messages;
        bool staysOpen;
    } cases[] = {
        {"", false, {}, false},
        {"", true, {kRetry}, false},
        {unknown, false, {kInvalid}, true},
        {unknown, true, {kInvalid, kRetry}, false},
        {noise, false, {kNotRecognised}, true},
        {"\n\rAT+USB - OK! >> 2.01",
         false,
         {"Settings read!", "Update your reader to version 2.00!"},
         false},
        {"\n\rAT+USB - OK! >> 2.00", true, {"Settings read!"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply + (c.manual ? " (manual)" : ""));
        TestApp t{WithReader{}};
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
        RefreshPortList(t.app);
        if (c.manual)
            t.SelectCombo(PortCombo, 1);
        else
            SearchReader(t.app);
        t.boxes.shown.clear();
        t.RunOut(Reply);
        EXPECT_FIELDS((t.boxes.Texts(), t.app.LinkOpen(), t.port.handle, t.form[PortCombo].enabled,
                       t.app.link.manualConnect && !c.staysOpen),
                      (c.messages, c.staysOpen, c.staysOpen, !c.staysOpen, false));
        // A link may stay open with no reader identified: only a version shows one.
        EXPECT_EQ(t.app.reader.modelLetter == 'B', t.form[VersionValue].text == "2.00");
    }
}

TEST(PortChoiceTest, AFailedPickStaysManualUntilTheNextEndOfOperation) {
    TestApp t{WithReader{{"COM1", "COM3"}, std::nullopt}};
    SearchReader(t.app);
    t.port.openResult = false;
    t.boxes.shown.clear();
    t.SelectCombo(PortCombo, 0);
    EXPECT_FIELDS((t.boxes.Texts(), t.app.link.manualConnect),
                  (Texts{"Error opening [COM1]!"}, true));
    EndOperation(t.app);
    EXPECT_FALSE(t.app.link.manualConnect);
}

// Also with the link closed already.
TEST(EndOperationTest, ClosesTheLinkAndBringsTheFormBack) {
    TestApp t{WithReader{{"COM3", "COM1"}, "COM3"}};
    t.Connect();
    for (int round = 0; round < 2; ++round) {
        t.app.link.manualConnect = true;
        t.app.op.cyclicRun = CyclicRun::Clear;
        t.app.values.sectorNumber = 9;
        t.form[PortCombo].enabled = false;
        EndOperation(t.app);
        EXPECT_FIELDS(
            (t.app.LinkOpen(), t.port.closes /* never twice */, t.app.link.manualConnect,
             t.app.op.cyclicRun, t.app.reader.modelLetter, t.form[VersionValue].text,
             t.app.values.sectorNumber, t.form[PortCombo].enabled, t.form[PortCombo].items),
            (false, 1, false, CyclicRun::None, 'X', "x.xx", 1, true, Texts{"COM1", "COM3"}));
    }
}

// The request, a pause of 100 ms, then the reply. Only a request that cannot be written ends the
// operation.
TEST(ReadIdTest, ShowsTheFourValuesOrSaysWhyNot) {
    using Window = std::pair<std::string, Texts>;
    const std::string values = "\n\rAT+IDS - OK! >> 0012345678 3232235777.";
    const struct {
        std::string reply;
        Texts messages;
        std::vector<Window> windows;
        bool sent = true;
    } cases[] = {
        {values,
         {},
         {{"Ostrel-xxx ver.0.00", {"0012345678", "00BC614E", "3232235777", "192.168.1.1"}}}},
        {"", {kRetry}, {}},
        {"\n\rAT+ERR_04", {kInvalid}, {}},
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777;", {kNotRecognised}, {}},
        {values, {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply + (c.sent ? "" : " (not sent)"));
        TestApp t{WithReader{}};
        t.Connect();
        t.app.reader = {};  // as after a version query answered with no version: the link is kept
        t.port.sendResult = c.sent;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
        OnCommand(t.app, Command::ReadId);
        EXPECT_FIELDS((t.port.SentText(1), t.sleeper.pauses, t.boxes.Texts(), t.shell.readIdWindows,
                       t.app.LinkOpen(), t.timers.IsRunning(Card)),
                      ("AT+READS_IDS", std::vector<unsigned>(c.sent ? 1 : 0, 100u), c.messages,
                       c.windows, c.sent, false));
    }
}

// The port is closed at the check and 1000 ms later opened again, without a version query; a port
// that has gone or will not open ends the operation.
TEST(DeviceChangeTest, TheLinksPortIsReopenedOrTheOperationEnded) {
    const struct {
        bool present, opens;
        Shown messages;
        Texts list;
    } cases[] = {
        {true, true, {}, {"COM1", "COM3"}},
        {true, false, {{"Error opening [COM3]!", Error}}, {"COM1", "COM3"}},
        {false, true, {{"Connection broken.\n\r(Varnel disabled!)", Error}}, {"COM1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        TestApp t{WithReader{}};
        t.Connect();
        const std::size_t sent = t.port.sent.size();
        if (!c.present) {
            t.ports.present.erase("COM3");
            t.ports.ports = Texts{"COM1"};
        }
        t.port.openResult = c.opens;
        OnDevicesChanged(t.app);
        t.Tick(Device);
        const bool kept = c.messages.empty();
        EXPECT_FIELDS((t.boxes.shown, t.sleeper.pauses, t.app.LinkOpen(), t.port.handle,
                       t.port.closes /* closed once, never twice */, t.form[PortCombo].items,
                       t.form[VersionValue].text, t.port.sent.size(), t.timers.IsRunning(Search)),
                      (c.messages, std::vector{1000u}, kept, kept, 1, c.list,
                       kept ? "2.00" : "x.xx", sent, false));
    }
}

// Reopening the port under a running wait would lose its reply: the check comes at the first tick
// after it.
TEST(DeviceChangeTest, ABurstLeadsToOneCheckAfterTheRunningWait) {
    TestApp t{WithReader{}};
    t.ReaderAcknowledges();
    StartUp(t.app);
    t.RunOut(Search);
    OnDevicesChanged(t.app);
    EXPECT_EQ(t.timers.running.at(Device), 2000u);
    t.timers.running.erase(Device);  // a second start would show
    for (int i = 0; i < 10; ++i) OnDevicesChanged(t.app);
    EXPECT_FALSE(t.timers.IsRunning(Device));
    t.timers.running[Device] = 2000;
    ASSERT_TRUE(t.Tick(Device));
    EXPECT_EQ(t.port.closes, 0);
    t.RunOut(Reply);
    EXPECT_EQ(t.form[VersionValue].text, "2.00");
    ASSERT_TRUE(t.Tick(Device));
    EXPECT_FIELDS((t.timers.IsRunning(Device), t.port.closes, t.app.LinkOpen()), (false, 1, true));
    OnDevicesChanged(t.app);  // after the check the next change arms it again
    EXPECT_TRUE(t.timers.IsRunning(Device));
}

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
            ASSERT_TRUE(t.Tick(Card));
            ASSERT_TRUE(t.Tick(Card));
            t.port.Arrive(result);
            ASSERT_TRUE(t.Tick(Card));
        }
    }
};

// A card command's wait: ticks of 50 ms, at most 165, each polling for the
// result's first byte; the result is read at the tick it arrives.
TEST_F(CardWait, AWriteWaitsInTicksOf50MsAndReadsTheResultAtTheTickItsFirstByteArrives) {
    t.Click(WriteButton);
    EXPECT_FIELDS(
        (t.port.sent.back().size(), t.timers.running.at(Card), t.progress.title, t.progress.range),
        (46u, 50u, "Present the card to the reader...", 165));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(t.Tick(Card));
    t.port.Arrive(kDatOk);
    ASSERT_TRUE(t.Tick(Card));
    EXPECT_FIELDS((t.timers.IsRunning(Card), t.progress.steps), (false, 61));
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{kSuccess, Success}));
}

// A search tick posted before its timer was killed can come during a card wait: it neither moves
// the bar nor ends the card's wait with a search of its own.
TEST_F(CardWait, AStaleSearchTickDuringACardWaitDoesNothing) {
    t.Click(WriteButton);
    const std::size_t sent = t.port.sent.size();
    for (int i = 0; i < 100; ++i) OnTimer(t.app, Search);
    EXPECT_EQ(t.progress.steps, 0);
    EXPECT_EQ(t.port.sent.size(), sent);
    EXPECT_TRUE(t.timers.IsRunning(Card));
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
                (t.boxes.questions, running.count(Search) ? running.at(Search) : 0,
                 t.app.op.cyclicRun),
                (Texts(asks, t.T(Msg::kConfirmClearCard)), searches ? 10u : 0u, CyclicRun::None));
            t.RunOut(Search);
            t.RunOut(Reply);
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
        (t.boxes.systemErrors, t.app.LinkOpen(), t.timers.IsRunning(Card), t.app.op.cyclicRun),
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
        {"UnknownCommand", "\n\rAT+CMD - UNKNOWN CMD!", {}, 1, 0, {kInvalid}, true, "", cyclic},
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
        {"OnlyTheLineFeed", "\n", {"\rAT+DAT_OK"}, 2, 0, {kSuccess}},
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
            const bool live = t.timers.IsRunning(Card) || t.progress.open;
            boxOutOfPlace |= t.progress.mainWindowEnabled || (live && c.failingRead == 0);
            t.Tick(Card);
        };
        t.Click(c.button);
        int ticks = 0;
        for (std::size_t i = 0; i <= c.later.size(); ++i) {
            if (i > 0) t.port.Arrive(c.later[i - 1]);
            if (c.failingRead == i + 1) t.port.failAfter = c.failAfter;
            ticks += t.Tick(Card);
        }
        ticks += t.RunOut(Card);
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
        return !t.timers.IsRunning(Card) && t.app.op.cyclicRun == CyclicRun::None;
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

// Only a write in the sector data modes draws a number (the decrypt mode's is scrambled: the frame
// builders' test).
TEST_F(CardWait, OnlyTheSectorDataModesDrawANumber) {
    for (int mode : {0, 2, 3}) {
        SelectUserRole(mode);
        t.form[UniqueBeforeWriteCheck].checked = true;
        WriteCard(t.app);
        t.port.Arrive(kDatOk);
        t.RunOut(Card);
        EXPECT_EQ(t.users.asked.size(), mode == 3 ? 1u : 0u) << mode;
    }
    for (Ctl other : {ReadButton, ClearButton}) {
        t.Click(other);
        t.port.Arrive(kDatOk);
        t.RunOut(Card);
    }
    EXPECT_FIELDS((t.users.asked.size(), t.port.sent.size()), (1u, 6u));
}

// No number is handed out either.
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
// found shows no box, so the row says what happened instead. The rows of the other results are the
// runs' around this test.
TEST_F(RegisterFlow, EachOutcomeIsOneRowSayingWhatTheOperatorWasTold) {
    const struct {
        std::string ack;
        bool manual;
        std::string row;
        Texts messages;
    } cases[] = {
        {"\n\rAT+CMD - UNKNOWN CMD!", false, "UNRECOGNIZED " + kInvalid, {kInvalid}},
        {kAck, false, "NO_REPLY " + kClosed, {}},
        {kAck, true, "NO_REPLY " + kRetry, {kRetry}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Reconnect();
        t.app.link.manualConnect = c.manual;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack); };
        t.Click(WriteButton);
        t.RunOut(Card);
        EXPECT_FIELDS((t.boxes.Texts(), Outcomes()), (c.messages, Texts{c.row}));
    }
}

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
        t.RunOut(Card);
        EXPECT_FIELDS((t.app.op.cyclicRun, t.port.sent.size()), (CyclicRun::None, sent));
        ASSERT_FALSE(t.boxes.shown.empty());
        EXPECT_EQ(t.boxes.shown[0].text.substr(0, c.first.size()), c.first);
    }
}

// "Verify after write": a done write is read back with the Read frame of its role from the same
// settings, under the same wait, and the read decides the one row and the one message; a mismatch
// ends a run (the run that goes on after a verified card is the next tests').
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
        t.Click(c.cyclic ? WriteCyclicButton : WriteButton);
        const std::size_t write = t.port.sent.size() - 1;
        t.port.sendResult = !c.sendFails;
        PresentCards({kDatOk});
        if (!c.sendFails) {
            ASSERT_EQ(t.port.sent.size(), write + 2);
            // The read of the same role, from the same settings as the write.
            const CommandFrame read = BuildUserReadFrame(
                SnapshotOf(ReadCardSettings(t.form, t.app.values), t.app.values.uniqueData));
            EXPECT_EQ(t.port.sent.back(), std::vector<std::uint8_t>(read.begin(), read.end()));
            const auto spoil = [&](CommandFrame& f) {
                f[kFrameSettingsOffset + 8] ^= c.read == "~";
            };
            PresentCards({c.read == "=" || c.read == "~"
                              ? ReadBackReply(FrameOf(t.port.sent[write]), spoil)
                              : c.read});
        }
        t.port.sendResult = true;
        t.RunOut(Card);
        const std::vector<RegisterRow> rows = RegisterRows(files.Text("IssuedCards.csv"));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_FIELDS((t.boxes.Texts(), t.app.op.cyclicRun,
                       std::count(t.sleeper.pauses.begin(), t.sleeper.pauses.end(), 1000u),
                       t.app.LinkOpen(), Outcomes()[0], rows[0][kColOperation]),
                      (Texts{c.row.substr(c.row.find(' ') + 1)}, CyclicRun::None, 0, c.staysOpen,
                       c.row, "Write"));
        // The row names the card identified before its write, whatever the result.
        EXPECT_EQ(rows[0][kColCardBarcode], "0012345678");
        EXPECT_EQ(rows[0][kColCardCipherId], "3232235777");
        // Every number drawn stays on record, whatever the read found.
        EXPECT_EQ(t.users.recorded.size(), t.users.asked.size());
        t.boxes.shown.clear();
    }
}

TEST_F(RegisterFlow, AWriteToCheckAnsweredWithACardsContentsIsNotRecognised) {
    t.form[UniqueBeforeWriteCheck].checked = t.app.verifyAfterWrite = true;
    t.Click(WriteButton);
    const std::size_t write = t.port.sent.size() - 1;
    const std::string key = t.form[Ctl::Crypto1KeyEdit].text;
    PresentCards({ReadBackReply(FrameOf(t.port.sent[write]),
                                [](CommandFrame& f) { f[kFrameSettingsOffset + 9] ^= 1; })});
    t.RunOut(Card);
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
        for (int i = 0; i < step.ticks; ++i) ASSERT_TRUE(t.Tick(Card)) << step.title;
        EXPECT_EQ(SentSince(before), step.sent) << step.ticks << " ticks to " << step.title;
        EXPECT_EQ(t.progress.title, step.title) << step.ticks << " ticks to " << step.sent;
    }
    PresentCards({kDatOk});
    t.cardInFront = -1;
    PresentCards({readBack()});
    // No card comes: the run ends where a card wait would, with its message, and records nothing
    // more.
    EXPECT_EQ(t.RunOut(Card), 165);
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
