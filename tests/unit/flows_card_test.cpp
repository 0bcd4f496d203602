// Card commands and their reply wait: sending, the first-tick
// acknowledgement, polling, the 165-tick end, every result, cyclic runs and
// the faults of the wait mended here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/reader/card_command.h"
#include "app/reader/link.h"
#include "app/reader/discovery.h"
#include "app/reader/read_id.h"
#include "app/reader/supervision.h"
#include "app/reader/card_wait.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

const std::string kDatOk = "\n\rAT+DAT_OK";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> out;
    for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

// A read-back reply line: LF, CR, then the 46-byte frame with letters "ms".
std::string ReadBackLine(std::uint8_t cardType, std::uint8_t aesAuth, const std::array<std::uint8_t, 16>& aes,
                         const std::array<std::uint8_t, 16>& settingsWithoutCrc, bool badSettingsCrc = false) {
    CommandFrame frame{};
    frame[0] = 'A';
    frame[1] = 'T';
    frame[2] = '+';
    frame[3] = 'm';
    frame[4] = 's';
    frame[5] = cardType;
    frame[6] = aesAuth;
    std::copy(aes.begin(), aes.end(), frame.begin() + 13);
    std::copy(settingsWithoutCrc.begin(), settingsWithoutCrc.begin() + 15, frame.begin() + 29);
    frame[44] = Crc8(frame.data() + 29, 15) ^ (badSettingsCrc ? 0x5A : 0);
    frame[45] = Crc8(frame.data(), 45);
    return std::string("\n\r") + std::string(frame.begin(), frame.end());
}

struct CardWait : ::testing::Test {
    ReaderApp t;
    void SetUp() override { t.Connect(); }
    void SelectUserRole(int workMode) {
        t.SelectCombo(Ctl::WorkModeCombo, workMode);
        t.SelectCombo(Ctl::RoleCombo, 1);
    }
};

// --- Sending ------------------------------------------------------------------------

TEST_F(CardWait, MasterWriteOfTheStartFormSendsTheKnownFrameAndStartsTheWait) {
    t.Click(Ctl::WriteButton);
    ASSERT_EQ(t.port.sent.size(), 2u);
    std::vector<std::uint8_t> expected = Bytes({0x41, 0x54, 0x2B, 0x4D, 0x77, 0x73, 0x58});
    expected.resize(29, 0);
    const auto block = Bytes({0x4D, 0x64, 0x64, 0x66, 0x65, 0x64, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                              0x00, 0x84, 0xFD});
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(t.port.sent[1], expected);
    EXPECT_EQ(t.timers.running.at(TimerId::Card), 50u);
    EXPECT_EQ(t.progress.title, "Present the card to the reader...");
    EXPECT_EQ(t.progress.range, 165);
    EXPECT_FALSE(t.progress.mainWindowEnabled);
}

TEST(CardCommandTest, EveryCardCommandWithoutALinkSearchesInsteadAndForgetsACyclicRun) {
    for (Ctl button : {Ctl::WriteButton, Ctl::ReadButton, Ctl::ClearButton, Ctl::WriteCyclicButton,
                       Ctl::ClearCyclicButton}) {
        SCOPED_TRACE(static_cast<int>(button));
        ReaderApp t;
        t.Click(button);
        EXPECT_TRUE(t.port.sent.empty());
        EXPECT_EQ(t.timers.running.at(TimerId::Search), 10u);
        EXPECT_FALSE(t.app.op.cyclicWriteActive);
        EXPECT_FALSE(t.app.op.cyclicClearActive);
    }
}

TEST(CardCommandTest, AStaleCyclicClickDoesNotTurnALaterSingleWriteIntoARun) {
    ReaderApp t;
    t.ReaderAcknowledges();
    t.Click(Ctl::ClearCyclicButton);  // no link: the search replaces it
    t.RunOut(TimerId::Search);
    t.RunOut(TimerId::Reply);
    t.boxes.shown.clear();
    t.Click(Ctl::WriteButton);
    t.port.Arrive(kDatOk);
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The operation was successful!"));
    EXPECT_EQ(t.port.sent.size(), 2u);  // the query and the one write
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
}

