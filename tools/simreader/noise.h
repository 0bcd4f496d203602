// Noise mode: the reader answers with damaged replies at chosen points of
// the conversation, for as long as the mode is on, so that a test can see
// the program keep its head through every kind of bad input a line can
// bring. Unlike the one-shot faults ("next ..."), noise stays until it is
// turned off, and it reaches the acknowledgement of a card command too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "simreader/framing.h"

namespace tollvane::sim {

// Where in the conversation a reply is damaged: the version reply during
// connect, the acknowledgement of a card command, its result, Read ID.
enum class NoisePoint { Version, Ack, Result, CardId };
constexpr std::size_t kNoisePoints = 4;

enum class NoiseKind {
    Random,  // random bytes of random length instead of the reply
    Cut,     // the reply cut short
    Long,    // the reply followed by random bytes, past 64 bytes in all
    Repeat,  // the reply two or three times over
    Pause,   // the reply with a silence of 0.2 to 1.5 s in the middle
    Mixed,   // one of the above, drawn for each reply
};

struct NoisePiece {
    Millis after = 0;  // after the time the reply was due
    std::string bytes;
};

class Noise {
public:
    // Every run with the same seed damages the same replies the same way.
    void Seed(std::uint32_t seed);
    // Noise of that kind at the point from now on; nullopt turns it off there.
    void Set(NoisePoint point, std::optional<NoiseKind> kind);
    void Off() { kinds_ = {}; }
    bool IsOn(NoisePoint point) const { return kinds_[Index(point)].has_value(); }
    // The reply as the noise at the point makes it, in the pieces it is
    // written in; the reply as it is when noise is off there.
    std::vector<NoisePiece> Apply(NoisePoint point, std::string reply);
    // "off", or "version=cut result=mixed ..." and the seed.
    std::string Describe() const;

private:
    static std::size_t Index(NoisePoint point) { return static_cast<std::size_t>(point); }
    std::size_t Between(std::size_t low, std::size_t high);
    std::string RandomBytes(std::size_t n);

    std::array<std::optional<NoiseKind>, kNoisePoints> kinds_{};
    std::uint32_t seed_ = 1;
    std::mt19937 random_{1};
};

// Runs what follows "noise " on a control line (also given by --noise on the
// command line): "off", "seed N", or "POINT KIND" with POINT version, ack,
// result, ids or all and KIND random, cut, long, repeat, pause, mixed or
// off. Returns the reply line.
std::string ConfigureNoise(std::string_view args, Noise& noise);

}  // namespace tollvane::sim
