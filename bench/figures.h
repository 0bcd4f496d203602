// The figures of scripts/bench. Each figure is measured beside its
// straightforward reference in the same process, so that the ratio between
// them says something on any machine while the absolute times do not.
//
// A figure prints one line: name, value, unit, reference value, ratio
// (value / reference: below 1 is better than the reference) and where it
// ran ("native" or "wine"). A time is the best of several runs: on a machine
// shared with other work every disturbance only adds time, so the quickest
// run is the one closest to the code's own cost.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace bench {

#if defined(_WIN32)
inline const char* const kPlatform = "wine";
#else
inline const char* const kPlatform = "native";
#endif

struct Figure {
    std::string name;
    double value = 0;
    std::string unit;
    double reference = 0;
    std::string note;
    // Mean processor time of the measured code per run, in ms; negative when
    // not measured. On a loaded machine it says more than the wall time.
    double cpuMs = -1;
};

using FigureFn = std::function<void(std::vector<Figure>& out)>;

inline std::vector<std::pair<std::string, FigureFn>>& Registry() {
    static std::vector<std::pair<std::string, FigureFn>> registry;
    return registry;
}

struct Register {
    Register(const char* name, FigureFn fn) { Registry().emplace_back(name, std::move(fn)); }
};

inline double NowMs() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// Processor time of this thread in ms. Wine counts it in 10 ms steps; the
// steps fall at random against a run, so a mean over many runs is still fair.
inline double ThreadCpuMs() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

struct Timing {
    double bestMs = 0;
    double cpuMs = 0;  // mean per run
};

// Runs `setup` untimed and then `run` timed, `runs` times: the best wall time
// of `run` and its mean processor time, in milliseconds.
inline Timing Time(int runs, const std::function<void()>& setup, const std::function<void()>& run) {
    std::vector<double> times;
    double cpu = 0;
    for (int i = 0; i < runs; ++i) {
        if (setup) setup();
        const double cpuStart = ThreadCpuMs();
        const double start = NowMs();
        run();
        times.push_back(NowMs() - start);
        cpu += ThreadCpuMs() - cpuStart;
    }
    return {*std::min_element(times.begin(), times.end()), cpu / runs};
}

inline std::string JsonEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

inline void Print(const Figure& f, bool json) {
    const double ratio = f.reference > 0 ? f.value / f.reference : 0;
    if (json) {
        std::printf(
            "{\"name\":\"%s\",\"value\":%.4g,\"unit\":\"%s\",\"reference\":%.4g,\"ratio\":%.4g,"
            "\"cpu_ms\":%.4g,\"platform\":\"%s\",\"note\":\"%s\"}\n",
            JsonEscaped(f.name).c_str(), f.value, JsonEscaped(f.unit).c_str(), f.reference, ratio,
            f.cpuMs, kPlatform, JsonEscaped(f.note).c_str());
    } else {
        char cpu[32] = "";
        if (f.cpuMs >= 0) std::snprintf(cpu, sizeof cpu, "cpu %.3f ms", f.cpuMs);
        std::printf("%-36s %10.3f %-3s  reference %10.3f  ratio %7.4f  %-6s %-16s %s\n",
                    f.name.c_str(), f.value, f.unit.c_str(), f.reference, ratio, kPlatform, cpu,
                    f.note.c_str());
    }
    std::fflush(stdout);
}

// Runs every registered figure whose name contains `filter`.
inline int RunAll(int argc, char** argv) {
    bool json = false;
    std::string filter;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else {
            filter = arg;
        }
    }
    for (const auto& [name, fn] : Registry()) {
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        std::vector<Figure> figures;
        fn(figures);
        for (const Figure& f : figures) Print(f, json);
    }
    return 0;
}

}  // namespace bench

#define BENCH_CONCAT2(a, b) a##b
#define BENCH_CONCAT(a, b) BENCH_CONCAT2(a, b)
#define FIGURE(name)                                                     \
    static void name(std::vector<::bench::Figure>& out);                 \
    static ::bench::Register BENCH_CONCAT(register_, name)(#name, name); \
    static void name(std::vector<::bench::Figure>& out)
