#include "app/main_controller.h"

#include <algorithm>
#include <string>

#include "app/card_settings.h"
#include "app/config.h"
#include "app/form_controls.h"
#include "app/form_rules.h"
#include "app/form_texts.h"
#include "app/hex_entry.h"
#include "app/holders/holders_run.h"
#include "app/progress.h"
#include "app/reader/card_command.h"
#include "app/reader/card_wait.h"
#include "app/reader/discovery.h"
#include "app/reader/link.h"
#include "app/reader/read_id.h"
#include "app/reader/supervision.h"
#include "app/unique_numbers.h"
#include "carddata/generation.h"

namespace tollvane {

namespace {

void SwitchLanguage(AppContext& app, LanguageId lang) {
    app.language = lang;
    // The message is in the language that was active; the switch goes on
    // regardless, only the next start will not remember it.
    if (app.files == nullptr || !SaveConfig(*app.files, app.configPath, lang))
        app.ShowMessage(Msg::kSaveSettingsFailed, MessageIcon::Warning);
    ApplyTexts(app);
    app.shell.RebuildMenu();
}

// The option applies at once, to the next write; when it cannot be stored
// the operator is told that the next start will not remember it.
void ToggleVerifyAfterWrite(AppContext& app) {
    app.verifyAfterWrite = !app.verifyAfterWrite;
    if (app.files == nullptr ||
        !SaveVerifyAfterWrite(*app.files, app.configPath, app.verifyAfterWrite))
        app.ShowMessage(Msg::kSaveSettingsFailed, MessageIcon::Warning);
    app.shell.RebuildMenu();
}

void OpenHelp(AppContext& app) {
    const HelpOpening opening = app.shell.OpenHelpFile();
    switch (opening.result) {
        case HelpOpen::Opened: break;
        case HelpOpen::FileMissing:
            app.ShowMessage(Msg::kHelpFileNotFound, MessageIcon::Error);
            app.ShowMessage(Msg::kHelpFolderHint, MessageIcon::Hint);
            break;
        case HelpOpen::NoViewer:
            app.ShowMessage(Msg::kHelpCannotOpen, MessageIcon::Warning);
            app.ShowMessage(Msg::kInstallPdfViewer, MessageIcon::Hint);
            break;
        case HelpOpen::Failed:
            app.ShowMessage(std::string(app.texts[Msg::kHelpOpenFailed]) + "\n\r[" +
                                app.texts[Msg::kErrorCode] + ": " + std::to_string(opening.code) +
                                "]",
                            MessageIcon::Error);
            break;
    }
}

bool ConfirmClear(AppContext& app) { return app.boxes.AskYesNo(app.texts[Msg::kConfirmClearCard]); }

// A generator that fails leaves the key as it was; with the key masked the
// operator could not see that, so he is told.
void GenerateRandomKeys(AppContext& app) {
    FormView& form = app.form;
    bool failed = false;
    std::string text;
    if ((form.IsChecked(Ctl::ClassicCheck) || form.IsChecked(Ctl::Sl1Radio)) &&
        form.Selection(Ctl::WorkModeCombo) != 0) {
        std::array<std::uint8_t, 6> key{};
        if (GenerateCrypto1Key(app.random, key, text))
            SetHexField(app, Ctl::Crypto1KeyEdit, key);
        else
            failed = true;
    }
    if (form.IsChecked(Ctl::PlusCheck)) {
        std::array<std::uint8_t, 16> key{};
        if (GenerateAesKey(app.random, key, text))
            SetHexField(app, Ctl::AesKeyEdit, key);
        else
            failed = true;
    }
    if (failed) app.ShowMessage(Msg::kErr05OperationFailed, MessageIcon::Error);
}

void ChooseConverterFormat(AppContext& app, int format) {
    app.values.converterFormat = format;
    RefreshConverterFields(app);
}

}  // namespace

void InitMainForm(AppContext& app) {
    FormView& form = app.form;
    PutFormTexts(app);
    PutStartState(form);
    form.SetText(Ctl::VersionValue, app.values.versionText);

    form.ResetContent(Ctl::RoleCombo);
    form.ResetContent(Ctl::WorkModeCombo);
    RefillCombos(app);
    form.SetSelection(Ctl::RoleCombo, 0);
    form.SetSelection(Ctl::WorkModeCombo, 0);

    form.SetUpDownPos(Ctl::SectorUpDown, app.values.sectorNumber);
    form.SetUpDownPos(Ctl::BlockUpDown, app.values.blockNumber);
    form.SetText(Ctl::Crypto1KeyEdit, app.values.crypto1KeyText);
    form.SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    form.SetText(Ctl::AesKeyEdit, app.values.aesKeyText);
    form.SetPasswordMask(Ctl::AesKeyEdit, true);
    form.SetText(Ctl::SectorDataEdit, app.values.uniqueDataText);
    RefreshConverterFields(app);

    ApplyLayout(app, Layout::MasterCardId);
}

void StartUp(AppContext& app) { ShowProgress(app, TimerId::Search); }

void OnCommand(AppContext& app, Command command) {
    switch (command) {
        case Command::Quit: app.shell.CloseMainWindow(); break;
        case Command::Russian: SwitchLanguage(app, LanguageId::Russian); break;
        case Command::English: SwitchLanguage(app, LanguageId::English); break;
        case Command::ReadId:
            if (app.LinkOpen())
                ReadCardId(app);
            else
                ShowProgress(app, TimerId::Search);
            break;
        case Command::Help: OpenHelp(app); break;
        case Command::About: app.shell.ShowAbout(); break;
        case Command::IssuedCards: app.shell.OpenIssuedCards(); break;
        case Command::Database: app.shell.OpenDatabase(); break;
        case Command::CardHolders: app.shell.OpenCardHolders(); break;
        case Command::IssueHolders:
            if (app.holders) app.holders->Begin(app);
            break;
        case Command::VerifyAfterWrite: ToggleVerifyAfterWrite(app); break;
    }
}

void OnClicked(AppContext& app, Ctl control) {
    switch (control) {
        case Ctl::SearchButton:
            EndOperation(app);
            ShowProgress(app, TimerId::Search);
            break;
        case Ctl::WriteButton: WriteCard(app); break;
        case Ctl::ReadButton: ReadCard(app); break;
        case Ctl::ClearButton:
            if (ConfirmClear(app)) ClearCard(app);
            break;
        case Ctl::WriteCyclicButton:
            app.op.cyclicRun = CyclicRun::Write;
            WriteCard(app);
            break;
        case Ctl::ClearCyclicButton:
            if (!ConfirmClear(app)) break;
            app.op.cyclicRun = CyclicRun::Clear;
            ClearCard(app);
            break;
        case Ctl::ShowCrypto1Check:
            ClickShowKey(app, Ctl::ShowCrypto1Check, Ctl::Crypto1KeyEdit);
            break;
        case Ctl::ShowAesCheck: ClickShowKey(app, Ctl::ShowAesCheck, Ctl::AesKeyEdit); break;
        case Ctl::GenerateRandomButton: GenerateRandomKeys(app); break;
        case Ctl::AddToListButton: app.shell.OpenKeyListForAdd(); break;
        case Ctl::ShowListButton: app.shell.OpenKeyListAndShowFirst(); break;
        case Ctl::GenerateUniqueButton: GenerateUniqueIntoForm(app); break;
        case Ctl::UniqueBeforeWriteCheck: ClickUniqueBeforeWrite(app); break;
        case Ctl::ConvTmW44Radio: ChooseConverterFormat(app, 0); break;
        case Ctl::ConvW26Radio: ChooseConverterFormat(app, 1); break;
        case Ctl::ConvW58Radio: ChooseConverterFormat(app, 2); break;
        case Ctl::ClassicCheck: SelectClassic(app); break;
        case Ctl::PlusCheck: ClickPlus(app); break;
        case Ctl::Sl1Radio: ClickSl1(app); break;
        case Ctl::Sl3Radio: ClickSl3(app); break;
        case Ctl::AesAuthCheck: ClickAesAuth(app); break;
        default: break;
    }
}

void OnComboChanged(AppContext& app, Ctl combo) {
    switch (combo) {
        case Ctl::PortCombo: OnPortChosen(app); break;
        case Ctl::RoleCombo:
        case Ctl::WorkModeCombo: ApplyFormRule(app, FormRuleCode(app.form)); break;
        default: break;
    }
}

void OnEditEntered(AppContext& app, Ctl edit) { EnterHexField(app, edit); }
void OnEditChanged(AppContext& app, Ctl edit) { FilterHexField(app, edit); }
void OnEditLeft(AppContext& app, Ctl edit) { LeaveHexField(app, edit); }

void OnTimer(AppContext& app, TimerId timer) {
    switch (timer) {
        case TimerId::Search: FixedWaitTick(app, TimerId::Search, SearchReader); break;
        case TimerId::Reply: FixedWaitTick(app, TimerId::Reply, FinishVersionWait); break;
        case TimerId::Device: CheckPortAfterDeviceChange(app); break;
        case TimerId::Card: CardTimerTick(app); break;
        default: break;
    }
}

void OnUpDownDelta(AppContext& app, Ctl upDown, int pos, int delta) {
    const long long wanted = static_cast<long long>(pos) + delta;
    auto held = [wanted](const UpDownRange& range) {
        return static_cast<int>(std::clamp<long long>(wanted, range.low, range.high));
    };
    if (upDown == kSectorRange.upDown)
        app.values.sectorNumber = held(kSectorRange);
    else if (upDown == kBlockRange.upDown)
        app.values.blockNumber = held(kBlockRange);
}

void OnDestroy(AppContext& app) {
    for (TimerId id : {TimerId::Search, TimerId::Reply, TimerId::Device, TimerId::Card})
        app.timers.Kill(id);
    EndOperation(app);
}

}  // namespace tollvane
