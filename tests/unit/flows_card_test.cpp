// Card commands and their reply wait: the frame the form sends, the
// first-tick acknowledgement in all the forms a reader gives it, the result
// line in pieces, read errors, the 165-tick end and cyclic runs. The result
// codes themselves are classified at the protocol level.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "app/reader/card_command.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

const std::string kDatOk = "\n\rAT+DAT_OK";
const char kSuccess[] = "The operation was successful!";
const char kNotPresented[] = "The card was not brought to the reader!";
const char kNotRecognised[] = "The answer could not be recognized!";
const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

// A read-back reply line: LF, CR, then the 46-byte frame with letters "ms".
std::string ReadBackLine(const std::array<std::uint8_t, 15>& settings) {
    CommandFrame frame{'A', 'T', '+', 'm', 's', 's', 'X'};
    std::copy(settings.begin(), settings.end(), frame.begin() + 29);
    frame[44] = Crc8(frame.data() + 29, 15);
    frame[45] = Crc8(frame.data(), 45);
    return std::string("\n\r") + std::string(frame.begin(), frame.end());
}

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

TEST_F(CardWait, MasterWriteOfTheStartFormSendsTheKnownFrameAndStartsTheWait) {
    t.Click(Ctl::WriteButton);
    std::vector<std::uint8_t> expected = {0x41, 0x54, 0x2B, 0x4D, 0x77, 0x73, 0x58};
    expected.resize(29, 0);
    expected.insert(expected.end(), {0x4D, 0x64, 0x64, 0x66, 0x65, 0x64, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0x00, 0x84, 0xFD});
    ASSERT_EQ(t.port.sent.size(), 2u);
    EXPECT_EQ(t.port.sent[1], expected);
    EXPECT_EQ(t.timers.running.at(TimerId::Card), 50u);
    EXPECT_EQ(t.progress.title, "Present the card to the reader...");
    EXPECT_EQ(t.progress.range, 165);
    EXPECT_FALSE(t.progress.mainWindowEnabled);
}

TEST(CardCommandTest, WithoutALinkEveryCommandSearchesInsteadAndARunIsForgotten) {
    for (Ctl button : {Ctl::WriteButton, Ctl::ReadButton, Ctl::ClearButton, Ctl::WriteCyclicButton,
                       Ctl::ClearCyclicButton}) {
        TestApp t(LanguageId::English);
        t.StartForm();
        t.ReaderAcknowledges();
        t.Click(button);
        EXPECT_TRUE(t.port.sent.empty());
        EXPECT_EQ(t.timers.running.at(TimerId::Search), 10u);
        t.RunOut(TimerId::Search);
        t.RunOut(TimerId::Reply);
        // The connect does not resume the command, and the next single write
        // is no run.
        EXPECT_EQ(t.port.sent.size(), 1u);
        t.boxes.shown.clear();
        t.Click(Ctl::WriteButton);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
        EXPECT_THAT(t.boxes.Texts(), ElementsAre(kSuccess));
        EXPECT_EQ(t.port.sent.size(), 2u);
    }
}

TEST_F(CardWait, NoRoleOrAFailedSendSendsNothingAndEndsARun) {
    t.form[Ctl::RoleCombo].selection = -1;
    t.app.op.cyclicWriteActive = true;
    WriteCard(t.app);
    EXPECT_EQ(t.port.sent.size(), 1u);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);

    t.form[Ctl::RoleCombo].selection = 0;
    t.port.sendResult = false;
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "x.xx");
}

TEST_F(CardWait, TheResultIsReadAtTheTickItsFirstByteArrives) {
    t.Click(Ctl::WriteButton);
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(t.Tick(TimerId::Card));
    EXPECT_TRUE(t.boxes.shown.empty());
    t.port.Arrive(kDatOk);
    ASSERT_TRUE(t.Tick(TimerId::Card));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.progress.open);
    EXPECT_EQ(t.progress.steps, 61);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{kSuccess, MessageIcon::Success}));
    EXPECT_TRUE(t.port.line.empty());
    EXPECT_TRUE(t.app.link.isOpen);
}

