#include "serial/win/win_port_discovery.h"

#include "base/win/handles.h"

#include <algorithm>

namespace tollvane {

std::string NarrowLowBytes(const wchar_t* text, std::size_t maxUnits) {
    std::string out;
    for (std::size_t i = 0; i < maxUnits && text[i] != 0; ++i)
        out.push_back(static_cast<char>(text[i] & 0xFF));
    return out;
}

PortListing WinPortDiscovery::ListPorts() {
    UniqueRegKey key;
    // The registry calls return their error code rather than setting it.
    if (const LSTATUS opened =
            ::RegOpenKeyExW(root_, serialCommKey_.c_str(), 0, KEY_READ, key.put());
        opened != ERROR_SUCCESS) {
        return {{}, PortFailure{PortStep::ListKey, static_cast<std::uint32_t>(opened)}};
    }
    DWORD valueCount = 0, maxNameChars = 0, maxDataBytes = 0;
    if (const LSTATUS queried =
            ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &valueCount, &maxNameChars, &maxDataBytes, nullptr, nullptr);
        queried != ERROR_SUCCESS) {
        return {{}, PortFailure{PortStep::ListInfo, static_cast<std::uint32_t>(queried)}};
    }
    if (valueCount == 0) return {{}, PortFailure{PortStep::NoPorts, 0}};
    std::vector<wchar_t> name(maxNameChars + 1);
    // One spare code unit, so that data stored without its terminating zero
    // still reads as a terminated text.
    std::vector<wchar_t> data(maxDataBytes / sizeof(wchar_t) + 2, 0);
    std::vector<std::string> ports;
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameChars = static_cast<DWORD>(name.size());
        DWORD dataBytes = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
        DWORD type = 0;
        std::fill(data.begin(), data.end(), 0);
        LSTATUS status = ::RegEnumValueW(key.get(), i, name.data(), &nameChars, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        // Values of other types and values that changed under us are skipped.
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        ports.push_back(NarrowLowBytes(data.data(), dataBytes / sizeof(wchar_t)));
    }
    return {std::move(ports), std::nullopt};
}

bool WinPortDiscovery::IsPortPresent(const std::string& portName) {
    const PortListing ports = ListPorts();
    return std::find(ports.names.begin(), ports.names.end(), portName) != ports.names.end();
}

std::optional<std::string> WinPortDiscovery::FindReaderPort(const ReaderUsbIdentity& id) {
    UsbDeviceSource& source = usbDevices_ ? *usbDevices_ : setupApi_;
    std::optional<std::vector<UsbPortCandidate>> devices = source.PresentUsbDevices();
    if (!devices) return std::nullopt;
    return PickReaderPort(*devices, id);
}

namespace {

// The "PortName" of an open device key, if it is a text.
std::optional<std::string> ReadPortName(HKEY deviceKey) {
    wchar_t text[64] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);  // keeps a terminating zero
    DWORD type = 0;
    if (::RegQueryValueExW(deviceKey, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(text),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return NarrowLowBytes(text, bytes / sizeof(wchar_t));
}

}  // namespace

std::optional<std::vector<UsbPortCandidate>> SetupApiUsbDevices::PresentUsbDevices() {
    UniqueDevInfo list(
        ::SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!list) return std::nullopt;

    std::vector<UsbPortCandidate> devices;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(list.get(), index, &info); ++index) {
        UsbPortCandidate device;
        // The first string of the multi-string is the most specific
        // identifier, the one carrying the revision.
        wchar_t hardwareIds[512] = {};
        DWORD type = 0;
        if (::SetupDiGetDeviceRegistryPropertyW(list.get(), &info, SPDRP_HARDWAREID, &type,
                                                reinterpret_cast<BYTE*>(hardwareIds),
                                                sizeof(hardwareIds) - sizeof(wchar_t), nullptr)) {
            device.hardwareId = NarrowLowBytes(hardwareIds, 511);
        }
        UniqueRegKey deviceKey(
            ::SetupDiOpenDevRegKey(list.get(), &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
        // SetupDiOpenDevRegKey reports failure as INVALID_HANDLE_VALUE, not null.
        if (deviceKey.get() == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) deviceKey.release();
        if (deviceKey) {
            device.hasDeviceKey = true;
            device.portName = ReadPortName(deviceKey.get());
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace tollvane
