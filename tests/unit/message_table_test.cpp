#include <gtest/gtest.h>

#include <fstream>

#include "base/message_table.h"

namespace tollvane {
namespace {

// The texts as in tests/data/messages.txt, where \n and \r stand for the control characters.
std::string Unescape(std::string text) {
    for (std::size_t at = 0; (at = text.find('\\', at)) != std::string::npos; ++at)
        if (text[at + 1] == 'n' || text[at + 1] == 'r')
            text.replace(at, 2, 1, text[at + 1] == 'n' ? '\n' : '\r');
    return text;
}

// The original tables end at 134 and are the agreed texts; every entry after
// them, the program's own, has both languages too.
TEST(MessageTable, EveryEntryInBothLanguagesIsTheAgreedText) {
    std::ifstream in(std::string(TOLLVANE_TEST_DATA) + "/messages.txt", std::ios::binary);
    ASSERT_TRUE(in) << "tests/data/messages.txt";
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const int n = std::stoi(line.substr(0, tab1));
        ASSERT_EQ(n, ++rows);
        EXPECT_EQ(Text(LanguageId::English, static_cast<Msg>(n)),
                  Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1)))
            << n;
        EXPECT_EQ(Text(LanguageId::Russian, static_cast<Msg>(n)), Unescape(line.substr(tab2 + 1)))
            << n;
    }
    EXPECT_EQ(rows, 134);
    for (int n = 1; n <= kMessageCount; ++n) {
        EXPECT_TRUE(*Text(LanguageId::English, static_cast<Msg>(n))) << n;
        EXPECT_TRUE(*Text(LanguageId::Russian, static_cast<Msg>(n))) << n;
    }
}

TEST(MessageTable, BoxLanguage) {
    EXPECT_EQ(MessageBoxLangId(LanguageId::Russian), 0);
    EXPECT_EQ(MessageBoxLangId(LanguageId::English), 9);
}

}  // namespace
}  // namespace tollvane
