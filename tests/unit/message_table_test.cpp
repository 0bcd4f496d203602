#include <gtest/gtest.h>

#include <cstring>

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

TEST(MessageTable, TitlesDifferBetweenLanguages) {
    EXPECT_STREQ(Text(LanguageId::English, Msg::kMainTitle), "Tollvane ver.2.00 (x64)");
    EXPECT_STREQ(Text(LanguageId::Russian, Msg::kMainTitle), "Tollvane \xD0\xB2\xD0\xB5\xD1\x80.2.00 (x64)");
}

TEST(MessageTable, EscapesAndTyposAreKept) {
    EXPECT_STREQ(Text(LanguageId::English, Msg::kConnectionBroken), "Connection broken.\n\r(Varnel disabled!)");
    EXPECT_STREQ(Text(LanguageId::English, Msg::kKeyAlreadyInList), "Key already exit at the list.");
    EXPECT_STREQ(Text(LanguageId::English, Msg::kUsersDataOpenError),
                 "Error opening file usersData.data!\n\rCheck file availability.\n\rDefault: C:\\Tollvane ver_2_00\\");
    EXPECT_STREQ(Text(LanguageId::English, Msg::kSettingsGroup), " Settings ");
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
