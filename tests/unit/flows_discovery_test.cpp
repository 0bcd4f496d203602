// Finding the reader, connecting, the version check, the operator's port
// choice, the end of an operation, card ID reading and the supervision after
// a device change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/port_list_ui.h"
#include "app/reader/discovery.h"
#include "app/reader/link.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

using ::testing::ElementsAre;

const char kRetry[] = "The reader did not respond!\n(Try again or a different COM port).";

// The search of 100 ticks of 10 ms, then the version wait of 2 ticks of
// 500 ms, with the main window disabled from the first tick to the last.
TEST(ReaderSearchTest, StartUpFindsTheReaderConnectsAndChecksTheVersion) {
    TestApp t{WithReader{{"COM10", "COM1", "COM3"}, "COM3"}};
    t.ReaderAcknowledges();
    t.app.op.tickCount = 57;  // left over from a tick that came after its wait
    StartUp(t.app);
    EXPECT_EQ(t.timers.running.at(TimerId::Search), 10u);
    EXPECT_EQ(t.progress.range, 100);
    EXPECT_EQ(t.RunOut(TimerId::Search), 100);
    EXPECT_THAT(t.port.openBauds, ElementsAre(19200u));
    EXPECT_EQ(t.app.link.portIndex, 1);  // in the list sorted by number
    EXPECT_EQ(t.timers.running.at(TimerId::Reply), 500u);
    EXPECT_EQ(t.progress.range, 2);
    EXPECT_FALSE(t.progress.mainWindowEnabled);
    EXPECT_EQ(t.RunOut(TimerId::Reply), 2);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
    EXPECT_TRUE(t.progress.mainWindowEnabled);
}

