// Recording a new number in usersData.data holding 10,000, 100,000 and
// 1,000,000 records: the whole file is read before the number is appended,
// so this is the cost of one "Generate unique" click. The flush to disk is
// measured on its own, beside the record, because it depends on the disk
// rather than on our code.
#include "bench.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "carddata/users_data.h"
#include "users_data_scanner.h"
#include "sample_data.h"

#if defined(_WIN32)
#include <windows.h>

#include "carddata/users_data_store.h"
#include "process_time.h"
#include "no_flush_files.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#endif

namespace {

namespace fs = std::filesystem;

using bench::NumberBytes;

#if defined(_WIN32)

class NoSleep : public tollvane::Sleeper {
public:
    void SleepMs(unsigned) override {}
};

void BM_UsersDataRecord(benchmark::State& state) {
    const auto records = static_cast<std::size_t>(state.range(0));
    const fs::path path = bench::WriteUsersDataFile("tollvane-bench-users-", records);
    bench::NoFlushFiles files;
    NoSleep sleeper;
    tollvane::UsersDataStore store(files, sleeper, path.string());
    std::uint64_t next = records;
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        std::uint8_t data[7];
        NumberBytes(next++, data);
        if (store.Record(data) != tollvane::RecordOutcome::Recorded)
            state.SkipWithError("not recorded");
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(ProcessCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
    fs::remove(path);
}
BENCHMARK(BM_UsersDataRecord)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the record adds by flushing: one small append and FlushFileBuffers.
void BM_UsersDataFlush(benchmark::State& state) {
    const fs::path path = bench::WriteUsersDataFile("tollvane-bench-users-", 10);
    HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_END);
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        DWORD written = 0;
        ::WriteFile(file, " 0102030405", 11, &written, nullptr);
        if (!FlushFileBuffers(file)) state.SkipWithError("flush failed");
    }
    state.counters["cpu_ms"] =
        benchmark::Counter(ProcessCpuMs() - cpuBefore, benchmark::Counter::kAvgIterations);
    CloseHandle(file);
    fs::remove(path);
}
BENCHMARK(BM_UsersDataFlush)->Unit(benchmark::kMillisecond);

#else

// The scanner alone over the file's bytes in memory.
void BM_UsersDataScanMemory(benchmark::State& state) {
    const auto records = static_cast<std::size_t>(state.range(0));
    const std::string text = bench::UsersDataText(records);
    std::uint8_t data[7];
    NumberBytes(records, data);
    const std::string absent = tollvane::UsersDataRecordText(data);
    for (auto _ : state) {
        tollvane::UsersDataScanner scanner(absent);
        scanner.Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        benchmark::DoNotOptimize(scanner.RecordCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_UsersDataScanMemory)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The whole record as the Windows store does it, over POSIX calls: open,
// read in 64 KiB blocks, append the new record, close; no fsync.
void BM_UsersDataRecordPosix(benchmark::State& state) {
    const auto records = static_cast<std::size_t>(state.range(0));
    const fs::path path = bench::WriteUsersDataFile("tollvane-bench-users-", records);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[64 * 1024]);
    std::uint64_t next = records;
    std::size_t count = records;
    for (auto _ : state) {
        std::uint8_t data[7];
        NumberBytes(next++, data);
        const int fd = ::open(path.c_str(), O_RDWR);
        tollvane::UsersDataScanner scanner(tollvane::UsersDataRecordText(data));
        ssize_t got;
        while ((got = ::read(fd, block.get(), 64 * 1024)) > 0)
            scanner.Feed(block.get(), static_cast<std::size_t>(got));
        const std::string text = tollvane::UsersDataSeparator(scanner.RecordCount()) +
                                 tollvane::UsersDataRecordText(data);
        if (scanner.Found() || scanner.RecordCount() != count ||
            ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            state.SkipWithError("not recorded");
        ::close(fd);
        ++count;
    }
    fs::remove(path);
}
BENCHMARK(BM_UsersDataRecordPosix)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_UsersDataFsync(benchmark::State& state) {
    const fs::path path = bench::WriteUsersDataFile("tollvane-bench-users-", 10);
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND);
    for (auto _ : state) {
        if (::write(fd, " 0102030405", 11) != 11 || ::fsync(fd) != 0)
            state.SkipWithError("fsync failed");
    }
    ::close(fd);
    fs::remove(path);
}
BENCHMARK(BM_UsersDataFsync)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
