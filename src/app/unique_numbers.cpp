#include "app/unique_numbers.h"

#include <optional>

#include "app/card_settings.h"
#include "carddata/generation.h"

namespace tollvane {

void TellStoreFailure(AppContext& app, const StoreFailure& failure) {
    switch (failure.step) {
        case StoreStep::Open: app.ShowMessage(Msg::kUsersDataOpenError, MessageIcon::Error); break;
        case StoreStep::Read:
            app.ShowMessage(
                app.texts[Msg::kUsersDataReadError] + ErrorCodeLine(failure.systemError),
                MessageIcon::Error);
            break;
        case StoreStep::Write:
            app.ShowMessage(
                app.texts[Msg::kUsersDataWriteError] + ErrorCodeLine(failure.systemError),
                MessageIcon::Error);
            break;
        case StoreStep::Database:
            app.ShowMessage(FillText(app.texts[Msg::kDatabaseUnreachable], {failure.text}),
                            MessageIcon::Error);
            break;
    }
}

DrawnNumber GenerateUniqueIntoForm(AppContext& app) {
    const std::optional<UniqueResult> made = GenerateUniqueData(app.random, app.users);
    if (!made) {
        app.ShowMessage(Msg::kErr05OperationFailed, MessageIcon::Error);
        return {};
    }
    // The box comes before the field shows the new number.
    if (!made->recorded) TellStoreFailure(app, made->failure);
    SetHexField(app, Ctl::SectorDataEdit, made->bytes);
    return {made->recorded ? UniqueDraw::Recorded : UniqueDraw::NotRecorded, made->bytes};
}

}  // namespace tollvane
