// Benchmark harness. Natively the benchmarks use Google Benchmark; the
// Windows build has no Google Benchmark, so this header supplies the small
// part of its interface that our benchmarks use: the range-based State loop,
// range(), PauseTiming/ResumeTiming, SetItemsProcessed/SetBytesProcessed,
// counters, DoNotOptimize, BENCHMARK(fn)->Arg(n)->Unit(...) and
// BENCHMARK_MAIN(). Each benchmark runs with a growing iteration count until
// it has taken at least the minimum time, then one line is printed with its
// name, the iterations and the mean time per iteration.
#pragma once

#if !defined(_WIN32)

#include <benchmark/benchmark.h>

#else

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

using IterationCount = std::int64_t;

class Counter {
public:
    enum Flags { kDefaults = 0, kIsRate = 1, kAvgIterations = 2 };
    Counter(double value = 0.0, Flags flags = kDefaults) : value(value), flags(flags) {}
    Counter& operator=(double v) {
        value = v;
        return *this;
    }
    Counter& operator+=(double v) {
        value += v;
        return *this;
    }
    operator double() const { return value; }
    double value;
    Flags flags;
};

template <class T>
inline void DoNotOptimize(T const& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

template <class T>
inline void DoNotOptimize(T& value) {
    asm volatile("" : "+r,m"(value) : : "memory");
}

inline void ClobberMemory() { asm volatile("" : : : "memory"); }

class State {
    using Clock = std::chrono::steady_clock;

public:
    State(IterationCount maxIterations, std::vector<std::int64_t> args)
        : maxIterations_(maxIterations), args_(std::move(args)) {}

    // The range-based loop: begin() starts the clock, the iterator counts the
    // remaining iterations, and reaching the end stops the clock.
    struct StateIterator {
        State* state;
        IterationCount remaining;
        // Marked unused so that "for (auto _ : state)" draws no warning.
        struct __attribute__((unused)) Value {};
        Value operator*() const { return Value{}; }
        StateIterator& operator++() {
            --remaining;
            return *this;
        }
        bool operator!=(const StateIterator&) {
            if (remaining > 0) return true;
            state->FinishLoop();
            return false;
        }
    };
    StateIterator begin() {
        StartLoop();
        return StateIterator{this, maxIterations_};
    }
    StateIterator end() { return StateIterator{this, 0}; }

    // The older loop form: while (state.KeepRunning()) { ... }
    bool KeepRunning() {
        if (!started_) {
            StartLoop();
            keepRunningLeft_ = maxIterations_;
        }
        if (keepRunningLeft_ > 0) {
            --keepRunningLeft_;
            return true;
        }
        FinishLoop();
        return false;
    }

    std::int64_t range(std::size_t pos = 0) const { return pos < args_.size() ? args_[pos] : 0; }
    IterationCount iterations() const { return maxIterations_; }
    IterationCount max_iterations = 0;

    void PauseTiming() {
        if (running_) {
            elapsed_ += Clock::now() - startedAt_;
            running_ = false;
        }
    }
    void ResumeTiming() {
        if (!running_) {
            startedAt_ = Clock::now();
            running_ = true;
        }
    }

    void SetItemsProcessed(std::int64_t items) { itemsProcessed_ = items; }
    void SetBytesProcessed(std::int64_t bytes) { bytesProcessed_ = bytes; }
    void SetLabel(const std::string& label) { label_ = label; }
    void SkipWithError(const char* message) { error_ = message ? message : "error"; }

    std::map<std::string, Counter> counters;

    // Used by the runner.
    double ElapsedSeconds() const { return std::chrono::duration<double>(elapsed_).count(); }
    std::int64_t ItemsProcessed() const { return itemsProcessed_; }
    std::int64_t BytesProcessed() const { return bytesProcessed_; }
    const std::string& Label() const { return label_; }
    const std::string& Error() const { return error_; }

private:
    void StartLoop() {
        started_ = true;
        elapsed_ = Clock::duration::zero();
        running_ = false;
        ResumeTiming();
    }
    void FinishLoop() {
        if (finished_) return;
        PauseTiming();
        finished_ = true;
    }

    IterationCount maxIterations_;
    IterationCount keepRunningLeft_ = 0;
    std::vector<std::int64_t> args_;
    bool started_ = false;
    bool finished_ = false;
    bool running_ = false;
    Clock::time_point startedAt_{};
    Clock::duration elapsed_{};
    std::int64_t itemsProcessed_ = 0;
    std::int64_t bytesProcessed_ = 0;
    std::string label_;
    std::string error_;
};

namespace internal {

using Function = void (*)(State&);

class Benchmark {
public:
    Benchmark(std::string name, Function fn) : name_(std::move(name)), fn_(fn) {}

    Benchmark* Arg(std::int64_t x) {
        argSets_.push_back({x});
        return this;
    }
    Benchmark* Args(const std::vector<std::int64_t>& xs) {
        argSets_.push_back(xs);
        return this;
    }
    // Powers of 8 from lo to hi, and hi itself, as Google Benchmark does.
    Benchmark* Range(std::int64_t lo, std::int64_t hi) {
        for (std::int64_t x = lo; x < hi; x = (x < 1 ? 1 : x * 8)) argSets_.push_back({x});
        argSets_.push_back({hi});
        return this;
    }
    Benchmark* DenseRange(std::int64_t lo, std::int64_t hi, std::int64_t step = 1) {
        for (std::int64_t x = lo; x <= hi; x += step) argSets_.push_back({x});
        return this;
    }
    Benchmark* Unit(TimeUnit unit) {
        unit_ = unit;
        return this;
    }
    Benchmark* Iterations(IterationCount n) {
        fixedIterations_ = n;
        return this;
    }
    Benchmark* MinTime(double seconds) {
        minTime_ = seconds;
        return this;
    }
    Benchmark* UseRealTime() { return this; }

    const std::string& Name() const { return name_; }
    void Run() const;

private:
    void RunOne(const std::vector<std::int64_t>& args) const;

    std::string name_;
    Function fn_;
    std::vector<std::vector<std::int64_t>> argSets_;
    TimeUnit unit_ = kNanosecond;
    IterationCount fixedIterations_ = 0;
    double minTime_ = 0.5;
};

inline std::vector<std::unique_ptr<Benchmark>>& Registry() {
    static std::vector<std::unique_ptr<Benchmark>> registry;
    return registry;
}

inline std::string& Filter() {
    static std::string filter;
    return filter;
}

inline Benchmark* RegisterBenchmark(const char* name, Function fn) {
    Registry().push_back(std::make_unique<Benchmark>(name, fn));
    return Registry().back().get();
}

inline const char* UnitName(TimeUnit unit) {
    switch (unit) {
        case kNanosecond: return "ns";
        case kMicrosecond: return "us";
        case kMillisecond: return "ms";
        case kSecond: return "s";
    }
    return "ns";
}

inline double UnitScale(TimeUnit unit) {
    switch (unit) {
        case kNanosecond: return 1e9;
        case kMicrosecond: return 1e6;
        case kMillisecond: return 1e3;
        case kSecond: return 1.0;
    }
    return 1e9;
}

inline void Benchmark::RunOne(const std::vector<std::int64_t>& args) const {
    std::string fullName = name_;
    for (std::int64_t a : args) fullName += "/" + std::to_string(a);
    const std::string& filter = Filter();
    if (!filter.empty() && filter != "all" && filter != "." &&
        fullName.find(filter) == std::string::npos) {
        return;
    }

    // Grow the iteration count until one run takes the minimum time, the
    // way Google Benchmark settles on its count.
    IterationCount iterations = fixedIterations_ > 0 ? fixedIterations_ : 1;
    for (;;) {
        State state(iterations, args);
        state.max_iterations = iterations;
        fn_(state);
        const double seconds = state.ElapsedSeconds();
        const bool done = fixedIterations_ > 0 || seconds >= minTime_ ||
                          iterations >= (IterationCount{1} << 40) || !state.Error().empty();
        if (!done) {
            double factor = seconds > 0 ? (minTime_ * 1.4) / seconds : 10.0;
            if (factor > 10.0) factor = 10.0;
            if (factor < 2.0) factor = 2.0;
            iterations = static_cast<IterationCount>(static_cast<double>(iterations) * factor) + 1;
            continue;
        }
        if (!state.Error().empty()) {
            std::printf("%-40s ERROR: %s\n", fullName.c_str(), state.Error().c_str());
            return;
        }
        const double perIteration = seconds / static_cast<double>(iterations) * UnitScale(unit_);
        std::printf("%-40s %12lld iterations %14.3f %s/iter", fullName.c_str(),
                    static_cast<long long>(iterations), perIteration, UnitName(unit_));
        if (state.ItemsProcessed() > 0 && seconds > 0) {
            std::printf("  items_per_second=%.4g",
                        static_cast<double>(state.ItemsProcessed()) / seconds);
        }
        if (state.BytesProcessed() > 0 && seconds > 0) {
            std::printf("  bytes_per_second=%.4g",
                        static_cast<double>(state.BytesProcessed()) / seconds);
        }
        for (const auto& [name, counter] : state.counters) {
            double value = counter.value;
            if (counter.flags & Counter::kAvgIterations) value /= static_cast<double>(iterations);
            if ((counter.flags & Counter::kIsRate) && seconds > 0) value /= seconds;
            std::printf("  %s=%.4g", name.c_str(), value);
        }
        if (!state.Label().empty()) std::printf("  %s", state.Label().c_str());
        std::printf("\n");
        std::fflush(stdout);
        return;
    }
}

inline void Benchmark::Run() const {
    if (argSets_.empty()) {
        RunOne({});
        return;
    }
    for (const auto& args : argSets_) RunOne(args);
}

}  // namespace internal

inline void Initialize(int* argc, char** argv) {
    const char* prefix = "--benchmark_filter=";
    for (int i = 1; argc && i < *argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
            internal::Filter() = argv[i] + std::strlen(prefix);
        }
    }
}

inline bool ReportUnrecognizedArguments(int, char**) { return false; }

inline std::size_t RunSpecifiedBenchmarks() {
    std::printf("%-40s %23s %19s\n", "Benchmark", "Iterations", "Time");
    for (const auto& b : internal::Registry()) b->Run();
    return internal::Registry().size();
}

inline void Shutdown() {}

}  // namespace benchmark

#define BENCHMARK_PRIVATE_CONCAT2(a, b) a##b
#define BENCHMARK_PRIVATE_CONCAT(a, b) BENCHMARK_PRIVATE_CONCAT2(a, b)
#define BENCHMARK(fn)                                                  \
    static ::benchmark::internal::Benchmark* BENCHMARK_PRIVATE_CONCAT( \
        benchmark_registration_, __COUNTER__) [[maybe_unused]] =       \
        ::benchmark::internal::RegisterBenchmark(#fn, fn)

#define BENCHMARK_MAIN()                       \
    int main(int argc, char** argv) {          \
        ::benchmark::Initialize(&argc, argv);  \
        ::benchmark::RunSpecifiedBenchmarks(); \
        ::benchmark::Shutdown();               \
        return 0;                              \
    }                                          \
    int main(int, char**)

#endif
