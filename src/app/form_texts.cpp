#include "app/form_texts.h"

#include "app/form_controls.h"

namespace tollvane {

namespace {

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
    for (const FormControlInfo& row : MainFormControls())
        if (row.text != kNoText) app.form.SetText(row.ctl, app.texts[row.text]);
}

void RefillCombos(AppContext& app) {
    Refill(app, Ctl::RoleCombo, kRoleItems);
    Refill(app, Ctl::WorkModeCombo, kWorkModeItems);
}

void ApplyTexts(AppContext& app) {
    app.texts.Load(app.language);
    app.shell.SetMainTitle(app.texts[Msg::kMainTitle]);
    PutFormTexts(app);
    RefillCombos(app);
}

}  // namespace tollvane
