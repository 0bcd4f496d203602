#include "app/reader/replies.h"

#include "app/read_back_apply.h"
#include "app/reader/card_run.h"
#include "app/reader/link.h"
#include "protocol/version.h"

namespace tollvane {

namespace {

constexpr unsigned kCyclicPauseMs = 1000;

void AcceptReaderVersion(AppContext& app, const char* payload) {
    const VersionCheck check = CheckReaderVersion(payload);
    if (!check.accepted) {
        app.ShowMessage(Msg::kUpdateReader, MessageIcon::Error);
        EndOperation(app);
        return;
    }
    app.reader.versionX100 = check.versionX100;
    app.reader.modelLetter = 'B';
    app.values.versionText = check.versionText;
    app.form.SetText(Ctl::VersionValue, app.values.versionText);
}

// Nothing came: a port picked by hand is not the reader's. Ends the operation.
void NoReply(AppContext& app) {
    if (app.link.manualConnect) {
        ShowDidNotRespond(app);
        app.form.Enable(Ctl::PortCombo, true);
    }
    EndOperation(app);
}

}  // namespace

void SayOutcome(AppContext& app, const CardOutcome& outcome) {
    switch (outcome.kind) {
        case OutcomeKind::Acknowledged: return;
        case OutcomeKind::NoReply: NoReply(app); return;
        case OutcomeKind::NotRecognised:
        case OutcomeKind::InvalidCommand:
            app.ShowMessage(outcome.message, outcome.icon);
            if (app.link.manualConnect) GiveUpManualPort(app);
            return;
        case OutcomeKind::VersionReply:
            app.ShowMessage(outcome.message, outcome.icon);
            AcceptReaderVersion(app, reinterpret_cast<const char*>(outcome.payload.data()));
            return;
        case OutcomeKind::ReadBack:
            app.ShowMessage(outcome.message, outcome.icon);
            ApplySettingsReadBack(app, outcome.payload.data(), outcome.payloadSize);
            return;
        case OutcomeKind::Done:
        case OutcomeKind::Verified:
            // A cyclic run goes on without a box; the pause gives the
            // operator time to take the card away and present the next.
            if (CyclicRunActive(app))
                app.sleeper.SleepMs(kCyclicPauseMs);
            else
                app.ShowMessage(outcome.message, outcome.icon);
            return;
        case OutcomeKind::CardError:
        case OutcomeKind::Mismatch:
            app.ShowMessage(OutcomeText(outcome, app.texts), outcome.icon);
            return;
        case OutcomeKind::Unverified:
            // The read's own message is in the box; the link fares as after
            // any card command that failed that way.
            app.ShowMessage(OutcomeText(outcome, app.texts), outcome.icon);
            switch (outcome.readKind) {
                case OutcomeKind::NoReply:
                    if (app.link.manualConnect) app.form.Enable(Ctl::PortCombo, true);
                    EndOperation(app);
                    return;
                case OutcomeKind::NotRecognised:
                case OutcomeKind::InvalidCommand:
                    if (app.link.manualConnect) GiveUpManualPort(app);
                    return;
                default: return;
            }
    }
}

}  // namespace tollvane
