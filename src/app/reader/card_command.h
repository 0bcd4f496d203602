// The six card commands: the command built once from the form where the
// operator presses, the frame built from it, the register told what goes
// out, the frame sent and the card wait started.
#pragma once

#include <optional>
#include <string>

#include "app/app_context.h"
#include "app/reader/card_run.h"
#include "register/issued_cards.h"

namespace tollvane {

// Write, Read and Clear as pressed, for the role chosen in RoleCombo.
// Without an open link the command is replaced by a reader search and not
// resumed after it.
void WriteCard(AppContext& app);
void ReadCard(AppContext& app);
void ClearCard(AppContext& app);

// The command the form asks for now; none without a role chosen.
std::optional<CardCommand> CommandFromForm(const AppContext& app, CardOperation operation);

// The register row of the command under way. A row that cannot be written
// stops a cyclic run: the next card would go unrecorded too.
void RecordOutcomeText(AppContext& app, IssueResult result, int errorCode,
                       const std::string& message);

// The register could not be written (or read): rowResult names the row that
// failed, none when the register could not be made ready before a command.
// lead, when given, says what failed instead of the row's own text.
void TellRegisterFailure(AppContext& app, std::optional<IssueResult> rowResult,
                         const RegisterFailure& failure, const std::string& lead = {});

}  // namespace tollvane
