#include "app/reader/card_wait.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/progress.h"
#include "app/reader/card_command.h"
#include "app/reader/card_outcome.h"
#include "app/reader/card_run.h"
#include "app/reader/identify.h"
#include "app/reader/link.h"
#include "app/reader/replies.h"
#include "protocol/frames.h"
#include "protocol/replies.h"

namespace tollvane {

namespace {

// --- The result line ----------------------------------------------------------------

constexpr char kResultHead[] = "\rAT+";
constexpr std::size_t kResultHeadSize = 4;

// The result lines a card command ends with, and how long each is in full.
struct ResultShape {
    const char* head;
    std::size_t length;
};
constexpr ResultShape kResultShapes[] = {
    {"\rAT+DAT_OK", 10},
    {"\rAT+ERR_", 10},
    {"\rAT+ms", kReadBackReplySize},
};

// True when the bytes, which begin "\rAT+", can only be the first part of a
// result line: a beginning that a known result line continues.
bool IsResultBeginning(const std::uint8_t* bytes, std::size_t count) {
    for (const ResultShape& shape : kResultShapes) {
        const std::size_t compared = std::min(count, std::strlen(shape.head));
        if (std::memcmp(bytes, shape.head, compared) == 0 && count < shape.length) return true;
    }
    return false;
}

// What the bytes after the acknowledgement hold of the result line.
enum class ResultSoFar {
    None,      // text of the reader's own (a line end, a word): the wait polls on
    Maybe,     // ends in what could be the line feed or "\rAT" of a result
    Begun,     // "\rAT+" has come, the rest of the line has not
    Complete,  // a whole result line, or one no known result continues
    Garbage,   // after a line end, bytes that can no longer begin a result line
};

ResultSoFar Hold(const std::uint8_t* from, std::size_t count, ReplyBuffer& held, ResultSoFar so) {
    held.Clear();
    held.count = std::min(count, ReplyBuffer::kCapacity);
    std::memcpy(held.bytes.data(), from, held.count);
    return so;
}

// "\rAT+" at from: a begun or a complete result line.
ResultSoFar HoldResult(const std::uint8_t* from, std::size_t count, ReplyBuffer& held) {
    return Hold(from, count, held,
                IsResultBeginning(from, count) ? ResultSoFar::Begun : ResultSoFar::Complete);
}

// The held beginning of the result line with the bytes read after it. After
// a line end only line ends and then "\rAT+" can follow: anything else is an
// answer no result line will come of, and waiting on for one would end as
// silence.
ResultSoFar ScanReadOn(const std::uint8_t* bytes, std::size_t count, ReplyBuffer& held) {
    const auto* other =
        std::find_if(bytes, bytes + count, [](std::uint8_t b) { return b != '\r' && b != '\n'; });
    if (other == bytes + count) {
        // Only line ends so far: the last may be the result's carriage return.
        return count == 0 ? ResultSoFar::Maybe
                          : Hold(bytes + count - 1, 1, held, ResultSoFar::Maybe);
    }
    if (other == bytes || other[-1] != '\r') return ResultSoFar::Garbage;
    const std::uint8_t* head = other - 1;
    const std::size_t left = static_cast<std::size_t>(bytes + count - head);
    if (std::memcmp(head, kResultHead, std::min(left, kResultHeadSize)) != 0)
        return ResultSoFar::Garbage;
    return left < kResultHeadSize ? Hold(head, left, held, ResultSoFar::Maybe)
                                  : HoldResult(head, left, held);
}

// The bytes that came with the acknowledgement, after it. The device may end
// its acknowledgement with any text of its own up to the line end; from the
// line end on, the bytes are read as the result line's, however soon they
// came (the first tick may come late and find them all in one read).
ResultSoFar ScanAcknowledgementTail(const std::uint8_t* bytes, std::size_t count,
                                    ReplyBuffer& held) {
    const auto* lineEnd =
        std::find_if(bytes, bytes + count, [](std::uint8_t b) { return b == '\r' || b == '\n'; });
    if (lineEnd == bytes + count) {
        held.Clear();
        return ResultSoFar::None;
    }
    return ScanReadOn(lineEnd, static_cast<std::size_t>(bytes + count - lineEnd), held);
}

// --- The end of the wait ------------------------------------------------------------

// The register row of the command whose wait ends with this outcome. It is
// written before the outcome is told, as the operator may stop reading there.
// A row that cannot be saved stops a cyclic run, once its run has kept what
// it must of the card: the card holds what was written all the same.
void RecordCardOutcome(AppContext& app, const CardOutcome& outcome) {
    if (app.issued == nullptr || !app.issued->HasPendingCommand()) return;
    const auto failure = app.issued->RecordOutcome(outcome.result, outcome.errorCode,
                                                   OutcomeText(outcome, app.texts));
    if (!failure) return;
    const std::string lead = RunOf(app).CardNotRecorded(app, outcome.CardDone());
    EndCyclicRun(app);
    TellRegisterFailure(app, outcome.result, *failure, lead);
}

// The wait is over before the outcome is told, so that a box opened for it
// never runs under a live wait. Returns the wait that ended.
RunningWait EndCardWait(AppContext& app) {
    const RunningWait ended = app.op.wait;
    EndWait(app, TimerId::Card);
    return ended;
}

// The written card is read back with the Read frame of the same role, built
// from the settings the write used, and waited for under the same rules as
// any card command; the progress window comes straight back for it. False
// when the frame could not be sent (the operator has been told why).
bool StartReadBack(AppContext& app) {
    const WriteCheck& check = *app.op.writeCheck;
    const CommandFrame frame =
        check.master ? BuildMasterReadFrame(check.form) : BuildUserReadFrame(check.form);
    if (!SendToReader(app, frame.data(), frame.size())) return false;
    // The title still names whose card it is.
    ShowProgress(app, TimerId::Card, RunOf(app).ProgressSuffix(app.texts));
    app.op.wait = RunningWait::ReadBack;
    app.op.cardWait = CardWaitStage::Acknowledgement;
    return true;
}

// The register row, the operator's message, the main window enabled again;
// then the run hears of the card, and a cyclic run goes on only when both
// the card and its run allow. A write to check is concluded by the outcome
// of its read, which a done write starts instead. ended: the wait that
// brought the outcome.
void Conclude(AppContext& app, RunningWait ended, CardOutcome outcome) {
    if (app.op.writeCheck) {
        // A card's contents are the answer to a read, never to a write: a
        // write that is to be checked counts nothing it did not ask for.
        if (ended == RunningWait::Card && outcome.kind == OutcomeKind::ReadBack)
            outcome = NotRecognisedOutcome();
        if (ended == RunningWait::Card && outcome.CardDone()) {
            if (StartReadBack(app)) return;
            outcome = ReadBackNotSent();
        } else if (ended == RunningWait::ReadBack) {
            outcome = VerifiedOutcome(app.op.writeCheck->written, outcome);
        }
        app.op.writeCheck.reset();
    }
    RecordCardOutcome(app, outcome);
    if (outcome.CardDone()) CardDoneInRun(app);
    SayOutcome(app, outcome);
    app.progress.EnableMainWindow(true);
    const bool runGoesOn = RunOf(app).CardFinished(app, outcome.CardDone());
    if (!CyclicRunActive(app)) return;
    if (!runGoesOn) {
        EndCyclicRun(app);
        return;
    }
    NextCard(app);
}

// The end with this reply (null: none) where the result line was due.
void FinishWith(AppContext& app, const ReplyBuffer* reply) {
    const RunningWait ended = EndCardWait(app);
    Conclude(app, ended, OutcomeOfReply(reply, ReplyStage::Result, app.link.manualConnect));
}

// The end once the result line's first byte was polled or the last tick
// came: the rest of the line is read now.
void ReadResultAndFinish(AppContext& app) {
    const RunningWait ended = EndCardWait(app);
    ReplyBuffer reply;
    const bool got = ReadFromReader(app, reply);
    Conclude(app, ended,
             OutcomeOfReply(got ? &reply : nullptr, ReplyStage::Result, app.link.manualConnect));
}

// Decides from the scan of the bytes after the acknowledgement how the wait
// goes on: finished, reading on from a begun result, or polling.
void TakeResultSoFar(AppContext& app, ResultSoFar so, const std::uint8_t* bytes,
                     std::size_t count) {
    switch (so) {
        case ResultSoFar::Complete: {
            const ReplyBuffer whole = app.op.resultStart;
            FinishWith(app, &whole);
            return;
        }
        case ResultSoFar::Garbage: {
            ReplyBuffer answer;
            Hold(bytes, count, answer, so);
            FinishWith(app, &answer);
            return;
        }
        case ResultSoFar::Begun:
        case ResultSoFar::Maybe: app.op.cardWait = CardWaitStage::ReadingResult; return;
        case ResultSoFar::None: app.op.cardWait = CardWaitStage::Result; return;
    }
}

// The first tick reads the reader's acknowledgement; anything else ends the
// wait there, without a poll and without a next card. A fast card operation
// can put its result line into the same read; that result is not lost.
void ReadAcknowledgement(AppContext& app) {
    ReplyBuffer reply;
    const bool got = ReadFromReader(app, reply);
    const CardOutcome ack =
        OutcomeOfReply(got ? &reply : nullptr, ReplyStage::Acknowledgement, app.link.manualConnect);
    if (ack.kind != OutcomeKind::Acknowledged) {
        EndCyclicRun(app);
        const RunningWait ended = EndCardWait(app);
        Conclude(app, ended, ack);
        return;
    }
    const std::uint8_t* tail = ack.payload.data();
    TakeResultSoFar(app, ScanAcknowledgementTail(tail, ack.payloadSize, app.op.resultStart), tail,
                    ack.payloadSize);
}

// After the acknowledgement brought what is or may be the beginning of the
// result, the ticks read on from it instead of polling, which would drop a
// byte of it. A read error ends the wait at once: its box has been shown,
// and the link is in doubt.
void ReadOnResult(AppContext& app) {
    ReplyBuffer more;
    if (!ReadFromReader(app, more) && more.failed) {
        FinishWith(app, nullptr);
        return;
    }
    std::uint8_t joined[2 * ReplyBuffer::kCapacity];
    const ReplyBuffer& held = app.op.resultStart;
    const std::size_t added = std::min(more.count, ReplyBuffer::kCapacity);
    std::memcpy(joined, held.bytes.data(), held.count);
    std::memcpy(joined + held.count, more.bytes.data(), added);
    const std::size_t joinedCount = held.count + added;
    const ResultSoFar so = ScanReadOn(joined, joinedCount, app.op.resultStart);
    if (app.op.tickCount < kCardWaitTicks) {
        TakeResultSoFar(app, so, joined, joinedCount);
        return;
    }
    // The last tick: a begun result is judged as it stands; without one the
    // reader did not answer.
    if (so == ResultSoFar::Maybe)
        FinishWith(app, nullptr);
    else
        TakeResultSoFar(app, so == ResultSoFar::Begun ? ResultSoFar::Complete : so, joined,
                        joinedCount);
}

}  // namespace

void CardTimerTick(AppContext& app) {
    // A box opened inside a tick runs a modal loop that goes on dispatching
    // this timer; such ticks must not step the wait underneath it.
    // Only a tick the wait handles moves the bar.
    const CardWaitStage stage = app.op.cardWait;
    const bool cardWaitRuns =
        app.op.wait == RunningWait::Card || app.op.wait == RunningWait::ReadBack;
    if (!cardWaitRuns || stage == CardWaitStage::InTick) return;
    app.progress.Step();
    ++app.op.tickCount;
    app.op.cardWait = CardWaitStage::InTick;
    switch (stage) {
        case CardWaitStage::Acknowledgement: ReadAcknowledgement(app); break;
        case CardWaitStage::ReadingResult: ReadOnResult(app); break;
        case CardWaitStage::Result:
            if (app.op.tickCount >= kCardWaitTicks || app.port.PollReplyByte())
                ReadResultAndFinish(app);
            break;
        case CardWaitStage::Identifying: IdentifyTick(app); break;
        case CardWaitStage::InTick: break;
    }
    // A tick that settled nothing leaves the wait where it stood.
    if (app.op.cardWait == CardWaitStage::InTick) app.op.cardWait = stage;
}

}  // namespace tollvane
