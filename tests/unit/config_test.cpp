// appconfig.ini over the files in memory: a missing file is made Russian, a
// save rewrites the first line. Which first lines mean English is
// fuzz/config_fuzz.cpp's rule, run over the odd lines among its seeds.
#include <gtest/gtest.h>

#include <string>

#include "app/config.h"
#include "support/memory_files.h"

namespace tollvane {
namespace {

using testing::FileOp;
using testing::MemoryFiles;

constexpr char kPath[] = "appconfig.ini";

TEST(Config, AMissingFileIsMadeRussianAndOneThatCannotBeReadIsLeftAlone) {
    MemoryFiles files;
    EXPECT_EQ(ReadConfig(files, kPath), LanguageId::Russian);
    EXPECT_EQ(files.entries[kPath].durable, "Language = RU;\r\n");

    files.Put(kPath, "Language = EN;\r\n");
    files.FailAt(FileOp::Open, 1, 5);  // access denied: not replaced
    EXPECT_EQ(ReadConfig(files, kPath), LanguageId::Russian);
    files.FailAt(FileOp::Read, 1, 5);
    EXPECT_EQ(ReadConfig(files, kPath), LanguageId::Russian);
    EXPECT_EQ(files.Text(kPath), "Language = EN;\r\n");
}

TEST(Config, ASaveRewritesTheFirstLineOnDiskAndNothingElse) {
    struct Case {
        std::string before;
        LanguageId lang;
        std::string after;
    };
    const Case cases[] = {
        {"Language = RU;\r\n", LanguageId::English, "Language = EN;\r\n"},
        {"Language = EN;\r\n", LanguageId::Russian, "Language = RU;\r\n"},
        {"Language = RU;\r\n# operator notes\r\n", LanguageId::English, "Language = EN;\r\n# operator notes\r\n"},
        {"x", LanguageId::English, "Language = EN;\r\n"},
        {"Language = RU;\r\n", static_cast<LanguageId>(7), "Language = RU;\r\n"},  // unknown: nothing written
    };
    for (const Case& c : cases) {
        MemoryFiles files;
        files.Put(kPath, c.before);
        EXPECT_TRUE(SaveConfig(files, kPath, c.lang));
        EXPECT_EQ(files.entries[kPath].durable, c.after);
    }
    for (FileOp step : {FileOp::Open, FileOp::Write, FileOp::Flush}) {
        MemoryFiles files;
        files.Put(kPath, "Language = RU;\r\n");
        files.FailAt(step, 1, 5);
        EXPECT_FALSE(SaveConfig(files, kPath, LanguageId::English));
    }
    MemoryFiles none;
    EXPECT_FALSE(SaveConfig(none, kPath, LanguageId::English));
    EXPECT_FALSE(none.Has(kPath));  // never created by a save
}

}  // namespace
}  // namespace tollvane
