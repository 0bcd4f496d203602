// A User card's read-back put into the form. A Master card's, radio by
// radio and key by key, is checked against a plain reading of the frame by
// fuzz/read_back_fuzz.cpp, whose seeds run in the native suite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/read_back_apply.h"
#include "protocol/crc8.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

// The frame from offset 5 on: card type, AES letter, 6 unused, AES key,
// then the settings block.
std::vector<std::uint8_t> FrameFrom5(std::uint8_t type, std::uint8_t aesAuth, std::uint8_t aesFill,
                                     std::vector<std::uint8_t> settings) {
    std::vector<std::uint8_t> out{type, aesAuth, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), 16, aesFill);
    settings.resize(16, 0);
    out.insert(out.end(), settings.begin(), settings.end());
    out.push_back(0);
    return out;
}

TEST(ReadBackApplyTest, UserDataInTheDecryptModeComesBackAsItWasTyped) {
    TestApp t{WithReader{}};
    t.SelectCombo(Ctl::RoleCombo, 1);
    // 11 22 33 44 55 66 77 as the decrypt mode writes it to the card.
    const std::uint8_t data[7] = {0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5};
    const auto frame = FrameFrom5('s', 'X', 0, {'U', 0, 0, 0, 0, 'g', 4, 1, data[0], data[1], data[2], data[3],
                                                data[4], data[5], data[6]});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "11 22 33 44 55 66 77");
    EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, 3);
    EXPECT_EQ(t.app.values.sectorNumber, 4);
    EXPECT_EQ(t.form[Ctl::SectorUpDown].upDownPos, 4);
    EXPECT_EQ(t.app.values.blockNumber, 1);
    // The layout of the User role with the card's work mode.
    EXPECT_TRUE(t.form[Ctl::SectorDataLabel].enabled);
    EXPECT_TRUE(t.form[Ctl::UniqueBeforeWriteCheck].enabled);
}

TEST(ReadBackApplyTest, ZeroDataAndAnUnknownRoleLetterAreShownAsUserData) {
    TestApp t{WithReader{}};
    t.SelectCombo(Ctl::RoleCombo, 1);
    const auto frame = FrameFrom5('s', 'X', 0, {'Q', 'f', 'f', 'f', 'f', 'f', 1, 0});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "00 00 00 00 00 00 00");
    EXPECT_FALSE(t.form[Ctl::IfW44Radio].checked);  // reader settings only for a Master card
    EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "FF FF FF FF FF FF");
}

}  // namespace
}  // namespace tollvane::testing