TEST_F(CardWait, NoRoleSelectedSendsNothing) {
    t.form[Ctl::RoleCombo].selection = -1;
    t.app.op.cyclicWriteActive = true;
    WriteCard(t.app);
    EXPECT_EQ(t.port.sent.size(), 1u);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
}

TEST_F(CardWait, AFailedSendEndsTheOperationWithoutAWait) {
    t.port.sendResult = false;
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "x.xx");
}

// --- The wait, tick by tick --------------------------------------------------------------

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
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{"The operation was successful!", MessageIcon::Success}));
    EXPECT_TRUE(t.port.line.empty());
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_EQ(t.app.op.tickCount, 0);
}

TEST_F(CardWait, NoResultWithin165TicksClosesThePort) {
    t.Click(Ctl::WriteButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 165);
    EXPECT_EQ(t.port.polls, 163);  // ticks 2 to 164
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

TEST_F(CardWait, NoAcknowledgementStopsTheWaitAtTheFirstTickWithoutPolling) {
    t.port.onSend = nullptr;
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 1);
    EXPECT_EQ(t.port.polls, 0);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.port.sent.size(), 2u);
}

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
    ReaderApp t;
    t.Connect();
    t.app.link.manualConnect = c.manual;
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
    // While a box is open the card timer must not be running any more.
    std::vector<bool> timerAtBox;
    t.boxes.modalLoop = [&] { timerAtBox.push_back(t.timers.IsRunning(TimerId::Card) || t.progress.open); };
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 1);
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    EXPECT_THAT(timerAtBox, ::testing::Each(false));
    EXPECT_EQ(t.app.link.isOpen, c.staysOpen);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.port.polls, 0);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

INSTANTIATE_TEST_SUITE_P(
    Replies, FirstTickStopTest,
    ::testing::Values(
        FirstTickReply{"Unknown", "\n\rAT+CMD - UNKNOWN CMD!", false, {"Invalid command!"}, true},
        FirstTickReply{"UnknownManual", "\n\rAT+CMD - UNKNOWN CMD!", true, {"Invalid command!", kRetry}, false},
        FirstTickReply{"Garbage", "\x81\x92\xA3", false, {"The answer could not be recognized!"}, true},
        FirstTickReply{"GarbageManual", "\x81\x92\xA3", true, {"The answer could not be recognized!", kRetry},
                       false},
        FirstTickReply{"Silence", "", false, {}, false},
        FirstTickReply{"SilenceManual", "", true, {kRetry}, false}),
    [](const ::testing::TestParamInfo<FirstTickReply>& info) { return std::string(info.param.name); });

TEST_F(CardWait, AReadErrorAtTheFirstTickIsNotSteppedUnderneathItsBox) {
    t.port.readError = true;
    const int readsBefore = t.port.reads;
    int ticksDuringBox = 0;
    t.boxes.modalLoop = [&] {
        for (int i = 0; i < 5; ++i) ticksDuringBox += t.Tick(TimerId::Card);
    };
    t.Click(Ctl::WriteButton);
    t.Tick(TimerId::Card);
    EXPECT_EQ(t.boxes.systemErrors.size(), 1u);
    EXPECT_EQ(ticksDuringBox, 5);     // the timer still ran during the read ...
    EXPECT_EQ(t.port.polls, 0);       // ... but its ticks did nothing
    EXPECT_EQ(t.port.reads - readsBefore, 1);
    EXPECT_EQ(t.progress.steps, 1);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.link.isOpen);
}

TEST_F(CardWait, TheFinishShowsItsMessageAfterTheWaitEnded) {
    std::vector<bool> waitAtBox;
    t.boxes.modalLoop = [&] {
        waitAtBox.push_back(t.timers.IsRunning(TimerId::Card) || t.progress.open || t.app.op.waitRunning);
        t.Tick(TimerId::Card);
    };
    t.Click(Ctl::WriteButton);
    t.Tick(TimerId::Card);
    t.port.Arrive("\n\rAT+ERR_04");
    t.Tick(TimerId::Card);
    EXPECT_THAT(waitAtBox, ElementsAre(false));
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The card was not brought to the reader!"));
    EXPECT_TRUE(t.app.link.isOpen);
}

// --- Results --------------------------------------------------------------------------

struct ErrorCase {
    const char* code;
    Msg message;
};

class CardErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CardErrorTest, ShowsItsMessageAndLeavesThePortAndFormAsTheyWere) {
    ReaderApp t;
    t.Connect();
    t.Click(Ctl::ReadButton);
    t.Tick(TimerId::Card);
    const std::string formBefore = t.form.Describe();
    t.port.Arrive(std::string("\n\rAT+ERR_") + GetParam().code);
    t.RunOut(TimerId::Card);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].text, t.T(GetParam().message));
    EXPECT_EQ(t.boxes.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_EQ(t.form.Describe(), formBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CardErrorTest,
    ::testing::Values(ErrorCase{"03", Msg::kErr03MainBoard}, ErrorCase{"04", Msg::kErr04CardNotPresented},
                      ErrorCase{"05", Msg::kErr05OperationFailed}, ErrorCase{"06", Msg::kErr06CardTypeUnsupported},
                      ErrorCase{"07", Msg::kErr07SwitchSl0Sl1}, ErrorCase{"08", Msg::kErr08SwitchSl1Sl3},
                      ErrorCase{"09", Msg::kErr09TypeMismatchSl3}, ErrorCase{"10", Msg::kErr10Ats},
                      ErrorCase{"11", Msg::kErr11Auth}, ErrorCase{"12", Msg::kErr12WriteBlock},
                      ErrorCase{"13", Msg::kErr13ReadBlock}, ErrorCase{"14", Msg::kErr14DataCrc},
                      ErrorCase{"15", Msg::kErr15SettingsCrc}, ErrorCase{"16", Msg::kErr16NotMaster},
                      ErrorCase{"17", Msg::kErr17TypeMismatchSl1}, ErrorCase{"18", Msg::kErr18NotUser}));

TEST_F(CardWait, AnUnknownResultCodeIsNotRecognised) {
    t.Click(Ctl::ClearButton);
    t.Tick(TimerId::Card);
    t.port.Arrive("\n\rAT+ERR_19");
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The answer could not be recognized!"));
    EXPECT_TRUE(t.app.link.isOpen);
}

// What a read-back puts on the form is what the next write sends: a sector or
// block the card should not hold is held to the form's ranges.
TEST_F(CardWait, AReadBackSectorOrBlockOutOfRangeIsHeldToTheFormsRanges) {
    struct Case {
        std::uint8_t sector, block;
        int shownSector, shownBlock;
    };
    const Case cases[] = {{0, 0, 1, 0}, {0x20, 7, 15, 2}, {200, 255, 15, 2}, {9, 1, 9, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sector);
        const std::array<std::uint8_t, 16> settings = {'M', 'd', 'd', 'f', 'e', 'd', c.sector, c.block,
                                                       0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0};
        t.Click(Ctl::ReadButton);
        t.Tick(TimerId::Card);
        t.port.Arrive(ReadBackLine('s', 'X', {}, settings));
        t.RunOut(TimerId::Card);
        EXPECT_EQ(t.form[Ctl::SectorUpDown].upDownPos, c.shownSector);
        EXPECT_EQ(t.form[Ctl::BlockUpDown].upDownPos, c.shownBlock);
        t.Click(Ctl::WriteButton);
        const auto& frame = t.port.sent.back();
        EXPECT_EQ(frame[29 + 6], c.shownSector);
        EXPECT_EQ(frame[29 + 7], c.shownBlock);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
    }
}

TEST_F(CardWait, AReadBackWithABadSettingsChecksumIsNotRecognised) {
    const std::array<std::uint8_t, 16> settings = {'M', 'd', 'd', 'f', 'e', 'd', 1, 0};
    t.Click(Ctl::ReadButton);
    t.Tick(TimerId::Card);
    const std::string formBefore = t.form.Describe();
    t.port.Arrive(ReadBackLine('s', 'X', {}, settings, /*badSettingsCrc=*/true));
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The answer could not be recognized!"));
    EXPECT_EQ(t.form.Describe(), formBefore);
    EXPECT_TRUE(t.app.link.isOpen);
}

TEST_F(CardWait, AResultLongerThanTheBufferIsCutAndTheRestIsLeftForLater) {
    t.Click(Ctl::WriteButton);
    t.Tick(TimerId::Card);
    t.port.Arrive(kDatOk + std::string(80, 'x'));
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The operation was successful!"));
    EXPECT_EQ(t.port.line.size(), 11u + 80u - 1u - 64u);
}

// --- The result in the acknowledgement's read ------------------------------------------------

// The device may put any text in front of " - OK!" and after it (a line end,
// a word), and may send the result line, or its beginning, in the same read.
struct SameReadCase {
    const char* name;
    std::string withAck;              // arrives with the acknowledgement, before the first tick
    std::vector<std::string> later;   // each arrives before one further tick
    int ticks;                        // how long the wait lasts
    std::vector<std::string> messages;
    std::string ack = "\n\rAT+Uw - OK!";
};

class ResultWithAckTest : public ::testing::TestWithParam<SameReadCase> {};

TEST_P(ResultWithAckTest, IsHandledAtOnceOrReadOnWithoutLosingAByte) {
    const SameReadCase& c = GetParam();
    ReaderApp t;
    t.Connect();
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.ack + c.withAck); };
    t.Click(Ctl::WriteButton);
    int ticks = 0;
    ASSERT_TRUE(t.Tick(TimerId::Card));
    ++ticks;
    for (const std::string& piece : c.later) {
        t.port.Arrive(piece);
        ticks += t.Tick(TimerId::Card);
    }
    ticks += t.RunOut(TimerId::Card);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_TRUE(t.port.line.empty());
}