TEST_F(CardWait, NoResultWithin165TicksClosesThePort) {
    t.Click(Ctl::WriteButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 165);
    EXPECT_EQ(t.port.polls, 163);  // ticks 2 to 164
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

// Anything but a plain acknowledgement stops the wait at its first tick,
// without a poll and without a next cycle, and its box never runs under a
// live wait.
struct FirstTickReply {
    const char* name;
    const char* reply;
    bool manual;
    std::vector<std::string> messages;
    bool staysOpen;
};

class FirstTickStopTest : public ::testing::TestWithParam<FirstTickReply> {};

TEST_P(FirstTickStopTest, EndsTheWaitBeforeItsMessageAndEndsACyclicRun) {
    const FirstTickReply& c = GetParam();
    TestApp t(LanguageId::English);
    t.Connect();
    t.app.link.manualConnect = c.manual;
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
    std::vector<bool> waitAtBox;
    t.boxes.modalLoop = [&] { waitAtBox.push_back(t.timers.IsRunning(TimerId::Card) || t.progress.open); };
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 1);
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    EXPECT_THAT(waitAtBox, ::testing::Each(false));
    EXPECT_EQ(t.app.link.isOpen, c.staysOpen);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.port.polls, 0);
    EXPECT_EQ(t.port.sent.size(), 2u);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FirstTickStopTest,
    ::testing::Values(
        FirstTickReply{"Unknown", "\n\rAT+CMD - UNKNOWN CMD!", false, {"Invalid command!"}, true},
        FirstTickReply{"UnknownManual", "\n\rAT+CMD - UNKNOWN CMD!", true, {"Invalid command!", kRetry}, false},
        FirstTickReply{"Garbage", "\x81\x92\xA3", false, {kNotRecognised}, true},
        FirstTickReply{"GarbageManual", "\x81\x92\xA3", true, {kNotRecognised, kRetry}, false},
        FirstTickReply{"ResultWithoutAcknowledgement", "\n\rAT+DAT_OK", false, {kNotRecognised}, true},
        FirstTickReply{"Silence", "", false, {}, false},
        FirstTickReply{"SilenceManual", "", true, {kRetry}, false}),
    [](const ::testing::TestParamInfo<FirstTickReply>& info) { return std::string(info.param.name); });

// The device may put any text in front of " - OK!" and after it (a line end,
// a word), and may send the result line, or its beginning, in the same read;
// the wait reads on from a begun result instead of polling a byte of it away.
struct SameReadCase {
    const char* name;
    std::string withAck;             // arrives with the acknowledgement, before the first tick
    std::vector<std::string> later;  // each arrives before one further tick
    int ticks;                       // how long the wait lasts
    std::vector<std::string> messages;
    bool staysOpen = true;
    std::string ack = "\n\rAT+Uw - OK!";
};

class ResultWithAckTest : public ::testing::TestWithParam<SameReadCase> {};

TEST_P(ResultWithAckTest, IsHandledAtOnceOrReadOnWithoutLosingAByte) {
    const SameReadCase& c = GetParam();
    TestApp t(LanguageId::English);
    t.Connect();
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack + c.withAck); };
    t.Click(Ctl::WriteButton);
    int ticks = t.Tick(TimerId::Card);
    for (const std::string& piece : c.later) {
        t.port.Arrive(piece);
        ticks += t.Tick(TimerId::Card);
    }
    ticks += t.RunOut(TimerId::Card);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    EXPECT_EQ(t.app.link.isOpen, c.staysOpen);
    EXPECT_TRUE(t.port.line.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Splits, ResultWithAckTest,
    ::testing::Values(
        SameReadCase{"WholeSuccess", kDatOk, {}, 1, {kSuccess}},
        SameReadCase{"WholeError", "\n\rAT+ERR_12", {}, 1, {"Error writing to block!"}},
        SameReadCase{"WholeAfterALineEnd", "\r\n" + kDatOk, {}, 1, {kSuccess}},
        SameReadCase{"WholeAfterAWord", " ready\r\n\n\rAT+ERR_12", {}, 1, {"Error writing to block!"}},
        SameReadCase{"OnlyTheLineFeed", "\n", {"\rAT+DAT_OK"}, 2, {kSuccess}},
        SameReadCase{"PartOfTheLine", "\n\rAT+DA", {"T_OK"}, 2, {kSuccess}},
        SameReadCase{"PartOfAnError", "\n\rAT+ERR_0", {"4"}, 2, {kNotPresented}},
        SameReadCase{"PartAfterALineEnd", "\r\n\n\rAT+ER", {"R_04"}, 2, {kNotPresented}},
        SameReadCase{"CrLfThenTheResult", "\r\n", {"\n\rAT+ERR_04"}, 2, {kNotPresented}},
        SameReadCase{"CrThenTheResult", "\r", {kDatOk}, 2, {kSuccess}},
        SameReadCase{"LfThenTheResult", "\n", {"\n\rAT+ERR_04"}, 2, {kNotPresented}},
        SameReadCase{"WordAndLineEndThenTheResult", " ready\r\n", {kDatOk}, 2, {kSuccess}},
        SameReadCase{"WordThenTheResult", " ready", {kDatOk}, 2, {kSuccess}},
        SameReadCase{"ResultAfterSilentTicks", "\r\n", {"", "", kDatOk}, 4, {kSuccess}},
        SameReadCase{"ResultInThreeReads", "\r\n", {"\n\rAT", "+ERR", "_04"}, 4, {kNotPresented}},
        SameReadCase{"TextInFront", "", {kDatOk}, 2, {kSuccess}, true, "Varnel ready, write - OK!"},
        SameReadCase{"TextInFrontAndALineEnd", "\r\n", {"\n\rAT+ERR_04"}, 2, {kNotPresented}, true, "#12 - OK!"},
        SameReadCase{"ABeginningNeverCompleted", "\n\rAT+DA", {}, 165, {kNotRecognised}},
        // A second acknowledgement says nothing of the card: not a silent end.
        SameReadCase{"ASecondAcknowledgement", "", {"\n\rAT+Uw - OK!"}, 2, {kNotRecognised}},
        // Text after the acknowledgement is no answer: silence then is none.
        SameReadCase{"ALineEndThenSilence", "\r\n", {}, 165, {}, false},
        SameReadCase{"AWordThenSilence", " ready", {}, 165, {}, false}),
    [](const ::testing::TestParamInfo<SameReadCase>& info) { return std::string(info.param.name); });

