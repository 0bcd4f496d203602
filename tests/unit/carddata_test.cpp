// The card data on the worked examples: the converter's three formats, random
// keys and never-repeated unique data over the random source and the
// usersData.data store. The hex text steps are the hex entry's tests'.
#include <gtest/gtest.h>

#include "carddata/converter.h"
#include "carddata/generation.h"
#include "carddata/hex_text.h"
#include "support/fakes.h"

namespace tollvane::testing {
namespace {

// Each data in the three formats (Touch Memory and Wiegand 44, Wiegand 26,
// Wiegand 58): the Touch Memory code, HEX and DEC.
TEST(Converter, WorkedExamplesInEachFormat) {
    const struct { std::array<std::uint8_t, 7> data; int format; std::vector<std::string> texts; } examples[] = {
        {{1, 2, 3, 4, 5, 6, 7}, 0, {"6000050403020101", "0504030201", "0021542142465"}},
        {{1, 2, 3, 4, 5, 6, 7}, 1, {"0100000003020101", "030201", "00197121"}},
        {{1, 2, 3, 4, 5, 6, 7}, 2, {"BD06050403020101", "07060504030201", "01976943448883713"}},
        {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, 0, {"CD00554433221101", "5544332211", "0366216421905"}},
        {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, 1, {"EA00000033221101", "332211", "03351057"}},
        {{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}, 2, {"7566554433221101", "77665544332211", "33608038631023121"}},
    };
    for (const auto& e : examples) {
        const ConverterTexts t = RefreshConverter(e.data, e.format);
        EXPECT_EQ((std::vector{t.touchMemory, t.hex, t.dec}), e.texts) << e.format;
    }
}

TEST(Generation, KeysTakeWholeBytesAndTheirTextOrStayOnAFailingSource) {
    FakeRandom random;
    random.next = 0xFA;  // bytes above 7F and a wrap: nothing is cut to 15 bits
    std::array<std::uint8_t, 6> key{};
    std::array<std::uint8_t, 16> aes{};
    std::string text, aesText;
    ASSERT_TRUE(GenerateCrypto1Key(random, key, text) && GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(key, (std::array<std::uint8_t, 6>{0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}));
    random.fail = true;  // the texts stay those of the keys made
    EXPECT_FALSE(GenerateCrypto1Key(random, key, text) || GenerateAesKey(random, aes, aesText));
    EXPECT_EQ(aes[15], 0x0F);
    EXPECT_EQ((std::vector{text, aesText}),
              (std::vector<std::string>{"FA FB FC FD FE FF", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"}));
}

TEST(Generation, UniqueDataIsDrawnUntilTheStoreRecordsIt) {
    using enum RecordOutcome;
    const struct {
        std::deque<RecordOutcome> outcomes;
        bool made, recorded;
        const char* text;  // the last value drawn
        std::size_t asked;
    } cases[] = {
        {{AlreadyRecorded, AlreadyRecorded}, true, true, "0F 10 11 12 13 14 15", 3},
        // A file that failed: the last value, not recorded (the store said why).
        {{AlreadyRecorded, Failed}, true, false, "08 09 0A 0B 0C 0D 0E", 2},
        // Every value was issued before: none may come back.
        {std::deque(kUniqueAttempts, AlreadyRecorded), false, false, "", static_cast<std::size_t>(kUniqueAttempts)},
    };
    for (const auto& c : cases) {
        FakeRandom random;
        FakeUniqueStore store;
        store.outcomes = c.outcomes;
        const auto made = GenerateUniqueData(random, store);
        EXPECT_EQ(store.asked.size(), c.asked);
        ASSERT_EQ(made.has_value(), c.made);
        if (made) EXPECT_TRUE(made->recorded == c.recorded && made->text == c.text && made->bytes == store.asked.back());
    }
    FakeRandom failing;
    failing.fail = true;
    FakeUniqueStore store;
    EXPECT_FALSE(GenerateUniqueData(failing, store).has_value());
    EXPECT_TRUE(store.asked.empty());
}

}  // namespace
}  // namespace tollvane::testing
