#include "app/reader/card_wait.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/holders/holders_run.h"
#include "app/progress.h"
#include "app/reader/card_command.h"
#include "app/reader/link.h"
#include "app/reader/replies.h"
#include "protocol/replies.h"

namespace tollvane {

namespace {

// What kind of acknowledgement the reply is, leaving the reply as it came
// (ParseAck moves a version to the front of the buffer it looks at).
AckKind AckOf(ReplyBuffer reply) { return ParseAck(reply); }

// --- The register of issued cards ----------------------------------------------------

// The row of the command whose wait ends with this reply (null: nothing
// came), with the text the operator is shown, or would be in a cyclic run.
// It is written before that text is shown.
void RecordCardOutcome(AppContext& app, const ReplyBuffer* reply) {
    if (app.issued == nullptr || !app.issued->HasPendingCommand()) return;
    IssueResult result = IssueResult::Unrecognized;
    int errorCode = 0;
    Msg text = Msg::kAnswerNotRecognized;
    if (reply == nullptr || reply->count == 0) {
        result = IssueResult::NoReply;
        text = Msg::kReaderDidNotRespond;
    } else {
        const AckKind ack = AckOf(*reply);
        if (ack == AckKind::UnknownCommand) {
            text = Msg::kInvalidCommand;
        } else if (ack == AckKind::Nothing) {
            const CardResult card = ClassifyCardResult(*reply);
            if (card.kind == CardResultKind::Success || card.kind == CardResultKind::ReadData) {
                result = IssueResult::Ok;
                text = card.message;
            } else if (card.kind == CardResultKind::Error) {
                result = IssueResult::Error;
                errorCode = card.errorCode;
                text = card.message;
            }
        }
    }
    RecordOutcomeText(app, result, errorCode, app.texts[text]);
}

// --- The result line ----------------------------------------------------------------

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

// True when the bytes can only be the first part of a result line: nothing
// yet, or a beginning that a known result line continues.
bool IsResultBeginning(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return true;
    for (const ResultShape& shape : kResultShapes) {
        const std::size_t compared = std::min(count, std::strlen(shape.head));
        if (std::memcmp(bytes, shape.head, compared) == 0 && count < shape.length) return true;
    }
    return false;
}

// Where the acknowledgement " - OK!" ends in a reply that ParseAck called a
// plain acknowledgement (the first such text is the one it found).
std::size_t AckEnd(const ReplyBuffer& reply) {
    static constexpr char kAck[] = " - OK!";
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    const auto* begin = reply.bytes.data();
    const auto* found = std::search(begin, begin + received, kAck, kAck + sizeof kAck - 1);
    return static_cast<std::size_t>(found - begin) + sizeof kAck - 1;
}

// What the bytes after an acknowledgement hold of the result line.
enum class ResultSoFar {
    None,      // text of the reader's own (a line end, a word): the wait polls on
    Maybe,     // ends in what could be the line feed or "\rAT" of a result
    Begun,     // "\rAT+" has come, the rest of the line has not
    Complete,  // a whole result line, or one no known result continues
};

// Looks for the result line in the bytes after the acknowledgement; keeps in
// held the part of them that belongs to it. The device may end its
// acknowledgement with any text, a line end included, so only "\rAT+" marks
// the result: a carriage return of the acknowledgement's own line end is
// never taken for the result's.
ResultSoFar ScanForResult(const std::uint8_t* bytes, std::size_t count, ReplyBuffer& held) {
    static constexpr char kResultHead[] = "\rAT+";
    static constexpr char kLineHead[] = "\n\rAT+";
    held.Clear();
    const std::uint8_t* found = std::search(bytes, bytes + count, kResultHead, kResultHead + 4);
    if (found != bytes + count) {
        held.count = std::min(static_cast<std::size_t>(bytes + count - found), ReplyBuffer::kCapacity);
        std::memcpy(held.bytes.data(), found, held.count);
        return IsResultBeginning(held.bytes.data(), held.count) ? ResultSoFar::Begun : ResultSoFar::Complete;
    }
    for (std::size_t k = std::min<std::size_t>(count, 4); k > 0; --k) {
        const std::uint8_t* tail = bytes + count - k;
        if (std::memcmp(tail, kLineHead, k) == 0 || (k < 4 && std::memcmp(tail, kResultHead, k) == 0)) {
            held.count = k;
            std::memcpy(held.bytes.data(), tail, k);
            return ResultSoFar::Maybe;
        }
    }
    return ResultSoFar::None;
}

// --- The end of the wait ------------------------------------------------------------

// A success goes on to the next card; anything else ends the run.
void ContinueCyclicRun(AppContext& app) {
    if (!CyclicRunActive(app)) return;
    if (!app.op.operationSucceeded) {
        ClearCyclicFlags(app);
        return;
    }
    app.op.operationSucceeded = false;
    if (app.op.cyclicWriteActive) WriteCard(app);
    else ClearCard(app);
}

// The register row of the outcome, then its message; the main window is
// enabled again. A second acknowledgement where the result belongs says
// nothing of the card: the register calls it unrecognised, and so does the
// operator's message, or the run would end without a word.
void SayOutcome(AppContext& app, ReplyBuffer* reply) {
    app.op.resultStarted = false;
    RecordCardOutcome(app, reply);
    if (!reply) NoReply(app);
    else if (AckOf(*reply) == AckKind::Ok) AnswerNotRecognised(app);
    else ClassifyReply(app, *reply);
    app.progress.EnableMainWindow(true);
}

// The wait is over before the result is said, so that a box opened for it
// never runs under a live wait.
void EndCardWait(AppContext& app, ReplyBuffer* reply) {
    EndWait(app, TimerId::Card);
    SayOutcome(app, reply);
}

// The end with a result line, or with whatever the line holds once its first
// byte was polled or the last tick came.
void FinishCardWait(AppContext& app, ReplyBuffer* received) {
    EndWait(app, TimerId::Card);
    ReplyBuffer reply;
    const bool got = received ? (reply = *received, true) : ReadFromReader(app, reply);
    SayOutcome(app, got ? &reply : nullptr);
    if (app.holders && app.holders->Active()) {
        app.holders->CardFinished(app, app.op.operationSucceeded ? CardVerdict::Issued : CardVerdict::NotIssued);
    }
    ContinueCyclicRun(app);
}

// The wait ends at its first tick without a result: no poll, no next cycle.
// A read that failed part-way is a failed read, whatever bytes came first.
void StopAtFirstTick(AppContext& app, ReplyBuffer* reply) {
    ClearCyclicFlags(app);
    EndCardWait(app, reply);
}

// Decides from the bytes after the acknowledgement how the wait goes on:
// finished with a whole result, reading on from a begun one, or polling.
void TakeResultSoFar(AppContext& app, const std::uint8_t* bytes, std::size_t count) {
    switch (ScanForResult(bytes, count, app.op.resultStart)) {
        case ResultSoFar::Complete: {
            ReplyBuffer whole = app.op.resultStart;
            FinishCardWait(app, &whole);
            return;
        }
        case ResultSoFar::Begun:
        case ResultSoFar::Maybe:
            app.op.resultStarted = true;
            return;
        case ResultSoFar::None:
            app.op.resultStarted = false;
            return;
    }
}

// The first tick reads the reader's acknowledgement. A fast card operation
// can put its result line into the same read; that result is not lost.
void FirstCardTick(AppContext& app) {
    ReplyBuffer reply;
    if (!ReadFromReader(app, reply)) {
        StopAtFirstTick(app, nullptr);
        return;
    }
    // Only a plain acknowledgement keeps the wait running.
    if (AckOf(reply) != AckKind::Ok) {
        StopAtFirstTick(app, &reply);
        return;
    }
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    const std::size_t end = AckEnd(reply);
    TakeResultSoFar(app, reply.bytes.data() + end, received - end);
}

// After the acknowledgement brought what is or may be the beginning of the
// result, the ticks read on from it instead of polling, which would drop a
// byte of it. A read error ends the wait at once: its box has been shown,
// and the link is in doubt.
void ReadOnResult(AppContext& app) {
    ReplyBuffer more;
    if (!ReadFromReader(app, more) && more.failed) {
        EndCardWait(app, nullptr);
        return;
    }
    std::uint8_t joined[2 * ReplyBuffer::kCapacity];
    const ReplyBuffer& held = app.op.resultStart;
    const std::size_t added = std::min(more.count, ReplyBuffer::kCapacity);
    std::memcpy(joined, held.bytes.data(), held.count);
    std::memcpy(joined + held.count, more.bytes.data(), added);
    const std::size_t joinedCount = held.count + added;
    if (app.op.tickCount < kCardWaitTicks) {
        TakeResultSoFar(app, joined, joinedCount);
        return;
    }
    // The last tick: a begun result is judged as it stands; without one the
    // reader did not answer.
    ReplyBuffer whole;
    const ResultSoFar so = ScanForResult(joined, joinedCount, whole);
    FinishCardWait(app, so == ResultSoFar::Begun || so == ResultSoFar::Complete ? &whole : nullptr);
}

}  // namespace

void CardTimerTick(AppContext& app) {
    // A box opened inside a tick runs a modal loop that goes on dispatching
    // this timer; such ticks must not step the wait underneath it.
    // Only a tick the wait handles moves the bar.
    if (app.op.inCardTick || !app.op.waitRunning) return;
    app.progress.Step();
    app.op.inCardTick = true;
    ++app.op.tickCount;
    if (app.op.tickCount == 1) FirstCardTick(app);
    else if (app.op.resultStarted) ReadOnResult(app);
    else if (app.op.tickCount >= kCardWaitTicks || app.port.PollReplyByte()) FinishCardWait(app, nullptr);
    app.op.inCardTick = false;
}

}  // namespace tollvane