const char kSuccess[] = "The operation was successful!";
const char kNotPresented[] = "The card was not brought to the reader!";

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
        SameReadCase{"TextInFront", "", {kDatOk}, 2, {kSuccess}, "Varnel ready, write - OK!"},
        SameReadCase{"TextInFrontAndALineEnd", "\r\n", {"\n\rAT+ERR_04"}, 2, {kNotPresented}, "#12 - OK!"}),
    [](const ::testing::TestParamInfo<SameReadCase>& info) { return std::string(info.param.name); });

// Text after the acknowledgement is no answer: a reader that then stays
// silent is given up at the last tick as if nothing had come.
TEST_F(CardWait, ALineEndAfterTheAcknowledgementAndThenSilenceEndsAsNoReply) {
    for (const char* tail : {"\r\n", " ready"}) {
        SCOPED_TRACE(tail);
        ReaderApp t;
        t.Connect();
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(std::string("\n\rAT+Uw - OK!") + tail); };
        t.Click(Ctl::WriteButton);
        EXPECT_EQ(t.RunOut(TimerId::Card), 165);
        EXPECT_TRUE(t.boxes.shown.empty());
        EXPECT_FALSE(t.app.link.isOpen);
    }
}

// A read that fails part-way is a failed read: its one box, then the end of
// the operation; the bytes before the failure are not taken for a reply.
struct ReadErrorCase {
    const char* name;
    std::string withAck;
    bool failAtAck;         // the first tick's read fails; otherwise the result's
    std::size_t failAfter;  // bytes read before the failure
    int ticks;
};

class PartialReadErrorTest : public ::testing::TestWithParam<ReadErrorCase> {};

TEST_P(PartialReadErrorTest, EndsTheOperationOnceWithTheReadErrorOnly) {
    const ReadErrorCase& c = GetParam();
    ReaderApp t;
    t.Connect();
    t.port.onSend = [&](const std::vector<std::uint8_t>&) {
        t.port.Arrive("\n\rAT+Uw - OK!" + c.withAck);
        if (c.failAtAck) t.port.failAfter = c.failAfter;
    };
    int ticksDuringBox = 0;
    t.boxes.modalLoop = [&] { ticksDuringBox += t.Tick(TimerId::Card); };
    t.Click(Ctl::WriteButton);
    ASSERT_TRUE(t.Tick(TimerId::Card));
    if (!c.failAtAck) {
        t.port.failAfter = c.failAfter;
        t.port.Arrive(kDatOk);
    }
    EXPECT_EQ(1 + t.RunOut(TimerId::Card), c.ticks);
    EXPECT_EQ(t.boxes.systemErrors.size(), 1u);
    EXPECT_TRUE(t.boxes.shown.empty());
    // Ticks under the box are not the wait's: the bar does not move for them.
    EXPECT_EQ(t.progress.steps, c.ticks);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, PartialReadErrorTest,
    ::testing::Values(ReadErrorCase{"AWholeAcknowledgementThenTheError", kDatOk, true, 13, 1},
                      ReadErrorCase{"PartOfTheResultReadOn", "\r\n", false, 4, 2},
                      ReadErrorCase{"PartOfTheResultAtTheFinish", "", false, 4, 2}),
    [](const ::testing::TestParamInfo<ReadErrorCase>& info) { return std::string(info.param.name); });

