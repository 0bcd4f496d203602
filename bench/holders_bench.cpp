// Cards for a list of people with 100,000 people on the list: the import of
// the whole list (reading the file, every line checked against usersData.data
// and the list, the list rewritten) and, under Wine, the "Card holders"
// window opening on it, which is what the operator waits for.
#include "bench.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/holders/card_holders.h"
#include "app/holders/holders_list.h"
#include "support/fakes.h"

#if defined(_WIN32)
#include <windows.h>

#include "app/holders/holders_run.h"
#include "app/win/card_holders_window.h"
#include "base/win/utf.h"
#include "process_time.h"
#endif

namespace {

namespace fs = std::filesystem;

// A spreadsheet's CSV: names, every other person with a number of his own.
std::string ImportFile(std::size_t people) {
    std::string text = "Name;UniqueData\r\n";
    char line[96];
    for (std::size_t i = 0; i < people; ++i) {
        const int n = std::snprintf(line, sizeof line, "Person number %zu, staff", i);
        text.append("\"").append(line, static_cast<std::size_t>(n)).append("\"");
        if (i % 2 == 0) {
            std::snprintf(line, sizeof line, ";%02X %02X %02X 44 55 66 77\r\n",
                          static_cast<unsigned>(i >> 16) & 0xFF,
                          static_cast<unsigned>(i >> 8) & 0xFF, static_cast<unsigned>(i) & 0xFF);
            text += line;
        } else {
            text += ";\r\n";
        }
    }
    return text;
}

// usersData.data with a million numbers none of which the list gives.
std::string UsersData() {
    std::string text;
    char record[16];
    for (std::size_t i = 0; i < 1000000; ++i) {
        if (i > 0) text += i % 10 == 0 ? "\r\n" : " ";
        std::snprintf(record, sizeof record, "F%05zX0000", i);
        text += record;
    }
    return text;
}

void BM_HoldersImport(benchmark::State& state) {
    const std::string file = ImportFile(static_cast<std::size_t>(state.range(0)));
    const std::string users = UsersData();
    const tollvane::MessageTable texts(tollvane::LanguageId::English);
    for (auto _ : state) {
        state.PauseTiming();
        tollvane::testing::MemoryFiles files;
        tollvane::testing::FakeSleeper sleeper;
        files.Put("usersData.data", users);
        tollvane::FileHolders store(files, sleeper, tollvane::HolderPaths{}, "CardHolders.csv");
        tollvane::HoldersList list(store);
        state.ResumeTiming();
        const tollvane::HoldersNote note = list.Import(file, {}, texts);
        if (list.Counts().waiting != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError(note.text.c_str());
    }
}
BENCHMARK(BM_HoldersImport)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

#if defined(_WIN32)

// From the menu command to a painted window with its list filled.
void BM_HoldersWindowOpen(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "tollvane-bench-holders";
    fs::create_directories(folder);
    std::vector<tollvane::CardHolder> people;
    for (std::size_t i = 0; i < static_cast<std::size_t>(state.range(0)); ++i) {
        tollvane::CardHolder p;
        p.name = "Person number " + std::to_string(i) + ", staff";
        if (i % 2 == 0) {
            p.number = tollvane::HolderNumber{static_cast<std::uint8_t>(i >> 16),
                                              static_cast<std::uint8_t>(i >> 8),
                                              static_cast<std::uint8_t>(i),
                                              0x44,
                                              0x55,
                                              0x66,
                                              0x77};
            p.status = tollvane::HolderStatus::Issued;
            p.time = "2026-12-06T18:30:05+03:00";
        }
        people.push_back(std::move(p));
    }
    std::ofstream(folder / "CardHolders.csv", std::ios::binary | std::ios::trunc)
        << tollvane::FormatCardHolders(people);

    tollvane::testing::TestApp t(tollvane::LanguageId::English);
    tollvane::WinFiles files;
    struct Clock : tollvane::StationClock {
        tollvane::RegisterTime Now() override { return {}; }
        std::string OperatorName() override { return {}; }
        std::string ComputerName() override { return {}; }
    } clock;
    const auto in = [&](const char* name) { return tollvane::Narrow((folder / name).wstring()); };
    tollvane::FileHolders store(
        files, t.sleeper, {in("CardHolders.csv"), in("CardHolders.tmp"), in("CardHolders.lock")},
        "CardHolders.csv");
    tollvane::HoldersRun run(store, clock);
    tollvane::CardHoldersWindow window(t.app, run);
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        const HWND opened = window.Open({});
        if (!opened) state.SkipWithError("no window (is there a display?)");
        state.PauseTiming();
        if (ListView_GetItemCount(GetDlgItem(opened, 82)) != state.range(0))
            state.SkipWithError("not filled");
        DestroyWindow(opened);
        state.ResumeTiming();
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(ProcessCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HoldersWindowOpen)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

#endif

}  // namespace
