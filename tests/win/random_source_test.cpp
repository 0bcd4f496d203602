// The system random source fills exactly the bytes asked for: every one of
// them, none beyond.
#include <gtest/gtest.h>

#include <vector>

#include "carddata/win/bcrypt_random_source.h"

namespace tollvane {
namespace {

TEST(BCryptRandomSource, FillsEveryRequestedByteAndNoMore) {
    BCryptRandomSource source;
    for (std::size_t count : {0u, 1u, 7u, 16u, 1000u}) {
        // A byte the generator never touches keeps its guard value in every
        // one of eight rounds (a real byte does so with odds of 2^-64).
        std::vector<bool> changed(count, false);
        for (int round = 0; round < 8; ++round) {
            std::vector<std::uint8_t> buffer(count + 2, 0xA5);
            ASSERT_TRUE(source.Fill(buffer.data() + 1, count));
            EXPECT_TRUE(buffer.front() == 0xA5 && buffer.back() == 0xA5) << count;
            for (std::size_t i = 0; i < count; ++i) changed[i] = changed[i] || buffer[i + 1] != 0xA5;
        }
        for (std::size_t i = 0; i < count; ++i) EXPECT_TRUE(changed[i]) << count << " byte " << i;
    }
}

}  // namespace
}  // namespace tollvane
