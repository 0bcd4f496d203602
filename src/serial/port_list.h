// The port list and the choice of the reader's port, as plain data: the
// Win32 layer reads the registry and the Setup API and hands the texts here.
#pragma once

#include "serial/serial_port.h"

#include <optional>
#include <string>
#include <vector>

namespace tollvane {

// Port names in ascending order of the number after "COM" (as atoi reads it
// from the fourth character on, 0 if none), equal numbers in their registry
// order. Every name is kept, exactly as it was registered.
std::vector<std::string> SortPortNames(std::vector<std::string> names);

// The two hardware identifiers the reader may report, built from the
// identity: "USB\VID_v&PID_p&REV_r" and "USB\Vid_v2&Pid_p2&Rev_r2".
std::string ReaderHardwareIdPattern(const ReaderUsbIdentity& id);
std::string ReaderHardwareIdPattern2(const ReaderUsbIdentity& id);

// True when the first 30 characters of the hardware identifier equal one of
// the two patterns; a longer identifier that begins with a pattern matches.
bool MatchesReaderHardwareId(const std::string& hardwareId, const ReaderUsbIdentity& id);

// A "PortName" the reader search accepts: "COM" in any case followed by a
// number other than 0.
bool IsUsableComPortName(const std::string& portName);

// What the Setup API tells about one present USB device.
struct UsbPortCandidate {
    std::optional<std::string> hardwareId;  // first hardware identifier, if readable
    bool hasDeviceKey = false;              // the device registry key could be opened
    std::optional<std::string> portName;    // its "PortName" text, if REG_SZ
};

// The port of the last device, in enumeration order, whose hardware
// identifier matches and whose "PortName" is usable. Devices without a
// readable identifier or registry key are skipped.
std::optional<std::string> PickReaderPort(const std::vector<UsbPortCandidate>& devices,
                                          const ReaderUsbIdentity& id);

}  // namespace tollvane
