// The cycle time per card of a cyclic User write ("Generate unique data
// before write") with "Verify after write" off and on. The reader is
// simulated on a clock of its own: it acknowledges a frame at once and
// answers it after a fixed card work (a read with what the last write put on
// the card); the CardTimer ticks are 50 ms apart and the pause between
// cycles counts its 1000 ms. The host's own time is added as measured. With
// the option on, a card should cost one read round trip more and nothing
// else: the read's acknowledgement, its card work, the poll that finds it.
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>

#include "figures.h"
#include "protocol/crc8.h"
#include "support/fakes.h"

namespace {

using namespace tollvane;

constexpr double kTickMs = 50;
constexpr double kCardWorkMs = 300;

// What the card a frame wrote gives back to a read: its frame with letters
// "ms", the keys not sent back, both checksums.
std::string ReadBackOf(std::vector<std::uint8_t> frame) {
    frame[3] = 'm';
    frame[4] = 's';
    std::fill(frame.begin() + 7, frame.begin() + 29, std::uint8_t{0});
    frame[44] = Crc8(frame.data() + kFrameSettingsOffset, 15);
    frame[45] = Crc8(frame.data(), 45);
    return "\n\r" + std::string(frame.begin(), frame.end());
}

// Simulated and host time per card over a run of `cards` cards; -1 when the
// run did not go on card after card. With identify, each card's ID is read
// before its write (a new card each time), as a run that verifies does.
double CycleMs(bool verify, int cards, bool identify = false) {
    testing::TestApp t;
    t.Connect();
    t.SelectCombo(Ctl::WorkModeCombo, 1);
    t.SelectCombo(Ctl::RoleCombo, 1);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.app.verifyAfterWrite = verify;
    t.app.identifyCards = identify;
    double clock = 0, due = -1;
    std::string answer;
    std::vector<std::uint8_t> written;
    int writes = 0;
    t.port.onSend = [&](const std::vector<std::uint8_t>& frame) {
        if (frame.size() != 46) {  // Read ID: the card of the next write
            char reply[64];
            std::snprintf(reply, sizeof reply, "\n\rAT+IDS - OK! >> %010d %010u.",
                          12345678 + writes, 3232235777u);
            t.port.Arrive(reply);
            return;
        }
        t.port.Arrive(std::string("\n\rAT+") + char(frame[3]) + char(frame[4]) + " - OK!");
        if (frame[4] == 'w') {
            written = frame;
            ++writes;
        }
        answer = frame[4] == 'w' ? "\n\rAT+DAT_OK" : ReadBackOf(written);
        due = clock + kCardWorkMs;
    };
    const double start = bench::NowMs();
    t.Click(Ctl::WriteCyclicButton);
    // Until the card after the last one measured is sent.
    while (writes <= cards && t.timers.IsRunning(TimerId::Card)) {
        if (due >= 0 && clock >= due) {
            t.port.Arrive(answer);
            due = -1;
        }
        t.Tick(TimerId::Card);
        clock += kTickMs;
    }
    const double host = bench::NowMs() - start;
    clock += std::accumulate(t.sleeper.pauses.begin(), t.sleeper.pauses.end(), 0.0);
    const bool ranOn = writes == cards + 1 && t.app.op.cyclicRun == CyclicRun::Write;
    return ranOn ? (clock + host) / cards : -1;
}

FIGURE(VerifyCycle) {
    const double off = CycleMs(false, 200);
    const double on = CycleMs(true, 200);
    const std::string clock =
        "simulated: 50 ms ticks, 1000 ms pause, 300 ms card work; host time added";
    out.push_back({"cyclic_cycle_verify_off", off, "ms", 0, "per card; " + clock});
    out.push_back({"cyclic_cycle_verify_on", on, "ms", off,
                   "per card; reference: verify off; the difference is one read round trip"});
    const double identified = CycleMs(true, 200, true);
    out.push_back({"cyclic_cycle_verify_identify", identified, "ms", on,
                   "per card; reference: the same verified run without identifying cards; the "
                   "difference is one "
                   "Read ID exchange (100 ms)"});
}

}  // namespace
