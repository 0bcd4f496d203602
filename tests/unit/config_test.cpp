// appconfig.ini; which first lines mean English is fuzz/config_fuzz.cpp's rule, run over its seeds.
#include <gtest/gtest.h>

#include "app/config.h"
#include "support/memory_files.h"

namespace tollvane::testing {
namespace {

constexpr char kPath[] = "appconfig.ini";

MemoryFiles FileWith(const std::string& content, FileOp failAt = FileOp::Open, int nth = 0) {
    MemoryFiles files;
    files.Put(kPath, content);
    files.FailAt(failAt, nth, 5);
    return files;
}

TEST(Config, AMissingFileIsMadeRussianAndOneThatCannotBeReadIsLeftAlone) {
    MemoryFiles files;
    EXPECT_EQ(ReadConfig(files, kPath), LanguageId::Russian);
    EXPECT_EQ(files.entries[kPath].durable, "Language = RU;\r\n");
    for (FileOp step : {FileOp::Open, FileOp::Read}) {  // access denied: not replaced
        files = FileWith("Language = EN;\r\n", step, 1);
        EXPECT_EQ(ReadConfig(files, kPath), LanguageId::Russian);
        EXPECT_EQ(files.Text(kPath), "Language = EN;\r\n");
    }
}

// What a save writes for each language is config_fuzz's, over its seeds.
TEST(Config, ASaveOfAnUnknownLanguageOrThatFailsLeavesTheFile) {
    MemoryFiles unknown = FileWith("Language = EN;\r\n");
    EXPECT_TRUE(SaveConfig(unknown, kPath, static_cast<LanguageId>(7)));
    EXPECT_EQ(unknown.entries[kPath].durable, "Language = EN;\r\n");
    for (FileOp step : {FileOp::Open, FileOp::Write, FileOp::Flush}) {
        MemoryFiles files = FileWith("Language = RU;\r\n", step, 1);
        EXPECT_FALSE(SaveConfig(files, kPath, LanguageId::English));
    }
    MemoryFiles none;  // never created by a save
    EXPECT_FALSE(SaveConfig(none, kPath, LanguageId::English));
    EXPECT_FALSE(none.Has(kPath));
}

// On only as "Verify = ON;"; a save puts its line in place of the second and keeps the rest.
TEST(Config, VerifyAfterWriteIsTheSecondLine) {
    const struct {
        std::string content;
        bool on;
        std::string first, rest;
    } cases[] = {
        // saved: first, line, rest
        {"Language = EN;\r\nVerify = ON;\r\n", true, "Language = EN;", ""},
        {"Language = RU;\nVerify = ON;\n", true, "Language = RU;", ""},
        {"Language = EN;\r\nVerify = ON;", true, "Language = EN;", ""},
        {"Language = EN;\r\n", false, "Language = EN;", ""},
        {"Language = EN;\r\nVerify = OFF;\r\n", false, "Language = EN;", ""},
        {"Language = EN;\r\nverify = on;\r\n# notes\r\n", false, "Language = EN;", "# notes\r\n"},
        {"Language = EN;\r\nVerify = ON; \r\n", false, "Language = EN;", ""},
        {"Verify = ON;\r\n", false, "Verify = ON;", ""},
        {"Language = EN;", false, "Language = RU;",
         ""},  // no line end: it meant Russian and still does
        {"Language = RU;", false, "Language = RU;", ""},
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(&c - cases));
        MemoryFiles files = FileWith(c.content);
        EXPECT_EQ(ReadVerifyAfterWrite(files, kPath), c.on) << c.content;
        EXPECT_EQ(files.Text(kPath), c.content) << "reading must not change the file";
        for (const bool on : {true, false}) {
            ASSERT_TRUE(SaveVerifyAfterWrite(files, kPath, on));
            EXPECT_EQ(files.entries[kPath].durable,
                      c.first + "\r\nVerify = " + (on ? "ON" : "OFF") + ";\r\n" + c.rest);
        }
    }
    // A language switch keeps the option whatever the first line ends in; a file without it is
    // overwritten at its start, as always.
    const struct {
        std::string content, saved;
    } switches[] = {
        {"Language = EN;\r\nVerify = ON;\r\n", "Language = RU;\r\nVerify = ON;\r\n"},
        {"Language = EN;  \t\r\nVerify = ON;\r\n", "Language = RU;\r\nVerify = ON;\r\n"},
        {"Language = EN;\nVerify = OFF;", "Language = RU;\r\nVerify = OFF;"},
        {"Language = EN;  \r\n# notes\r\n", "Language = RU;\r\n\r\n# notes\r\n"},
    };
    for (const auto& c : switches) {
        MemoryFiles switched = FileWith(c.content);
        ASSERT_TRUE(SaveConfig(switched, kPath, LanguageId::Russian)) << c.content;
        EXPECT_EQ(switched.entries[kPath].durable, c.saved) << c.content;
    }
    for (FileOp step : {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Flush}) {
        MemoryFiles files = FileWith("Language = EN;\r\n", step, 1);
        EXPECT_FALSE(SaveVerifyAfterWrite(files, kPath, true)) << static_cast<int>(step);
        EXPECT_EQ(files.entries[kPath].durable, "Language = EN;\r\n");
    }
    MemoryFiles none;
    EXPECT_FALSE(ReadVerifyAfterWrite(none, kPath));
    EXPECT_FALSE(SaveVerifyAfterWrite(none, kPath, true));
    EXPECT_FALSE(none.Has(kPath));
}

}  // namespace
}  // namespace tollvane::testing
