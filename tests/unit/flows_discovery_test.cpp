// Finding the reader, connecting, the version check, the operator's port
// choice and the end of an operation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/port_list_ui.h"
#include "app/reader/discovery.h"
#include "app/reader/link.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

TEST(ReaderSearchTest, StartUpFindsTheReaderConnectsAndChecksTheVersion) {
    TestApp t{WithReader{{"COM10", "COM3", "COM1"}, "COM3"}};
    t.ReaderAcknowledges();
    StartUp(t.app);
    EXPECT_EQ(t.RunOut(TimerId::Search), 100);

    EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre("COM1", "COM3", "COM10"));
    EXPECT_EQ(t.form[Ctl::PortCombo].selection, 1);
    EXPECT_EQ(t.app.link.portIndex, 1);
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{"Varnel reader found!\n\r->[COM3]", MessageIcon::Success}));
    EXPECT_THAT(t.port.opened, ElementsAre("COM3"));
    EXPECT_THAT(t.port.openBauds, ElementsAre(19200u));
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_FALSE(t.form[Ctl::PortCombo].enabled);
    ASSERT_EQ(t.port.sent.size(), 1u);
    EXPECT_EQ(t.port.SentText(0), "AT+READS_USB");
    // The version wait keeps the main window disabled after the search.
    EXPECT_EQ(t.timers.running.at(TimerId::Reply), 500u);
    EXPECT_FALSE(t.progress.mainWindowEnabled);

    EXPECT_EQ(t.RunOut(TimerId::Reply), 2);
    ASSERT_EQ(t.boxes.shown.size(), 2u);
    EXPECT_EQ(t.boxes.shown[1], (ShownMessage{"Settings read!", MessageIcon::Success}));
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
    EXPECT_EQ(t.app.reader.modelLetter, 'B');
    EXPECT_EQ(t.app.reader.versionX100, 200);
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

TEST(ReaderSearchTest, ARejectedVersionIsReportedAfterSettingsRead) {
    TestApp t{WithReader{}};
    t.ReaderAcknowledges("2.01");
    StartUp(t.app);
    t.RunOut(TimerId::Search);
    t.RunOut(TimerId::Reply);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Varnel reader found!\n\r->[COM3]", "Settings read!",
                                             "Update your reader to version 2.00!"));
    EXPECT_EQ(t.port.closes, 1);
}

TEST(ReaderSearchTest, NoPortsLeaveOneEmptyEntryAndAWarning) {
    TestApp t{WithReader{{}, std::nullopt}};
    t.ports.ports = std::nullopt;
    SearchReader(t.app);
    EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre(""));
    EXPECT_EQ(t.form[Ctl::PortCombo].selection, 0);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0], (ShownMessage{"No COM ports found in the system!", MessageIcon::Warning}));
    // Picking that empty entry warns again and opens nothing.
    t.SelectCombo(Ctl::PortCombo, 0);
    EXPECT_EQ(t.boxes.shown.size(), 2u);
    EXPECT_TRUE(t.port.opened.empty());
    EXPECT_FALSE(t.app.link.manualConnect);
}

TEST(ReaderSearchTest, NoReaderDeviceGivesTheErrorThenTheHintAndConnectsNothing) {
    TestApp t{WithReader{{"COM3", "COM1"}, std::nullopt}};
    SearchReader(t.app);
    EXPECT_THAT(t.boxes.shown, ElementsAre(ShownMessage{"Varnel not found!", MessageIcon::Error},
                                           ShownMessage{t.T(Msg::kSelectPortHint), MessageIcon::Hint}));
    EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
    EXPECT_TRUE(t.port.opened.empty());
}

TEST(ReaderSearchTest, APortThatCannotBeOpenedIsReportedAndTheListRefreshed) {
    TestApp t{WithReader{{"COM12"}, "COM12"}};
    t.port.openResult = false;
    SearchReader(t.app);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Varnel reader found!\n\r->[COM12]", "Error opening [COM12]!"));
    EXPECT_EQ(t.boxes.shown[1].icon, MessageIcon::Error);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Reply));

    // A port that opens but takes no query ends the operation.
    t.port.openResult = true;
    t.port.sendResult = false;
    SearchReader(t.app);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Reply));
}

// The reply to the version query that is not a version, after an automatic
// search and after the operator picked the port.
struct UnusableReply {
    const char* name;
    const char* reply;  // empty: silence
    bool manual;
    std::vector<std::string> messages;
    bool staysOpen;
};

