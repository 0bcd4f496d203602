// The form's card settings as one value: what the radios and boxes say goes
// into the frame with the letters of the frame layout, and a User card's
// read-back put into the form. A Master card's read-back, radio by radio and
// key by key, is checked against a plain reading of the frame by
// fuzz/read_back_fuzz.cpp, whose seeds run in the native suite, and settings
// put back from a key record by tests/native/key_list_test.cpp.
#include <gtest/gtest.h>

#include "app/card_settings.h"
#include "app/read_back_apply.h"
#include "protocol/frames.h"
#include "support/fakes.h"

namespace tollvane {
namespace {

using testing::TestApp;
using testing::WithReader;
using enum Ctl;

SettingsBlock MasterWriteBlock(const TestApp& t) {
    return SettingsBlockOf(BuildMasterWriteFrame(SnapshotOf(ReadCardSettings(t.form, t.app.values), {})));
}

TEST(CardSettingsTest, EachReaderSettingRadioSendsItsLetter) {
    struct Case {
        Ctl radio, first, last;
        std::size_t offset;  // in the settings block
        std::uint8_t letter;
    };
    const Case cases[] = {
        {IfW26Radio, IfTouchMemoryRadio, IfW58Radio, 1, 'e'},       {IfW44Radio, IfTouchMemoryRadio, IfW58Radio, 1, 'f'},
        {IfW58Radio, IfTouchMemoryRadio, IfW58Radio, 1, 'g'},       {IndInverseRadio, IndDirectRadio, IndInverseRadio, 2, 'e'},
        {StandbyDynamicRadio, StandbyDynamicRadio, StandbyOffRadio, 3, 'd'},
        {StandbyStaticRadio, StandbyDynamicRadio, StandbyOffRadio, 3, 'e'},
        {TouchPollOnRadio, TouchPollOnRadio, TouchPollOffRadio, 4, 'd'},
    };
    for (const Case& c : cases) {
        TestApp t{WithReader{}};
        t.ClickRadio(c.radio, c.first, c.last);
        EXPECT_EQ(MasterWriteBlock(t)[c.offset], c.letter) << static_cast<int>(c.radio);
    }
}

// A Plus card without a security level has no card type (Classic winning
// over the Plus radios shows in the start form's frame).
TEST(CardSettingsTest, APlusCardWithoutALevelHasNoType) {
    TestApp t{WithReader{}};
    t.form[ClassicCheck].checked = false;
    t.form[Sl1Radio].checked = false;
    EXPECT_FALSE(ReadCardSettings(t.form, t.app.values).cardType.has_value());
}

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
    t.SelectCombo(RoleCombo, 1);
    // A role letter of neither card is a User card's: no reader setting or key taken.
    auto frame = FrameFrom5({'Q', 'f', 'f', 'f', 'f', 'f', 1, 0});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[SectorDataEdit].text, "00 00 00 00 00 00 00");
    EXPECT_FALSE(t.form[IfW44Radio].checked);
    EXPECT_EQ(t.form[Crypto1KeyEdit].text, "FF FF FF FF FF FF");

    // 11 22 33 44 55 66 77 as the decrypt mode writes it to the card.
    frame = FrameFrom5({'U', 0, 0, 0, 0, 'g', 4, 1, 0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5});
    ApplySettingsReadBack(t.app, frame.data(), frame.size());
    EXPECT_EQ(t.form[SectorDataEdit].text, "11 22 33 44 55 66 77");
    EXPECT_EQ(t.form[WorkModeCombo].selection, 3);
    EXPECT_EQ(t.app.values.sectorNumber, 4);
    EXPECT_EQ(t.app.values.blockNumber, 1);
    // The layout of the User role with the card's work mode.
    EXPECT_TRUE(t.form[SectorDataLabel].enabled);
    EXPECT_TRUE(t.form[UniqueBeforeWriteCheck].enabled);
}

}  // namespace
}  // namespace tollvane
