// WinPortDiscovery over the real registry and Setup API. The port list is
// read from a test-only key; the USB devices are registered under
// Enum\USB with a vendor number no real device here uses.
#include "serial/win/win_port_discovery.h"

#include "serial/port_list.h"
#include "base/win/handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace tollvane {
namespace {

using Names = std::vector<std::string>;

// A scratch key under HKCU that plays HARDWARE\DEVICEMAP\SERIALCOMM.
class PortListKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = L"Software\\TollvaneTest\\Ports" + std::to_wstring(::GetCurrentProcessId());
        path_ = base_ + L"\\SERIALCOMM";
        ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }

    HKEY Key() {
        if (!key_) {
            ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                              nullptr);
        }
        return key_.get();
    }
    void AddText(const std::wstring& name, const std::wstring& value, bool withZero = true) {
        DWORD bytes = static_cast<DWORD>((value.size() + (withZero ? 1 : 0)) * sizeof(wchar_t));
        ASSERT_EQ(::RegSetValueExW(Key(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes),
                  ERROR_SUCCESS);
    }
    void AddNumber(const std::wstring& name, DWORD value) {
        ASSERT_EQ(::RegSetValueExW(Key(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof(value)),
                  ERROR_SUCCESS);
    }
    WinPortDiscovery Discovery() { return WinPortDiscovery(HKEY_CURRENT_USER, path_); }

    std::wstring base_, path_;
    UniqueRegKey key_;
};

TEST_F(PortListKeyTest, ListsTextValuesInRegistryOrderAndSortsNumerically) {
    // Value names in the order of creation, so that the registry order is
    // the same whether the registry keeps creation or name order.
    AddText(L"\\Device\\A", L"COM10");
    AddText(L"\\Device\\B", L"COM3");
    AddNumber(L"\\Device\\C", 5);
    AddText(L"\\Device\\D", L"COM1");
    WinPortDiscovery discovery = Discovery();
    auto ports = discovery.ListPorts();
    ASSERT_TRUE(ports.has_value());
    EXPECT_EQ(*ports, (Names{"COM10", "COM3", "COM1"}));
    EXPECT_EQ(SortPortNames(*ports), (Names{"COM1", "COM3", "COM10"}));
}

TEST_F(PortListKeyTest, MissingOrEmptyKeyGivesNoList) {
    EXPECT_FALSE(Discovery().ListPorts().has_value()) << "missing key";
    EXPECT_FALSE(Discovery().IsPortPresent("COM1"));
    Key();
    EXPECT_FALSE(Discovery().ListPorts().has_value()) << "key without values";
}

TEST_F(PortListKeyTest, PresenceIsAnExactNameMatch) {
    AddText(L"\\Device\\Serial3", L"COM3");
    AddText(L"\\Device\\Serial12", L"COM12");
    WinPortDiscovery discovery = Discovery();
    struct Case {
        const char* name;
        bool present;
    } cases[] = {{"COM3", true}, {"COM12", true}, {"COM1", false}, {"com3", false}, {"COM", false}, {"", false}};
    for (const Case& c : cases) EXPECT_EQ(discovery.IsPortPresent(c.name), c.present) << c.name;
}

// Fake USB devices registered the way Windows records them.
constexpr const wchar_t* kEnumUsb = L"System\\CurrentControlSet\\Enum\\USB\\";
constexpr const wchar_t* kPortsClass = L"{4d36e978-e325-11ce-bfc1-08002be10318}";

struct FakeUsbDevice {
    const wchar_t* device;      // the Enum\USB subkey, e.g. VID_7E57&PID_0001
    const wchar_t* instance;
    const wchar_t* hardwareId;  // first string of HardwareID
    const wchar_t* portName;    // nullptr: no device registry key at all
};

class UsbDeviceTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const wchar_t* device : {L"VID_7E57&PID_0000", L"VID_7E57&PID_0001"}) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kEnumUsb) + device).c_str());
        }
    }

    bool Register(const FakeUsbDevice& d) {
        const std::wstring path = std::wstring(kEnumUsb) + d.device + L"\\" + d.instance;
        UniqueRegKey key;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr) != ERROR_SUCCESS) {
            return false;
        }
        std::wstring ids = std::wstring(d.hardwareId) + L'\0' + L"USB\\GENERIC" + L'\0' + L'\0';
        ::RegSetValueExW(key.get(), L"HardwareID", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(ids.data()),
                         static_cast<DWORD>(ids.size() * sizeof(wchar_t)));
        ::RegSetValueExW(key.get(), L"ClassGUID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kPortsClass),
                         static_cast<DWORD>((wcslen(kPortsClass) + 1) * sizeof(wchar_t)));
        if (!d.portName) return true;
        UniqueRegKey params;
        if (::RegCreateKeyExW(key.get(), L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, params.put(),
                              nullptr) != ERROR_SUCCESS) {
            return false;
        }
        return ::RegSetValueExW(params.get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(d.portName),
                                static_cast<DWORD>((wcslen(d.portName) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    ReaderUsbIdentity TestIdentity() {
        ReaderUsbIdentity id;
        id.vendor = "7E57";
        id.product = "0001";
        id.revision = "0100";
        id.vendor2 = "7e57";
        id.product2 = "0001";
        id.revision2 = "0100";
        return id;
    }
};

const FakeUsbDevice kKeyless{L"VID_7E57&PID_0000", L"HUB0", L"USB\\VID_7E57&PID_0000&REV_0100", nullptr};
const FakeUsbDevice kReaderForm1{L"VID_7E57&PID_0001", L"R1", L"USB\\VID_7E57&PID_0001&REV_0100", L"COM71"};
const FakeUsbDevice kReaderForm2{L"VID_7E57&PID_0001", L"R2", L"USB\\Vid_7e57&Pid_0001&Rev_0100", L"com72"};
const FakeUsbDevice kOtherRevision{L"VID_7E57&PID_0001", L"R3", L"USB\\VID_7E57&PID_0001&REV_0101", L"COM73"};

TEST_F(UsbDeviceTest, FindsTheReaderInEitherFormAfterADeviceWithoutKey) {
    struct Case {
        const char* name;
        std::vector<FakeUsbDevice> devices;
        std::optional<std::string> expected;
    } cases[] = {
        {"first form", {kKeyless, kReaderForm1}, "COM71"},
        {"second form", {kKeyless, kReaderForm2}, "com72"},
        {"two readers: last enumerated wins", {kKeyless, kReaderForm1, kReaderForm2}, "com72"},
        {"other revision only", {kKeyless, kOtherRevision}, std::nullopt},
    };
    for (const Case& c : cases) {
        TearDown();
        for (const FakeUsbDevice& d : c.devices) {
            if (!Register(d)) GTEST_SKIP() << "cannot register USB devices in this registry";
        }
        WinPortDiscovery discovery;
        EXPECT_EQ(discovery.FindReaderPort(TestIdentity()), c.expected) << c.name;
    }
}

// The search through an injected device source: the list failing is no match.
class FailingSource : public UsbDeviceSource {
public:
    std::optional<std::vector<UsbPortCandidate>> PresentUsbDevices() override { return std::nullopt; }
};

}  // namespace
}  // namespace tollvane
