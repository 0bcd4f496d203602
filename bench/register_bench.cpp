// Opening the register of issued cards with 1,000,000 rows (about 250 MB):
// the whole file is read to find the rows, count the successful User writes
// and apply the filter. Under Wine the window itself is opened and closed,
// which is what the operator waits for.
#include "bench.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "register/issued_cards.h"
#include "register/register_browser.h"

#if defined(_WIN32)
#include <windows.h>

#include "app/win/issued_cards_window.h"
#include "support/fakes.h"
#include "base/win/utf.h"
#include "base/win/win_files.h"
#include "process_time.h"
#include "register/register_file_source.h"
#endif

namespace {

namespace fs = std::filesystem;

// Rows as cyclic User writes make them, one in ten a failure with a message
// that has to be quoted.
std::string RegisterText(std::size_t rows) {
    tollvane::FormSnapshot form;
    form.workModeIndex = 1;
    tollvane::CommandFrame frame{'A', 'T', '+', 'U', 'w', 's', 'X'};
    frame[tollvane::kFrameSettingsOffset] = 'U';
    frame[tollvane::kFrameSettingsOffset + 5] = 'f';
    frame[tollvane::kFrameSettingsOffset + 6] = 1;
    std::string text(tollvane::RegisterFileStart());
    text.reserve(rows * 260);
    for (std::size_t i = 0; i < rows; ++i) {
        for (int b = 0; b < 5; ++b)
            form.uniqueData[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(i >> (8 * b));
        tollvane::IssuedCardEntry e = tollvane::EntryFromFrame(frame, form);
        e.time = {2026,
                  12,
                  6,
                  static_cast<int>(i / 3600 % 24),
                  static_cast<int>(i / 60 % 60),
                  static_cast<int>(i % 60),
                  180};
        e.operatorName = "operator";
        e.computer = "DESK-2";
        e.port = "COM5";
        e.readerVersion = "2.00";
        e.cyclic = true;
        const bool failed = i % 10 == 9;
        e.result = failed ? tollvane::IssueResult::NoReply : tollvane::IssueResult::Ok;
        e.message = failed ? "The reader did not respond!\n(Try again or a different COM port)."
                           : "The operation was successful!";
        text += tollvane::FormatRegisterLine(tollvane::MakeRegisterRow(e));
    }
    return text;
}

const fs::path& RegisterFile(std::size_t rows) {
    static fs::path path;
    if (path.empty()) {
        path =
            fs::temp_directory_path() / ("tollvane-bench-issued-" + std::to_string(rows) + ".csv");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << RegisterText(rows);
    }
    return path;
}

#if defined(_WIN32)

void BM_RegisterLoad(benchmark::State& state) {
    tollvane::WinFiles files;
    tollvane::RegisterFileSource source(
        files, tollvane::Narrow(RegisterFile(static_cast<std::size_t>(state.range(0))).wstring()));
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        tollvane::RegisterBrowser browser(source);
        if (!browser.Load() || browser.RowCount() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("not loaded");
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(ProcessCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RegisterLoad)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// From the menu command to a painted window with its list filled.
void BM_RegisterWindowOpen(benchmark::State& state) {
    const tollvane::MessageTable texts(tollvane::LanguageId::English);
    tollvane::testing::FakeMessageBoxes boxes;
    tollvane::IssuedCardsWindow issued(
        texts, boxes, RegisterFile(static_cast<std::size_t>(state.range(0))).wstring());
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        const HWND window = issued.Open({});
        if (!window) state.SkipWithError("no window (is there a display?)");
        state.PauseTiming();
        DestroyWindow(window);
        state.ResumeTiming();
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(ProcessCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RegisterWindowOpen)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

#else

class MemorySource : public tollvane::RegisterSource {
public:
    explicit MemorySource(std::string text) : text_(std::move(text)) {}
    bool Size(std::uint64_t& size) override {
        size = text_.size();
        return true;
    }
    bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) override {
        got = text_.copy(bytes, n, offset);
        return true;
    }

private:
    std::string text_;
};

// The row scan alone, over the register's bytes in memory.
void BM_RegisterLoadMemory(benchmark::State& state) {
    MemorySource source(RegisterText(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        tollvane::RegisterBrowser browser(source);
        browser.Load();
        benchmark::DoNotOptimize(browser.RowCount());
    }
}
BENCHMARK(BM_RegisterLoadMemory)->Arg(1000000)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
