#include "serial/win/win_serial_port.h"

namespace tollvane {

COMMTIMEOUTS ReaderPortTimeouts() {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = 50;
    t.ReadTotalTimeoutMultiplier = 10;
    t.ReadTotalTimeoutConstant = 50;
    t.WriteTotalTimeoutMultiplier = 10;
    t.WriteTotalTimeoutConstant = 50;
    return t;
}

std::wstring ReaderPortPath(const std::string& portName) {
    std::wstring path = L"\\\\.\\";
    // Port names are plain ASCII, so each byte widens to one code unit.
    for (unsigned char c : portName) path.push_back(static_cast<wchar_t>(c));
    return path;
}

PortOpening WinSerialPort::Open(const std::string& portName, unsigned baud) {
    handle_.reset();
    handle_.reset(::CreateFileW(ReaderPortPath(portName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                0 /* exclusive */, nullptr, OPEN_EXISTING, 0 /* synchronous */,
                                nullptr));
    if (!handle_) return {PortFailure{PortStep::Open, ::GetLastError()}};

    // A step that fails closes the port again: a half-configured line is of
    // no use to anyone.
    const auto failed = [this](PortStep step) {
        const PortOpening opening{PortFailure{step, ::GetLastError()}};
        handle_.reset();
        return opening;
    };
    COMMTIMEOUTS timeouts = ReaderPortTimeouts();
    if (!::SetCommTimeouts(handle_.get(), &timeouts)) return failed(PortStep::Timeouts);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(handle_.get(), &dcb)) return failed(PortStep::ReadSettings);
    // Only the line format is ours; flow control, DTR/RTS and the special
    // characters stay as the driver reports them, because the reader works
    // with the driver's defaults.
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!::SetCommState(handle_.get(), &dcb)) return failed(PortStep::WriteSettings);
    return {};
}

SendResult WinSerialPort::SendBytes(const std::uint8_t* data, std::size_t length) {
    if (!handle_ || length > MAXDWORD) return {};
    // Whatever is still waiting now is the late rest of an earlier reply (a
    // reply cut short, repeated or paused beyond its wait): it can never
    // answer this command, and read after it would be taken for the answer.
    ::PurgeComm(handle_.get(), PURGE_RXCLEAR);
    DWORD written = 0;
    if (!::WriteFile(handle_.get(), data, static_cast<DWORD>(length), &written, nullptr)) {
        return {false, ::GetLastError()};
    }
    // A write time-out leaves a short count and no error: the reader is not
    // taking bytes, which the caller treats like a failed write.
    return {written == length};
}

bool WinSerialPort::ReadReply(ReplyBuffer& reply, std::size_t capacity) {
    reply.Clear();
    if (capacity > ReplyBuffer::kCapacity) capacity = ReplyBuffer::kCapacity;
    if (!handle_ || capacity == 0) return false;
    // One byte per read: with the port's time-outs a read that brings
    // nothing means the line has been silent for 60 ms, which ends a reply.
    // Whatever lies beyond the capacity stays queued for the next read.
    while (reply.count < capacity) {
        std::uint8_t byte = 0;
        DWORD got = 0;
        if (!::ReadFile(handle_.get(), &byte, 1, &got, nullptr)) {
            reply.failed = true;
            reply.systemError = ::GetLastError();
            return false;
        }
        if (got == 0) break;
        reply.bytes[reply.count++] = byte;
    }
    return reply.count > 0;
}

bool WinSerialPort::PollReplyByte() {
    if (!handle_) return false;
    std::uint8_t scratch = 0;
    DWORD got = 0;
    if (!::ReadFile(handle_.get(), &scratch, 1, &got, nullptr) || got == 0) return false;
    ::Sleep(10);
    return true;
}

}  // namespace tollvane
