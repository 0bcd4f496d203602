#include "app/reader/card_command.h"

#include <optional>

#include "app/card_settings.h"
#include "app/holders/holders_run.h"
#include "app/progress.h"
#include "app/reader/link.h"
#include "app/unique_numbers.h"
#include "protocol/frames.h"

namespace tollvane {

namespace {

enum class Operation { Write, Read, Clear };

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

// The register's full path between what failed and what to do, so that the
// operator can find the file. rowResult: the row that failed, or none when
// the register could not be made ready before a command.
void TellRegisterFailure(AppContext& app, std::optional<IssueResult> rowResult, const RegisterFailure& failure) {
    const Msg what = rowResult ? NotRecordedText(*rowResult) : Msg::kRegisterCannotWrite;
    const Msg advice = rowResult ? Msg::kRegisterNotRecordedAdvice : Msg::kRegisterCannotWriteAdvice;
    app.ShowMessage(std::string(app.texts[what]) + "\n\r" + app.issued->DisplayPath() + "\n\r" + app.texts[advice] +
                        ErrorCodeLine(failure.systemError),
                    MessageIcon::Error);
}

bool SendFrame(AppContext& app, const CommandFrame& frame) {
    if (!SendToReader(app, frame.data(), frame.size())) {
        EndOperation(app);
        return false;
    }
    ShowProgress(app, TimerId::Card, app.holders ? app.holders->ProgressSuffix(app.texts) : std::string());
    app.op.cardWait = CardWaitStage::Acknowledgement;
    return true;
}

bool WantsUniqueDataBeforeWrite(const AppContext& app, const CardSettings& settings) {
    return CarriesUserData(settings.workMode) && app.form.IsChecked(Ctl::UniqueBeforeWriteCheck);
}

CommandFrame BuildFrame(Operation operation, bool master, const FormSnapshot& form) {
    switch (operation) {
        case Operation::Write: return master ? BuildMasterWriteFrame(form) : BuildUserWriteFrame(form);
        case Operation::Read: return master ? BuildMasterReadFrame(form) : BuildUserReadFrame(form);
        case Operation::Clear: return master ? BuildMasterClearFrame(form) : BuildUserClearFrame(form);
    }
    return {};
}

void RunCardCommand(AppContext& app, Operation operation) {
    if (!app.LinkOpen()) {
        // The command is replaced by the search and not resumed after it.
        EndCyclicRun(app);
        ShowProgress(app, TimerId::Search);
        return;
    }
    const int role = SelectedRole(app.form.Selection(Ctl::RoleCombo));
    if (role != 0 && role != 1) {
        EndCyclicRun(app);
        return;
    }
    // A command that the register cannot take is not sent at all, and no
    // number is drawn for it.
    if (app.issued) {
        if (const auto failure = app.issued->ReadyForCommand()) {
            TellRegisterFailure(app, std::nullopt, *failure);
            EndCyclicRun(app);
            return;
        }
    }
    const bool master = role == 0;
    // The settings are read once; drawing a number changes only the user
    // data, which goes into the frame beside them.
    const CardSettings settings = ReadCardSettings(app.form, app.values);
    // New unique data for a User write with "Generate unique data before
    // write". Nothing is sent without a number that usersData.data holds: a
    // number on a card that the file does not know could be handed out again.
    // In a run for the list of people the number is the next person's
    // instead, recorded the same way.
    const bool userWrite = !master && operation == Operation::Write;
    const bool forHolder = userWrite && app.holders && app.holders->Active();
    const bool drawsNumber = forHolder || (userWrite && WantsUniqueDataBeforeWrite(app, settings));
    if (forHolder ? !app.holders->NumberForNextCard(app)
                  : drawsNumber && GenerateUniqueIntoForm(app) != UniqueDraw::Recorded) {
        EndCyclicRun(app);
        return;
    }
    const FormSnapshot form = SnapshotOf(settings, app.values.uniqueData);
    const CommandFrame frame = BuildFrame(operation, master, form);
    // A write to check is read back from the same settings once it is done.
    app.op.writeCheck.reset();
    if (operation == Operation::Write && app.verifyAfterWrite) app.op.writeCheck = WriteCheck{{}, frame, form, master};
    if (app.issued) {
        app.issued->CommandBuilt(frame, form, CyclicRunActive(app), app.link.portName, app.values.versionText);
    }
    if (SendFrame(app, frame) || !app.issued) return;
    // A number handed out for a card that never got it is still on record.
    if (drawsNumber) {
        RecordOutcomeText(app, IssueResult::NotSent, 0,
                          std::string(app.texts[Msg::kErrorWord]) + " " + app.texts[Msg::kPortWriteError]);
    } else {
        app.issued->ForgetCommand();
    }
}

}  // namespace

void WriteCard(AppContext& app) { RunCardCommand(app, Operation::Write); }
void ReadCard(AppContext& app) { RunCardCommand(app, Operation::Read); }
void ClearCard(AppContext& app) { RunCardCommand(app, Operation::Clear); }

void RecordOutcomeText(AppContext& app, IssueResult result, int errorCode, const std::string& message) {
    if (const auto failure = app.issued->RecordOutcome(result, errorCode, message)) {
        TellRegisterFailure(app, result, *failure);
        EndCyclicRun(app);
    }
}

}  // namespace tollvane
