#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "carddata/generation.h"

namespace tollvane {
namespace {

// Gives the bytes of a script in order; fails once the script runs out or
// when told to.
class ScriptedRandom : public RandomSource {
public:
    std::vector<std::uint8_t> script;
    std::size_t used = 0;
    bool fail = false;

    bool Fill(std::uint8_t* out, std::size_t count) override {
        if (fail || script.size() - used < count) return false;
        std::memcpy(out, script.data() + used, count);
        used += count;
        return true;
    }
};

class ScriptedStore : public UniqueNumberStore {
public:
    std::deque<RecordOutcome> outcomes;  // when empty: always `rest`
    RecordOutcome rest = RecordOutcome::Recorded;
    int calls = 0;

    RecordOutcome Record(const std::uint8_t*) override {
        ++calls;
        if (outcomes.empty()) return rest;
        const RecordOutcome o = outcomes.front();
        outcomes.pop_front();
        return o;
    }
};

std::vector<std::uint8_t> Counting(std::size_t n, std::uint8_t first) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(first + i);
    return v;
}

TEST(Generation, KeysTakeWholeBytesAndTheirText) {
    ScriptedRandom random;
    random.script = {0x80, 0xFF, 0x01, 0xA5, 0xC3, 0x9E};
    std::array<std::uint8_t, 6> key{};
    std::string text;
    ASSERT_TRUE(GenerateCrypto1Key(random, key, text));
    // Bytes above 7F at every position: nothing is cut to 15 bits.
    EXPECT_EQ(key, (std::array<std::uint8_t, 6>{0x80, 0xFF, 0x01, 0xA5, 0xC3, 0x9E}));
    EXPECT_EQ(text, "80 FF 01 A5 C3 9E");

    random.script = Counting(16, 0xF0);
    random.used = 0;
    std::array<std::uint8_t, 16> aes{};
    std::string aesText;
    ASSERT_TRUE(GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(aes[0], 0xF0);
    EXPECT_EQ(aes[15], 0xFF);
    EXPECT_EQ(aesText, "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF");
}

TEST(Generation, FailingSourceLeavesKeysUnchanged) {
    ScriptedRandom random;
    random.fail = true;
    std::array<std::uint8_t, 6> key{};
    key.fill(0x11);
    std::string text = "11 11 11 11 11 11";
    EXPECT_FALSE(GenerateCrypto1Key(random, key, text));
    EXPECT_EQ(key[0], 0x11);
    EXPECT_EQ(text, "11 11 11 11 11 11");

    std::array<std::uint8_t, 16> aes{};
    aes.fill(0x22);
    std::string aesText = "old";
    EXPECT_FALSE(GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(aes[15], 0x22);
    EXPECT_EQ(aesText, "old");

    // A source that has fewer bytes than a key needs also fails cleanly.
    random.fail = false;
    random.script = {1, 2, 3};
    EXPECT_FALSE(GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(aesText, "old");
}

TEST(Generation, UniqueDataRetriesUntilRecorded) {
    ScriptedRandom random;
    random.script = Counting(21, 0x01);
    ScriptedStore store;
    store.outcomes = {RecordOutcome::AlreadyRecorded, RecordOutcome::AlreadyRecorded};
    const auto r = GenerateUniqueData(random, store);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->recorded);
    EXPECT_EQ(store.calls, 3);
    EXPECT_EQ(r->bytes, (std::array<std::uint8_t, 7>{0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15}));
    EXPECT_EQ(r->text, "0F 10 11 12 13 14 15");
    EXPECT_EQ(r->text.size(), 20u);
}

TEST(Generation, UniqueDataStoreFailureKeepsLastValueUnrecorded) {
    ScriptedRandom random;
    random.script = Counting(14, 0xA0);
    ScriptedStore store;
    store.outcomes = {RecordOutcome::AlreadyRecorded, RecordOutcome::Failed};
    const auto r = GenerateUniqueData(random, store);
    ASSERT_TRUE(r.has_value());
    EXPECT_FALSE(r->recorded);
    EXPECT_EQ(store.calls, 2);
    EXPECT_EQ(r->text, "A7 A8 A9 AA AB AC AD");
}

TEST(Generation, UniqueDataGivesUpOnAStoreThatFindsEverything) {
    ScriptedRandom random;
    random.script.assign(7 * static_cast<std::size_t>(kUniqueAttempts), 0x42);
    ScriptedStore store;
    store.rest = RecordOutcome::AlreadyRecorded;
    // Every value drawn was issued before: none of them may come back.
    EXPECT_FALSE(GenerateUniqueData(random, store).has_value());
    EXPECT_EQ(store.calls, kUniqueAttempts);
}

TEST(Generation, UniqueDataFailingSourceGivesNothing) {
    ScriptedRandom random;
    random.fail = true;
    ScriptedStore store;
    EXPECT_FALSE(GenerateUniqueData(random, store).has_value());
    EXPECT_EQ(store.calls, 0);

    // The source fails on a retry: nothing half-made comes back.
    random.fail = false;
    random.script = Counting(7, 1);
    store.outcomes = {RecordOutcome::AlreadyRecorded};
    EXPECT_FALSE(GenerateUniqueData(random, store).has_value());
    EXPECT_EQ(store.calls, 1);
}

}  // namespace
}  // namespace tollvane
