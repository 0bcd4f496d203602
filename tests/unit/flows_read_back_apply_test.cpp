// A User card's read-back put into the form. A Master card's, radio by
// radio and key by key, is checked against a plain reading of the frame by
// fuzz/read_back_fuzz.cpp, whose seeds run in the native suite.
#include <gtest/gtest.h>

#include "app/read_back_apply.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

// The frame from offset 5 on: card type 's', AES letter 'X', 6 unused, AES
// key, then the settings block.
std::vector<std::uint8_t> FrameFrom5(std::vector<std::uint8_t> settings) {
    std::vector<std::uint8_t> out{'s', 'X'};
    out.resize(24, 0);
    settings.resize(17, 0);
    out.insert(out.end(), settings.begin(), settings.end());
    return out;
}

TEST(ReadBackApplyTest, AUserCardsDataComesBackAsItWasTyped) {
    TestApp t{WithReader{}};
    t.SelectCombo(Ctl::RoleCombo, 1);
    // A role letter of neither card is a User card's: no reader setting or key taken.
    auto frame = FrameFrom5({'Q', 'f', 'f', 'f', 'f', 'f', 1, 0});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "00 00 00 00 00 00 00");
    EXPECT_FALSE(t.form[Ctl::IfW44Radio].checked);
    EXPECT_EQ(t.form[Ctl::Crypto1KeyEdit].text, "FF FF FF FF FF FF");

    // 11 22 33 44 55 66 77 as the decrypt mode writes it to the card.
    frame = FrameFrom5({'U', 0, 0, 0, 0, 'g', 4, 1, 0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[Ctl::SectorDataEdit].text, "11 22 33 44 55 66 77");
    EXPECT_EQ(t.form[Ctl::WorkModeCombo].selection, 3);
    EXPECT_EQ(t.app.values.sectorNumber, 4);
    EXPECT_EQ(t.app.values.blockNumber, 1);
    // The layout of the User role with the card's work mode.
    EXPECT_TRUE(t.form[Ctl::SectorDataLabel].enabled);
    EXPECT_TRUE(t.form[Ctl::UniqueBeforeWriteCheck].enabled);
}

}  // namespace
}  // namespace tollvane::testing
