#include "app/key_record_form.h"

#include <cstdio>
#include <optional>

#include "app/card_settings.h"
#include "app/form_rules.h"
#include "carddata/hex_text.h"

namespace tollvane {
namespace {

// A one-character code "0" to "9" as its digit, nothing for anything else.
std::optional<int> CodeDigit(const std::string& code) {
    if (code.size() != 1 || code[0] < '0' || code[0] > '9') return std::nullopt;
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

// The bytes of a key in the spaced form of exactly N bytes, every digit a
// hex digit; nothing for a key that is missing from the record, cut short
// or masked, which would send asterisks or zero bytes with the next write.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> WholeKey(const std::string& text) {
    if (text.size() != 3 * N - 1) return std::nullopt;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (p % 3 == 2 ? text[p] != ' ' : !IsHexDigit(text[p])) return std::nullopt;
    }
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = static_cast<std::uint8_t>(HexDigitValue(text[3 * i]) * 16 +
                                             HexDigitValue(text[3 * i + 1]));
    return bytes;
}

// The card type controls a record enables and disables beside its check
// marks; the Classic record also leaves SL1 chosen for a later switch to Plus.
void PutRecordCardType(FormView& form, const std::string& type) {
    if (type == "Cls") {
        form.SetChecked(Ctl::ClassicCheck, true);
        form.SetChecked(Ctl::PlusCheck, false);
        CheckRadio(form, Ctl::Sl1Radio);
        form.Enable(Ctl::PlusCheck, true);
        for (Ctl c :
             {Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::AesKeyEdit, Ctl::ShowAesCheck})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowAesCheck, false);
        form.SetPasswordMask(Ctl::AesKeyEdit, true);
    } else if (type == "SL1") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl1Radio);
        for (Ctl c :
             {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::AesAuthCheck, Ctl::ShowAesCheck})
            form.Enable(c, true);
    } else if (type == "SL3") {
        form.SetChecked(Ctl::ClassicCheck, false);
        form.SetChecked(Ctl::PlusCheck, true);
        CheckRadio(form, Ctl::Sl3Radio);
        for (Ctl c : {Ctl::PlusCheck, Ctl::Sl1Radio, Ctl::Sl3Radio, Ctl::ShowAesCheck})
            form.Enable(c, true);
        for (Ctl c :
             {Ctl::AesAuthCheck, Ctl::Crypto1KeyLabel, Ctl::Crypto1KeyEdit, Ctl::ShowCrypto1Check})
            form.Enable(c, false);
        form.SetChecked(Ctl::ShowCrypto1Check, false);
        form.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    }
}

}  // namespace

RecordSettings ReadRecordSettings(const FormView& form, const FormValues& values) {
    const CardSettings card = ReadCardSettings(form, values);
    RecordSettings s;
    s.TC = std::string_view(card.cardType == CardType::Sl1   ? "SL1"
                            : card.cardType == CardType::Sl3 ? "SL3"
                                                             : "Cls");
    s.AA = std::string(1, card.aesAuth.value_or(false) ? 'V' : 'X');
    // A group with nothing checked is written as its first button, so that
    // a record always gets a valid code.
    s.OI = std::to_string(card.reader.interfaceIndex.value_or(0));
    s.LL = std::to_string(card.reader.indicationIndex.value_or(0));
    s.DI = std::to_string(card.reader.standbyIndex.value_or(0));
    s.SB = std::to_string(card.reader.touchPollIndex.value_or(0));
    s.WM = std::to_string(card.workMode ? ItemOf(*card.workMode) : 0);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", card.sector);
    s.SN = number;
    s.BN = std::to_string(card.block);
    return s;
}

void ApplyKeyRecord(const KeyRecord& record, AppContext& app) {
    PutRecordCardType(app.form, record.TC);
    CardSettings card;
    if (record.AA == "V")
        card.aesAuth = true;
    else if (record.AA == "X")
        card.aesAuth = false;
    // Codes outside a group's list change nothing.
    card.reader = {CodeDigit(record.OI), CodeDigit(record.LL), CodeDigit(record.DI),
                   CodeDigit(record.SB)};
    if (const auto digit = CodeDigit(record.WM)) card.workMode = WorkModeOfItem(*digit);
    // A damaged record must not carry a sector or block the card does not
    // have into a card command; ApplyCardSettings holds both to the ranges.
    card.sector = LeadingNumber(record.SN);
    card.block = LeadingNumber(record.BN);
    card.crypto1Key = WholeKey<6>(record.M_KEY);
    card.aesKey = WholeKey<16>(record.A_KEY);
    ApplyCardSettings(app, card);
}

}  // namespace tollvane
