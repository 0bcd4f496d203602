#include "app/form_controls.h"

#include <algorithm>

namespace tollvane {

namespace {

using enum Ctl;
using enum ControlKind;
// Start states: shown and enabled (On), shown and disabled (Off), hidden.
constexpr unsigned char kOn = kStartsShown, kOff = kStartsDisabled, kHidden = kStartsHidden;
constexpr unsigned char kOnChecked = kStartsChecked, kOffChecked = kStartsDisabled | kStartsChecked;
constexpr unsigned char kHiddenChecked = kStartsHidden | kStartsChecked;

// clang-format off
constexpr FormControlInfo kMainForm[] = {
    {SettingsGroup,          Group,  Msg::kSettingsGroup,          nullptr,                              kOn},
    {PortLabel,              Label,  Msg::kPortLabel,              nullptr,                              kOn},
    {PortCombo,              Combo,  kNoText,                      nullptr,                              kOn},
    {SearchButton,           Push,   Msg::kSearchButton,           nullptr,                              kOn},
    {VersionLabel,           Label,  Msg::kVersionLabel,           nullptr,                              kOn},
    {VersionValue,           Label,  kNoText,                      "x.xx",                               kOn},

    {CardTypeGroup,          Group,  Msg::kCardTypeGroup,          nullptr,                              kOn},
    {ClassicCheck,           Check,  kNoText,                      "Mifare Classic",                     kOnChecked},
    {PlusCheck,              Check,  kNoText,                      "Mifare Plus",                        kOn},
    {Sl1Radio,               Radio,  kNoText,                      "[SL1] -> Mifare Classic (Crypto1)",  kOffChecked},
    {Sl3Radio,               Radio,  kNoText,                      "[SL3] -> Mifare Plus (AES128)",      kOff},
    {AesAuthCheck,           Check,  Msg::kAesAuthCheck,           nullptr,                              kOff},

    {CardGroup,              Group,  Msg::kCardGroup,              nullptr,                              kOn},
    {RoleLabel,              Label,  Msg::kRoleLabel,              nullptr,                              kOn},
    {RoleCombo,              Combo,  kNoText,                      nullptr,                              kOn},
    {WriteButton,            Push,   Msg::kWriteButton,            nullptr,                              kOn},
    {ReadButton,             Push,   Msg::kReadButton,             nullptr,                              kOn},
    {ClearButton,            Push,   Msg::kClearButton,            nullptr,                              kOn},
    {WriteCyclicButton,      Push,   Msg::kWriteCyclicButton,      nullptr,                              kOff},
    {ClearCyclicButton,      Push,   Msg::kClearCyclicButton,      nullptr,                              kOn},

    {MasterGroup,            Group,  Msg::kMasterGroup,            nullptr,                              kOn},
    {WorkModeLabel,          Label,  Msg::kWorkModeLabel,          nullptr,                              kOn},
    {WorkModeCombo,          Combo,  kNoText,                      nullptr,                              kOn},
    {SectorLabel,            Label,  Msg::kSectorLabel,            nullptr,                              kOff},
    {SectorUpDown,           UpDown, kNoText,                      nullptr,                              kOff},
    {SectorEdit,             Edit,   kNoText,                      "1",                                  kOff},
    {BlockLabel,             Label,  Msg::kBlockLabel,             nullptr,                              kOff},
    {BlockUpDown,            UpDown, kNoText,                      nullptr,                              kOff},
    {BlockEdit,              Edit,   kNoText,                      "0",                                  kOff},
    {Crypto1KeyLabel,        Label,  Msg::kCrypto1KeyLabel,        nullptr,                              kOff},
    {Crypto1KeyEdit,         Edit,   kNoText,                      "FF FF FF FF FF FF",                  kOff},
    {ShowCrypto1Check,       Check,  Msg::kShowKey,                nullptr,                              kOff},
    {AesKeyLabel,            Label,  Msg::kAesKeyLabel,            nullptr,                              kOff},
    {AesKeyEdit,             Edit,   kNoText,                      "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF", kOff},
    {ShowAesCheck,           Check,  Msg::kShowKey,                nullptr,                              kOff},
    {GenerateRandomButton,   Push,   Msg::kGenerateRandomButton,   nullptr,                              kOff},
    {AddToListButton,        Push,   Msg::kAddToListButton,        nullptr,                              kOn},
    {ShowListButton,         Push,   Msg::kShowListButton,         nullptr,                              kOn},

    {UserGroup,              Group,  Msg::kUserGroup,              nullptr,                              kHidden},
    {SectorDataLabel,        Label,  Msg::kSectorDataLabel,        nullptr,                              kHidden},
    {SectorDataEdit,         Edit,   kNoText,                      "11 22 33 44 55 66 77",               kHidden},
    {GenerateUniqueButton,   Push,   Msg::kGenerateUniqueButton,   nullptr,                              kHidden},
    {UniqueBeforeWriteCheck, Check,  Msg::kUniqueBeforeWriteCheck, nullptr,                              kHidden},

    {ConverterGroup,         Group,  Msg::kConverterGroup,         nullptr,                              kHidden},
    {TouchMemoryLabel,       Label,  kNoText,                      "Touch Memory: ",                     kHidden},
    {TouchMemoryEdit,        Edit,   kNoText,                      nullptr,                              kHidden},
    {HexLabel,               Label,  kNoText,                      "HEX: ",                              kHidden},
    {HexEdit,                Edit,   kNoText,                      nullptr,                              kHidden},
    {DecLabel,               Label,  kNoText,                      "DEC: ",                              kHidden},
    {DecEdit,                Edit,   kNoText,                      nullptr,                              kHidden},
    {ReaderInterfaceGroup,   Group,  Msg::kReaderInterfaceGroup,   nullptr,                              kHidden},
    {ConvTmW44Radio,         Radio,  kNoText,                      "Touch Memory, Wiegand 44",           kHiddenChecked},
    {ConvW26Radio,           Radio,  kNoText,                      "Wiegand 26",                         kHidden},
    {ConvW58Radio,           Radio,  kNoText,                      "Wiegand 58",                         kHidden},

    {ReaderSettingsGroup,    Group,  Msg::kReaderSettingsGroup,    nullptr,                              kOn},
    {InterfacesGroup,        Group,  Msg::kInterfacesGroup,        nullptr,                              kOn},
    {IfTouchMemoryRadio,     Radio,  kNoText,                      "Touch Memory",                       kOnChecked},
    {IfW26Radio,             Radio,  kNoText,                      "Wiegand 26",                         kOn},
    {IfW44Radio,             Radio,  kNoText,                      "Wiegand 44",                         kOn},
    {IfW58Radio,             Radio,  kNoText,                      "Wiegand 58",                         kOn},
    {IndicationGroup,        Group,  Msg::kIndicationGroup,        nullptr,                              kOn},
    {IndDirectRadio,         Radio,  Msg::kIndDirectRadio,         nullptr,                              kOnChecked},
    {IndInverseRadio,        Radio,  Msg::kIndInverseRadio,        nullptr,                              kOn},
    {StandbyGroup,           Group,  Msg::kStandbyGroup,           nullptr,                              kOn},
    {StandbyDynamicRadio,    Radio,  Msg::kStandbyDynamicRadio,    nullptr,                              kOn},
    {StandbyStaticRadio,     Radio,  Msg::kStandbyStaticRadio,     nullptr,                              kOn},
    {StandbyOffRadio,        Radio,  Msg::kStandbyOffRadio,        nullptr,                              kOnChecked},
    {TouchPollGroup,         Group,  Msg::kTouchPollGroup,         nullptr,                              kOn},
    {TouchPollOnRadio,       Radio,  Msg::kTouchPollOnRadio,       nullptr,                              kOn},
    {TouchPollOffRadio,      Radio,  Msg::kTouchPollOffRadio,      nullptr,                              kOnChecked},
};
// clang-format on

constexpr std::span<const Ctl> kRadioGroups[] = {kSecurityLevelRadios, kInterfaceRadios,
                                                 kIndicationRadios,    kStandbyRadios,
                                                 kTouchPollRadios,     kConverterRadios};

}  // namespace

std::span<const FormControlInfo> MainFormControls() { return kMainForm; }

std::span<const Ctl> RadioGroupOf(Ctl radio) {
    for (std::span<const Ctl> group : kRadioGroups)
        if (std::find(group.begin(), group.end(), radio) != group.end()) return group;
    return {};
}

void PutStartState(FormView& form) {
    for (const FormControlInfo& row : kMainForm) {
        if (row.fixedText && row.kind != Edit) form.SetText(row.ctl, row.fixedText);
        form.Show(row.ctl, row.StartsShown());
        form.Enable(row.ctl, row.StartsEnabled());
        if (row.kind == Check || row.kind == Radio) form.SetChecked(row.ctl, row.StartsChecked());
    }
}

}  // namespace tollvane
