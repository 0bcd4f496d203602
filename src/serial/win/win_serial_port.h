// The reader's COM port over kernel32: synchronous, exclusive, 8N1, with
// short read time-outs so that a silent line ends a reply.
#pragma once

#include "serial/serial_port.h"
#include "base/win/handles.h"

#include <windows.h>

#include <string>

namespace tollvane {

// The time-outs of the reader's port. A read of one byte on a silent line
// returns after ReadTotalTimeoutMultiplier + ReadTotalTimeoutConstant ms.
COMMTIMEOUTS ReaderPortTimeouts();

// "\\.\" + name as UTF-16; the prefix lets COM10 and above open like COM3.
std::wstring ReaderPortPath(const std::string& portName);

class WinSerialPort : public SerialPort {
public:
    PortOpening Open(const std::string& portName, unsigned baud) override;
    void Close() override { handle_.reset(); }
    bool HasHandle() const override { return handle_.valid(); }
    SendResult SendBytes(const std::uint8_t* data, std::size_t length) override;
    bool ReadReply(ReplyBuffer& reply, std::size_t capacity = ReplyBuffer::kCapacity) override;
    bool PollReplyByte() override;

private:
    UniqueFileHandle handle_;
};

}  // namespace tollvane
