#include "app/reader/card_command.h"

#include <optional>

#include "app/card_settings.h"
#include "app/progress.h"
#include "app/reader/identify.h"
#include "app/reader/link.h"
#include "protocol/frames.h"

namespace tollvane {

namespace {

// What happened to the command whose row could not be written, in the
// operator's words: he must know whether the card was touched at all.
Msg NotRecordedText(IssueResult result) {
    switch (result) {
        case IssueResult::NotSent: return Msg::kRegisterNotSentNotRecorded;
        case IssueResult::NoReply: return Msg::kRegisterNoReplyNotRecorded;
        case IssueResult::Ok:
        case IssueResult::Error:
        case IssueResult::Unrecognized:
        case IssueResult::Verified:
        case IssueResult::Mismatch:
        case IssueResult::Unverified: break;
    }
    return Msg::kRegisterNotRecorded;
}

bool SendFrame(AppContext& app, const CommandFrame& frame) {
    if (!SendToReader(app, frame.data(), frame.size())) {
        EndOperation(app);
        return false;
    }
    ShowProgress(app, TimerId::Card, RunOf(app).ProgressSuffix(app.texts));
    app.op.cardWait = CardWaitStage::Acknowledgement;
    return true;
}

CommandFrame BuildFrame(const CardCommand& command, const FormSnapshot& form) {
    const bool master = command.role == CardRole::Master;
    switch (command.operation) {
        case CardOperation::Write:
            return master ? BuildMasterWriteFrame(form) : BuildUserWriteFrame(form);
        case CardOperation::Read:
            return master ? BuildMasterReadFrame(form) : BuildUserReadFrame(form);
        case CardOperation::Clear:
            return master ? BuildMasterClearFrame(form) : BuildUserClearFrame(form);
    }
    return {};
}

// The command goes out: a number from its run for a User write, the frame,
// the register told, the frame sent. Nothing here reads the form.
void RunCardCommand(AppContext& app, CardCommand command) {
    // A command that the register cannot take is not sent at all, and no
    // number is drawn for it.
    if (app.issued) {
        if (const auto failure = app.issued->ReadyForCommand()) {
            TellRegisterFailure(app, std::nullopt, *failure);
            EndCyclicRun(app);
            return;
        }
    }
    const bool forHolder = command.IsUserWrite() && RunOf(app).IssuesCards();
    if (command.operation == CardOperation::Read)
        app.ident.card.reset();
    else if (!CardReadyForCommand(app, command.operation == CardOperation::Write, forHolder))
        return;
    // Nothing is sent without a number that usersData.data holds: a number
    // on a card that the file does not know could be handed out again.
    if (command.IsUserWrite()) {
        const CardNumber given = RunOf(app).NextNumber(app, command);
        if (given.kind == CardNumber::Kind::Refused) {
            EndCyclicRun(app);
            return;
        }
        if (given.kind == CardNumber::Kind::Number) command.number = given.number;
    }
    const FormSnapshot form =
        SnapshotOf(command.settings, command.number.value_or(command.formData));
    const CommandFrame frame = BuildFrame(command, form);
    // A write to check is read back from the same settings once it is done.
    app.op.writeCheck.reset();
    if (command.verify)
        app.op.writeCheck = WriteCheck{frame, form, command.role == CardRole::Master};
    if (app.issued) {
        app.issued->CommandBuilt(frame, form, CyclicRunActive(app), app.link.portName,
                                 app.values.versionText);
        app.issued->NameCard(app.ident.card);
    }
    if (SendFrame(app, frame) || !app.issued) return;
    // A number handed out for a card that never got it is still on record.
    if (command.number) {
        RecordOutcomeText(
            app, IssueResult::NotSent, 0,
            std::string(app.texts[Msg::kErrorWord]) + " " + app.texts[Msg::kPortWriteError]);
    } else {
        app.issued->ForgetCommand();
    }
}

// A press, or the next card of a run.
void PressCard(AppContext& app, CardOperation operation) {
    if (!app.LinkOpen()) {
        // The command is replaced by the search and not resumed after it.
        EndCyclicRun(app);
        ShowProgress(app, TimerId::Search);
        return;
    }
    const std::optional<CardCommand> command = CommandFromForm(app, operation);
    if (!command) {
        EndCyclicRun(app);
        return;
    }
    RunCardCommand(app, *command);
}

}  // namespace

std::optional<CardCommand> CommandFromForm(const AppContext& app, CardOperation operation) {
    const std::optional<CardRole> role = RoleOfItem(app.form.Selection(Ctl::RoleCombo));
    if (!role) return std::nullopt;
    CardCommand command;
    command.role = *role;
    command.operation = operation;
    command.settings = ReadCardSettings(app.form, app.values);
    command.formData = app.values.uniqueData;
    command.drawNumber = CarriesUserData(command.settings.workMode) &&
                         app.form.IsChecked(Ctl::UniqueBeforeWriteCheck);
    command.verify = operation == CardOperation::Write && app.verifyAfterWrite;
    return command;
}

void WriteCard(AppContext& app) { PressCard(app, CardOperation::Write); }
void ReadCard(AppContext& app) { PressCard(app, CardOperation::Read); }
void ClearCard(AppContext& app) { PressCard(app, CardOperation::Clear); }

// The register's full path between what failed and what to do, so that the
// operator can find the file. rowResult: the row that failed, or none when
// the register could not be made ready before a command.
void TellRegisterFailure(AppContext& app, std::optional<IssueResult> rowResult,
                         const RegisterFailure& failure, const std::string& lead) {
    if (!failure.database.empty()) {
        app.ShowMessage(FillText(app.texts[Msg::kDatabaseUnreachable], {failure.database}),
                        MessageIcon::Error);
        return;
    }
    const Msg what = rowResult ? NotRecordedText(*rowResult) : Msg::kRegisterCannotWrite;
    const Msg advice =
        rowResult ? Msg::kRegisterNotRecordedAdvice : Msg::kRegisterCannotWriteAdvice;
    const std::string& path = failure.file.empty() ? app.issued->DisplayPath() : failure.file;
    app.ShowMessage((lead.empty() ? std::string(app.texts[what]) : lead) + "\n\r" + path + "\n\r" +
                        app.texts[advice] + ErrorCodeLine(failure.systemError),
                    MessageIcon::Error);
}

void RecordOutcomeText(AppContext& app, IssueResult result, int errorCode,
                       const std::string& message) {
    if (const auto failure = app.issued->RecordOutcome(result, errorCode, message)) {
        TellRegisterFailure(app, result, *failure);
        EndCyclicRun(app);
    }
}

}  // namespace tollvane
