#include "app/card_settings.h"

#include <algorithm>
#include <span>

#include "app/form_controls.h"
#include "app/form_rules.h"
#include "carddata/converter.h"
#include "carddata/hex_text.h"

namespace tollvane {

namespace {

// A reader setting is the index of the radio checked in its group.
struct RadioGroup {
    std::span<const Ctl> radios;
    std::optional<int> ReaderSettings::*index;
};

constexpr RadioGroup kReaderGroups[] = {
    {kInterfaceRadios, &ReaderSettings::interfaceIndex},
    {kIndicationRadios, &ReaderSettings::indicationIndex},
    {kStandbyRadios, &ReaderSettings::standbyIndex},
    {kTouchPollRadios, &ReaderSettings::touchPollIndex},
};

std::optional<int> FirstCheckedOf(const FormView& form, const RadioGroup& group) {
    for (std::size_t i = 0; i < group.radios.size(); ++i)
        if (form.IsChecked(group.radios[i])) return static_cast<int>(i);
    return std::nullopt;
}

// Only check marks change; the form rule applied afterwards reads them.
void PutCardType(FormView& form, CardType type) {
    form.SetChecked(Ctl::ClassicCheck, type == CardType::Classic);
    form.SetChecked(Ctl::PlusCheck, type != CardType::Classic);
    form.SetChecked(Ctl::Sl1Radio, type == CardType::Sl1);
    form.SetChecked(Ctl::Sl3Radio, type == CardType::Sl3);
}

}  // namespace

CardSettings ReadCardSettings(const FormView& form, const FormValues& values) {
    CardSettings s;
    if (form.IsChecked(Ctl::ClassicCheck))
        s.cardType = CardType::Classic;
    else if (form.IsChecked(Ctl::Sl1Radio))
        s.cardType = CardType::Sl1;
    else if (form.IsChecked(Ctl::Sl3Radio))
        s.cardType = CardType::Sl3;
    s.aesAuth = form.IsChecked(Ctl::AesAuthCheck);
    s.workMode = WorkModeOfItem(form.Selection(Ctl::WorkModeCombo));
    s.sector = values.sectorNumber;
    s.block = values.blockNumber;
    for (const RadioGroup& group : kReaderGroups)
        s.reader.*group.index = FirstCheckedOf(form, group);
    s.crypto1Key = values.crypto1Key;
    s.aesKey = values.aesKey;
    return s;
}

void ApplyCardSettings(AppContext& app, const CardSettings& s) {
    FormView& form = app.form;
    if (s.cardType) PutCardType(form, *s.cardType);
    if (s.aesAuth) form.SetChecked(Ctl::AesAuthCheck, *s.aesAuth);
    for (const RadioGroup& group : kReaderGroups) {
        const std::optional<int>& n = s.reader.*group.index;
        if (n && *n >= 0 && *n < static_cast<int>(group.radios.size()))
            CheckRadio(form, group.radios[*n]);
    }
    // The role is the one chosen on the form: the layout must fit what the
    // operator is about to do next.
    if (s.workMode) {
        ApplyFormRule(app, form.Selection(Ctl::RoleCombo) * 10 + ItemOf(*s.workMode));
        form.SetSelection(Ctl::WorkModeCombo, ItemOf(*s.workMode));
    }
    // The up-downs cannot show a sector or block outside their ranges, and
    // the next write sends what the form shows: damaged settings from a card
    // or a record are held to the ranges.
    app.values.sectorNumber = std::clamp(s.sector, kSectorRange.low, kSectorRange.high);
    form.SetUpDownPos(kSectorRange.upDown, app.values.sectorNumber);
    app.values.blockNumber = std::clamp(s.block, kBlockRange.low, kBlockRange.high);
    form.SetUpDownPos(kBlockRange.upDown, app.values.blockNumber);
    if (s.crypto1Key) SetHexField(app, Ctl::Crypto1KeyEdit, *s.crypto1Key);
    if (s.aesKey) SetHexField(app, Ctl::AesKeyEdit, *s.aesKey);
}

FormSnapshot SnapshotOf(const CardSettings& s, const std::array<std::uint8_t, 7>& uniqueData) {
    FormSnapshot f;
    f.classicChecked = s.cardType == CardType::Classic;
    f.sl1Checked = s.cardType == CardType::Sl1;
    f.sl3Checked = s.cardType == CardType::Sl3;
    f.aesAuthChecked = s.aesAuth.value_or(false);
    const ReaderSettings& r = s.reader;
    f.ifTouchMemory = r.interfaceIndex == 0;
    f.ifW26 = r.interfaceIndex == 1;
    f.ifW44 = r.interfaceIndex == 2;
    f.ifW58 = r.interfaceIndex == 3;
    f.indDirect = r.indicationIndex == 0;
    f.indInverse = r.indicationIndex == 1;
    f.standbyDynamic = r.standbyIndex == 0;
    f.standbyStatic = r.standbyIndex == 1;
    f.standbyOff = r.standbyIndex == 2;
    f.touchPollOn = r.touchPollIndex == 0;
    f.touchPollOff = r.touchPollIndex == 1;
    f.workModeIndex = s.workMode ? ItemOf(*s.workMode) : -1;
    f.sectorNumber = s.sector;
    f.blockNumber = s.block;
    if (s.crypto1Key) f.crypto1Key = *s.crypto1Key;
    if (s.aesKey) f.aesKey = *s.aesKey;
    f.uniqueData = uniqueData;
    return f;
}

HexFieldValue KeptValueOf(AppContext& app, Ctl edit) {
    FormValues& v = app.values;
    switch (edit) {
        case Ctl::Crypto1KeyEdit: return {v.crypto1Key, v.crypto1KeyText, v.crypto1Filter};
        case Ctl::AesKeyEdit: return {v.aesKey, v.aesKeyText, v.aesFilter};
        default: return {v.uniqueData, v.uniqueDataText, v.uniqueFilter};
    }
}

void SetHexField(AppContext& app, Ctl edit, std::span<const std::uint8_t> bytes) {
    const HexFieldValue value = KeptValueOf(app, edit);
    std::copy_n(bytes.begin(), std::min(bytes.size(), value.bytes.size()), value.bytes.begin());
    value.text = FormatHexBytes(value.bytes.data(), value.bytes.size());
    app.form.SetText(edit, value.text);
    if (edit == Ctl::SectorDataEdit) RefreshConverterFields(app);
}

void RefreshConverterFields(AppContext& app) {
    const ConverterTexts texts =
        RefreshConverter(app.values.uniqueData, app.values.converterFormat);
    app.form.SetText(Ctl::TouchMemoryEdit, texts.touchMemory);
    app.form.SetText(Ctl::HexEdit, texts.hex);
    app.form.SetText(Ctl::DecEdit, texts.dec);
}

}  // namespace tollvane
