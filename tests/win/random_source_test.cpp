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

}  // namespace
}  // namespace tollvane
