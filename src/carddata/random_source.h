#pragma once

#include <cstddef>
#include <cstdint>

namespace tollvane {

// Source of random bytes for keys and unique data. The Windows program uses
// the system's cryptographic generator; tests inject a deterministic one.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // False when the system generator fails; the bytes are then unusable.
    virtual bool Fill(std::uint8_t* out, std::size_t count) = 0;
};

}  // namespace tollvane
