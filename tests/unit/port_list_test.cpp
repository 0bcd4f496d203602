#include "serial/port_list.h"

#include <gtest/gtest.h>

namespace tollvane {
namespace {

using Names = std::vector<std::string>;

// Other names stay as registered (sorted as 0), so that they still open their port; ties keep their
// order.
TEST(SortPortNames, SortsByNumberKeepingEveryRegisteredName) {
    const std::pair<Names, Names> cases[] = {
        {{"COM10", "COM3", "COM1"}, {"COM1", "COM3", "COM10"}},
        {{"COM4", "CNCA0", "COM2x", "com3"}, {"CNCA0", "COM2x", "com3", "COM4"}},
        {{"COM5", "COM05", "COM1"}, {"COM1", "COM5", "COM05"}},
    };
    for (const auto& [registered, sorted] : cases) EXPECT_EQ(SortPortNames(registered), sorted);
}

TEST(ReaderPort, HardwareIdOnItsFirstThirtyCharactersAndComNamesWithANonZeroNumberInAnyCase) {
    const std::pair<const char*, bool> ids[] = {
        {"USB\\VID_2E3C&PID_5750&REV_0200", true},
        {"USB\\Vid_2e3c&Pid_5750&Rev_0200", true},
        {"USB\\VID_2E3C&PID_5750&REV_0200&MI_00", true},  // longer, same beginning
        {"USB\\VID_2e3c&PID_5750&REV_0200", false},       // the forms do not mix
        {"USB\\VID_2E3C&PID_5750", false}};               // shorter
    for (const auto& [hardwareId, matches] : ids)
        EXPECT_EQ(MatchesReaderHardwareId(hardwareId, {}), matches) << hardwareId;
    const std::pair<const char*, bool> names[] = {{"COM3", true},  {"com12", true}, {"CoM7x", true},
                                                  {"COM0", false}, {"COM", false},  {"CO", false},
                                                  {"LPT1", false}, {"COMx", false}, {"", false}};
    for (const auto& [name, usable] : names) EXPECT_EQ(IsUsableComPortName(name), usable) << name;
}

UsbPortCandidate Device(const char* hardwareId, const char* portName, bool hasKey = true) {
    return {hardwareId, hasKey, portName ? std::optional<std::string>(portName) : std::nullopt};
}

TEST(PickReaderPort, ChoosesTheLastMatchingDeviceAndSkipsTheRest) {
    const char* reader1 = "USB\\VID_2E3C&PID_5750&REV_0200";
    const char* reader2 = "USB\\Vid_2e3c&Pid_5750&Rev_0200";
    const struct {
        const char* name;
        std::vector<UsbPortCandidate> devices;
        std::optional<std::string> expected;
    } cases[] = {
        {"none", {}, std::nullopt},
        {"second form", {Device(reader2, "COM6")}, "COM6"},
        {"first form", {Device("USB\\ROOT_HUB30", nullptr), Device(reader1, "COM5")}, "COM5"},
        {"two readers: last wins", {Device(reader1, "COM5"), Device(reader2, "COM9")}, "COM9"},
        // A device without a registry key before the reader must not end the search.
        {"keyless device first",
         {Device("USB\\VID_1111&PID_2222", nullptr, false), Device(reader1, "COM4")},
         "COM4"},
        {"reader without PortName", {Device(reader1, nullptr)}, std::nullopt},
        {"PortName COM0 ignored", {Device(reader1, "COM3"), Device(reader1, "COM0")}, "COM3"},
        {"other device with a port",
         {Device("USB\\VID_0403&PID_6001&REV_0600", "COM8")},
         std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PickReaderPort(c.devices, ReaderUsbIdentity{}), c.expected) << c.name;
}

}  // namespace
}  // namespace tollvane
