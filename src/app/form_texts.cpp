#include "app/form_texts.h"

#include "app/form_controls.h"

namespace tollvane {

namespace {

constexpr Msg kRoleItems[] = {Msg::kRoleMaster, Msg::kRoleUser};
constexpr Msg kWorkModeItems[] = {Msg::kWorkModeCardId, Msg::kWorkModeSectorData,
                                  Msg::kWorkModeCardIdLoggedIn, Msg::kWorkModeSectorDataDecrypt};

template <std::size_t N>
void Refill(AppContext& app, Ctl combo, const Msg (&items)[N]) {
    const int selected = app.form.Selection(combo);
    app.form.ResetContent(combo);
    for (Msg item : items) app.form.AddItem(combo, app.texts[item]);
    app.form.SetSelection(combo, selected);
}

}  // namespace

void PutFormTexts(AppContext& app) {
    for (const FormControlInfo& row : MainFormControls())
        if (row.text != kNoText) app.form.SetText(row.ctl, app.texts[row.text]);
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
    if (records.waiting > 0)
        title += FillText(texts[Msg::kTitleQueued], {std::to_string(records.waiting)});
    return title;
}

void ShowRecordsPlace(AppContext& app) {
    app.shell.SetMainTitle(MainWindowTitle(app.texts, app.records));
}

void ApplyTexts(AppContext& app) {
    app.texts.Load(app.language);
    ShowRecordsPlace(app);
    PutFormTexts(app);
    RefillCombos(app);
}

}  // namespace tollvane
