#include "app/unique_numbers.h"

#include <optional>

#include "app/card_settings.h"
#include "carddata/generation.h"

namespace tollvane {

UniqueDraw GenerateUniqueIntoForm(AppContext& app) {
    const std::optional<UniqueResult> made = GenerateUniqueData(app.random, app.users);
    if (!made) {
        app.ShowMessage(Msg::kErr05OperationFailed, MessageIcon::Error);
        return UniqueDraw::None;
    }
    SetHexField(app, Ctl::SectorDataEdit, made->bytes);
    return made->recorded ? UniqueDraw::Recorded : UniqueDraw::NotRecorded;
}

}  // namespace tollvane
