// WinSerialPort against a real serial line: a pair of linked terminals that
// tests/win/run-with-serial-pairs maps into the Wine prefix as COM ports. The test
// plays the reader on the peer port with plain kernel32 calls.
#include "serial/win/win_serial_port.h"

#include "support/fakes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace tollvane {
namespace {

using tollvane::testing::FakeMessageBoxes;

std::optional<std::string> EnvPort(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

HANDLE OpenRaw(const std::string& port, bool wantSharing = false) {
    return ::CreateFileW(ReaderPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE,
                         wantSharing ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The far end of the line, as the reader would drive it.
class Peer {
public:
    bool Open(const std::string& port) {
        handle_.reset(OpenRaw(port));
        if (!handle_) return false;
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!::GetCommState(handle_.get(), &dcb)) return false;
        dcb.BaudRate = 19200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = 100;
        t.ReadTotalTimeoutConstant = 300;
        t.WriteTotalTimeoutConstant = 2000;
        return ::SetCommState(handle_.get(), &dcb) && ::SetCommTimeouts(handle_.get(), &t);
    }
    void Close() { handle_.reset(); }

    void Write(const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }
    // Everything that arrives until the line has been quiet for a while.
    std::string ReadAll() {
        std::string out;
        char chunk[4096];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle_.get(), chunk, sizeof(chunk), &got, nullptr) || got == 0) return out;
            out.append(chunk, got);
        }
    }

private:
    UniqueFileHandle handle_;
};

std::string Text(const ReplyBuffer& reply) {
    return std::string(reinterpret_cast<const char*>(reply.bytes.data()), reply.count);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto port = EnvPort("TOLLVANE_SERIAL_PORT");
        auto peer = EnvPort("TOLLVANE_SERIAL_PEER");
        if (!port || !peer) {
            GTEST_SKIP() << "no serial peer: run through tests/win/run-with-serial-pairs (TOLLVANE_SERIAL_PORT/_PEER unset)";
        }
        portName_ = *port;
        if (!peer_.Open(*peer)) GTEST_SKIP() << "peer port " << *peer << " cannot be opened";
        // Leftovers of an earlier case would be read as part of a reply.
        peer_.ReadAll();
        ASSERT_TRUE(port_.Open(portName_, 19200)) << portName_;
        ReplyBuffer scratch;
        while (port_.ReadReply(scratch)) {
        }
    }

    std::string portName_;
    Peer peer_;
    FakeMessageBoxes boxes_;
    MessageTable texts_{LanguageId::English};
    WinSerialPort port_{boxes_, texts_};
};

TEST_F(SerialPortTest, TwoDigitPortCarriesCommandsAndRepliesUnchanged) {
    ASSERT_TRUE(port_.HasHandle());
    const std::string command = "AT+READS_USB";
    ASSERT_TRUE(port_.SendBytes(reinterpret_cast<const std::uint8_t*>(command.data()), command.size()));
    EXPECT_EQ(peer_.ReadAll(), command) << "no terminator or line end may be added";

    const std::string reply = "\n\rAT+USB - OK! >> 2.00";
    peer_.Write(reply);
    ReplyBuffer buffer;
    ASSERT_TRUE(port_.ReadReply(buffer));
    EXPECT_EQ(Text(buffer), reply);
    EXPECT_EQ(buffer.bytes[buffer.count], 0);
    EXPECT_TRUE(boxes_.systemErrors.empty());
}

struct ReplyCase {
    const char* name;
    std::string first;      // written at once
    std::string second;     // written after a pause far longer than 60 ms
    std::size_t capacity;
    std::string expected;   // what the first ReadReply returns
    std::string remainder;  // what the next ReadReply returns
};

class ReplyCutTest : public SerialPortTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyCutTest, ReplyEndsAtCapacityOrPauseAndTheRestStaysQueued) {
    const ReplyCase& c = GetParam();
    peer_.Write(c.first);
    // The second part comes while the reply is being read, long after the
    // first part: the line has been silent far more than 60 ms in between.
    std::thread late([&] {
        if (c.second.empty()) return;
        ::Sleep(400);
        peer_.Write(c.second);
    });
    ReplyBuffer reply;
    reply.bytes.fill(0xAA);  // a reply must not carry bytes of an earlier one
    const bool got = port_.ReadReply(reply, c.capacity);
    late.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(Text(reply), c.expected);
    for (std::size_t i = reply.count; i < reply.bytes.size(); ++i) ASSERT_EQ(reply.bytes[i], 0) << "at " << i;

    ReplyBuffer rest;
    ASSERT_TRUE(port_.ReadReply(rest));
    EXPECT_EQ(Text(rest), c.remainder);
    EXPECT_FALSE(port_.ReadReply(rest)) << "nothing may be left after the remainder";
    EXPECT_TRUE(boxes_.systemErrors.empty());
}