class UnusableVersionReplyTest : public ::testing::TestWithParam<UnusableReply> {};

TEST_P(UnusableVersionReplyTest, ClosesOnlyAPortPickedByHandUnlessNothingCame) {
    const UnusableReply& c = GetParam();
    TestApp t{WithReader{{"COM1", "COM3"}, "COM3"}};
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
    if (c.manual) {
        RefreshPortList(t.app);
        t.SelectCombo(Ctl::PortCombo, 1);
    } else {
        SearchReader(t.app);
    }
    t.boxes.shown.clear();
    t.RunOut(TimerId::Reply);
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    EXPECT_EQ(t.app.link.isOpen, c.staysOpen);
    EXPECT_EQ(t.port.handle, c.staysOpen);
    EXPECT_EQ(t.form[Ctl::PortCombo].enabled, !c.staysOpen);
    EXPECT_FALSE(t.app.link.manualConnect && !c.staysOpen);
}

const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

INSTANTIATE_TEST_SUITE_P(
    Replies, UnusableVersionReplyTest,
    ::testing::Values(
        UnusableReply{"SilenceAuto", "", false, {}, false},
        UnusableReply{"SilenceManual", "", true, {kRetry}, false},
        UnusableReply{"UnknownAuto", "\n\rAT+CMD - UNKNOWN CMD!", false, {"Invalid command!"}, true},
        UnusableReply{"UnknownManual", "\n\rAT+CMD - UNKNOWN CMD!", true, {"Invalid command!", kRetry}, false},
        UnusableReply{"GarbageAuto", "\x81\x92\xA3\xB4", false, {"The answer could not be recognized!"}, true},
        UnusableReply{"GarbageManual", "\x81\x92\xA3\xB4", true, {"The answer could not be recognized!", kRetry},
                      false}),
    [](const ::testing::TestParamInfo<UnusableReply>& info) { return std::string(info.param.name); });

TEST(PortChoiceTest, APickConnectsToThatPortAndMarksTheLinkManual) {
    TestApp t{WithReader{{"COM1", "COM3", "COM7"}, std::nullopt}};
    t.ReaderAcknowledges();
    SearchReader(t.app);
    t.boxes.shown.clear();
    t.SelectCombo(Ctl::PortCombo, 2);
    EXPECT_THAT(t.port.opened, ElementsAre("COM7"));
    EXPECT_EQ(t.app.link.portName, "COM7");
    EXPECT_EQ(t.app.link.portIndex, 2);
    EXPECT_TRUE(t.app.link.manualConnect);
    t.RunOut(TimerId::Reply);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Settings read!"));
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
}

TEST(PortChoiceTest, AFailedPickStaysManualUntilTheNextEndOfOperation) {
    TestApp t{WithReader{{"COM1", "COM3"}, std::nullopt}};
    SearchReader(t.app);
    t.port.openResult = false;
    t.boxes.shown.clear();
    t.SelectCombo(Ctl::PortCombo, 0);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Error opening [COM1]!"));
    EXPECT_TRUE(t.app.link.manualConnect);
    EndOperation(t.app);
    EXPECT_FALSE(t.app.link.manualConnect);
}

TEST(EndOperationTest, ClosesTheLinkAndBringsTheFormBack) {
    TestApp t{WithReader{{"COM3", "COM1"}, "COM3"}};
    t.Connect();
    t.app.link.manualConnect = true;
    t.app.op.cyclicWriteActive = true;
    t.app.op.cyclicClearActive = true;
    t.form[Ctl::Sl3Radio].checked = true;
    t.app.values.sectorNumber = 9;
    EndOperation(t.app);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_FALSE(t.app.link.manualConnect);
    EXPECT_FALSE(t.app.op.cyclicWriteActive || t.app.op.cyclicClearActive);
    EXPECT_EQ(t.app.reader.modelLetter, 'X');
    EXPECT_EQ(t.app.reader.versionX100, 0);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "x.xx");
    EXPECT_EQ(t.app.values.sectorNumber, 1);
    EXPECT_TRUE(t.form[Ctl::ClassicCheck].checked);
    EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
    EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre("COM1", "COM3"));

    // Once more with the link closed: the list and the form still come back,
    // and no handle is closed twice.
    t.form[Ctl::PortCombo].enabled = false;
    EndOperation(t.app);
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
}

}  // namespace
}  // namespace tollvane::testing
