#include "app/reader/replies.h"

#include <algorithm>

#include "app/read_back_apply.h"
#include "app/reader/link.h"
#include "protocol/replies.h"
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

void ApplyReadBack(AppContext& app, const ReplyBuffer& reply) {
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    ApplySettingsReadBack(app, reply.bytes.data() + kReadBackDataOffset, received - kReadBackDataOffset);
}

// A card result at the start of the reply: its message, and true; false for
// anything it does not recognise.
bool HandleCardResult(AppContext& app, const ReplyBuffer& reply) {
    const CardResult result = ClassifyCardResult(reply);
    switch (result.kind) {
        case CardResultKind::ReadData:
            app.ShowMessage(result.message, result.icon);
            ApplyReadBack(app, reply);
            return true;
        case CardResultKind::Success:
            app.op.operationSucceeded = true;
            // A cyclic run goes on without a box; the pause gives the
            // operator time to take the card away and present the next.
            if (CyclicRunActive(app)) app.sleeper.SleepMs(kCyclicPauseMs);
            else app.ShowMessage(result.message, result.icon);
            return true;
        case CardResultKind::Error:
            app.ShowMessage(result.message, result.icon);
            return true;
        case CardResultKind::NotRecognised:
            return false;
    }
    return false;
}

}  // namespace

void NoReply(AppContext& app) {
    if (app.link.manualConnect) {
        ShowDidNotRespond(app);
        app.form.Enable(Ctl::PortCombo, true);
    }
    EndOperation(app);
}

void ClassifyReply(AppContext& app, ReplyBuffer& reply) {
    if (reply.count == 0) {
        NoReply(app);
        return;
    }
    switch (ParseAck(reply)) {
        case AckKind::UnknownCommand:
            app.ShowMessage(Msg::kInvalidCommand, MessageIcon::Error);
            if (app.link.manualConnect) GiveUpManualPort(app);
            return;
        case AckKind::Ok:
            return;
        case AckKind::OkWithData:
            app.ShowMessage(Msg::kSettingsRead, MessageIcon::Success);
            AcceptReaderVersion(app, reply.c_str());
            return;
        case AckKind::Nothing:
            break;
    }
    if (!HandleCardResult(app, reply)) AnswerNotRecognised(app);
}

void AnswerNotRecognised(AppContext& app) {
    app.ShowMessage(Msg::kAnswerNotRecognized, MessageIcon::Error);
    if (app.link.manualConnect) GiveUpManualPort(app);
}

}  // namespace tollvane
