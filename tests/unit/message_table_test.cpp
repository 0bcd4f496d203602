#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "base/message_table.h"

namespace tollvane {
namespace {

TEST(MessageTable, EveryEntryHasBothLanguages) {
    for (int n = 1; n <= kMessageCount; ++n) {
        const Msg id = static_cast<Msg>(n);
        EXPECT_GT(std::strlen(Text(LanguageId::English, id)), 0u) << n;
        EXPECT_GT(std::strlen(Text(LanguageId::Russian, id)), 0u) << n;
    }
}

// The texts as written down in tests/data/messages.txt, with \n and \r
// standing for the control characters.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r'))
            out.push_back(text[++i] == 'n' ? '\n' : '\r');
        else
            out.push_back(text[i]);
    }
    return out;
}

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
        const Msg id = static_cast<Msg>(n);
        EXPECT_EQ(Text(LanguageId::English, id), Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1))) << n;
        EXPECT_EQ(Text(LanguageId::Russian, id), Unescape(line.substr(tab2 + 1))) << n;
    }
    // The original tables end at 134; the entries after it are the program's own.
    EXPECT_EQ(rows, 134);
}

TEST(MessageTable, BoxLanguage) {
    EXPECT_EQ(MessageBoxLangId(LanguageId::Russian), 0);
    EXPECT_EQ(MessageBoxLangId(LanguageId::English), 9);
    MessageTable t(LanguageId::English);
    EXPECT_STREQ(t[Msg::kCaption], "Message");
    t.Load(LanguageId::Russian);
    EXPECT_STREQ(t[Msg::kCaption], "\xD0\xA1\xD0\xBE\xD0\xBE\xD0\xB1\xD1\x89\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5");
}

}  // namespace
}  // namespace tollvane
