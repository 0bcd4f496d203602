// Finding the reader, connecting, the version check, the operator's port choice, the end of an
// operation, card ID reading and the supervision after a device change.
#include <gtest/gtest.h>

#include "app/port_list_ui.h"
#include "app/reader/discovery.h"
#include "app/reader/link.h"
#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane::testing {
namespace {

using enum Ctl;
using enum TimerId;
using enum MessageIcon;
using Texts = std::vector<std::string>;
using Shown = std::vector<ShownMessage>;

const std::string kRetry = "The reader did not respond!\n(Try again or a different COM port).";
const std::string kInvalid = "Invalid command!",
                  kUnrecognised = "The answer could not be recognized!";
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
        {noise, false, {kUnrecognised}, true},
        {noise, true, {kUnrecognised, kRetry}, false},
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
        {"\n\rAT+IDS - OK! >> 0012345678 3232235777;", {kUnrecognised}, {}},
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

}  // namespace
}  // namespace tollvane::testing
