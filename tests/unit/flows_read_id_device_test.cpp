// Card ID reading and the supervision after a device change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/reader/discovery.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

// The request, a pause of 100 ms, then the reply: the card's four values, or
// why not. Only a request that cannot be written ends the operation.
TEST(ReadIdTest, ShowsTheFourValuesOrSaysWhyNot) {
    using Window = std::pair<std::string, std::vector<std::string>>;
    struct Case {
        std::string reply;
        std::vector<std::string> messages;
        std::vector<Window> windows;
        bool sent = true;
    };
    const Case cases[] = {
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777.",
         {},
         {{"Varnel ver.2.00", {"0012345678", "00BC614E", "3232235777", "192.168.1.1"}}}},
        {"", {"The reader did not respond!\n(Try again or a different COM port)."}, {}},
        {"\n\rAT+ERR_04", {"Invalid command!"}, {}},
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777;", {"The answer could not be recognized!"}, {}},
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777.", {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply + (c.sent ? "" : " (not sent)"));
        TestApp t{WithReader{}};
        t.Connect();
        t.port.sendResult = c.sent;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
        OnCommand(t.app, 4, 0);
        EXPECT_EQ(t.port.SentText(1), "AT+READS_IDS");
        EXPECT_EQ(t.sleeper.pauses, std::vector<unsigned>(c.sent ? 1 : 0, 100u));
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_EQ(t.shell.readIdWindows, c.windows);
        EXPECT_EQ(t.app.link.isOpen, c.sent);
        EXPECT_FALSE(t.timers.IsRunning(TimerId::Card));
    }
}

// An open link's port is closed at the check and, 1000 ms later, opened
// again if it is still there, without asking for the version again; a port
// that has gone or will not open ends the operation.
TEST(DeviceChangeTest, TheLinksPortIsReopenedOrTheOperationEnded) {
    struct Case {
        const char* name;
        bool present, opens;
        std::vector<ShownMessage> messages;
        std::vector<std::string> list;
    };
    const Case cases[] = {
        {"present", true, true, {}, {"COM1", "COM3"}},
        {"will not open", true, false, {{"Error opening [COM3]!", MessageIcon::Error}}, {"COM1", "COM3"}},
        {"gone", false, true, {{"Connection broken.\n\r(Varnel disabled!)", MessageIcon::Error}}, {"COM1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t{WithReader{{"COM1", "COM3"}, "COM3"}};
        t.Connect();
        const std::size_t sent = t.port.sent.size();
        if (!c.present) {
            t.ports.present.erase("COM3");
            t.ports.ports = std::vector<std::string>{"COM1"};
        }
        t.port.openResult = c.opens;
        OnDeviceChange(t.app, 7);
        t.Tick(TimerId::Device);
        EXPECT_EQ(t.boxes.shown, c.messages);
        EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u));
        EXPECT_EQ(t.app.link.isOpen, c.messages.empty());
        EXPECT_EQ(t.port.handle, c.messages.empty());
        EXPECT_EQ(t.port.closes, 1);  // closed once, never twice
        EXPECT_EQ(t.form[Ctl::PortCombo].items, c.list);
        EXPECT_EQ(t.port.sent.size(), sent);
        EXPECT_FALSE(t.timers.IsRunning(TimerId::Search));
    }
}

// A burst of notifications leads to one check, two seconds after the first;
// other device events are not looked at. Reopening the port under a running
// wait would lose its reply: the check comes at the first tick after it.
TEST(DeviceChangeTest, ABurstLeadsToOneCheckAfterTheRunningWait) {
    TestApp t{WithReader{}};
    t.ReaderAcknowledges();
    StartUp(t.app);
    t.RunOut(TimerId::Search);
    OnDeviceChange(t.app, 7);
    EXPECT_EQ(t.timers.running.at(TimerId::Device), 2000u);
    t.timers.running.erase(TimerId::Device);  // a second start would show
    for (int i = 0; i < 10; ++i) OnDeviceChange(t.app, 7);
    OnDeviceChange(t.app, 0x8000);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    t.timers.running[TimerId::Device] = 2000;
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_EQ(t.port.closes, 0);
    t.RunOut(TimerId::Reply);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_TRUE(t.app.link.isOpen);
    OnDeviceChange(t.app, 7);  // after the check the next change arms it again
    EXPECT_TRUE(t.timers.IsRunning(TimerId::Device));
}

}  // namespace
}  // namespace tollvane::testing
