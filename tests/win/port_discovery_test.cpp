// WinPortDiscovery's port list over the real registry, from a scratch key
// that plays HARDWARE\DEVICEMAP\SERIALCOMM. (The reader's USB device through
// the Setup API is the end-to-end discovery scenario's; the choice among
// devices is PickReaderPort's, tested with the portable code.)
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

    void AddText(const std::wstring& name, const std::wstring& value) {
        ASSERT_EQ(::RegSetValueExW(key_.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  0);
    }
    WinPortDiscovery Discovery() const { return WinPortDiscovery(HKEY_CURRENT_USER, path_); }

    const std::wstring base_ = L"Software\\TollvaneTest\\Ports" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring path_ = base_ + L"\\SERIALCOMM";
    UniqueRegKey key_;
};

// No key, or a key without values, is no list. Otherwise: the text values
// in registry order (value names in creation order, whichever order the
// registry keeps); a number is no port name; presence is an exact match.
TEST_F(PortListKeyTest, ListsTheTextValuesAndFindsAPortByItsExactName) {
    EXPECT_FALSE(Discovery().ListPorts().has_value());
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    EXPECT_FALSE(Discovery().ListPorts().has_value());
    const DWORD five = 5;
    AddText(L"\\Device\\A", L"COM10");
    AddText(L"\\Device\\B", L"COM3");
    ASSERT_EQ(::RegSetValueExW(key_.get(), L"\\Device\\C", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4), 0);
    AddText(L"\\Device\\D", L"COM1");
    EXPECT_EQ(Discovery().ListPorts(), (Names{"COM10", "COM3", "COM1"}));
    for (const auto& [name, present] : {std::pair{"COM3", true}, {"COM10", true}, {"COM5", false},
                                        {"com3", false}, {"COM", false}, {"", false}}) {
        EXPECT_EQ(Discovery().IsPortPresent(name), present) << name;
    }
}

}  // namespace
}  // namespace tollvane
