// A read-back put into the start form: one checked radio per group, one card kind, sector and
// block in range, and the hex texts shown are the values kept.
#include <algorithm>
#include <span>

#include "app/form_controls.h"
#include "app/main_controller.h"
#include "app/read_back_apply.h"
#include "carddata/hex_text.h"
#include "fuzz_target.h"
#include "support/fakes.h"

// Input: the form's role (low bit), then the frame from its offset 5 on, as many bytes as arrived.
TOLLVANE_FUZZ_HARNESS(read_back) {
    const int role = in.Byte() & 1;
    const std::string_view frame = in.Rest();
    testing::TestApp t;
    InitMainForm(t.app);
    t.form.SetSelection(Ctl::RoleCombo, role);
    ApplySettingsReadBack(t.app, reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());

    const auto checked = [&](std::span<const Ctl> group) {
        int count = 0;
        for (Ctl radio : group) count += t.form[radio].checked;
        return count;
    };
    FUZZ_CHECK(checked(kInterfaceRadios) == 1 && checked(kIndicationRadios) == 1);
    FUZZ_CHECK(checked(kStandbyRadios) == 1);
    FUZZ_CHECK(checked(kTouchPollRadios) == 1 && checked(kSecurityLevelRadios) <= 1);
    FUZZ_CHECK(t.form[Ctl::ClassicCheck].checked != t.form[Ctl::PlusCheck].checked);
    const int mode = t.form[Ctl::WorkModeCombo].selection;
    FUZZ_CHECK(mode >= 0 && mode <= 3 && t.form[Ctl::RoleCombo].selection == role);
    FUZZ_CHECK(t.app.values.sectorNumber >= 1 && t.app.values.sectorNumber <= 15);
    FUZZ_CHECK(t.app.values.blockNumber >= 0 && t.app.values.blockNumber <= 2);
    FUZZ_CHECK(t.form[Ctl::SectorUpDown].upDownPos == t.app.values.sectorNumber);
    FUZZ_CHECK(t.form[Ctl::BlockUpDown].upDownPos == t.app.values.blockNumber);
    const auto& v = t.app.values;
    FUZZ_CHECK(v.crypto1KeyText == t.form[Ctl::Crypto1KeyEdit].text &&
               v.crypto1KeyText == FormatHexBytes(v.crypto1Key.data(), 6));
    FUZZ_CHECK(v.aesKeyText == t.form[Ctl::AesKeyEdit].text &&
               v.aesKeyText == FormatHexBytes(v.aesKey.data(), 16));
    FUZZ_CHECK(v.uniqueDataText == t.form[Ctl::SectorDataEdit].text &&
               v.uniqueDataText.size() == 20);
}
