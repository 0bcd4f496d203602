// The system's serial ports from the registry, and the reader's port from
// the Setup API's list of present USB devices.
#pragma once

#include "serial/port_list.h"
#include "serial/serial_port.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tollvane {

// The present USB devices with what the reader search needs of each.
class UsbDeviceSource {
public:
    virtual ~UsbDeviceSource() = default;
    // nullopt when the device list cannot be obtained.
    virtual std::optional<std::vector<UsbPortCandidate>> PresentUsbDevices() = 0;
};

// SetupDiGetClassDevsW over the "USB" enumerator, present devices of all
// classes: each device's first SPDRP_HARDWAREID and the "PortName" of its
// device registry key.
class SetupApiUsbDevices : public UsbDeviceSource {
public:
    std::optional<std::vector<UsbPortCandidate>> PresentUsbDevices() override;
};

// A UTF-16 text as the program's ANSI text: the low byte of each code unit up
// to the first zero (port names and hardware identifiers are plain ASCII).
std::string NarrowLowBytes(const wchar_t* text, std::size_t maxUnits);

inline constexpr const wchar_t* kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

class WinPortDiscovery : public PortDiscovery {
public:
    // The registry location and the device source can be replaced so that
    // tests do not depend on the machine's real ports and devices.
    explicit WinPortDiscovery(HKEY root = HKEY_LOCAL_MACHINE,
                              std::wstring serialCommKey = kSerialCommKey,
                              UsbDeviceSource* usbDevices = nullptr)
        : root_(root), serialCommKey_(std::move(serialCommKey)), usbDevices_(usbDevices) {}

    PortListing ListPorts() override;
    std::optional<std::string> FindReaderPort(const ReaderUsbIdentity& id) override;
    bool IsPortPresent(const std::string& portName) override;

private:
    HKEY root_;
    std::wstring serialCommKey_;
    UsbDeviceSource* usbDevices_;
    SetupApiUsbDevices setupApi_;
};

}  // namespace tollvane
