#include "serial/port_list.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace tollvane {

namespace {

// The number a port name carries, read like atoi from its fourth character.
int PortNumber(const std::string& name) {
    return name.size() > 3 ? std::atoi(name.c_str() + 3) : 0;
}

constexpr std::size_t kHardwareIdPatternLength = 30;

}  // namespace

std::vector<std::string> SortPortNames(std::vector<std::string> names) {
    // The registered text is kept rather than rebuilt from the number, so a
    // port is always offered under the name it can actually be opened by.
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return PortNumber(a) < PortNumber(b);
    });
    return names;
}

std::string ReaderHardwareIdPattern(const ReaderUsbIdentity& id) {
    return "USB\\VID_" + id.vendor + "&PID_" + id.product + "&REV_" + id.revision;
}

std::string ReaderHardwareIdPattern2(const ReaderUsbIdentity& id) {
    return "USB\\Vid_" + id.vendor2 + "&Pid_" + id.product2 + "&Rev_" + id.revision2;
}

bool MatchesReaderHardwareId(const std::string& hardwareId, const ReaderUsbIdentity& id) {
    const char* hw = hardwareId.c_str();
    return std::strncmp(hw, ReaderHardwareIdPattern(id).c_str(), kHardwareIdPatternLength) == 0 ||
           std::strncmp(hw, ReaderHardwareIdPattern2(id).c_str(), kHardwareIdPatternLength) == 0;
}

bool IsUsableComPortName(const std::string& portName) {
    if (portName.size() < 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(portName[i])) != "COM"[i]) return false;
    }
    return std::atoi(portName.c_str() + 3) != 0;
}

std::optional<std::string> PickReaderPort(const std::vector<UsbPortCandidate>& devices,
                                          const ReaderUsbIdentity& id) {
    std::optional<std::string> found;
    for (const UsbPortCandidate& device : devices) {
        // A device without a registry key (a hub, a composite parent) says
        // nothing about ports; it must not end the search before the reader.
        if (!device.hardwareId || !device.hasDeviceKey || !device.portName) continue;
        if (!IsUsableComPortName(*device.portName)) continue;
        // The last match wins: with two readers, the one enumerated last.
        if (MatchesReaderHardwareId(*device.hardwareId, id)) found = *device.portName;
    }
    return found;
}

}  // namespace tollvane
