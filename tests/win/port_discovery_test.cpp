// WinPortDiscovery over the real registry and Setup API: the port list from
// a scratch key that plays HARDWARE\DEVICEMAP\SERIALCOMM, and USB devices
// registered under Enum\USB with a vendor number no real device here uses.
#include "serial/win/win_port_discovery.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win/handles.h"

namespace tollvane {
namespace {

using Names = std::vector<std::string>;

class PortListKeyTest : public ::testing::Test {
protected:
    PortListKeyTest() { ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }
    ~PortListKeyTest() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }

    void Add(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
        if (!key_) ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     key_.put(), nullptr);
        ASSERT_EQ(::RegSetValueExW(key_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes), 0);
    }
    void AddText(const std::wstring& name, const std::wstring& value) {
        Add(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    WinPortDiscovery Discovery() const { return WinPortDiscovery(HKEY_CURRENT_USER, path_); }

    const std::wstring base_ = L"Software\\TollvaneTest\\Ports" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring path_ = base_ + L"\\SERIALCOMM";
    UniqueRegKey key_;
};

TEST_F(PortListKeyTest, NoKeyOrAnEmptyKeyGivesNoList) {
    EXPECT_FALSE(Discovery().ListPorts().has_value());
    EXPECT_FALSE(Discovery().IsPortPresent("COM1"));
    AddText(L"\\Device\\Serial1", L"COM1");
    ::RegDeleteValueW(key_.get(), L"\\Device\\Serial1");
    EXPECT_FALSE(Discovery().ListPorts().has_value()) << "key without values";
}

// Text values in registry order (value names in creation order, whichever
// order the registry keeps); a number is no port name; presence is an exact
// match of a listed name.
TEST_F(PortListKeyTest, ListsTheTextValuesAndFindsAPortByItsExactName) {
    const DWORD five = 5;
    AddText(L"\\Device\\A", L"COM10");
    AddText(L"\\Device\\B", L"COM3");
    Add(L"\\Device\\C", REG_DWORD, &five, sizeof five);
    AddText(L"\\Device\\D", L"COM1");
    EXPECT_EQ(Discovery().ListPorts(), (Names{"COM10", "COM3", "COM1"}));
    for (const auto& [name, present] : {std::pair{"COM3", true}, {"COM10", true}, {"COM5", false},
                                        {"com3", false}, {"COM", false}, {"", false}}) {
        EXPECT_EQ(Discovery().IsPortPresent(name), present) << name;
    }
}

struct FakeUsbDevice {
    const wchar_t* device;      // the Enum\USB subkey
    const wchar_t* instance;
    const wchar_t* hardwareId;  // first string of HardwareID
    const wchar_t* portName;    // nullptr: no Device Parameters key at all
};

bool Register(const FakeUsbDevice& d) {
    const std::wstring path = std::wstring(L"System\\CurrentControlSet\\Enum\\USB\\") + d.device + L"\\" + d.instance;
    const std::wstring ids = std::wstring(d.hardwareId) + L'\0' + L"USB\\GENERIC" + L'\0' + L'\0';
    const std::wstring portsClass = L"{4d36e978-e325-11ce-bfc1-08002be10318}";
    UniqueRegKey key, params;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    ::RegSetValueExW(key.get(), L"HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(ids.data()),
                     static_cast<DWORD>(ids.size() * sizeof(wchar_t)));
    ::RegSetValueExW(key.get(), L"ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(portsClass.c_str()),
                     static_cast<DWORD>((portsClass.size() + 1) * sizeof(wchar_t)));
    return !d.portName ||
           (::RegCreateKeyExW(key.get(), L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, params.put(),
                              nullptr) == ERROR_SUCCESS &&
            ::RegSetValueExW(params.get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(d.portName),
                             static_cast<DWORD>((wcslen(d.portName) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS);
}

void Unregister() {
    for (const wchar_t* device : {L"VID_7E57&PID_0000", L"VID_7E57&PID_0001"}) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"System\\CurrentControlSet\\Enum\\USB\\") + device).c_str());
    }
}

// The reader's hardware ID comes in two spellings; a device without a port
// before it must not end the search.
TEST(UsbDeviceTest, FindsTheReaderInEitherSpellingAfterADeviceWithoutPort) {
    const FakeUsbDevice keyless{L"VID_7E57&PID_0000", L"HUB0", L"USB\\VID_7E57&PID_0000&REV_0100", nullptr};
    const FakeUsbDevice form1{L"VID_7E57&PID_0001", L"R1", L"USB\\VID_7E57&PID_0001&REV_0100", L"COM71"};
    const FakeUsbDevice form2{L"VID_7E57&PID_0001", L"R2", L"USB\\Vid_7e57&Pid_0001&Rev_0100", L"com72"};
    const FakeUsbDevice otherRevision{L"VID_7E57&PID_0001", L"R3", L"USB\\VID_7E57&PID_0001&REV_0101", L"COM73"};
    const struct {
        std::vector<FakeUsbDevice> devices;
        std::optional<std::string> port;
    } cases[] = {
        {{keyless, form1}, "COM71"},
        {{keyless, form2}, "com72"},
        {{keyless, form1, form2}, "com72"},  // the last enumerated wins
        {{keyless, otherRevision}, std::nullopt},
    };
    const ReaderUsbIdentity identity{"7E57", "0001", "0100", "7e57", "0001", "0100"};
    for (const auto& c : cases) {
        Unregister();
        for (const FakeUsbDevice& d : c.devices) ASSERT_TRUE(Register(d));
        EXPECT_EQ(WinPortDiscovery().FindReaderPort(identity), c.port);
    }
    Unregister();
}

}  // namespace
}  // namespace tollvane
