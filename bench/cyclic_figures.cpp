// The host's own time per card of a cyclic user-card write with "Generate
// unique data before write": the result read and classified, the next value
// generated and recorded, its frame built and sent. The 1000 ms pause and the
// device's time are left out (the pause is not slept, the fake reader answers
// at once, the wait's ticks come one after the other). The numbers go to a
// store in memory; usersdata_next_record_1M is the file's share. The
// reference records each card's number the original way: a usersData.data of
// 10,000 records read one byte at a time.
#include <filesystem>
#include <fstream>
#include <string>

#include "figures.h"
#include "reference_store.h"
#include "sample_data.h"
#include "support/fakes.h"

namespace {

using namespace tollvane;

const std::string kDatOk = "\n\rAT+DAT_OK";

// A cyclic run of `cards` cards; the best time per card, or -1 when the run
// did not go on card after card.
double PerCard(int cards, const std::function<void(testing::TestApp&)>& onRecord) {
    testing::TestApp t;
    t.Connect();
    t.SelectCombo(Ctl::WorkModeCombo, 1);
    t.SelectCombo(Ctl::RoleCombo, 1);
    t.Click(Ctl::UniqueBeforeWriteCheck);
    t.Click(Ctl::WriteCyclicButton);
    const std::size_t sentBefore = t.port.sent.size();
    const double best = bench::Time(cards, nullptr, [&] {
                            t.Tick(TimerId::Card);
                            t.Tick(TimerId::Card);
                            t.port.Arrive(kDatOk);
                            if (onRecord) onRecord(t);
                            t.Tick(TimerId::Card);
                        }).bestMs;
    const bool ranOn = t.port.sent.size() == sentBefore + static_cast<std::size_t>(cards) &&
                       t.app.op.cyclicRun == CyclicRun::Write;
    return ranOn ? best : -1;
}

FIGURE(CyclicCard) {
    const double own = PerCard(200, nullptr);
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "tollvane-figures-cyclic.data";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bench::UsersDataText(10000);
    std::uint64_t next = 1u << 30;
    const double reference = PerCard(5, [&](testing::TestApp&) {
        std::uint8_t data[7];
        bench::NumberBytes(next++, data);
        bench::RecordBytewise(file, data);
    });
    std::filesystem::remove(file);
    out.push_back({"cyclic_card_host", own, "ms", reference,
                   "per card, pause and device excluded; add usersdata_next_record_1M; reference: "
                   "10,000 records read byte-wise"});
}

}  // namespace
