// Recording a new number in a usersData.data of 1,000,000 records: the first
// record after start (the index is built from the file) and every later one
// (the index answers; the file is only checked for outside changes and
// appended to). The reference reads the file one byte at a time, as a reader
// of the original design does, for every record.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "carddata/users_data.h"
#include "carddata/users_data_index.h"
#include "figures.h"
#include "reference_store.h"
#include "sample_data.h"

#if defined(_WIN32)
#include <windows.h>

#include "base/message_table.h"
#include "base/ui.h"
#include "carddata/users_data_store.h"
#include "no_flush_files.h"
#else
#endif

namespace {

namespace fs = std::filesystem;
using bench::File;
using bench::RecordBytewise;
using tollvane::UsersDataIndex;

constexpr std::size_t kRecords = 1000000;

using bench::NumberBytes;

#if defined(_WIN32)
class NoSleep : public tollvane::Sleeper {
public:
    void SleepMs(unsigned) override {}
};

// The program's own store.
struct Store {
    explicit Store(const fs::path& p) : path(p) { Forget(); }
    bool Record(const std::uint8_t data[7]) {
        return file->Record(data) == tollvane::RecordOutcome::Recorded;
    }
    // A new store knows nothing yet: its first record reads the file.
    void Forget() {
        file = std::make_unique<tollvane::UsersDataStore>(files, sleeper, path.string());
    }
    fs::path path;
    bench::NoFlushFiles files;  // the flush measures the disk, not the program
    NoSleep sleeper;
    std::unique_ptr<tollvane::UsersDataStore> file;
};
#else
// The program's way over POSIX calls: the index, built when missing or when
// the file is not as it was left, then one lookup and one append.
struct IndexedStore {
    fs::path path;
    UsersDataIndex index;
    std::pair<std::uint64_t, std::uint64_t> left{};

    bool Record(const std::uint8_t data[7]) {
        File file(path);
        const auto stamp = file.Stamp();
        if (!index.Ready() || stamp != left) {
            std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[64 * 1024]);
            const bool built = index.Build([&](const UsersDataIndex::BlockSink& sink) {
                file.Seek(false);
                long got;
                while ((got = file.Read(block.get(), 64 * 1024)) > 0)
                    sink(block.get(), static_cast<std::size_t>(got));
                return got == 0;
            });
            if (!built) return false;
        }
        const std::uint64_t number = tollvane::UsersDataNumber(data);
        if (index.Contains(number)) return false;
        file.Seek(true);
        if (!file.Write(index.SeparatorForNext() + tollvane::UsersDataRecordText(data)))
            return false;
        index.Add(number);
        left = file.Stamp();
        return true;
    }
};

struct Store {
    explicit Store(const fs::path& p) : store{p, {}, {}} {}
    bool Record(const std::uint8_t data[7]) { return store.Record(data); }
    void Forget() { store.index.Clear(); }
    IndexedStore store;
};
#endif

std::uint64_t FileSize(const fs::path& path) { return fs::file_size(path); }

FIGURE(UsersDataRecord) {
    const fs::path path = bench::WriteUsersDataFile("tollvane-figures-users-", kRecords);
    const std::uint64_t size = FileSize(path);
    std::uint64_t next = kRecords;
    auto cutBack = [&] { File(path).Truncate(size); };

    Store store(path);
    bool ok = true;
    const bench::Timing first = bench::Time(
        15,
        [&] {
            cutBack();
            store.Forget();
        },
        [&] {
            std::uint8_t data[7];
            NumberBytes(next++, data);
            ok = store.Record(data) && ok;
        });
    cutBack();
    store.Forget();
    std::uint8_t data[7];
    NumberBytes(next++, data);
    ok = store.Record(data) && ok;
    const bench::Timing later = bench::Time(200, nullptr, [&] {
        NumberBytes(next++, data);
        ok = store.Record(data) && ok;
    });
    tollvane::UsersDataIndex index;
    {
        const std::string text = bench::UsersDataText(kRecords);
        index.Build([&](const UsersDataIndex::BlockSink& sink) {
            sink(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            return true;
        });
    }
    const double memoryMb = static_cast<double>(index.MemoryBytes()) / (1024.0 * 1024.0);

    // The byte-wise reading takes a minute for a million records; it grows
    // with the file alone, so it runs over 10,000 records and counts a
    // hundred times.
    const fs::path small = bench::WriteUsersDataFile("tollvane-figures-users-", kRecords / 100);
    const std::uint64_t smallSize = FileSize(small);
    bool refOk = true;
    const double reference = 100.0 * bench::Time(
                                         5, [&] { File(small).Truncate(smallSize); },
                                         [&] {
                                             NumberBytes(next++, data);
                                             refOk = RecordBytewise(small, data) && refOk;
                                         })
                                         .bestMs;
    fs::remove(small);
    fs::remove(path);

    const std::string note =
        ok && refOk ? "flush not counted; reference: 10,000 records x 100" : "NOT RECORDED";
    out.push_back({"usersdata_first_record_1M", first.bestMs, "ms", reference, note, first.cpuMs});
    out.push_back({"usersdata_next_record_1M", later.bestMs, "ms", reference, note, later.cpuMs});
    // Beside a sorted array of the 64-bit numbers, the plainest compact form.
    out.push_back(
        {"usersdata_index_memory_1M", memoryMb, "MB", kRecords * 8.0 / (1024.0 * 1024.0), ""});
}

}  // namespace
