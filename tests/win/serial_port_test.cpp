// WinSerialPort against real serial lines that tests/win/run-with-serial-pairs maps into the Wine
// prefix: COM12/COM13 (the test plays the reader on the peer) and COM14 (hangs up on request); and
// the port list in the registry.
#include "serial/win/win_port_discovery.h"
#include "serial/win/win_serial_port.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "support/fakes.h"
#include "support/expect_fields.h"

namespace tollvane {
namespace {

const char kNoPair[] = "no serial pair: run through tests/win/run-with-serial-pairs (needs socat)";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

UniqueFileHandle OpenRaw(const std::string& port) {
    return UniqueFileHandle(::CreateFileW(ReaderPortPath(port).c_str(),
                                          GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          0, nullptr));
}

void Write(const UniqueFileHandle& peer, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(peer.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::string ReadAll(const UniqueFileHandle& peer) {
    std::string out;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(peer.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        out.append(chunk, got);
    return out;
}

std::string Text(const ReplyBuffer& reply) {
    return std::string(reinterpret_cast<const char*>(reply.bytes.data()), reply.count);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (port.empty()) FAIL() << kNoPair;
        // The far end as the reader drives it: its reads end once the line has been quiet for a
        // moment.
        peer_ = OpenRaw(Env("TOLLVANE_SERIAL_PEER"));
        COMMTIMEOUTS quiet{100, 0, 300, 0, 2000};
        ASSERT_TRUE(peer_);
        ASSERT_TRUE(::SetCommTimeouts(peer_.get(), &quiet));
        ReadAll(peer_);  // leftovers of an earlier case would join a reply
        ASSERT_TRUE(port_.Open(port, 19200));
        ReplyBuffer scratch;
        while (port_.ReadReply(scratch)) {}
    }

    const std::string port = Env("TOLLVANE_SERIAL_PORT");
    UniqueFileHandle peer_;
    WinSerialPort port_;
};

// At most 64 bytes. (One ending at a pause of the line is every end-to-end card command's
// acknowledgement.)
TEST_F(SerialPortTest, AReplyEndsAtItsCapacityAndTheRestStaysQueued) {
    std::string binary;  // frames carry zeros; they must not end a reply
    for (int i = 0; i < 70; ++i) binary.push_back(static_cast<char>(i * 37 % 64));
    const struct {
        std::string sent;
        std::size_t capacity;
        std::string reply, rest;
    } cases[] = {
        {binary, 1000, binary.substr(0, 64), binary.substr(64)},
        {"\n\rAT+Mw - OK!\n\rAT+DAT_OK", 13, "\n\rAT+Mw - OK!", "\n\rAT+DAT_OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capacity);
        Write(peer_, c.sent);
        ReplyBuffer reply, rest;
        reply.bytes.fill(0xAA);
        ASSERT_TRUE(port_.ReadReply(reply, c.capacity));
        EXPECT_EQ(Text(reply), c.reply);
        EXPECT_EQ(reply.bytes[reply.count], 0)
            << "a reply ends with a zero, not with an earlier reply's bytes";
        ASSERT_TRUE(port_.ReadReply(rest));
        EXPECT_EQ(Text(rest), c.rest);
        EXPECT_FALSE(port_.ReadReply(rest));
        EXPECT_FALSE(rest.failed);
    }
}

// The late rest of an earlier reply can never answer the next command.
TEST_F(SerialPortTest, SendingDropsWhatAnEarlierReplyLeftWaiting) {
    Write(peer_, "\rAT+DAT_OK");
    ::Sleep(200);  // the stale bytes are in the port's queue before the send
    const std::uint8_t command[] = {'A', 'T', '+', 'M', 'w'};
    ASSERT_TRUE(port_.SendBytes(command, sizeof command));
    ASSERT_EQ(ReadAll(peer_), "AT+Mw");
    Write(peer_, "\n\rAT+ERR_04");
    ReplyBuffer reply;
    ASSERT_TRUE(port_.ReadReply(reply));
    EXPECT_EQ(Text(reply), "\n\rAT+ERR_04");
}

// The line format is set; what the driver keeps (here XON/XOFF) stays.
// A failed open closes the port that was open before: nothing may keep it.
TEST_F(SerialPortTest, OpenSetsTheLineFormatAndKeepsTheDriversOtherSettings) {
    const PortOpening missing = port_.Open("COM199", 19200);
    EXPECT_EQ(missing.failure, (PortFailure{PortStep::Open, ERROR_FILE_NOT_FOUND}));
    EXPECT_FALSE(port_.HasHandle());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    UniqueFileHandle raw = OpenRaw(port);
    ASSERT_TRUE(raw);
    ASSERT_TRUE(::GetCommState(raw.get(), &dcb));
    DCB before = dcb;
    dcb.BaudRate = 9600;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutX = dcb.fInX = TRUE;
    ASSERT_TRUE(::SetCommState(raw.get(), &dcb));
    raw.reset();
    ASSERT_TRUE(port_.Open(port, 19200));
    port_.Close();
    raw = OpenRaw(port);
    ASSERT_TRUE(raw);
    ASSERT_TRUE(::GetCommState(raw.get(), &dcb));
    ::SetCommState(raw.get(), &before);  // as the other cases expect the line
    EXPECT_FIELDS((dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, dcb.fOutX && dcb.fInX),
                  (DWORD{19200}, BYTE{8}, BYTE{NOPARITY}, BYTE{ONESTOPBIT}, true));
}

TEST(SerialPortHangupTest, AWriteAfterAHangUpFailsWithItsCode) {
    const std::string port = Env("TOLLVANE_HANGUP_PORT"), trigger = Env("TOLLVANE_HANGUP_TRIGGER");
    ASSERT_FALSE(port.empty() || trigger.empty()) << kNoPair;
    WinSerialPort serial;
    const std::uint8_t ping = 'p';
    ASSERT_TRUE(serial.Open(port, 19200)) << "the line works before it hangs up";
    ASSERT_TRUE(serial.SendBytes(&ping, 1));
    // The script ends the line when this file appears.
    ASSERT_TRUE(UniqueFileHandle(
        ::CreateFileA(trigger.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    SendResult sent{true};
    for (int i = 0; i < 100 && sent; ++i) {
        sent = serial.SendBytes(&ping, 1);
        if (sent) ::Sleep(50);
    }
    ASSERT_FALSE(sent) << "writes kept succeeding after the hang-up";
    EXPECT_NE(sent.systemError, 0u);
    EXPECT_TRUE(serial.HasHandle()) << "closing is the caller's decision";
}

// The port list from a scratch key in SERIALCOMM's place: no key or no values is no list, and says
// which; else the text values in registry order; presence is an exact match. The USB device (Setup
// API) is the end-to-end discovery scenario's.
TEST(PortListTest, ListsTheTextValuesAndFindsAPortByItsExactName) {
    const std::wstring path =
        L"Software\\TollvaneTest\\SERIALCOMM" + std::to_wstring(::GetCurrentProcessId());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    WinPortDiscovery discovery(HKEY_CURRENT_USER, path);
    EXPECT_EQ(discovery.ListPorts().failure,
              (PortFailure{PortStep::ListKey, ERROR_FILE_NOT_FOUND}));
    UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, key.put(), nullptr),
              0);
    EXPECT_EQ(discovery.ListPorts().failure, (PortFailure{PortStep::NoPorts, 0}));
    const DWORD five = 5;
    const std::tuple<const wchar_t*, DWORD, const void*, std::size_t> values[] = {
        {L"\\Device\\A", REG_SZ, L"COM10", sizeof L"COM10"},
        {L"\\Device\\B", REG_SZ, L"COM3", sizeof L"COM3"},
        {L"\\Device\\C", REG_DWORD, &five, sizeof five},
        {L"\\Device\\D", REG_SZ, L"COM1", sizeof L"COM1"}};
    for (const auto& [name, type, data, bytes] : values)
        ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data),
                                   static_cast<DWORD>(bytes)),
                  0);
    EXPECT_EQ(discovery.ListPorts().names, (std::vector<std::string>{"COM10", "COM3", "COM1"}));
    for (const auto& [name, present] : {std::pair{"COM3", true}, {"com3", false}, {"COM", false}})
        EXPECT_EQ(discovery.IsPortPresent(name), present) << name;
    key.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
}

}  // namespace
}  // namespace tollvane
