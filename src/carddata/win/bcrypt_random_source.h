// Random bytes for keys and unique data from the system's cryptographic
// generator.
#pragma once

#include "carddata/random_source.h"

namespace tollvane {

// A clock-seeded 15-bit generator could produce only as many distinct keys
// and numbers as there are millisecond seeds in a minute (60,000), and
// never set the top bit of every other byte; the system generator has
// neither weakness.
class BCryptRandomSource : public RandomSource {
public:
    bool Fill(std::uint8_t* out, std::size_t count) override;
};

}  // namespace tollvane
