#include "app/form_texts.h"

namespace tollvane {

namespace {

struct ControlText {
    Ctl ctl;
    Msg text;
};

constexpr ControlText kTableTexts[] = {
    {Ctl::SettingsGroup, Msg::kSettingsGroup},
    {Ctl::CardTypeGroup, Msg::kCardTypeGroup},
    {Ctl::CardGroup, Msg::kCardGroup},
    {Ctl::MasterGroup, Msg::kMasterGroup},
    {Ctl::UserGroup, Msg::kUserGroup},
    {Ctl::ConverterGroup, Msg::kConverterGroup},
    {Ctl::ReaderInterfaceGroup, Msg::kReaderInterfaceGroup},
    {Ctl::ReaderSettingsGroup, Msg::kReaderSettingsGroup},
    {Ctl::InterfacesGroup, Msg::kInterfacesGroup},
    {Ctl::IndicationGroup, Msg::kIndicationGroup},
    {Ctl::StandbyGroup, Msg::kStandbyGroup},
    {Ctl::TouchPollGroup, Msg::kTouchPollGroup},
    {Ctl::PortLabel, Msg::kPortLabel},
    {Ctl::VersionLabel, Msg::kVersionLabel},
    {Ctl::RoleLabel, Msg::kRoleLabel},
    {Ctl::WorkModeLabel, Msg::kWorkModeLabel},
    {Ctl::SectorLabel, Msg::kSectorLabel},
    {Ctl::BlockLabel, Msg::kBlockLabel},
    {Ctl::Crypto1KeyLabel, Msg::kCrypto1KeyLabel},
    {Ctl::AesKeyLabel, Msg::kAesKeyLabel},
    {Ctl::SectorDataLabel, Msg::kSectorDataLabel},
    {Ctl::SearchButton, Msg::kSearchButton},
    {Ctl::WriteButton, Msg::kWriteButton},
    {Ctl::ReadButton, Msg::kReadButton},
    {Ctl::ClearButton, Msg::kClearButton},
    {Ctl::WriteCyclicButton, Msg::kWriteCyclicButton},
    {Ctl::ClearCyclicButton, Msg::kClearCyclicButton},
    {Ctl::GenerateRandomButton, Msg::kGenerateRandomButton},
    {Ctl::AddToListButton, Msg::kAddToListButton},
    {Ctl::ShowListButton, Msg::kShowListButton},
    {Ctl::GenerateUniqueButton, Msg::kGenerateUniqueButton},
    {Ctl::AesAuthCheck, Msg::kAesAuthCheck},
    {Ctl::ShowCrypto1Check, Msg::kShowKey},
    {Ctl::ShowAesCheck, Msg::kShowKey},
    {Ctl::UniqueBeforeWriteCheck, Msg::kUniqueBeforeWriteCheck},
    {Ctl::IndDirectRadio, Msg::kIndDirectRadio},
    {Ctl::IndInverseRadio, Msg::kIndInverseRadio},
    {Ctl::StandbyDynamicRadio, Msg::kStandbyDynamicRadio},
    {Ctl::StandbyStaticRadio, Msg::kStandbyStaticRadio},
    {Ctl::StandbyOffRadio, Msg::kStandbyOffRadio},
    {Ctl::TouchPollOnRadio, Msg::kTouchPollOnRadio},
    {Ctl::TouchPollOffRadio, Msg::kTouchPollOffRadio},
};

struct FixedText {
    Ctl ctl;
    const char* text;
};

constexpr FixedText kFixedTexts[] = {
    {Ctl::ClassicCheck, "Mifare Classic"},
    {Ctl::PlusCheck, "Mifare Plus"},
    {Ctl::Sl1Radio, "[SL1] -> Mifare Classic (Crypto1)"},
    {Ctl::Sl3Radio, "[SL3] -> Mifare Plus (AES128)"},
    {Ctl::TouchMemoryLabel, "Touch Memory: "},
    {Ctl::HexLabel, "HEX: "},
    {Ctl::DecLabel, "DEC: "},
    {Ctl::ConvTmW44Radio, "Touch Memory, Wiegand 44"},
    {Ctl::ConvW26Radio, "Wiegand 26"},
    {Ctl::ConvW58Radio, "Wiegand 58"},
    {Ctl::IfTouchMemoryRadio, "Touch Memory"},
    {Ctl::IfW26Radio, "Wiegand 26"},
    {Ctl::IfW44Radio, "Wiegand 44"},
    {Ctl::IfW58Radio, "Wiegand 58"},
};

constexpr Msg kRoleItems[] = {Msg::kRoleMaster, Msg::kRoleUser};
constexpr Msg kWorkModeItems[] = {Msg::kWorkModeCardId, Msg::kWorkModeSectorData, Msg::kWorkModeCardIdLoggedIn,
                                  Msg::kWorkModeSectorDataDecrypt};

template <std::size_t N>
void Refill(AppContext& app, Ctl combo, const Msg (&items)[N]) {
    const int selected = app.form.Selection(combo);
    app.form.ResetContent(combo);
    for (Msg item : items) app.form.AddItem(combo, app.texts[item]);
    app.form.SetSelection(combo, selected);
}

}  // namespace

void PutFormTexts(AppContext& app) {
    for (const ControlText& entry : kTableTexts) app.form.SetText(entry.ctl, app.texts[entry.text]);
}

void PutFixedTexts(FormView& form) {
    for (const FixedText& entry : kFixedTexts) form.SetText(entry.ctl, entry.text);
}

void RefillCombos(AppContext& app) {
    Refill(app, Ctl::RoleCombo, kRoleItems);
    Refill(app, Ctl::WorkModeCombo, kWorkModeItems);
}

std::string MainWindowTitle(const MessageTable& texts, const RecordsPlace& records) {
    std::string title = texts[Msg::kMainTitle];
    if (!records.database) return title;
    title += FillText(texts[Msg::kTitleDatabase], {records.name});
    if (records.unreachable) title += texts[Msg::kTitleUnreachable];
    if (records.waiting > 0) title += FillText(texts[Msg::kTitleQueued], {std::to_string(records.waiting)});
    return title;
}

void ShowRecordsPlace(AppContext& app) { app.shell.SetMainTitle(MainWindowTitle(app.texts, app.records)); }

void ApplyTexts(AppContext& app) {
    app.texts.Load(app.language);
    ShowRecordsPlace(app);
    PutFormTexts(app);
    RefillCombos(app);
}

}  // namespace tollvane
