// A card's read-back put into the start form: whatever the bytes, each radio
// group keeps one checked button (the one the frame's letter names, for a
// Master card), sector and block stay in their ranges, and the keys and data
// shown are the frame's bytes.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/main_controller.h"
#include "app/read_back_apply.h"
#include "carddata/hex_text.h"
#include "fuzz_target.h"
#include "support/fakes.h"

using namespace tollvane;
using namespace tollvane::fuzz;

namespace {

// The button checked in the group, -1 for none, -2 for more than one.
int Checked(const testing::FakeFormView& form, Ctl first, Ctl last) {
    int found = -1;
    for (int id = static_cast<int>(first); id <= static_cast<int>(last); ++id) {
        if (form.Get(static_cast<Ctl>(id)).checked) found = found == -1 ? id - static_cast<int>(first) : -2;
    }
    return found;
}

int IndexOf(const char* letters, std::uint8_t letter) {
    const char* at = letter ? std::strchr(letters, letter) : nullptr;
    return at ? static_cast<int>(at - letters) : -1;
}

}  // namespace

// Input: one byte choosing the form's role (low bit), then the frame from its
// offset 5 on, as many bytes as arrived.
TOLLVANE_FUZZ_HARNESS(read_back) {
    Bytes in(data, size);
    const int role = in.Byte() & 1;
    const std::string_view frame = in.Rest();
    std::uint8_t full[41] = {};  // the frame as the decoder sees it: zeros past what arrived
    std::memcpy(full, frame.data(), std::min(frame.size(), sizeof full));

    // The start form, made once; each input starts from a copy of it.
    static testing::TestApp fresh, t;
    [[maybe_unused]] static const bool initialised = (InitMainForm(fresh.app), InitMainForm(t.app), true);
    t.form.controls = fresh.form.controls;
    t.app.values = fresh.app.values;
    t.form.SetSelection(Ctl::RoleCombo, role);
    ApplySettingsReadBack(t.app, reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());

    // Offsets within the frame from offset 5: role 24, the reader settings
    // 25 to 28, work mode 29, sector 30, block 31, key or data from 32.
    const bool master = full[24] == 'M';
    const struct { Ctl first, last; const char* letters; } groups[] = {
        {Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, "defg"}, {Ctl::IndDirectRadio, Ctl::IndInverseRadio, "de"},
        {Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, "def"}, {Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio, "de"}};
    for (std::size_t g = 0; g < 4; ++g) {
        const int letter = master ? IndexOf(groups[g].letters, full[25 + g]) : -1;
        const int checked = Checked(t.form, groups[g].first, groups[g].last);
        FUZZ_CHECK(checked == (letter >= 0 ? letter : Checked(fresh.form, groups[g].first, groups[g].last)));
    }
    FUZZ_CHECK(t.form[Ctl::ClassicCheck].checked != t.form[Ctl::PlusCheck].checked);
    const int level = Checked(t.form, Ctl::Sl1Radio, Ctl::Sl3Radio), plus = master ? IndexOf("13", full[0]) : -1;
    if (master && full[0] == 's') FUZZ_CHECK(t.form[Ctl::ClassicCheck].checked && level == -1);
    if (plus >= 0) FUZZ_CHECK(t.form[Ctl::PlusCheck].checked && level == plus);
    if (plus == 0 && IndexOf("XV", full[1]) >= 0) FUZZ_CHECK(t.form[Ctl::AesAuthCheck].checked == (full[1] == 'V'));
    const int mode = IndexOf("dfeg", full[29]);
    FUZZ_CHECK(t.form[Ctl::WorkModeCombo].selection == std::max(mode, 0) && t.form[Ctl::RoleCombo].selection == role);
    const int sector = std::clamp<int>(full[30], 1, 15), block = std::clamp<int>(full[31], 0, 2);
    FUZZ_CHECK(t.app.values.sectorNumber == sector && t.form[Ctl::SectorUpDown].upDownPos == sector);
    FUZZ_CHECK(t.app.values.blockNumber == block && t.form[Ctl::BlockUpDown].upDownPos == block);
    FUZZ_CHECK(t.app.values.crypto1KeyText == t.form[Ctl::Crypto1KeyEdit].text);
    FUZZ_CHECK(t.app.values.aesKeyText == t.form[Ctl::AesKeyEdit].text);
    if (master) {
        FUZZ_CHECK(t.form[Ctl::Crypto1KeyEdit].text == FormatHexBytes(full + 32, 6));
        if (plus >= 0) FUZZ_CHECK(t.form[Ctl::AesKeyEdit].text == FormatHexBytes(full + 8, 16));
    } else {
        FUZZ_CHECK(t.form[Ctl::SectorDataEdit].text.size() == 20);
        FUZZ_CHECK(t.form[Ctl::SectorDataEdit].text == t.app.values.uniqueDataText);
        if (full[29] != 'g') FUZZ_CHECK(t.form[Ctl::SectorDataEdit].text == FormatHexBytes(full + 32, 7));
        FUZZ_CHECK(t.form[Ctl::Crypto1KeyEdit].text == fresh.form[Ctl::Crypto1KeyEdit].text);
    }
}
