// Card ID reading, the port list in PortCombo and the supervision after a
// device change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/port_list_ui.h"
#include "app/reader/discovery.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

// --- Read ID ------------------------------------------------------------------------

struct CardIdCase {
    const char* name;
    std::string reply;
    std::vector<std::string> messages;
    std::vector<std::string> window;  // empty: no window
};

class ReadIdTest : public ::testing::TestWithParam<CardIdCase> {};

TEST_P(ReadIdTest, ShowsTheFourValuesOrSaysWhyNotAndKeepsTheLink) {
    const CardIdCase& c = GetParam();
    TestApp t{WithReader{}};
    t.Connect();
    t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
    OnCommand(t.app, 4, 0);
    EXPECT_EQ(t.port.SentText(1), "AT+READS_IDS");
    EXPECT_THAT(t.sleeper.pauses, ElementsAre(100u));
    EXPECT_EQ(t.boxes.Texts(), c.messages);
    if (c.window.empty()) {
        EXPECT_TRUE(t.shell.readIdWindows.empty());
    } else {
        ASSERT_EQ(t.shell.readIdWindows.size(), 1u);
        EXPECT_EQ(t.shell.readIdWindows[0].first, "Varnel ver.2.00");
        EXPECT_EQ(t.shell.readIdWindows[0].second, c.window);
    }
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadIdTest,
    ::testing::Values(
        CardIdCase{"Card", "\n\rAT+IDS - OK! >> 0012345678 3232235777.", {},
                   {"0012345678", "00BC614E", "3232235777", "192.168.1.1"}},
        CardIdCase{"Silence", "", {kRetry}, {}},
        CardIdCase{"NoCard", "\n\rAT+ERR_04", {"Invalid command!"}, {}},
        CardIdCase{"NoPointAtTheEnd", "\n\rAT+IDS - OK! >> 0012345678 3232235777;",
                   {"The answer could not be recognized!"}, {}}),
    [](const ::testing::TestParamInfo<CardIdCase>& info) { return std::string(info.param.name); });

TEST(ReadIdFlowTest, AnUnconfirmedReaderGivesTheUnknownModelInTheTitle) {
    TestApp t{WithReader{}};
    t.port.onSend = [&](const std::vector<std::uint8_t>& sent) {
        if (sent.size() == 12 && sent[9] == 'I') t.port.Arrive("\n\rAT+IDS - OK! >> 0000000001 0000000002.");
        else t.port.Arrive("\n\rAT+CMD - UNKNOWN CMD!");
    };
    StartUp(t.app);
    t.RunOut(TimerId::Search);
    t.RunOut(TimerId::Reply);  // "Invalid command!": open, not identified
    ASSERT_TRUE(t.app.link.isOpen);
    OnCommand(t.app, 4, 0);
    ASSERT_EQ(t.shell.readIdWindows.size(), 1u);
    EXPECT_EQ(t.shell.readIdWindows[0].first, "Ostrel-xxx ver.0.00");
}

TEST(ReadIdFlowTest, ARequestThatCannotBeWrittenEndsTheOperation) {
    TestApp t{WithReader{}};
    t.Connect();
    t.port.sendResult = false;
    OnCommand(t.app, 4, 0);
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_TRUE(t.sleeper.pauses.empty());
    EXPECT_TRUE(t.shell.readIdWindows.empty());
}

// --- Port list ----------------------------------------------------------------------

// Values that exist but are none of them port names: the list is empty, yet
// the key had values, so the search goes on to look for the reader.
TEST(PortListTest, ValuesThatAreNoPortNamesGiveAnEmptyListAndTheSearchGoesOn) {
    TestApp t{WithReader{{}, std::nullopt}};
    EXPECT_TRUE(FillPortList(t.app));
    EXPECT_THAT(t.form[Ctl::PortCombo].items, ::testing::IsEmpty());
    SearchReader(t.app);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre(t.T(Msg::kVarnelNotFound), t.T(Msg::kSelectPortHint)));
}

// --- Device changes -------------------------------------------------------------------

