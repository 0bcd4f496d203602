// The form's card settings as one value: what the radios and boxes say goes
// into the frame with the letters of the frame layout. Putting a value back
// onto the form is checked through the read-back (fuzz/read_back_fuzz.cpp)
// and the key records (tests/native/key_list_test.cpp).
#include <gtest/gtest.h>

#include "app/card_settings.h"
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

// Classic wins over the Plus radios; a Plus card without a level has no type.
TEST(CardSettingsTest, CardTypesKeepTheirOrder) {
    TestApp t{WithReader{}};
    EXPECT_EQ(ReadCardSettings(t.form, t.app.values).cardType, CardType::Classic);
    t.form[ClassicCheck].checked = false;
    t.form[Sl1Radio].checked = false;
    t.form[Sl3Radio].checked = true;
    EXPECT_EQ(ReadCardSettings(t.form, t.app.values).cardType, CardType::Sl3);
    t.form[Sl3Radio].checked = false;
    EXPECT_FALSE(ReadCardSettings(t.form, t.app.values).cardType.has_value());
}

}  // namespace
}  // namespace tollvane
