// The system random source must cover the whole byte range and fill exactly
// what was asked for.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "carddata/win/bcrypt_random_source.h"

namespace tollvane {
namespace {

TEST(BCryptRandomSource, FillsExactlyTheRequestedBytes) {
    BCryptRandomSource source;
    for (size_t count : {0u, 1u, 6u, 7u, 16u, 1000u}) {
        SCOPED_TRACE(count);
        std::vector<std::uint8_t> buffer(count + 2, 0xA5);
        // Fill repeatedly: a byte the generator never touches keeps its guard
        // value every time.
        std::vector<bool> changed(count, false);
        for (int round = 0; round < 8; ++round) {
            ASSERT_TRUE(source.Fill(buffer.data() + 1, count));
            for (size_t i = 0; i < count; ++i) changed[i] = changed[i] || buffer[i + 1] != 0xA5;
            std::fill(buffer.begin() + 1, buffer.end() - 1, 0xA5);
        }
        EXPECT_EQ(buffer.front(), 0xA5);
        EXPECT_EQ(buffer.back(), 0xA5);
        for (size_t i = 0; i < count; ++i) EXPECT_TRUE(changed[i]) << "byte " << i;
    }
}

TEST(BCryptRandomSource, KeysAreDistinctAndUseTheWholeByteRange) {
    // A clock-seeded 15-bit generator repeats keys within one millisecond and
    // never sets the top bit of the first byte of each pair.
    BCryptRandomSource source;
    std::set<std::array<std::uint8_t, 6>> keys;
    bool highBitAtEvenPosition = false;
    for (int i = 0; i < 2000; ++i) {
        std::array<std::uint8_t, 6> key{};
        ASSERT_TRUE(source.Fill(key.data(), key.size()));
        keys.insert(key);
        highBitAtEvenPosition = highBitAtEvenPosition || key[0] > 0x7F || key[2] > 0x7F || key[4] > 0x7F;
    }
    EXPECT_EQ(keys.size(), 2000u);
    EXPECT_TRUE(highBitAtEvenPosition);
}

TEST(BCryptRandomSource, LargeFillIsEvenlySpread) {
    BCryptRandomSource source;
    std::vector<std::uint8_t> buffer(1 << 20);
    ASSERT_TRUE(source.Fill(buffer.data(), buffer.size()));
    std::array<size_t, 256> counts{};
    for (auto b : buffer) ++counts[b];
    // 4096 expected per value, standard deviation about 64: these bounds are
    // nine deviations wide and only catch a broken generator.
    for (size_t v = 0; v < counts.size(); ++v) {
        EXPECT_GT(counts[v], 3500u) << v;
        EXPECT_LT(counts[v], 4700u) << v;
    }
}

}  // namespace
}  // namespace tollvane
