#include "simreader/noise.h"

#include <charconv>

namespace tollvane::sim {
namespace {

// The program reads at most 64 bytes of a reply; an over-long one must go
// past that.
constexpr std::size_t kLongReplyMin = 65;
constexpr std::size_t kLongReplyMax = 160;
constexpr std::size_t kRandomReplyMax = 80;
constexpr Millis kPauseMinMs = 200;
constexpr Millis kPauseMaxMs = 1500;

constexpr std::string_view kPointNames[kNoisePoints] = {"version", "ack", "result", "ids"};
constexpr std::string_view kKindNames[] = {"random", "cut", "long", "repeat", "pause", "mixed"};

template <typename T, std::size_t N>
std::optional<T> Lookup(const std::string_view (&names)[N], std::string_view word) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == word) return static_cast<T>(i);
    }
    return std::nullopt;
}

}  // namespace

void Noise::Seed(std::uint32_t seed) {
    seed_ = seed;
    random_.seed(seed);
}

void Noise::Set(NoisePoint point, std::optional<NoiseKind> kind) { kinds_[Index(point)] = kind; }

std::size_t Noise::Between(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(random_);
}

std::string Noise::RandomBytes(std::size_t n) {
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(Between(0, 255));
    return out;
}

std::vector<NoisePiece> Noise::Apply(NoisePoint point, std::string reply) {
    std::optional<NoiseKind> kind = kinds_[Index(point)];
    // A reply of one byte cannot be cut or paused inside; none is that short.
    if (!kind || reply.size() < 2) return {{0, std::move(reply)}};
    if (*kind == NoiseKind::Mixed) kind = static_cast<NoiseKind>(Between(0, 4));
    if (*kind == NoiseKind::Random) return {{0, RandomBytes(Between(1, kRandomReplyMax))}};
    if (*kind == NoiseKind::Cut) {
        reply.resize(Between(1, reply.size() - 1));
    } else if (*kind == NoiseKind::Long) {
        const std::size_t total = Between(std::max(kLongReplyMin, reply.size() + 1), kLongReplyMax);
        reply += RandomBytes(total - reply.size());
    } else if (*kind == NoiseKind::Repeat) {
        const std::string once = reply;
        for (std::size_t n = Between(2, 3); n > 1; --n) reply += once;
    } else {  // Pause
        const std::size_t at = Between(1, reply.size() - 1);
        const auto pause = static_cast<Millis>(Between(kPauseMinMs, kPauseMaxMs));
        return {{0, reply.substr(0, at)}, {pause, reply.substr(at)}};
    }
    return {{0, std::move(reply)}};
}

std::string Noise::Describe() const {
    std::string out;
    for (std::size_t i = 0; i < kNoisePoints; ++i) {
        if (!kinds_[i]) continue;
        out += " " + std::string(kPointNames[i]) + "=" +
               std::string(kKindNames[static_cast<int>(*kinds_[i])]);
    }
    return "OK noise" + (out.empty() ? std::string(" off") : out) +
           " seed=" + std::to_string(seed_);
}

std::string ConfigureNoise(std::string_view args, Noise& noise) {
    static constexpr const char* kUsage =
        "ERR usage: noise [off | seed N | version|ack|result|ids|all "
        "random|cut|long|repeat|pause|mixed|off]";
    const std::size_t blank = args.find(' ');
    const std::string_view first = args.substr(0, blank);
    const std::string_view second =
        blank == std::string_view::npos ? std::string_view{} : args.substr(blank + 1);
    if (first.empty()) return noise.Describe();
    if (first == "off" && second.empty()) {
        noise.Off();
        return noise.Describe();
    }
    if (first == "seed") {
        std::uint32_t seed = 0;
        const auto [end, ec] = std::from_chars(second.data(), second.data() + second.size(), seed);
        if (second.empty() || ec != std::errc() || end != second.data() + second.size())
            return kUsage;
        noise.Seed(seed);
        return noise.Describe();
    }
    const std::optional<NoiseKind> kind = Lookup<NoiseKind>(kKindNames, second);
    if (!kind && second != "off") return kUsage;
    const std::optional<NoisePoint> point = Lookup<NoisePoint>(kPointNames, first);
    if (!point && first != "all") return kUsage;
    for (std::size_t i = 0; i < kNoisePoints; ++i) {
        if (!point || *point == static_cast<NoisePoint>(i))
            noise.Set(static_cast<NoisePoint>(i), kind);
    }
    return noise.Describe();
}

}  // namespace tollvane::sim
