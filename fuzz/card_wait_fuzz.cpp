// The whole card wait driven through the serial fake: a card command on a
// connected reader, reply bytes in random chunks between random ticks, read
// errors, boxes whose modal loop dispatches ticks, cyclic runs. Every wait
// ends within 165 ticks with one message for its outcome plus only the
// follow-ups the rules name, the port closed exactly when the outcome says
// so, a cyclic run going on only after a success, and every drawn number
// sent recorded first.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/reader/card_wait.h"
#include "fuzz_target.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "support/fakes.h"

namespace tollvane::fuzz {
namespace {

using testing::TestApp;

// Pieces of the reader's speech, so that the fuzzer reaches the result
// lines without having to guess them byte by byte.
std::vector<std::string> Tokens() {
    std::vector<std::string> tokens = {
        "\n\rAT+Uw - OK!", " - OK!",          "\n\rAT+DAT_OK", "\rAT+DAT_OK", "\n\rAT+ERR_04",
        "\rAT+ERR_18",     " - UNKNOWN CMD!", " - OK! >> 2.00", " - OK! >> 1.5", "\n", "\r", "\rAT+", "\n\rAT",
    };
    // A read-back frame with both checksums good.
    CommandFrame frame = BuildMasterWriteFrame(FormSnapshot{.classicChecked = true, .workModeIndex = 1});
    frame[3] = 'm';
    frame[4] = 's';
    frame[kFrameCrcOffset] = Crc8(frame.data(), static_cast<std::uint8_t>(kFrameCrcOffset));
    tokens.push_back("\n\r" + std::string(frame.begin(), frame.end()));
    return tokens;
}

struct Snapshot {
    std::size_t sent, shown, pauses;
    int closes;
    bool waiting, cyclic, manual;
};

class Run {
public:
    explicit Run(TestApp& t) : t_(t) {}
    bool drawsNumbers = false;

    Snapshot Take() const {
        return {t_.port.sent.size(), t_.boxes.shown.size(), t_.sleeper.pauses.size(), t_.port.closes,
                t_.app.op.waitRunning, t_.app.op.cyclicRun != CyclicRun::None,
                t_.app.link.manualConnect};
    }

    // A frame went out: the wait it starts counts its ticks from here. A User
    // write in a sector-data mode with "Generate unique data before write"
    // sends only a number the store recorded.
    void CheckNewFrames(std::size_t from) {
        for (std::size_t i = from; i < t_.port.sent.size(); ++i) {
            ticksInWait_ = 0;
            const std::vector<std::uint8_t>& frame = t_.port.sent[i];
            if (!drawsNumbers || frame.size() != kCommandFrameSize || frame[3] != 'U' || frame[4] != 'w') continue;
            const std::uint8_t mode = frame[kFrameSettingsOffset + 5];
            if (mode != 'f' && mode != 'g') continue;
            std::array<std::uint8_t, 7> number{};
            std::copy_n(frame.begin() + kFrameSettingsOffset + 8, 7, number.begin());
            if (mode == 'g') ScrambleUniqueData(number.data());
            const auto& recorded = t_.users.recorded;
            FUZZ_CHECK(std::find(recorded.begin(), recorded.end(), number) != recorded.end());
        }
    }

    // One tick from the message loop.
    void Tick() {
        const Snapshot before = Take();
        if (!t_.Tick(TimerId::Card)) return;
        if (before.waiting) ++ticksInWait_;
        const Snapshot after = Take();
        FUZZ_CHECK(ticksInWait_ <= kCardWaitTicks || !after.waiting);
        if (before.waiting && (!after.waiting || after.sent > before.sent)) CheckEnd(before, after);
        CheckNewFrames(before.sent);
    }

private:
    bool Shown(std::size_t at, Msg text) const {
        return at < t_.boxes.shown.size() && t_.boxes.shown[at].text == t_.T(text);
    }
    bool StoreFailed(std::size_t at) const {
        return at < t_.boxes.shown.size() && t_.boxes.shown[at].text.starts_with(t_.T(Msg::kUsersDataWriteError));
    }

