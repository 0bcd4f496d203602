#include "app/unique_numbers.h"

#include <optional>

#include "app/card_settings.h"
#include "carddata/generation.h"

namespace tollvane {

std::string StoreFailureText(const MessageTable& texts, const StoreFailure& failure) {
    switch (failure.step) {
        case StoreStep::Open: return texts[Msg::kUsersDataOpenError];
        case StoreStep::Read:
            return texts[Msg::kUsersDataReadError] + ErrorCodeLine(failure.systemError);
        case StoreStep::Write:
            return texts[Msg::kUsersDataWriteError] + ErrorCodeLine(failure.systemError);
        case StoreStep::Database: break;
    }
    return FillText(texts[Msg::kDatabaseUnreachable], {failure.text});
}

void TellStoreFailure(AppContext& app, const StoreFailure& failure) {
    app.ShowMessage(StoreFailureText(app.texts, failure), MessageIcon::Error);
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
