// The six command frames against the worked examples and the letter tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "protocol/crc8.h"
#include "protocol/frames.h"

namespace tollvane {
namespace {

// Check values of CRC-8/MAXIM from the catalogue and by hand.
TEST(Crc8, KnownCheckValues) {
    const std::pair<std::string, std::uint8_t> cases[] = {{"", 0}, {"123456789", 0xA1}, {"abc", 0x42},
                                                          {std::string(1, '\0'), 0}, {"\x01", 0x5E}};
    for (const auto& [text, crc] : cases)
        EXPECT_EQ(Crc8(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint8_t>(text.size())), crc);
}

// The mask alone, over zeros; the decrypt mode's frame and read-back show it
// undone on the worked example.
TEST(ScrambleUniqueData, UsesTheMask) {
    std::array<std::uint8_t, 7> zeros{};
    ScrambleUniqueData(zeros.data());
    EXPECT_EQ(zeros, (std::array<std::uint8_t, 7>{0xA5, 0x6C, 0xE1, 0x38, 0xBF, 0x47, 0xD2}));
}

// The form of the worked examples: Classic, no AES authentication, Touch
// Memory, direct indication, standby off, touch poll off, sector 1, block 0.
FormSnapshot ClassicForm() {
    FormSnapshot form;
    form.classicChecked = true;
    form.ifTouchMemory = true;
    form.indDirect = true;
    form.standbyOff = true;
    form.touchPollOff = true;
    form.workModeIndex = 0;
    form.sectorNumber = 1;
    form.blockNumber = 0;
    form.crypto1Key = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (std::size_t i = 0; i < form.aesKey.size(); ++i) form.aesKey[i] = static_cast<std::uint8_t>(0xA0 + i);
    form.uniqueData = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    return form;
}

CommandFrame Frame(std::vector<std::uint8_t> bytes) {
    CommandFrame frame{};
    EXPECT_EQ(bytes.size(), frame.size());
    std::copy_n(bytes.begin(), std::min(bytes.size(), frame.size()), frame.begin());
    return frame;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(CommandFrames, MasterWriteIsTheKnownFrame) {
    const std::vector<std::uint8_t> block = {0x4D, 0x64, 0x64, 0x66, 0x65, 0x64, 0x01, 0x00,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x84};
    const CommandFrame expected = Frame(Concat(
        {{0x41, 0x54, 0x2B, 0x4D, 0x77, 0x73, 0x58}, std::vector<std::uint8_t>(22, 0), block, {0xFD}}));
    const CommandFrame frame = BuildMasterWriteFrame(ClassicForm());
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(SettingsBlockOf(frame), SettingsBlockOf(expected));
}

TEST(CommandFrames, UserWriteIsTheKnownFrame) {
    FormSnapshot form = ClassicForm();
    form.workModeIndex = 1;  // "Send sector data after logged in"
    const std::vector<std::uint8_t> block = {0x55, 0x00, 0x00, 0x00, 0x00, 0x66, 0x01, 0x00,
                                             0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x0D};
    const CommandFrame expected = Frame(Concat({{0x41, 0x54, 0x2B, 0x55, 0x77, 0x73, 0x58},
                                                {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                                std::vector<std::uint8_t>(16, 0),
                                                block,
                                                {0xE3}}));
    EXPECT_EQ(BuildUserWriteFrame(form), expected);
}

enum class Card { Classic, Sl1, Sl3, None };

FormSnapshot FormFor(Card card, int workModeIndex) {
    FormSnapshot form = ClassicForm();
    form.classicChecked = card == Card::Classic;
    form.sl1Checked = card == Card::Sl1;
    form.sl3Checked = card == Card::Sl3;
    form.workModeIndex = workModeIndex;
    return form;
}

// The frame holds these bytes from offset at on.
template <std::size_t N>
bool Holds(const CommandFrame& frame, std::size_t at, const std::array<std::uint8_t, N>& bytes) {
    return std::equal(bytes.begin(), bytes.end(), frame.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(CommandFrames, KeysGoWhereTheCardTypeAndWorkModeNeedThem) {
    struct Case {
        const char* name;
        CommandFrame (*build)(const FormSnapshot&);
        Card card;
        int workMode;
        bool crypto1, aes;
    } cases[] = {
        {"MW classic", BuildMasterWriteFrame, Card::Classic, 1, false, false},
        {"MW sl1", BuildMasterWriteFrame, Card::Sl1, 1, false, true},
        {"MW sl3", BuildMasterWriteFrame, Card::Sl3, 1, false, true},
        {"MR sl3", BuildMasterReadFrame, Card::Sl3, 1, false, false},
        {"UW classic card id", BuildUserWriteFrame, Card::Classic, 0, false, false},
        {"UW classic card id logged in", BuildUserWriteFrame, Card::Classic, 2, true, false},
        {"UW sl1", BuildUserWriteFrame, Card::Sl1, 1, true, true},
        {"UW sl1 card id", BuildUserWriteFrame, Card::Sl1, 0, false, true},
        {"UW none", BuildUserWriteFrame, Card::None, 1, false, false},
        {"UR sl1", BuildUserReadFrame, Card::Sl1, 1, true, false},
        {"UR sl3", BuildUserReadFrame, Card::Sl3, 1, false, true},
        {"UC sl1", BuildUserClearFrame, Card::Sl1, 0, true, false},
        {"UC sl3", BuildUserClearFrame, Card::Sl3, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FormSnapshot form = FormFor(c.card, c.workMode);
        const CommandFrame frame = c.build(form);
        EXPECT_TRUE(Holds(frame, 7, c.crypto1 ? form.crypto1Key : decltype(form.crypto1Key){}));
        EXPECT_TRUE(Holds(frame, 13, c.aes ? form.aesKey : decltype(form.aesKey){}));
    }
}

TEST(CommandFrames, UserWriteUniqueDataFollowsTheWorkMode) {
    const std::array<std::uint8_t, 7> plain = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const std::array<std::uint8_t, 7> scrambled = {0xB4, 0x4E, 0xD2, 0x7C, 0xEA, 0x21, 0xA5};
    const std::array<std::uint8_t, 7> none{};
    struct Case {
        int workMode;
        std::uint8_t letter;
        const std::array<std::uint8_t, 7>& data;
    } cases[] = {
        {0, 'd', none}, {1, 'f', plain}, {2, 'e', none}, {3, 'g', scrambled}, {4, 0, none}, {-1, 0, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.workMode);
        const FormSnapshot form = FormFor(Card::Classic, c.workMode);
        const SettingsBlock block = SettingsBlockOf(BuildUserWriteFrame(form));
        EXPECT_EQ(block[5], c.letter);
        EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), block.begin() + 8));
        EXPECT_EQ(Crc8(block.data(), 16), 0);
        EXPECT_EQ(form.uniqueData, plain);
        // A User card carries none of the Master's reader settings.
        EXPECT_TRUE(std::all_of(block.begin() + 1, block.begin() + 5, [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(CommandFrames, MasterWriteReaderSettingLetters) {
    struct Case {
        const char* name;
        void (*set)(FormSnapshot&);
        std::array<std::uint8_t, 5> letters;  // interface, indication, standby, touch poll, work mode
    } cases[] = {
        {"nothing checked", [](FormSnapshot&) {}, {'d', 'd', 'd', 'd', 'd'}},
        {"W26 inverse static on", [](FormSnapshot& f) { f.ifW26 = f.indInverse = f.standbyStatic = f.touchPollOn = true; },
         {'e', 'e', 'e', 'd', 'd'}},
        {"W58 off", [](FormSnapshot& f) { f.ifW58 = f.standbyOff = f.touchPollOff = true; }, {'g', 'd', 'f', 'e', 'd'}},
        {"first radio wins", [](FormSnapshot& f) { f.ifW26 = f.ifW58 = f.standbyDynamic = f.standbyOff = true; },
         {'e', 'd', 'd', 'd', 'd'}},
        {"work mode 1", [](FormSnapshot& f) { f.workModeIndex = 1; }, {'d', 'd', 'd', 'd', 'f'}},
        {"work mode 3", [](FormSnapshot& f) { f.workModeIndex = 3; }, {'d', 'd', 'd', 'd', 'g'}},
        {"work mode out of list", [](FormSnapshot& f) { f.workModeIndex = 7; }, {'d', 'd', 'd', 'd', 'd'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormSnapshot form;
        form.classicChecked = true;
        c.set(form);
        const SettingsBlock block = SettingsBlockOf(BuildMasterWriteFrame(form));
        EXPECT_TRUE(std::equal(c.letters.begin(), c.letters.end(), block.begin() + 1));
        EXPECT_EQ(block[14], 0);
    }
}

}  // namespace
}  // namespace tollvane
