// Random sector keys and unique user-card data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "carddata/random_source.h"
#include "carddata/unique_store.h"

namespace tollvane {

struct KeyValue6 {
    std::array<std::uint8_t, 6> bytes{};
    std::string text;
};

// Fill the key with fresh random bytes and its display form. False when the
// random source fails; the outputs are then left unchanged.
bool GenerateCrypto1Key(RandomSource& random, std::array<std::uint8_t, 6>& bytes,
                        std::string& text);
bool GenerateAesKey(RandomSource& random, std::array<std::uint8_t, 16>& bytes, std::string& text);

enum class UniqueOutcome { Recorded, NotRecorded };

struct UniqueResult {
    std::array<std::uint8_t, 7> bytes{};
    std::string text;  // display form, 20 characters
    bool recorded = false;
    StoreFailure failure;  // why it was not recorded
};

// How many values GenerateUniqueData tries before it gives up.
inline constexpr int kUniqueAttempts = 1000;

// Draws seven bytes until the store records them as new. On a store failure
// the last value comes back with recorded == false and the failure. nullopt when the random source
// fails or after kUniqueAttempts values that were all issued already.
std::optional<UniqueResult> GenerateUniqueData(RandomSource& random, UniqueNumberStore& store);

}  // namespace tollvane
