#include "carddata/generation.h"

#include "carddata/hex_text.h"

namespace tollvane {

namespace {

// Every byte comes whole from the system's generator: keys seeded from the
// clock could be found again by trying the few thousand seeds of a minute.
template <std::size_t N>
bool GenerateKey(RandomSource& random, std::array<std::uint8_t, N>& bytes, std::string& text) {
    std::array<std::uint8_t, N> fresh{};
    if (!random.Fill(fresh.data(), fresh.size())) return false;
    bytes = fresh;
    text = FormatHexBytes(fresh.data(), fresh.size());
    return true;
}

}  // namespace

bool GenerateCrypto1Key(RandomSource& random, std::array<std::uint8_t, 6>& bytes,
                        std::string& text) {
    return GenerateKey(random, bytes, text);
}

bool GenerateAesKey(RandomSource& random, std::array<std::uint8_t, 16>& bytes, std::string& text) {
    return GenerateKey(random, bytes, text);
}

std::optional<UniqueResult> GenerateUniqueData(RandomSource& random, UniqueNumberStore& store) {
    UniqueResult result;
    for (int attempt = 0; attempt < kUniqueAttempts; ++attempt) {
        if (!random.Fill(result.bytes.data(), result.bytes.size())) return std::nullopt;
        result.text = FormatHexBytes(result.bytes.data(), result.bytes.size());
        const Recording recording = store.Record(result.bytes.data());
        switch (recording.outcome) {
            case RecordOutcome::Recorded: result.recorded = true; return result;
            case RecordOutcome::Failed:
                // The new value is still shown, with what failed.
                result.recorded = false;
                result.failure = recording.failure;
                return result;
            case RecordOutcome::AlreadyRecorded:
            case RecordOutcome::KeyTaken: break;
        }
    }
    // A good generator practically never repeats a number this often; a
    // store that finds every value is broken, and looping on it would hang
    // the window. None of the values drawn may be shown: each was issued.
    return std::nullopt;
}

}  // namespace tollvane
