#include "app/key_record_form.h"

#include <cstdio>

#include "app/form_rules.h"
#include "carddata/hex_text.h"

namespace tollvane {
namespace {

// The index of the checked control among count consecutive ones; the first
// when none is checked, so that a record always gets a valid code.
int CheckedIndex(const FormView& form, Ctl first, int count) {
    for (int i = 0; i < count; ++i)
        if (form.IsChecked(static_cast<Ctl>(static_cast<int>(first) + i))) return i;
    return 0;
}

// A one-character code "0" to "9" as its digit, -1 for anything else.
int CodeDigit(const std::string& code) {
    if (code.size() != 1 || code[0] < '0' || code[0] > '9') return -1;
    return code[0] - '0';
}

// The value of the text's leading decimal digits; 0 when it has none.
int LeadingNumber(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// True for the spaced form of exactly N bytes, every digit a hex digit.
template <std::size_t N>
bool IsWholeKey(const std::string& text) {
    if (text.size() != 3 * N - 1) return false;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (p % 3 == 2 ? text[p] != ' ' : !IsHexDigit(text[p])) return false;
    }
    return true;
}

// Puts a record's key into the form, but only a whole one: a key that is
// missing from the record, cut short or masked would send asterisks or zero
// bytes with the next write, so the form keeps the key it has.
template <std::size_t N>
void ApplyKey(FormView& form, Ctl edit, const std::string& text, std::string& formText,
              std::array<std::uint8_t, N>& bytes) {
    if (!IsWholeKey<N>(text)) return;
    formText = text;
    form.SetText(edit, text);
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = static_cast<std::uint8_t>(HexDigitValue(text[3 * i]) * 16 + HexDigitValue(text[3 * i + 1]));
}

}  // namespace

RecordSettings ReadRecordSettings(const FormView& form, const FormValues& values) {
    RecordSettings s;
    const bool plus = !form.IsChecked(Ctl::ClassicCheck);
    s.TC = std::string_view(plus && form.IsChecked(Ctl::Sl1Radio)   ? "SL1"
                            : plus && form.IsChecked(Ctl::Sl3Radio) ? "SL3"
                                                                    : "Cls");
    s.AA = std::string(1, form.IsChecked(Ctl::AesAuthCheck) ? 'V' : 'X');
    s.OI = std::to_string(CheckedIndex(form, Ctl::IfTouchMemoryRadio, 4));
    s.LL = std::to_string(CheckedIndex(form, Ctl::IndDirectRadio, 2));
    s.DI = std::to_string(CheckedIndex(form, Ctl::StandbyDynamicRadio, 3));
    s.SB = std::to_string(CheckedIndex(form, Ctl::TouchPollOnRadio, 2));
    const int mode = form.Selection(Ctl::WorkModeCombo);
    s.WM = std::to_string(mode >= 1 && mode <= 3 ? mode : 0);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", values.sectorNumber);
    s.SN = number;
    s.BN = std::to_string(values.blockNumber);
    return s;
}

void ApplyKeyRecord(const KeyRecord& record, AppContext& app) {
    FormView& form = app.form;

    if (record.TC == "Cls") {
        form.SetChecked(Ctl::ClassicCheck, true);
        form.SetChecked(Ctl::PlusCheck, false);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl1Radio);
        form.Enable(Ctl::PlusCheck, true);
        for (Ctl c : {Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::AesKeyEdit, Ctl::ShowAesCheck})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowAesCheck, false);
        form.SetPasswordMask(Ctl::AesKeyEdit, true);
    } else if (record.TC == "SL1") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl1Radio);
        for (Ctl c : {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::ShowAesCheck})
            form.Enable(c, true);
    } else if (record.TC == "SL3") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::Sl3Radio);
        for (Ctl c : {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::ShowAesCheck}) form.Enable(c, true);
        for (Ctl c : {Ctl::AesAuthCheck, Ctl::Crypto1KeyLabel, Ctl::Crypto1KeyEdit, Ctl::ShowCrypto1Check})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowCrypto1Check, false);
        form.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    }

    if (record.AA == "V") form.SetChecked(Ctl::AesAuthCheck, true);
    else if (record.AA == "X") form.SetChecked(Ctl::AesAuthCheck, false);

    struct Group { const std::string& code; Ctl first; int count; };
    const Group groups[] = {
        {record.OI, Ctl::IfTouchMemoryRadio, 4},
        {record.LL, Ctl::IndDirectRadio, 2},
        {record.DI, Ctl::StandbyDynamicRadio, 3},
        {record.SB, Ctl::TouchPollOnRadio, 2},
    };
    for (const Group& g : groups) {
        const int n = CodeDigit(g.code);
        const int first = static_cast<int>(g.first);
        if (n >= 0 && n < g.count)
            CheckRadio(form, g.first, static_cast<Ctl>(first + g.count - 1), static_cast<Ctl>(first + n));
    }

    const int mode = CodeDigit(record.WM);
    if (mode >= 0 && mode <= 3) {
        ApplyFormRule(app, form.Selection(Ctl::RoleCombo) * 10 + mode);
        form.SetSelection(Ctl::WorkModeCombo, mode);
    }

    // A damaged record must not carry a sector or block the card does not
    // have into a card command, so both are held to the form's ranges.
    int sector = LeadingNumber(record.SN);
    if (sector < 1) sector = 1;
    if (sector > 15) sector = 15;
    app.values.sectorNumber = sector;
    form.SetUpDownPos(Ctl::SectorUpDown, sector);
    int block = LeadingNumber(record.BN);
    if (block > 2) block = 2;
    app.values.blockNumber = block;
    form.SetUpDownPos(Ctl::BlockUpDown, block);

    ApplyKey(form, Ctl::Crypto1KeyEdit, record.M_KEY, app.values.crypto1KeyText, app.values.crypto1Key);
    ApplyKey(form, Ctl::AesKeyEdit, record.A_KEY, app.values.aesKeyText, app.values.aesKey);
}

}  // namespace tollvane