TEST_F(CardWait, ABeginningThatIsNeverCompletedEndsAtTheLastTick) {
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive("\n\rAT+Uw - OK!\n\rAT+DA"); };
    t.Click(Ctl::WriteButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 165);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The answer could not be recognized!"));
    EXPECT_EQ(t.port.polls, 0);
}

TEST_F(CardWait, AReadBackSplitAcrossTheAcknowledgementReadIsReassembled) {
    const std::array<std::uint8_t, 16> settings = {'U', 0, 0, 0, 0, 'f', 3, 1, 1, 2, 3, 4, 5, 6, 7};
    const std::string line = ReadBackLine('s', 'X', {}, settings);
    SelectUserRole(1);
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive("\n\rAT+Ur - OK!" + line.substr(0, 20)); };
    t.Click(Ctl::ReadButton);
    t.Tick(TimerId::Card);
    t.port.Arrive(line.substr(20));
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The operation was successful!"));
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "01 02 03 04 05 06 07");
}

TEST_F(CardWait, AResultWithoutAnAcknowledgementStopsTheWaitAtTheFirstTick) {
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(kDatOk); };
    t.Click(Ctl::WriteCyclicButton);
    EXPECT_EQ(t.RunOut(TimerId::Card), 1);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The answer could not be recognized!"));
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_EQ(t.port.sent.size(), 2u);
}

// --- Cyclic runs -------------------------------------------------------------------------

// Presents one card per cycle: each result arrives a few ticks into its wait.
void PresentCards(ReaderApp& t, const std::vector<std::string>& results) {
    for (const std::string& result : results) {
        ASSERT_TRUE(t.Tick(TimerId::Card));
        ASSERT_TRUE(t.Tick(TimerId::Card));
        t.port.Arrive(result);
        ASSERT_TRUE(t.Tick(TimerId::Card));
    }
}

TEST_F(CardWait, ACyclicUserWriteGivesEveryCardNewRecordedDataAndEndsOnTheFirstError) {
    SelectUserRole(1);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.Click(Ctl::WriteCyclicButton);
    PresentCards(t, {kDatOk, kDatOk, kDatOk, "\n\rAT+ERR_04"});

    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The card was not brought to the reader!"));
    EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u, 1000u, 1000u));
    ASSERT_EQ(t.port.sent.size(), 5u);  // the query and four writes
    std::set<std::vector<std::uint8_t>> data;
    for (std::size_t i = 1; i < 5; ++i) {
        const SettingsBlock block = SettingsBlockOf(*reinterpret_cast<const CommandFrame*>(t.port.sent[i].data()));
        data.insert(std::vector<std::uint8_t>(block.begin() + 8, block.begin() + 15));
    }
    EXPECT_EQ(data.size(), 4u);
    EXPECT_EQ(t.users.asked.size(), 4u);
    EXPECT_TRUE(t.app.link.isOpen);
}

TEST_F(CardWait, ACyclicClearRunsUntilTheFirstFailure) {
    t.Click(Ctl::ClearCyclicButton);
    PresentCards(t, {kDatOk, kDatOk, "\n\rAT+ERR_16"});
    EXPECT_EQ(t.port.sent.size(), 4u);
    EXPECT_EQ(t.port.sent.back()[4], 'c');
    EXPECT_FALSE(t.app.op.cyclicClearActive);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Error: The card is not a Master Card!"));
}

TEST_F(CardWait, ASuccessOfAnEarlierSingleWriteDoesNotContinueAFailingRun) {
    t.Click(Ctl::WriteButton);
    PresentCards(t, {kDatOk});
    t.boxes.shown.clear();
    t.Click(Ctl::ClearCyclicButton);
    PresentCards(t, {"\n\rAT+ERR_04"});
    EXPECT_EQ(t.port.sent.size(), 3u);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicClearActive);
}