// No port list: one empty entry and a warning, and picking it warns again.
// Names that are no port names give an empty list, so the search looks for
// the reader: not found, then the hint. A port that cannot be opened is
// reported; one that takes no query ends the operation.
TEST(ReaderSearchTest, WhatKeepsTheSearchFromALinkIsSaid) {
    const struct {
        const char* name;
        std::optional<std::vector<std::string>> ports;
        std::optional<std::string> reader;
        bool opens, sends;
        std::vector<std::string> items;
        std::vector<ShownMessage> messages;
        int closes;
    } cases[] = {
        {"no port list", std::nullopt, std::nullopt, true, true, {""}, {{"No COM ports found in the system!", MessageIcon::Warning}}, 0},
        {"no reader", std::vector<std::string>{}, std::nullopt, true, true, {},
         {{"Varnel not found!", MessageIcon::Error}, {Text(LanguageId::English, Msg::kSelectPortHint), MessageIcon::Hint}}, 0},
        {"will not open", std::vector<std::string>{"COM12"}, "COM12", false, true, {"COM12"},
         {{"Varnel reader found!\n\r->[COM12]", MessageIcon::Success}, {"Error opening [COM12]!", MessageIcon::Error}}, 0},
        {"takes no query", std::vector<std::string>{"COM12"}, "COM12", true, false, {"COM12"},
         {{"Varnel reader found!\n\r->[COM12]", MessageIcon::Success}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t{WithReader{{}, std::nullopt}};
        t.ports.ports = c.ports;
        t.ports.readerPort = c.reader;
        t.port.openResult = c.opens;
        t.port.sendResult = c.sends;
        SearchReader(t.app);
        EXPECT_EQ(t.form[Ctl::PortCombo].items, c.items);
        EXPECT_EQ(t.boxes.shown, c.messages);
        EXPECT_FALSE(t.app.LinkOpen() || t.timers.IsRunning(TimerId::Reply));
        EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
        EXPECT_EQ(t.port.closes, c.closes);
        t.SelectCombo(Ctl::PortCombo, 0);  // a pick of the empty entry warns again and opens nothing
        if (!c.ports) { EXPECT_TRUE(t.boxes.shown.size() == 2 && t.port.opened.empty() && !t.app.link.manualConnect); }
    }
}

// The reply to the version query, after an automatic search and after the
// operator picked the port: only a port picked by hand is given up for an
// answer that is no version; no answer, or a wrong version, closes any port.
TEST(VersionReplyTest, KeepsOrClosesThePortByTheReplyAndWhoPickedThePort) {
    struct Case {
        const char* reply;  // empty: silence
        bool manual;
        std::vector<std::string> messages;
        bool staysOpen;
    };
    const Case cases[] = {
        {"", false, {}, false},
        {"", true, {kRetry}, false},
        {"\n\rAT+CMD - UNKNOWN CMD!", false, {"Invalid command!"}, true},
        {"\n\rAT+CMD - UNKNOWN CMD!", true, {"Invalid command!", kRetry}, false},
        {"\x81\x92\xA3\xB4", false, {"The answer could not be recognized!"}, true},
        {"\x81\x92\xA3\xB4", true, {"The answer could not be recognized!", kRetry}, false},
        {"\n\rAT+USB - OK! >> 2.01", false, {"Settings read!", "Update your reader to version 2.00!"}, false},
        {"\n\rAT+USB - OK! >> 2.00", true, {"Settings read!"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reply) + (c.manual ? " (manual)" : ""));
        TestApp t{WithReader{{"COM1", "COM3"}, "COM3"}};
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
        RefreshPortList(t.app);
        if (c.manual) t.SelectCombo(Ctl::PortCombo, 1);
        else SearchReader(t.app);
        t.boxes.shown.clear();
        t.RunOut(TimerId::Reply);
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_EQ(t.app.LinkOpen(), c.staysOpen);
        EXPECT_EQ(t.port.handle, c.staysOpen);
        EXPECT_EQ(t.form[Ctl::PortCombo].enabled, !c.staysOpen);
        EXPECT_FALSE(t.app.link.manualConnect && !c.staysOpen);
        // A link may stay open with no reader identified: only a version shows one.
        EXPECT_EQ(t.app.reader.modelLetter == 'B', t.form[Ctl::VersionValue].text == "2.00");
    }
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

// The end of every reader operation, also with the link closed already.
TEST(EndOperationTest, ClosesTheLinkAndBringsTheFormBack) {
    TestApp t{WithReader{{"COM3", "COM1"}, "COM3"}};
    t.Connect();
    for (int round = 0; round < 2; ++round) {
        t.app.link.manualConnect = true;
        t.app.op.cyclicRun = CyclicRun::Clear;
        t.app.values.sectorNumber = 9;
        t.form[Ctl::PortCombo].enabled = false;
        EndOperation(t.app);
        EXPECT_FALSE(t.app.LinkOpen());
        EXPECT_EQ(t.port.closes, 1);  // never twice
        EXPECT_FALSE(t.app.link.manualConnect);
        EXPECT_FALSE(t.app.op.cyclicRun != CyclicRun::None);
        EXPECT_EQ(t.app.reader.modelLetter, 'X');
        EXPECT_EQ(t.form[Ctl::VersionValue].text, "x.xx");
        EXPECT_EQ(t.app.values.sectorNumber, 1);
        EXPECT_TRUE(t.form[Ctl::PortCombo].enabled);
        EXPECT_THAT(t.form[Ctl::PortCombo].items, ElementsAre("COM1", "COM3"));
    }
}

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
         {{"Ostrel-xxx ver.0.00", {"0012345678", "00BC614E", "3232235777", "192.168.1.1"}}}},
        {"", {"The reader did not respond!\n(Try again or a different COM port)."}, {}},
        {"\n\rAT+ERR_04", {"Invalid command!"}, {}},
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777;", {"The answer could not be recognized!"}, {}},
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777.", {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply + (c.sent ? "" : " (not sent)"));
        TestApp t{WithReader{}};
        t.Connect();
        t.app.reader = {};  // as after a version query answered with no version: the link is kept
        t.port.sendResult = c.sent;
        t.port.onSend = [&](const std::vector<std::uint8_t>&) { t.port.Arrive(c.reply); };
        OnCommand(t.app, Command::ReadId);
        EXPECT_EQ(t.port.SentText(1), "AT+READS_IDS");
        EXPECT_EQ(t.sleeper.pauses, std::vector<unsigned>(c.sent ? 1 : 0, 100u));
        EXPECT_EQ(t.boxes.Texts(), c.messages);
        EXPECT_EQ(t.shell.readIdWindows, c.windows);
        EXPECT_EQ(t.app.LinkOpen(), c.sent);
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
        OnDevicesChanged(t.app);
        t.Tick(TimerId::Device);
        EXPECT_EQ(t.boxes.shown, c.messages);
        EXPECT_THAT(t.sleeper.pauses, ElementsAre(1000u));
        EXPECT_EQ(t.app.LinkOpen(), c.messages.empty());
        EXPECT_EQ(t.port.handle, c.messages.empty());
        EXPECT_EQ(t.port.closes, 1);  // closed once, never twice
        EXPECT_EQ(t.form[Ctl::PortCombo].items, c.list);
        // An ended operation gives the port back to the operator and forgets the reader.
        EXPECT_EQ(t.form[Ctl::VersionValue].text, c.messages.empty() ? "2.00" : "x.xx");
        EXPECT_EQ(t.port.sent.size(), sent);
        EXPECT_FALSE(t.timers.IsRunning(TimerId::Search));
    }
}

// A burst of notifications leads to one check, two seconds after the first.
// Reopening the port under a running
// wait would lose its reply: the check comes at the first tick after it.
TEST(DeviceChangeTest, ABurstLeadsToOneCheckAfterTheRunningWait) {
    TestApp t{WithReader{}};
    t.ReaderAcknowledges();
    StartUp(t.app);
    t.RunOut(TimerId::Search);
    OnDevicesChanged(t.app);
    EXPECT_EQ(t.timers.running.at(TimerId::Device), 2000u);
    t.timers.running.erase(TimerId::Device);  // a second start would show
    for (int i = 0; i < 10; ++i) OnDevicesChanged(t.app);
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    t.timers.running[TimerId::Device] = 2000;
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_EQ(t.port.closes, 0);
    t.RunOut(TimerId::Reply);
    EXPECT_EQ(t.form[Ctl::VersionValue].text, "2.00");
    ASSERT_TRUE(t.Tick(TimerId::Device));
    EXPECT_FALSE(t.timers.IsRunning(TimerId::Device));
    EXPECT_EQ(t.port.closes, 1);
    EXPECT_TRUE(t.app.LinkOpen());
    OnDevicesChanged(t.app);  // after the check the next change arms it again
    EXPECT_TRUE(t.timers.IsRunning(TimerId::Device));
}

}  // namespace
}  // namespace tollvane::testing
