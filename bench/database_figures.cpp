// Recording numbers in the database: one station's time per number on the
// loopback (median and 99th percentile), beside the same durable append to
// usersData.data; then four stations drawing 10,000 numbers each at once,
// as the program draws them (draw, INSERT, draw again when the server
// refuses): numbers per second, the refusals, and the duplicates the server
// let through (there must be none). Native only, against the private server
// scripts/bench starts (TOLLVANE_BENCH_ODBC).
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "database/station_db.h"
#include "figures.h"

namespace {

double Percentile(std::vector<double> times, double share) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1,
                          static_cast<std::size_t>(share * static_cast<double>(times.size())))];
}

// Five bytes as the generator makes them: the first of each pair at most 7F.
void Draw(std::mt19937& random, std::uint8_t data[5]) {
    for (int i = 0; i < 5; ++i)
        data[i] = static_cast<std::uint8_t>(random() & (i % 2 == 0 ? 0x7F : 0xFF));
}

FIGURE(DatabaseRecord) {
    const char* setting = std::getenv("TOLLVANE_BENCH_ODBC");
    if (!setting || !*setting) {
        out.push_back({"db_record_number", 0, "ms", 0,
                       "NOT MEASURED: no TOLLVANE_BENCH_ODBC (run scripts/bench)"});
        return;
    }
    const std::string connection = setting;
    {
        tollvane::DbError error;
        auto admin = tollvane::DbConnection::Open(connection, error);
        if (admin)
            admin->Run("DROP TABLE IF EXISTS numbers, issued_cards, card_holders, schema_version");
    }
    // One station: the durable record, and the same without the server's
    // flush to disk (synchronous_commit off for this session only), which
    // leaves the program's, the driver's and the loopback's share.
    std::mt19937 random(1);
    std::vector<double> fileTimes;
    auto recordTimes = [&](const std::string& settings, bool alsoFile) {
        tollvane::StationDb station(connection + settings, "bench");
        std::vector<double> times;
        tollvane::NumberClaim claim{};
        std::uint8_t data[5];
        const std::string path = "/tmp/tollvane-figures-usersData.data";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
        for (int i = 0; i < 2000; ++i) {
            Draw(random, data);
            double start = bench::NowMs();
            if (station.RecordNumber(data, claim)) return std::vector<double>{};
            times.push_back(bench::NowMs() - start);
            if (!alsoFile) continue;
            // The same number, durable in a file: one append and its flush.
            const std::string record = std::string(1, ' ').append(tollvane::NumberText(data));
            start = bench::NowMs();
            const bool written =
                ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
            ::fdatasync(fd);
            fileTimes.push_back(written ? bench::NowMs() - start : 0);
        }
        ::close(fd);
        ::unlink(path.c_str());
        return times;
    };
    const std::vector<double> durable = recordTimes("", true);
    const std::vector<double> unflushed =
        recordTimes(";ConnSettings=SET synchronous_commit TO off", false);
    if (durable.empty() || unflushed.empty()) {
        out.push_back({"db_record_number", 0, "ms", 0, "NOT MEASURED: a record failed"});
        return;
    }
    const char* note = "loopback, 2,000 numbers; reference: usersData.data append + flush";
    out.push_back({"db_record_number_median", Percentile(durable, 0.5), "ms",
                   Percentile(fileTimes, 0.5), note});
    out.push_back({"db_record_number_p99", Percentile(durable, 0.99), "ms",
                   Percentile(fileTimes, 0.99), note});
    note = "the same, the server not waiting for its disk";
    out.push_back({"db_record_number_unflushed_median", Percentile(unflushed, 0.5), "ms",
                   Percentile(fileTimes, 0.5), note});
    out.push_back({"db_record_number_unflushed_p99", Percentile(unflushed, 0.99), "ms",
                   Percentile(fileTimes, 0.99), note});

    // Four stations at once.
    constexpr int kStations = 4, kEach = 10000;
    std::atomic<long> refusals{0}, failures{0};
    const double start = bench::NowMs();
    std::vector<std::thread> stations;
    for (int s = 0; s < kStations; ++s) {
        stations.emplace_back([&, s] {
            tollvane::StationDb db(connection,
                                   std::string("station").append(1, static_cast<char>('0' + s)));
            std::mt19937 own(100 + s);
            std::uint8_t number[5];
            tollvane::NumberClaim got{};
            for (int drawn = 0; drawn < kEach && failures < 100;) {
                Draw(own, number);
                if (db.RecordNumber(number, got))
                    ++failures;
                else if (got == tollvane::NumberClaim::Recorded)
                    ++drawn;
                else
                    ++refusals;
            }
        });
    }
    for (std::thread& t : stations) t.join();
    const double seconds = (bench::NowMs() - start) / 1000.0;
    std::vector<tollvane::DbRow> rows;
    tollvane::DbError error;
    auto check = tollvane::DbConnection::Open(connection, error);
    if (check)
        check->Run(
            "SELECT COUNT(*) - COUNT(DISTINCT w26) FROM numbers WHERE station LIKE 'station%'", {},
            &rows);
    const double duplicates = rows.empty() ? -1 : std::stod(rows[0][0].value_or("-1"));
    std::string load = "4 stations x 10,000 at once";
    if (failures) load.append(", ").append(std::to_string(failures.load())).append(" FAILED");
    out.push_back({"db_4_stations_numbers_per_s", kStations * kEach / seconds, "/s", 0, load});
    out.push_back({"db_4_stations_refusals", static_cast<double>(refusals.load()), "", 0,
                   "drawn again after 23505"});
    out.push_back({"db_4_stations_duplicates", duplicates, "", 0,
                   "Wiegand 26 keys recorded twice (target 0)"});
}

}  // namespace
#endif
