#include "app/reader/identify.h"

#include <algorithm>
#include <utility>

#include "app/progress.h"
#include "app/reader/card_command.h"
#include "app/reader/card_run.h"
#include "app/reader/link.h"
#include "app/reader/read_id.h"
#include "protocol/replies.h"

namespace tollvane {

namespace {

constexpr int kAskEveryTicks = 6;   // 300 ms
constexpr int kReadAfterTicks = 2;  // 100 ms, as Read ID waits

bool ForHolder(AppContext& app) { return app.ident.write && RunOf(app).IssuesCards(); }

std::string TitleSuffix(AppContext& app) { return RunOf(app).ProgressSuffix(app.texts); }

// The card read: what it means for the run. A failure when the register
// could not be read to tell.
std::optional<RegisterFailure> Judge(AppContext& app, const std::optional<CardIdentity>& card,
                                     bool forHolder, CardInFront& kind, std::string& held) {
    std::optional<std::string> number;
    if (forHolder && card && app.issued) {
        if (auto failure = app.issued->NumberHeldBy(*card, number)) return failure;
    }
    kind = JudgeCard(card, app.ident.doneInRun, number);
    held = number.value_or("");
    return std::nullopt;
}

// A register that cannot be read ends the run: a card it says is issued
// could otherwise be issued again.
void EndForRegister(AppContext& app, const RegisterFailure& failure) {
    EndCyclicRun(app);
    TellRegisterFailure(app, std::nullopt, failure);
}

void EndIdentifyWait(AppContext& app) {
    // The stage a card command's wait starts from; no wait runs now.
    app.op.cardWait = CardWaitStage::Acknowledgement;
    EndWait(app, TimerId::Card);
}

// No card came within the card wait's limit: the run ends as a card wait
// without a card does, with the reader's "no card" message.
void GiveUp(AppContext& app) {
    EndIdentifyWait(app);
    EndCyclicRun(app);
    app.progress.EnableMainWindow(true);
    app.ShowMessage(Msg::kErr04CardNotPresented, MessageIcon::Error);
}

void ShowWaitTitle(AppContext& app, CardInFront kind, const std::string& held) {
    const std::string title = CardWaitTitle(app.texts, kind, held) + TitleSuffix(app);
    if (title == app.ident.title) return;
    app.ident.title = title;
    app.progress.SetTitle(title);
}

}  // namespace

bool CardReadyForCommand(AppContext& app, bool write, bool forHolder) {
    if (std::exchange(app.ident.ready, false)) return true;
    app.ident.card.reset();
    if (!app.identifyCards || (!app.verifyAfterWrite && !forHolder)) return true;
    std::optional<CardIdentity> card;
    if (!AskCardIdentity(app, card)) return false;
    if (!CyclicRunActive(app)) {
        app.ident.card = card;
        return true;
    }
    CardInFront kind = CardInFront::None;
    std::string held;
    if (const auto failure = Judge(app, card, forHolder, kind, held)) {
        EndForRegister(app, *failure);
        return false;
    }
    if (kind == CardInFront::New) {
        app.ident.card = card;
        return true;
    }
    app.ident.write = write;
    app.ident.title.clear();
    ShowProgress(app, TimerId::Card, TitleSuffix(app));
    ShowWaitTitle(app, kind, held);
    app.op.cardWait = CardWaitStage::Identifying;
    return false;
}

void IdentifyTick(AppContext& app) {
    switch (IdentifyStepAt(app.op.tickCount)) {
        case IdentifyStep::Wait: return;
        case IdentifyStep::GiveUp: GiveUp(app); return;
        case IdentifyStep::Ask:
            if (!SendToReader(app, kReadsIdsCommand.data(), kReadsIdsCommand.size())) {
                EndIdentifyWait(app);
                EndOperation(app);
            }
            return;
        case IdentifyStep::Read: break;
    }
    ReplyBuffer reply;
    const bool got = ReadFromReader(app, reply);
    if (!got && reply.failed) {
        // The read error's box has been shown; the link is in doubt.
        EndIdentifyWait(app);
        EndOperation(app);
        return;
    }
    const std::optional<CardIdentity> card = IdentityOfReply(got ? &reply : nullptr);
    CardInFront kind = CardInFront::None;
    std::string held;
    if (const auto failure = Judge(app, card, ForHolder(app), kind, held)) {
        EndIdentifyWait(app);
        app.progress.EnableMainWindow(true);
        EndForRegister(app, *failure);
        return;
    }
    if (kind != CardInFront::New) {
        ShowWaitTitle(app, kind, held);
        return;
    }
    EndIdentifyWait(app);
    app.ident.card = card;
    app.ident.ready = true;
    if (app.ident.write)
        WriteCard(app);
    else
        ClearCard(app);
}

void CardDoneInRun(AppContext& app) {
    if (app.ident.card && CyclicRunActive(app)) app.ident.doneInRun.push_back(*app.ident.card);
}

CardInFront JudgeCard(const std::optional<CardIdentity>& card,
                      const std::vector<CardIdentity>& writtenInRun,
                      const std::optional<std::string>& held) {
    if (!card) return CardInFront::None;
    if (std::find(writtenInRun.begin(), writtenInRun.end(), *card) != writtenInRun.end()) {
        return CardInFront::WrittenInRun;
    }
    return held ? CardInFront::IssuedBefore : CardInFront::New;
}

std::string CardWaitTitle(const MessageTable& texts, CardInFront card, const std::string& held) {
    switch (card) {
        case CardInFront::WrittenInRun: return texts[Msg::kCardJustWritten];
        case CardInFront::IssuedBefore: {
            const std::string format = texts[Msg::kCardAlreadyIssued];
            const std::size_t at = format.find("%s");
            return at == std::string::npos ? format
                                           : format.substr(0, at) + held + format.substr(at + 2);
        }
        case CardInFront::None:
        case CardInFront::New: break;
    }
    return texts[Msg::kPutNextCard];
}

IdentifyStep IdentifyStepAt(int tick) {
    if (tick >= kCardWaitTicks) return IdentifyStep::GiveUp;
    if (tick % kAskEveryTicks == 0) return IdentifyStep::Ask;
    // The first ask, which found no card to go on with, was made before the
    // wait began and its reply read.
    if (tick % kAskEveryTicks == kReadAfterTicks && tick > kAskEveryTicks)
        return IdentifyStep::Read;
    return IdentifyStep::Wait;
}

bool AskCardIdentity(AppContext& app, std::optional<CardIdentity>& card) {
    ReplyBuffer reply;
    bool got = false;
    card.reset();
    if (!ExchangeCardId(app, reply, got)) return false;
    card = IdentityOfReply(got ? &reply : nullptr);
    return true;
}

}  // namespace tollvane