TEST_F(CardWait, NoReplyInACyclicRunClosesThePortAndEndsTheRun) {
    t.Click(Ctl::WriteCyclicButton);
    PresentCards(t, {kDatOk});
    EXPECT_EQ(t.RunOut(TimerId::Card), 165);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Search));  // the run does not search on
}

// --- Unique data that cannot be recorded ---------------------------------------------------

struct UnrecordedCase {
    const char* name;
    std::vector<RecordOutcome> outcomes;  // of the second cycle's draws
    std::vector<std::string> messages;
};

class UnrecordedUniqueDataTest : public ::testing::TestWithParam<UnrecordedCase> {};

TEST_P(UnrecordedUniqueDataTest, IsNeverSentAndStopsTheRun) {
    ReaderApp t;
    t.Connect();
    t.SelectCombo(Ctl::WorkModeCombo, 3);
    t.SelectCombo(Ctl::RoleCombo, 1);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.Click(Ctl::WriteCyclicButton);
    ASSERT_EQ(t.users.asked.size(), 1u);  // the first cycle's number is recorded
    t.users.outcomes.assign(GetParam().outcomes.begin(), GetParam().outcomes.end());
    PresentCards(t, {kDatOk});
    EXPECT_EQ(t.port.sent.size(), 2u);  // the query and the first write only
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    EXPECT_FALSE(t.app.op.cyclicWriteActive);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
    EXPECT_EQ(t.boxes.Texts(), GetParam().messages);
    EXPECT_TRUE(t.app.link.isOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UnrecordedUniqueDataTest,
    ::testing::Values(UnrecordedCase{"FileFailed", {RecordOutcome::Failed}, {}},
                      UnrecordedCase{"AllHandedOutBefore",
                                     std::vector<RecordOutcome>(1000, RecordOutcome::AlreadyRecorded),
                                     {"The operation failed!"}}),
    [](const ::testing::TestParamInfo<UnrecordedCase>& info) { return std::string(info.param.name); });

TEST_F(CardWait, UniqueDataIsDrawnOnlyForTheSectorDataModes) {
    for (int mode : {0, 2}) {
        t.SelectCombo(Ctl::RoleCombo, 0);
        t.SelectCombo(Ctl::WorkModeCombo, mode);
        t.SelectCombo(Ctl::RoleCombo, 1);
        t.form[Ctl::UniqueBeforeWriteCheck].checked = true;
        t.form[Ctl::WriteButton].enabled = true;
        WriteCard(t.app);
        t.port.Arrive(kDatOk);
        t.RunOut(TimerId::Card);
    }
    EXPECT_TRUE(t.users.asked.empty());
}

TEST_F(CardWait, DecryptModeSendsTheScrambledDataAndKeepsThePlainDataOnTheForm) {
    SelectUserRole(3);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.random.next = 0x11;
    t.Click(Ctl::WriteButton);
    const std::array<std::uint8_t, 7> plain = t.app.values.uniqueData;
    ASSERT_EQ(plain, (std::array<std::uint8_t, 7>{0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
    const std::array<std::uint8_t, 7> scrambled = {0xB4, 0x7E, 0xF2, 0x2C, 0xAA, 0x51, 0xC5};
    const auto& frame = t.port.sent.back();
    EXPECT_TRUE(std::equal(scrambled.begin(), scrambled.end(), frame.begin() + 29 + 8));
    EXPECT_EQ(t.users.asked.size(), 1u);
    EXPECT_EQ(t.users.asked[0], plain);
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, t.app.values.uniqueDataText);
}

// --- Device changes ---------------------------------------------------------------------

TEST_F(CardWait, ADeviceChangeDuringAWaitIsCheckedOnlyAfterIt) {
    t.Click(Ctl::WriteButton);
    t.Tick(TimerId::Card);
    OnDeviceChange(t.app, 7);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_EQ(t.port.closes, 0);
    EXPECT_TRUE(t.sleeper.pauses.empty());
    t.port.Arrive(kDatOk);
    t.RunOut(TimerId::Card);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("The operation was successful!"));

    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    EXPECT_EQ(t.port.closes, 1);  // closed and reopened: the reader is still there
    EXPECT_THAT(t.port.opened, ElementsAre("COM3", "COM3"));
    EXPECT_TRUE(t.port.handle);
    EXPECT_TRUE(t.app.link.isOpen);
}

}  // namespace
}  // namespace tollvane::testing