TEST(DeviceChangeTest, ABurstOfNotificationsLeadsToOneCheckTwoSecondsAfterTheFirst) {
    TestApp t{WithReader{{"COM1"}, std::nullopt}};
    OnDeviceChange(t.app, 7);
    EXPECT_EQ(t.timers.running.at(TimerId::Device), 2000u);
    t.timers.running.clear();  // a second start would show
    for (int i = 0; i < 10; ++i) OnDeviceChange(t.app, 7);
    OnDeviceChange(t.app, 0x8000);  // other device events are not looked at
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    t.timers.running[TimerId::Device] = 2000;
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    OnDeviceChange(t.app, 7);  // after the check the next change arms it again
    EXPECT_TRUE(t.timers.IsRunning(TimerId::Device));
}

TEST(DeviceChangeTest, AVanishedPortIsReportedRemovedAndTheOperationEnded) {
    TestApp t{WithReader{{"COM1", "COM3"}, "COM3"}};
    t.Connect();
    ASSERT_EQ(t.app.link.portIndex, 1);
    t.ports.present.erase("COM3");
    t.ports.ports = std::vector<std::string>{"COM1"};
    t.ports.readerPort.reset();
    std::vector<std::string> listAtBox;
    t.boxes.modalLoop = [&] { listAtBox = t.form[Ctl::PortCombo].items; };
    OnDeviceChange(t.app, 7);
    t.Tick(TimerId::Device);
    EXPECT_THAT(t.boxes.shown,
                ElementsAre(ShownMessage{"Connection broken.\n\r(Varnel disabled!)", MessageIcon::Error}));
    EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u));
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_EQ(t.port.closes, 1);  // closed once, never twice
    EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre("COM1"));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Search));
}

TEST(DeviceChangeTest, AListedPortThatCannotBeReopenedEndsTheOperation) {
    TestApp t{WithReader{{"COM1", "COM3"}, "COM3"}};
    t.Connect();
    t.port.openResult = false;
    OnDeviceChange(t.app, 7);
    t.Tick(TimerId::Device);
    EXPECT_THAT(t.boxes.Texts(), ElementsAre("Error opening [COM3]!"));
    EXPECT_FALSE(t.app.link.isOpen);
    EXPECT_EQ(t.port.closes, 1);
}

TEST(DeviceChangeTest, APresentPortIsReopenedWithoutAskingTheVersionAgain) {
    TestApp t{WithReader{}};
    t.Connect();
    const std::size_t sentBefore = t.port.sent.size();
    OnDeviceChange(t.app, 7);
    t.Tick(TimerId::Device);
    EXPECT_TRUE(t.boxes.shown.empty());
    EXPECT_TRUE(t.app.link.isOpen);
    EXPECT_TRUE(t.port.handle);
    EXPECT_EQ(t.port.sent.size(), sentBefore);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
}

TEST(DeviceChangeTest, AReaderThatAppearsWhileNotConnectedStartsTheSearch) {
    TestApp t{WithReader{{"COM1"}, std::nullopt}};
    OnDeviceChange(t.app, 7);
    t.Tick(TimerId::Device);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Search));  // nothing found, nothing more

    t.ports.ports = std::vector<std::string>{"COM1", "COM4"};
    t.ports.readerPort = "COM4";
    OnDeviceChange(t.app, 7);
    t.Tick(TimerId::Device);
    EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre("COM1", "COM4"));
    EXPECT_EQ(t.app.link.portName, "COM4");
    EXPECT_EQ(t.timers.running.at(TimerId::Search), 10u);
    EXPECT_TRUE(t.port.opened.empty());
}

TEST(DeviceChangeTest, TheCheckWaitsForTheVersionWaitToo) {
    TestApp t{WithReader{}};
    t.ReaderAcknowledges();
    StartUp(t.app);
    t.RunOut(TimerId::Search);
    OnDeviceChange(t.app, 7);
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_EQ(t.port.closes, 0);
    t.RunOut(TimerId::Reply);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_TRUE(t.app.link.isOpen);
}

}  // namespace
}  // namespace tollvane::testing