std::string Pattern(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>((i * 37 + 1) & 0xFF));
    s[5] = '\0';  // binary frames carry zeros; they must not end a reply
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyCutTest,
    ::testing::Values(ReplyCase{"LongReplyCutAt64", Pattern(100), "", 64, Pattern(100).substr(0, 64),
                                Pattern(100).substr(64)},
                      ReplyCase{"SmallCapacity", "\n\rAT+Mw - OK!\n\rAT+DAT_OK", "", 13, "\n\rAT+Mw - OK!",
                                "\n\rAT+DAT_OK"},
                      ReplyCase{"PauseInTheMiddle", "\n\rAT+Mw - OK!", "\n\rAT+ERR_04", 64, "\n\rAT+Mw - OK!",
                                "\n\rAT+ERR_04"},
                      ReplyCase{"OversizedCapacityIsClamped", Pattern(70), "", 1000, Pattern(70).substr(0, 64),
                                Pattern(70).substr(64)}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST_F(SerialPortTest, SilentLineGivesFalseWithoutMessage) {
    ReplyBuffer reply;
    reply.bytes.fill(0x55);
    reply.count = 9;
    EXPECT_FALSE(port_.ReadReply(reply));
    EXPECT_EQ(reply.count, 0u);
    for (auto b : reply.bytes) ASSERT_EQ(b, 0);
    EXPECT_FALSE(port_.PollReplyByte());
    EXPECT_TRUE(boxes_.systemErrors.empty());
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(SerialPortTest, ShortWriteFailsWithoutMessage) {
    // Nobody reads the peer, so the line's buffers fill up and a write runs
    // into its time-out with part of its bytes unwritten.
    const std::string chunk(64, 'x');
    bool failed = false;
    for (int i = 0; i < 20000 && !failed; ++i) {
        failed = !port_.SendBytes(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
    }
    EXPECT_TRUE(failed) << "the writes never timed out";
    EXPECT_TRUE(boxes_.systemErrors.empty()) << "a short write shows no message";
    EXPECT_TRUE(port_.HasHandle());
    peer_.ReadAll();
}

TEST_F(SerialPortTest, OpenSetsLineFormatAndKeepsTheDriverSettings) {
    port_.Close();
    {
        UniqueFileHandle raw(OpenRaw(portName_));
        ASSERT_TRUE(raw);
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        ASSERT_TRUE(::GetCommState(raw.get(), &dcb));
        dcb.BaudRate = 9600;
        dcb.ByteSize = 7;
        dcb.Parity = EVENPARITY;
        dcb.StopBits = TWOSTOPBITS;
        dcb.fOutX = TRUE;
        dcb.fInX = TRUE;
        dcb.XonChar = 0x01;
        dcb.XoffChar = 0x02;
        ASSERT_TRUE(::SetCommState(raw.get(), &dcb));
    }
    ASSERT_TRUE(port_.Open(portName_, 19200));
    port_.Close();

    UniqueFileHandle raw(OpenRaw(portName_));
    ASSERT_TRUE(raw);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    ASSERT_TRUE(::GetCommState(raw.get(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_TRUE(dcb.fOutX && dcb.fInX) << "flow control is the driver's, not ours";
    EXPECT_EQ(dcb.XonChar, 0x01);
    EXPECT_EQ(dcb.XoffChar, 0x02);
    // Put the line back as the other cases expect it.
    dcb.fOutX = dcb.fInX = FALSE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    ::SetCommState(raw.get(), &dcb);
}

TEST_F(SerialPortTest, FailedOpenLeavesNoHandleAndShowsNothing) {
    ASSERT_TRUE(port_.HasHandle());
    EXPECT_FALSE(port_.Open("COM199", 19200));
    EXPECT_FALSE(port_.HasHandle()) << "the earlier handle must be closed, not kept or leaked";
    EXPECT_FALSE(port_.Open("NOSUCHPORT", 19200));
    EXPECT_FALSE(port_.HasHandle());
    port_.Close();  // closing again is harmless
    EXPECT_FALSE(port_.HasHandle());
    std::uint8_t byte = 'A';
    EXPECT_FALSE(port_.SendBytes(&byte, 1));
    ReplyBuffer reply;
    EXPECT_FALSE(port_.ReadReply(reply));
    EXPECT_FALSE(port_.PollReplyByte());
    EXPECT_TRUE(boxes_.systemErrors.empty());
    EXPECT_TRUE(port_.Open(portName_, 19200)) << "the port must be free again after the close";
}

// A line that hangs up while open: the write fails and says so.
TEST(SerialPortHangupTest, WriteErrorShowsCodeAndText) {
    auto port = EnvPort("TOLLVANE_HANGUP_PORT");
    auto peerName = EnvPort("TOLLVANE_HANGUP_PEER");
    auto trigger = EnvPort("TOLLVANE_HANGUP_TRIGGER");
    if (!port || !peerName || !trigger) GTEST_SKIP() << "no hang-up line: run through tests/win/run-with-serial-pairs";

    FakeMessageBoxes boxes;
    MessageTable texts(LanguageId::English);
    WinSerialPort serial(boxes, texts);
    Peer peer;
    // The line is recreated shortly after an earlier hang-up; wait for it.
    bool ready = false;
    for (int i = 0; i < 50 && !ready; ++i) {
        ready = serial.Open(*port, 19200) && peer.Open(*peerName);
        if (!ready) ::Sleep(100);
    }
    ASSERT_TRUE(ready) << "hang-up line not available";
    const std::uint8_t ping = 'p';
    ASSERT_TRUE(serial.SendBytes(&ping, 1));
    ASSERT_EQ(peer.ReadAll(), "p");

    peer.Close();
    // The far end goes away: the script ends the line when this file appears.
    UniqueFileHandle ask(::CreateFileA(trigger->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(ask) << *trigger;
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) {
        failed = !serial.SendBytes(&ping, 1);
        if (!failed) ::Sleep(50);
    }
    ASSERT_TRUE(failed) << "writes kept succeeding after the hang-up";
    ASSERT_EQ(boxes.systemErrors.size(), 1u);
    EXPECT_TRUE(std::regex_match(boxes.systemErrors[0], std::regex(R"(Error \[[1-9][0-9]*\] when writing to the COM port!)")))
        << boxes.systemErrors[0];
    EXPECT_TRUE(serial.HasHandle()) << "closing is the caller's decision";
    serial.Close();
    EXPECT_FALSE(serial.HasHandle());
}

}  // namespace
}  // namespace tollvane
