// The six card commands: the frame built from the form's card settings, the
// register told what goes out, the frame sent and the card wait started.
#pragma once

#include <string>

#include "app/app_context.h"
#include "register/issued_cards.h"

namespace tollvane {

// Write, Read and Clear, for the role chosen in RoleCombo. Without an open
// link the command is replaced by a reader search and not resumed after it.
void WriteCard(AppContext& app);
void ReadCard(AppContext& app);
void ClearCard(AppContext& app);

// The register row of the command under way. A row that cannot be written
// stops a cyclic run: the next card would go unrecorded too.
void RecordOutcomeText(AppContext& app, IssueResult result, int errorCode, const std::string& message);

}  // namespace tollvane
