// A card's read-back put into the start form: whatever the bytes, each radio
// group keeps one checked button, sector and block stay in their ranges, and
// the form shows the card's keys and data in hex text form.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/main_controller.h"
#include "app/read_back_apply.h"
#include "fuzz_target.h"
#include "support/fakes.h"

namespace tollvane::fuzz {
namespace {

// Offsets within the decoder's input, which starts at frame offset 5.
constexpr std::size_t kRole = 24, kInterface = 25, kIndication = 26, kStandby = 27, kTouchPoll = 28,
                      kWorkMode = 29, kSector = 30, kBlock = 31, kKeyOrData = 32;

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (i != 0) out += ' ';
        out += "0123456789ABCDEF"[bytes[i] >> 4];
        out += "0123456789ABCDEF"[bytes[i] & 15];
    }
    return out;
}

// The button checked in the group, -1 for none, -2 for more than one.
int Checked(const testing::FakeFormView& form, Ctl first, Ctl last) {
    int found = -1;
    for (int id = static_cast<int>(first); id <= static_cast<int>(last); ++id) {
        if (!form.Get(static_cast<Ctl>(id)).checked) continue;
        if (found != -1) return -2;
        found = id - static_cast<int>(first);
    }
    return found;
}

int IndexOf(const char* letters, std::uint8_t letter) {
    const char* at = letter ? std::strchr(letters, letter) : nullptr;
    return at ? static_cast<int>(at - letters) : -1;
}

}  // namespace
}  // namespace tollvane::fuzz

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte choosing the form's role (low bit), then the frame from its
// offset 5 on, as many bytes as arrived.
TOLLVANE_FUZZ_HARNESS(read_back) {
    Bytes in(data, size);
    const int role = in.Byte() & 1;
    const std::string_view frame = in.Rest();
    std::uint8_t full[41] = {};  // the frame as the decoder sees it: zeros past what arrived
    for (std::size_t i = 0; i < frame.size() && i < sizeof full; ++i) full[i] = static_cast<std::uint8_t>(frame[i]);

    // The form as the program starts it, made once; each input starts from a
    // copy of it. The groups the frame does not speak for must look like it
    // afterwards.
    static testing::TestApp fresh, t;
    [[maybe_unused]] static const bool initialised = (InitMainForm(fresh.app), InitMainForm(t.app), true);
    t.form.controls = fresh.form.controls;
    t.app.values = fresh.app.values;
    t.form.SetSelection(Ctl::RoleCombo, role);
    const std::string aesBefore = t.form[Ctl::AesKeyEdit].text;
    ApplySettingsReadBack(t.app, reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());

    const bool master = full[kRole] == 'M';
    struct Group {
        Ctl first, last;
        const char* letters;
        std::size_t at;
    };
    const Group groups[] = {{Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, "defg", kInterface},
                            {Ctl::IndDirectRadio, Ctl::IndInverseRadio, "de", kIndication},
                            {Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, "def", kStandby},
                            {Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio, "de", kTouchPoll}};
    for (const Group& g : groups) {
        const int checked = Checked(t.form, g.first, g.last);
        FUZZ_CHECK(checked >= 0);
        const int letter = IndexOf(g.letters, full[g.at]);
        if (master && letter >= 0) FUZZ_CHECK(checked == letter);
        if (!master || letter < 0) FUZZ_CHECK(checked == Checked(fresh.form, g.first, g.last));
    }
    // One of the two card kinds is always ticked; a Classic card clears both
    // security levels, a Plus card ticks the one it reported.
    FUZZ_CHECK(t.form[Ctl::ClassicCheck].checked != t.form[Ctl::PlusCheck].checked);
    const int level = Checked(t.form, Ctl::Sl1Radio, Ctl::Sl3Radio);
    if (master && full[0] == 's') FUZZ_CHECK(level == -1 && t.form[Ctl::ClassicCheck].checked);
    else if (master && IndexOf("13", full[0]) >= 0) FUZZ_CHECK(level == IndexOf("13", full[0]) && t.form[Ctl::PlusCheck].checked);
    else FUZZ_CHECK(level == Checked(fresh.form, Ctl::Sl1Radio, Ctl::Sl3Radio));
    const bool aesAuth = t.form[Ctl::AesAuthCheck].checked;
    if (master && full[0] == '1' && full[1] == 'V') FUZZ_CHECK(aesAuth);
    else if (master && (full[0] == 's' || full[0] == '3' || (full[0] == '1' && full[1] == 'X'))) FUZZ_CHECK(!aesAuth);
    else FUZZ_CHECK(aesAuth == fresh.form.Get(Ctl::AesAuthCheck).checked);

    const int mode = IndexOf("dfeg", full[kWorkMode]);
    FUZZ_CHECK(t.form[Ctl::WorkModeCombo].selection == (mode >= 0 ? mode : 0));
    FUZZ_CHECK(t.form[Ctl::RoleCombo].selection == role);
    // Sector and block as the card gave them, held to the up-downs' ranges.
    const int sector = std::clamp<int>(full[kSector], 1, 15), block = std::clamp<int>(full[kBlock], 0, 2);
    FUZZ_CHECK(t.app.values.sectorNumber == sector && t.form[Ctl::SectorUpDown].upDownPos == sector);
    FUZZ_CHECK(t.app.values.blockNumber == block && t.form[Ctl::BlockUpDown].upDownPos == block);

    if (master) {
        FUZZ_CHECK(t.form[Ctl::Crypto1KeyEdit].text == Hex(full + kKeyOrData, 6));
        FUZZ_CHECK(t.app.values.crypto1KeyText == t.form[Ctl::Crypto1KeyEdit].text);
        const bool plus = full[0] == '1' || full[0] == '3';
        FUZZ_CHECK(t.form[Ctl::AesKeyEdit].text == (plus ? Hex(full + 8, 16) : aesBefore));
        FUZZ_CHECK(t.app.values.aesKeyText == t.form[Ctl::AesKeyEdit].text);
    } else {
        const std::string& shown = t.form[Ctl::SectorDataEdit].text;
        FUZZ_CHECK(shown.size() == 20 && shown == t.app.values.uniqueDataText);
        if (full[kWorkMode] != 'g') FUZZ_CHECK(shown == Hex(full + kKeyOrData, 7));
        FUZZ_CHECK(t.form[Ctl::Crypto1KeyEdit].text == fresh.form[Ctl::Crypto1KeyEdit].text);
    }
}
