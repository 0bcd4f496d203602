// The whole card wait through the serial fake: replies in random chunks
// between random ticks, read errors, modal loops that tick, cyclic runs.
// Every wait ends within 165 ticks and gives the main window back.
#include <algorithm>

#include "app/reader/card_wait.h"
#include "fuzz_target.h"
#include "support/fakes.h"

namespace tollvane::fuzz {

// Pieces of replies, so that the fuzzer need not guess them byte by byte.
static const std::vector<std::string>& Tokens() {
    static const std::vector<std::string> tokens = {
        "\n\rAT+Uw - OK!",
        " - OK!",
        "\n\rAT+DAT_OK",
        "\rAT+DAT_OK",
        "\n\rAT+ERR_04",
        "\rAT+ERR_18",
        " - UNKNOWN CMD!",
        " - OK! >> 2.00",
        " - OK! >> 1.5",
        "\n",
        "\r",
        "\rAT+",
        "\n\rAT",
        testing::ReadBackReply(
            BuildMasterWriteFrame(FormSnapshot{.classicChecked = true, .workModeIndex = 1}))};
    return tokens;
}

// A User write in a sector-data mode that draws its number sends only one the store recorded.
static void CheckSent(const testing::TestApp& t, const std::vector<std::uint8_t>& frame) {
    const std::uint8_t mode =
        frame.size() == kCommandFrameSize ? frame[kFrameSettingsOffset + 5] : 0;
    if (frame[3] != 'U' || frame[4] != 'w' || (mode != 'f' && mode != 'g')) return;
    std::array<std::uint8_t, 7> number{};
    std::copy_n(frame.begin() + kFrameSettingsOffset + 8, 7, number.begin());
    if (mode == 'g') ScrambleUniqueData(number.data());
    FUZZ_CHECK(std::find(t.users.recorded.begin(), t.users.recorded.end(), number) !=
               t.users.recorded.end());
}

}  // namespace tollvane::fuzz

// Input: a set-up byte (role, work mode, operation, cyclic run, port picked
// by hand, unique data before write), a byte of store outcomes, then events.
TOLLVANE_FUZZ_HARNESS(card_wait) {
    // A reader found, connected and identified.
    testing::TestApp t(LanguageId::English);
    t.StartForm();
    const std::uint8_t setup = in.Byte(), storeBits = in.Byte();
    const bool draws = setup & 0x40;
    t.port.Open("COM3", 19200);
    t.app.link = {"COM3", 1, (setup & 0x80) != 0};
    t.app.reader = ReaderInfo{'B', 200};
    t.form.SetSelection(Ctl::RoleCombo, setup & 1);
    t.form.SetSelection(Ctl::WorkModeCombo, (setup >> 1) & 3);
    t.form.SetChecked(Ctl::UniqueBeforeWriteCheck, draws);
    using enum RecordOutcome;
    const RecordOutcome outcomes[] = {Recorded, Recorded, AlreadyRecorded, Failed};
    for (int i = 0; i < 4; ++i) t.users.outcomes.push_back(outcomes[(storeBits >> (2 * i)) & 3]);
    t.app.op.cyclicRun = (setup & 0x20)   ? CyclicRun::Write
                         : (setup & 0x10) ? CyclicRun::Clear
                                          : CyclicRun::None;
    OnClicked(t.app,
              std::array{Ctl::WriteButton, Ctl::ReadButton, Ctl::ClearButton}[(setup >> 3) % 3]);

    // One tick from the message loop; a frame sent starts a wait of its own.
    std::size_t checked = 0;
    int ticksInWait = 0;
    const auto tick = [&] {
        const bool waiting = t.app.op.WaitRunning();
        if (!t.Tick(TimerId::Card)) return;
        ticksInWait += waiting;
        for (; checked < t.port.sent.size(); ++checked) {
            if (draws) CheckSent(t, t.port.sent[checked]);
            ticksInWait = 0;
        }
        FUZZ_CHECK(ticksInWait <= kCardWaitTicks || !t.app.op.WaitRunning());
        FUZZ_CHECK(t.progress.open == t.app.op.WaitRunning() &&
                   t.progress.mainWindowEnabled == !t.app.op.WaitRunning());
    };
    for (int events = 0; in.Left() > 0 && events < 150; ++events) {  // more add little but time
        const std::uint8_t event = in.Byte();
        switch (event % 8) {
            case 3: t.port.Arrive(std::string(in.Text(event / 8 % 24))); break;
            case 4: t.port.Arrive(Tokens()[(event / 8) % Tokens().size()]); break;
            case 5:
            case 6:  // a read that fails at once or part-way
                t.port.failAfter = event % 8 == 5 ? 0 : event / 8 % 12;
                tick();
                t.port.failAfter.reset();
                break;
            case 7:
                t.boxes.modalLoop = t.boxes.modalLoop
                                        ? nullptr
                                        : std::function<void()>([&] { t.Tick(TimerId::Card); });
                break;
            default: tick(); break;
        }
    }
    // Silence from here on: whatever runs must end by itself.
    for (int i = 0; i < 100000 && t.timers.IsRunning(TimerId::Card); ++i) tick();
    FUZZ_CHECK(!t.timers.IsRunning(TimerId::Card) && !t.app.op.WaitRunning());
}