    void CheckEnd(const Snapshot& before, const Snapshot& after) {
        const std::size_t first = before.shown, count = after.shown - before.shown;
        const bool paused = after.pauses > before.pauses && t_.sleeper.pauses.back() == 1000;
        const bool closed = after.closes > before.closes;
        FUZZ_CHECK(t_.progress.open == after.waiting && t_.progress.mainWindowEnabled == !after.waiting);
        if (after.sent > before.sent) {  // a cyclic run goes on only after a success, shown by its pause alone
            FUZZ_CHECK(before.cyclic && paused && count == 0 && !closed);
            return;
        }
        FUZZ_CHECK(!after.cyclic);
        // Silence from a reader the search found; a run whose next card got
        // no number (it could not be made, or usersData.data could not take
        // it) ends with that one box.
        if (count == 0) {
            FUZZ_CHECK(closed && !before.manual);
            return;
        }
        bool cardResult = before.cyclic && paused && (Shown(first, Msg::kErr05OperationFailed) || StoreFailed(first));
        cardResult |= Shown(first, Msg::kOperationSuccessful);
        for (int m = static_cast<int>(Msg::kErr03MainBoard); m <= static_cast<int>(Msg::kErr18NotUser); ++m)
            cardResult |= Shown(first, static_cast<Msg>(m));
        if (cardResult) {
            FUZZ_CHECK(count == 1 && !closed);
        } else if (Shown(first, Msg::kReaderDidNotRespond)) {
            FUZZ_CHECK(count == 1 && closed && before.manual);
        } else if (Shown(first, Msg::kInvalidCommand) || Shown(first, Msg::kAnswerNotRecognized)) {
            // A port picked by hand is given up with a second notice.
            FUZZ_CHECK(count == (before.manual ? 2u : 1u) && closed == before.manual);
            FUZZ_CHECK(!before.manual || Shown(first + 1, Msg::kReaderDidNotRespond));
        } else {
            // A version in place of an acknowledgement is judged as one.
            const bool rejected = count == 2 && Shown(first + 1, Msg::kUpdateReader);
            FUZZ_CHECK(Shown(first, Msg::kSettingsRead) && (count == 1 || rejected) && closed == rejected);
        }
    }

    TestApp& t_;
    int ticksInWait_ = 0;
};

}  // namespace
}  // namespace tollvane::fuzz

using namespace tollvane;
using namespace tollvane::fuzz;

// Input: one byte of set-up (role, work mode, operation, cyclic flags, port
// picked by hand, unique data before write), one byte of store outcomes,
// then events: ticks, chunks of bytes, known pieces of replies, read errors,
// a modal loop.
TOLLVANE_FUZZ_HARNESS(card_wait) {
    static const std::vector<std::string> tokens = Tokens();
    Bytes in(data, size);
    // A reader found by the search, connected and identified. The bundle is
    // made once; each input starts from its state as it was then.
    static TestApp t(LanguageId::English);
    static const testing::FakeFormView startForm = (t.StartForm(), t.form);
    t.form = startForm;
    t.boxes = {};
    t.timers = {};
    t.progress = {};
    t.sleeper = {};
    t.port = {};
    t.users = {};
    t.app.values = {};
    t.app.op = {};
    t.port.Open("COM3", 19200);
    t.app.link = {"COM3", 1, false};
    t.app.reader = ReaderInfo{'B', 200};
    Run run(t);

    const std::uint8_t setup = in.Byte();
    const std::uint8_t storeBits = in.Byte();
    t.app.link.manualConnect = (setup & 0x80) != 0;
    t.form.SetSelection(Ctl::RoleCombo, setup & 1);
    t.form.SetSelection(Ctl::WorkModeCombo, (setup >> 1) & 3);
    t.form.SetChecked(Ctl::UniqueBeforeWriteCheck, (setup & 0x40) != 0);
    run.drawsNumbers = (setup & 0x40) != 0;
    // Each draw is recorded, already issued, or fails, by two bits in turn.
    const RecordOutcome outcomes[] = {RecordOutcome::Recorded, RecordOutcome::Recorded, RecordOutcome::AlreadyRecorded,
                                      RecordOutcome::Failed};
    for (int i = 0; i < 4; ++i) t.users.outcomes.push_back(outcomes[(storeBits >> (2 * i)) & 3]);
    t.app.op.cyclicRun = (setup & 0x20) != 0 ? CyclicRun::Write : (setup & 0x10) != 0 ? CyclicRun::Clear : CyclicRun::None;
    const Ctl buttons[] = {Ctl::WriteButton, Ctl::ReadButton, Ctl::ClearButton};
    OnClicked(t.app, buttons[(setup >> 3) % 3]);
    run.CheckNewFrames(0);

    // Long inputs add little but time: the first 150 events count.
    for (int events = 0; in.Left() > 0 && events < 150; ++events) {
        const std::uint8_t event = in.Byte();
        switch (event % 8) {
            case 3: t.port.Arrive(std::string(in.Text(event / 8 % 24))); break;
            case 4: t.port.Arrive(tokens[(event / 8) % tokens.size()]); break;
            case 5:
            case 6:  // a read that fails at once or part-way
                t.port.readError = event % 8 == 5;
                if (!t.port.readError) t.port.failAfter = event / 8 % 12;
                run.Tick();
                t.port.readError = false;
                t.port.failAfter.reset();
                break;
            case 7:
                if (t.boxes.modalLoop) t.boxes.modalLoop = nullptr;
                else t.boxes.modalLoop = [] { t.Tick(TimerId::Card); };
                break;
            default:
                run.Tick();
                break;
        }
    }
    // Silence from here on: whatever runs must end by itself.
    for (int i = 0; i < 100000 && t.timers.IsRunning(TimerId::Card); ++i) run.Tick();
    FUZZ_CHECK(!t.timers.IsRunning(TimerId::Card) && !t.app.op.waitRunning);
}