// A read that fails part-way is a failed read: its one box, then the end of
// the operation; the bytes before the failure are not taken for a reply, and
// ticks under the box do not move the bar.
TEST(CardWaitReadErrorTest, EndsTheOperationOnceWithTheReadErrorOnly) {
    struct Case {
        std::string withAck;
        bool failAtAck;         // the first tick's read fails; otherwise the result's
        std::size_t failAfter;  // bytes read before the failure
        int ticks;
    };
    for (const Case& c : {Case{kDatOk, true, 13, 1}, Case{"\r\n", false, 4, 2}, Case{"", false, 4, 2}}) {
        TestApp t(LanguageId::English);
        t.Connect();
        t.port.onSend = [&](const std::vector<std::uint8_t>&) {
            t.port.Arrive("\n\rAT+Uw - OK!" + c.withAck);
            if (c.failAtAck) t.port.failAfter = c.failAfter;
        };
        t.boxes.modalLoop = [&] { t.Tick(TimerId::Card); };
        t.Click(Ctl::WriteButton);
        ASSERT_TRUE(t.Tick(TimerId::Card));
        if (!c.failAtAck) {
            t.port.failAfter = c.failAfter;
            t.port.Arrive(kDatOk);
        }
        EXPECT_EQ(1 + t.RunOut(TimerId::Card), c.ticks);
        EXPECT_EQ(t.boxes.systemErrors.size(), 1u);
        EXPECT_TRUE(t.boxes.shown.empty());
        EXPECT_EQ(t.progress.steps, c.ticks);
        EXPECT_FALSE(t.app.link.isOpen);
        EXPECT_TRUE(t.progress.mainWindowEnabled);
    }
}

// What a read-back puts on the form is what the next write sends: a sector or
// block the card should not hold is held to the form's ranges.
TEST_F(CardWait, AReadBackInTwoPiecesFillsTheFormThatTheNextWriteSends) {
    struct Case {
        std::uint8_t sector, block;
        int shownSector, shownBlock;
    };
    for (const Case c : {Case{0, 0, 1, 0}, Case{0x20, 7, 15, 2}, Case{9, 1, 9, 1}}) {
        const std::string line = ReadBackLine({'M', 'd', 'd', 'f', 'e', 'd', c.sector, c.block, 1, 2, 3, 4, 5, 6});
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive("\n\rAT+Mr - OK!" + line.substr(0, 20)); };
        t.Click(Ctl::ReadButton);
        t.Tick(TimerId::Card);
        t.port.Arrive(line.substr(20));
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "01 02 03 04 05 06");
        t.ReaderAcknowledges();
        t.Click(Ctl::WriteButton);
        const auto& frame = t.port.sent.back();
        EXPECT_EQ(frame[29 + 6], c.shownSector);
        EXPECT_EQ(frame[29 + 7], c.shownBlock);
        EXPECT_EQ(frame[29 + 8], 1);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
    }
    EXPECT_EQ(t.boxes.Texts(), std::vector<std::string>(6, kSuccess));
}

