// The serial link to the reader and the system's port list, as interfaces.
// Win32 implementations live in serial/win/, fakes in tests/support/.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tollvane {

// 64 received bytes plus a terminating zero, so text functions never read
// past the received data.
struct ReplyBuffer {
    static constexpr std::size_t kCapacity = 64;
    std::array<std::uint8_t, kCapacity + 1> bytes{};
    std::size_t count = 0;
    // The read ended on a read error, with the system's error code: the
    // bytes before it are not a whole reply.
    bool failed = false;
    std::uint32_t systemError = 0;

    void Clear() {
        bytes.fill(0);
        count = 0;
        failed = false;
        systemError = 0;
    }
    const char* c_str() const { return reinterpret_cast<const char*>(bytes.data()); }
};

// How a send ended. A write the system refused carries its error code; one
// the port's time-out cut short carries none: the reader is not taking bytes.
struct SendResult {
    bool sent = false;
    std::uint32_t systemError = 0;
    explicit operator bool() const { return sent; }
};

// The step at which opening the port or listing the ports stopped, and the
// system's error code there (0 where the step is no system call).
enum class PortStep : unsigned char {
    Open,
    Timeouts,
    ReadSettings,
    WriteSettings,
    ListKey,
    ListInfo,
    NoPorts
};
struct PortFailure {
    PortStep step;
    std::uint32_t systemError;
    bool operator==(const PortFailure&) const = default;
};

// How an opening ended: the port open and configured, or why not.
struct PortOpening {
    std::optional<PortFailure> failure;
    explicit operator bool() const { return !failure; }
};

// The registered port names, or why there are none to list.
struct PortListing {
    std::vector<std::string> names;
    std::optional<PortFailure> failure;
};

// The port tells nobody of a failure: the caller words it.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // "\\.\" + name, exclusive, the given baud rate, 8N1, reply time-outs.
    // A failed opening holds no handle.
    virtual PortOpening Open(const std::string& portName, unsigned baud) = 0;
    // Closes the handle if one is held; afterwards no handle is held.
    virtual void Close() = 0;
    virtual bool HasHandle() const = 0;
    // Drops the bytes still waiting from an earlier reply, then writes.
    virtual SendResult SendBytes(const std::uint8_t* data, std::size_t length) = 0;
    // Byte by byte until 60 ms of silence or capacity bytes; zero-fills the
    // buffer first. False when no byte came or on a read error (with failed
    // and systemError set and the bytes read before it in the buffer).
    virtual bool ReadReply(ReplyBuffer& reply, std::size_t capacity = ReplyBuffer::kCapacity) = 0;
    // Consumes at most one waiting byte, then pauses 10 ms; true if one came.
    virtual bool PollReplyByte() = 0;
};

struct ReaderUsbIdentity {
    std::string vendor = "2E3C", product = "5750", revision = "0200";
    std::string vendor2 = "2e3c", product2 = "5750", revision2 = "0200";
};

class PortDiscovery {
public:
    virtual ~PortDiscovery() = default;
    // Registered serial port names ("COM3"), registry order; a failure when
    // the key cannot be read or holds no values.
    virtual PortListing ListPorts() = 0;
    // The port of the last present USB device matching either identifier.
    virtual std::optional<std::string> FindReaderPort(const ReaderUsbIdentity& id) = 0;
    virtual bool IsPortPresent(const std::string& portName) = 0;
};

}  // namespace tollvane
