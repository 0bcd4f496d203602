#include "app/form_rules.h"

#include <array>
#include <initializer_list>
#include <optional>

#include "app/card_settings.h"
#include "app/form_controls.h"
#include "carddata/converter.h"

namespace tollvane {

namespace {

// What a layout does to one aspect of one control. "Keep" leaves it as it
// is; the conditional cells read the boxes as they were when the rule began.
enum class Cell : unsigned char {
    Keep,
    On,
    Off,
    OffIfClassic,      // off if Classic, else kept
    OnIfClassicOrSl1,  // on if Classic or Sl1, else kept
    OnUnlessSl3,       // on, but kept if Sl3
    OnIfUnique,        // on if Unique, else off
    OffIfUnique,       // off if Unique, else on
    OffCleared,        // off, and the box cleared
};

enum class Aspect : unsigned char { Enabled, Shown };

struct LayoutRow {
    Ctl ctl;
    Aspect aspect;
    std::array<Cell, 6> cells;  // by Layout
};

using enum Cell;
using enum Ctl;
constexpr Aspect E = Aspect::Enabled;
constexpr Aspect S = Aspect::Shown;  // On = shown, Off = hidden

// clang-format off
constexpr LayoutRow kLayoutTable[] = {
    //                               MasterCardId  MasterSectorData  MasterIdAfterLogin  UserCardId    UserSectorData  UserIdAfterLogin
    {WriteButton,            E, {On,           On,               On,                 OffIfClassic, On,             On}},
    {ReadButton,             E, {On,           On,               On,                 Off,          On,             On}},
    {ClearButton,            E, {On,           On,               On,                 Off,          On,             On}},
    {ClearCyclicButton,      E, {On,           On,               On,                 Off,          On,             On}},
    {WriteCyclicButton,      E, {Off,          Off,              Off,                OffIfClassic, OnIfUnique,     On}},
    {WorkModeCombo,          E, {On,           On,               On,                 Off,          Off,            Off}},
    {SectorLabel,            E, {Off,          On,               On,                 Off,          On,             On}},
    {SectorUpDown,           E, {Off,          On,               On,                 Off,          Off,            Off}},
    {SectorEdit,             E, {Off,          On,               On,                 Off,          Off,            Off}},
    {BlockLabel,             E, {Off,          On,               Off,                Off,          On,             Off}},
    {BlockUpDown,            E, {Off,          On,               Off,                Off,          Off,            Off}},
    {BlockEdit,              E, {Off,          On,               Off,                Off,          Off,            Off}},
    {Crypto1KeyLabel,        E, {Off,          OnIfClassicOrSl1, OnIfClassicOrSl1,   Off,          On,             On}},
    {Crypto1KeyEdit,         E, {Off,          OnIfClassicOrSl1, OnIfClassicOrSl1,   Off,          Off,            Off}},
    {ShowCrypto1Check,       E, {Off,          OnIfClassicOrSl1, OnIfClassicOrSl1,   Off,          OnUnlessSl3,    OnUnlessSl3}},
    {GenerateRandomButton,   E, {OffIfClassic, On,               On,                 Off,          Off,            Off}},
    {AddToListButton,        E, {On,           On,               On,                 Off,          Off,            Off}},
    {ShowListButton,         E, {On,           On,               On,                 On,           On,             On}},

    {UserGroup,              S, {Off,          Off,              Off,                On,           On,             On}},
    {SectorDataLabel,        S, {Off,          Off,              Off,                On,           On,             On}},
    {SectorDataEdit,         S, {Off,          Off,              Off,                On,           On,             On}},
    {GenerateUniqueButton,   S, {Off,          Off,              Off,                On,           On,             On}},
    {UniqueBeforeWriteCheck, S, {Off,          Off,              Off,                On,           On,             On}},
    {SectorDataLabel,        E, {Keep,         Keep,             Keep,               Off,          On,             Off}},
    {SectorDataEdit,         E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {GenerateUniqueButton,   E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {UniqueBeforeWriteCheck, E, {Keep,         Keep,             Keep,               OffCleared,   On,             Off}},

    {ConverterGroup,         S, {Off,          Off,              Off,                On,           On,             On}},
    {TouchMemoryLabel,       S, {Off,          Off,              Off,                On,           On,             On}},
    {TouchMemoryEdit,        S, {Off,          Off,              Off,                On,           On,             On}},
    {HexLabel,               S, {Off,          Off,              Off,                On,           On,             On}},
    {HexEdit,                S, {Off,          Off,              Off,                On,           On,             On}},
    {DecLabel,               S, {Off,          Off,              Off,                On,           On,             On}},
    {DecEdit,                S, {Off,          Off,              Off,                On,           On,             On}},
    {ReaderInterfaceGroup,   S, {Off,          Off,              Off,                On,           On,             On}},
    {ConvTmW44Radio,         S, {Off,          Off,              Off,                On,           On,             On}},
    {ConvW26Radio,           S, {Off,          Off,              Off,                On,           On,             On}},
    {ConvW58Radio,           S, {Off,          Off,              Off,                On,           On,             On}},
    {TouchMemoryLabel,       E, {Keep,         Keep,             Keep,               Off,          On,             Off}},
    {HexLabel,               E, {Keep,         Keep,             Keep,               Off,          On,             Off}},
    {DecLabel,               E, {Keep,         Keep,             Keep,               Off,          On,             Off}},
    {TouchMemoryEdit,        E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {HexEdit,                E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {DecEdit,                E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {ConvTmW44Radio,         E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {ConvW26Radio,           E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},
    {ConvW58Radio,           E, {Keep,         Keep,             Keep,               Off,          OffIfUnique,    Off}},

    {ReaderSettingsGroup,    S, {On,           On,               On,                 Off,          Off,            Off}},
    {InterfacesGroup,        S, {On,           On,               On,                 Off,          Off,            Off}},
    {IndicationGroup,        S, {On,           On,               On,                 Off,          Off,            Off}},
    {StandbyGroup,           S, {On,           On,               On,                 Off,          Off,            Off}},
    {TouchPollGroup,         S, {On,           On,               On,                 Off,          Off,            Off}},
    {IfTouchMemoryRadio,     S, {On,           On,               On,                 Off,          Off,            Off}},
    {IfW26Radio,             S, {On,           On,               On,                 Off,          Off,            Off}},
    {IfW44Radio,             S, {On,           On,               On,                 Off,          Off,            Off}},
    {IfW58Radio,             S, {On,           On,               On,                 Off,          Off,            Off}},
    {IndDirectRadio,         S, {On,           On,               On,                 Off,          Off,            Off}},
    {IndInverseRadio,        S, {On,           On,               On,                 Off,          Off,            Off}},
    {StandbyDynamicRadio,    S, {On,           On,               On,                 Off,          Off,            Off}},
    {StandbyStaticRadio,     S, {On,           On,               On,                 Off,          Off,            Off}},
    {StandbyOffRadio,        S, {On,           On,               On,                 Off,          Off,            Off}},
    {TouchPollOnRadio,       S, {On,           On,               On,                 Off,          Off,            Off}},
    {TouchPollOffRadio,      S, {On,           On,               On,                 Off,          Off,            Off}},
};
// clang-format on

// The controls that "Generate unique data before write" locks: the data
// field, its button and the converter.
constexpr Ctl kUniqueLocked[] = {SectorDataEdit,       TouchMemoryEdit, HexEdit,      DecEdit,
                                 GenerateUniqueButton, ConvTmW44Radio,  ConvW26Radio, ConvW58Radio};

// The controls that only a Master role with a Mifare Classic card leaves
// usable; the User rules turn them off.
constexpr Ctl kCardTypeControls[] = {ClassicCheck, PlusCheck,    Sl1Radio,
                                     Sl3Radio,     AesAuthCheck, AesKeyEdit};

void EnableAll(FormView& form, std::initializer_list<Ctl> ctls, bool on) {
    for (Ctl c : ctls) form.Enable(c, on);
}

// Clears a "Show Key" box that is checked and hides its key again.
void HideKeyIfShown(FormView& form, Ctl check, Ctl edit) {
    if (!form.IsChecked(check)) return;
    form.SetChecked(check, false);
    form.SetPasswordMask(edit, true);
}

void SetSector(AppContext& app, int sector) {
    app.values.sectorNumber = sector;
    app.form.SetUpDownPos(SectorUpDown, sector);
}

void SetBlock(AppContext& app, int block) {
    app.values.blockNumber = block;
    app.form.SetUpDownPos(BlockUpDown, block);
}

// Clearing "Generate unique data before write" unlocks the data field and
// the converter, and a cyclic write is then no longer offered.
void ClearUniqueBeforeWrite(FormView& form) {
    form.SetChecked(UniqueBeforeWriteCheck, false);
    form.Enable(WriteCyclicButton, false);
    for (Ctl c : kUniqueLocked) form.Enable(c, true);
}

}  // namespace

void CheckRadio(FormView& form, Ctl chosen) {
    for (Ctl radio : RadioGroupOf(chosen)) form.SetChecked(radio, radio == chosen);
}

void ApplyLayout(AppContext& app, Layout layout) {
    FormView& form = app.form;
    const bool classic = form.IsChecked(ClassicCheck);
    const bool sl1 = form.IsChecked(Sl1Radio);
    const bool sl3 = form.IsChecked(Sl3Radio);
    const bool unique = form.IsChecked(UniqueBeforeWriteCheck);

    for (const LayoutRow& row : kLayoutTable) {
        std::optional<bool> value;
        switch (row.cells[static_cast<int>(layout)]) {
            case Keep: break;
            case On: value = true; break;
            case Off: value = false; break;
            case OffIfClassic:
                if (classic) value = false;
                break;
            case OnIfClassicOrSl1:
                if (classic || sl1) value = true;
                break;
            case OnUnlessSl3:
                if (!sl3) value = true;
                break;
            case OnIfUnique: value = unique; break;
            case OffIfUnique: value = !unique; break;
            case OffCleared:
                value = false;
                form.SetChecked(row.ctl, false);
                break;
        }
        if (!value) continue;
        if (row.aspect == Aspect::Enabled)
            form.Enable(row.ctl, *value);
        else
            form.Show(row.ctl, *value);
    }
}

int FormRuleCode(const FormView& form) {
    return form.Selection(RoleCombo) * 10 + form.Selection(WorkModeCombo);
}

void ApplyFormRule(AppContext& app, int code) {
    FormView& form = app.form;
    switch (code) {
        case 0:
        case 1:
        case 2:
        case 3:
            EnableAll(form, {ClassicCheck, PlusCheck}, true);
            if (form.IsChecked(PlusCheck)) {
                EnableAll(form,
                          {Sl1Radio, Sl3Radio, AesKeyLabel, AesKeyEdit, ShowAesCheck,
                           GenerateRandomButton},
                          true);
                if (form.IsChecked(Sl1Radio)) form.Enable(AesAuthCheck, true);
            }
            if (form.IsChecked(UniqueBeforeWriteCheck)) ClearUniqueBeforeWrite(form);
            if (code == 0) {
                SetSector(app, 1);
                SetBlock(app, 0);
                ResetCrypto1Key(app);
                HideKeyIfShown(form, ShowCrypto1Check, Crypto1KeyEdit);
                ApplyLayout(app, Layout::MasterCardId);
            } else if (code == 2) {
                SetBlock(app, 0);
                ApplyLayout(app, Layout::MasterCardIdAfterLogin);
            } else {
                ApplyLayout(app, Layout::MasterSectorData);
            }
            break;
        case 10:
            if (form.IsChecked(ClassicCheck)) {
                EnableAll(form, {AesKeyLabel, ShowAesCheck}, false);
                ResetAesKey(app);
                HideKeyIfShown(form, ShowAesCheck, AesKeyEdit);
            }
            if (form.IsChecked(PlusCheck)) EnableAll(form, {WriteButton, WriteCyclicButton}, true);
            for (Ctl c : kCardTypeControls) form.Enable(c, false);
            ApplyLayout(app, Layout::UserCardId);
            break;
        case 11:
        case 12:
        case 13:
            for (Ctl c : kCardTypeControls) form.Enable(c, false);
            if (form.IsChecked(PlusCheck)) form.Enable(ShowAesCheck, true);
            ApplyLayout(app, code == 12 ? Layout::UserCardIdAfterLogin : Layout::UserSectorData);
            break;
        default: break;
    }
}

void SelectClassic(AppContext& app) {
    FormView& form = app.form;
    form.SetChecked(PlusCheck, false);
    form.SetChecked(ClassicCheck, true);

    EnableAll(form, {Sl1Radio, Sl3Radio, AesAuthCheck}, false);
    CheckRadio(form, Sl1Radio);
    form.SetChecked(AesAuthCheck, false);

    EnableAll(form, {AesKeyLabel, AesKeyEdit, ShowAesCheck}, false);
    ResetAesKey(app);
    HideKeyIfShown(form, ShowAesCheck, AesKeyEdit);

    const bool cardIdMode = form.Selection(WorkModeCombo) == 0;
    if (cardIdMode) form.Enable(GenerateRandomButton, false);
    EnableAll(form, {ClearButton, ClearCyclicButton}, true);
    if (!cardIdMode) EnableAll(form, {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check}, true);
}

void ResetMasterPart(AppContext& app) {
    FormView& form = app.form;
    form.SetSelection(WorkModeCombo, 0);
    SetSector(app, 1);
    SetBlock(app, 0);
    EnableAll(form,
              {SectorLabel, SectorUpDown, SectorEdit, BlockLabel, BlockUpDown, BlockEdit,
               Crypto1KeyLabel, Crypto1KeyEdit},
              false);
    ResetCrypto1Key(app);
    form.Enable(ShowCrypto1Check, false);
    form.SetChecked(ShowCrypto1Check, false);
    form.SetPasswordMask(Crypto1KeyEdit, true);

    CheckRadio(form, IfTouchMemoryRadio);
    CheckRadio(form, IndDirectRadio);
    CheckRadio(form, StandbyOffRadio);
    CheckRadio(form, TouchPollOffRadio);
}

void ResetForm(AppContext& app) {
    app.reader = ReaderInfo{};  // 'X', version 0: unknown
    CheckRadio(app.form, IfTouchMemoryRadio);
    CheckRadio(app.form, ConvTmW44Radio);
    app.values.converterFormat = kConverterTmW44;
    RefreshConverterFields(app);
    ResetMasterPart(app);
    SelectClassic(app);
}

void ClickPlus(AppContext& app) {
    app.form.SetChecked(ClassicCheck, false);
    app.form.SetChecked(PlusCheck, true);
    EnableAll(app.form,
              {Sl1Radio, Sl3Radio, AesAuthCheck, AesKeyLabel, AesKeyEdit, ShowAesCheck,
               GenerateRandomButton},
              true);
}

void ClickSl1(AppContext& app) {
    EnableAll(app.form, {AesAuthCheck, ClearButton, ClearCyclicButton}, true);
    if (app.form.Selection(WorkModeCombo) != 0)
        EnableAll(app.form, {Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check}, true);
}

void ClickSl3(AppContext& app) {
    FormView& form = app.form;
    form.SetChecked(AesAuthCheck, false);
    EnableAll(form, {AesAuthCheck, Crypto1KeyLabel, Crypto1KeyEdit, ShowCrypto1Check}, false);
    ResetCrypto1Key(app);
    HideKeyIfShown(form, ShowCrypto1Check, Crypto1KeyEdit);
}

void ClickAesAuth(AppContext& app) {
    app.form.SetChecked(AesAuthCheck, !app.form.IsChecked(AesAuthCheck));
}

void ClickShowKey(AppContext& app, Ctl check, Ctl edit) {
    const bool show = !app.form.IsChecked(check);
    app.form.SetChecked(check, show);
    app.form.SetPasswordMask(edit, !show);
}

void ClickUniqueBeforeWrite(AppContext& app) {
    FormView& form = app.form;
    if (form.IsChecked(UniqueBeforeWriteCheck)) {
        ClearUniqueBeforeWrite(form);
        return;
    }
    form.SetChecked(UniqueBeforeWriteCheck, true);
    form.Enable(WriteCyclicButton, true);
    for (Ctl c : kUniqueLocked) form.Enable(c, false);
}

void ResetCrypto1Key(AppContext& app) {
    constexpr std::array<std::uint8_t, 6> kAllFF{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    SetHexField(app, Crypto1KeyEdit, kAllFF);
}

void ResetAesKey(AppContext& app) {
    std::array<std::uint8_t, 16> allFF;
    allFF.fill(0xFF);
    SetHexField(app, AesKeyEdit, allFF);
}

}  // namespace tollvane