TEST_F(CardWait, ACyclicUserWriteGivesEveryCardNewRecordedDataAndEndsOnTheFirstError) {
    SelectUserRole(1);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.Click(Ctl::WriteCyclicButton);
    PresentCards({kDatOk, kDatOk, kDatOk, "\n\rAT+ERR_04"});
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre(kNotPresented));
    EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u, 1000u, 1000u));
    ASSERT_EQ(t.port.sent.size(), 5u);  // the query and four writes
    // Each card's data is the number usersData.data recorded for it.
    std::set<std::vector<std::uint8_t>> data;
    ASSERT_EQ(t.users.recorded.size(), 4u);
    for (std::size_t i = 1; i < 5; ++i) {
        const std::vector<std::uint8_t> sent(t.port.sent[i].begin() + 37, t.port.sent[i].begin() + 44);
        EXPECT_EQ(sent, std::vector<std::uint8_t>(t.users.recorded[i - 1].begin(), t.users.recorded[i - 1].end()));
        data.insert(sent);
    }
    EXPECT_EQ(data.size(), 4u);
    EXPECT_TRUE(t.app.link.isOpen);
}

TEST_F(CardWait, ASuccessOfAnEarlierSingleWriteDoesNotContinueAFailingRun) {
    t.Click(Ctl::WriteButton);
    PresentCards({kDatOk});
    t.Click(Ctl::ClearCyclicButton);
    PresentCards({"\n\rAT+ERR_04"});
    EXPECT_EQ(t.port.sent.size(), 3u);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicClearActive);
}

// A number that usersData.data does not hold is never sent, and the run stops.
TEST(UnrecordedUniqueDataTest, IsNeverSentAndStopsTheRun) {
    struct Case {
        std::vector<RecordOutcome> outcomes;  // of the second cycle's draws
        std::vector<std::string> messages;
    };
    for (const Case& c : {Case{{RecordOutcome::Failed}, {}},
                          Case{std::vector<RecordOutcome>(1000, RecordOutcome::AlreadyRecorded),
                               {"The operation failed!"}}}) {
        TestApp t(LanguageId::English);
        t.Connect();
        t.SelectCombo(Ctl::WorkModeCombo, 3);
        t.SelectCombo(Ctl::RoleCombo, 1);
        t.Click(Ctl::UniqueBeforeWriteCheck);
        t.Click(Ctl::WriteCyclicButton);
        ASSERT_EQ(t.users.asked.size(), 1u);
        t.users.outcomes.assign(c.outcomes.begin(), c.outcomes.end());
        t.Tick(TimerId::Card);
        t.port.Arrive(kDatOk);
        t.Tick(TimerId::Card);
        EXPECT_EQ(t.port.sent.size(), 2u);  // the query and the first write only
        EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
        EXPECT_FALSE(t.app.op.cyclicWriteActive);
        EXPECT_TRUE(t.progress.mainWindowEnabled);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_TRUE(t.app.link.isOpen);
    }
}

TEST_F(CardWait, UniqueDataIsDrawnOnlyForTheSectorDataModesAndScrambledForDecrypt) {
    for (int mode : {0, 2, 3}) {
        t.SelectCombo(Ctl::RoleCombo, 0);
        t.SelectCombo(Ctl::WorkModeCombo, mode);
        t.SelectCombo(Ctl::RoleCombo, 1);
        t.form[Ctl::UniqueBeforeWriteCheck].checked = true;
        t.random.next = 0x11;
        WriteCard(t.app);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
    }
    // Only the decrypt mode drew: 11 12 ... 17 recorded and shown, sent scrambled.
    const std::array<std::uint8_t, 7> plain = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
    EXPECT_THAT(t.users.asked, ElementsAre(plain));
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "11 12 13 14 15 16 17");
    const std::vector<std::uint8_t> scrambled = {0xB4, 0x7E, 0xF2, 0x2C, 0xAA, 0x51, 0xC5};
    EXPECT_EQ(std::vector<std::uint8_t>(t.port.sent.back().begin() + 37, t.port.sent.back().begin() + 44), scrambled);
}

}  // namespace
}  // namespace tollvane::testing
