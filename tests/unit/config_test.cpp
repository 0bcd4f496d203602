#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/config.h"

namespace tollvane {
namespace {

namespace fs = std::filesystem;

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tollvane_config_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        Clean();
        fs::create_directories(dir_);
        path_ = (dir_ / "appconfig.ini").string();
    }
    void TearDown() override { Clean(); }
    // A file left read-only (Windows will not delete one) must not break the
    // next run.
    void Clean() {
        std::error_code ec;
        if (fs::exists(dir_, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(dir_, ec)) {
                fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
            }
        }
        fs::remove_all(dir_, ec);
    }
    void Write(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string Read() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(ConfigTest, MissingFileIsCreatedRussian) {
    EXPECT_EQ(ReadConfig(path_), LanguageId::Russian);
    EXPECT_EQ(Read(), "Language = RU;\r\n");
    EXPECT_EQ(ReadConfig(path_), LanguageId::Russian);
}

TEST_F(ConfigTest, FirstLineDecides) {
    struct Case { std::string content; LanguageId lang; };
    const Case cases[] = {
        {"Language = EN;\r\n", LanguageId::English},
        {"Language = EN;\n", LanguageId::English},
        {"Language = EN;\r\nLanguage = RU;\r\nanything\r\n", LanguageId::English},
        {"Language = RU;\r\nLanguage = EN;\r\n", LanguageId::Russian},
        {"Language = EN;", LanguageId::Russian},          // no line end
        {"Language = EN; \r\n", LanguageId::Russian},     // trailing blank
        {"Language = EN;\r", LanguageId::Russian},
        {"Language = EN;\r\r\n", LanguageId::Russian},
        {"language = EN;\r\n", LanguageId::Russian},
        {" Language = EN;\r\n", LanguageId::Russian},
        {"\r\nLanguage = EN;\r\n", LanguageId::Russian},  // only the first line counts
        {std::string("Language = EN;\0\r\n", 17), LanguageId::Russian},
        {"", LanguageId::Russian},
        {std::string(200, 'x') + "Language = EN;\r\n", LanguageId::Russian},  // long first line
        {std::string(79, 'x') + "\nLanguage = EN;\r\n", LanguageId::Russian},
    };
    for (const Case& c : cases) {
        Write(c.content);
        EXPECT_EQ(ReadConfig(path_), c.lang) << c.content;
        EXPECT_EQ(Read(), c.content) << "reading must not change the file";
    }
}

TEST_F(ConfigTest, SaveReplacesTheFirstLineOnly) {
    Write("Language = RU;\r\n");
    ASSERT_TRUE(SaveConfig(path_, LanguageId::English));
    EXPECT_EQ(Read(), "Language = EN;\r\n");
    EXPECT_EQ(ReadConfig(path_), LanguageId::English);
    ASSERT_TRUE(SaveConfig(path_, LanguageId::Russian));
    EXPECT_EQ(Read(), "Language = RU;\r\n");

    Write("Language = RU;\r\n# operator notes\r\nmore\r\n");
    ASSERT_TRUE(SaveConfig(path_, LanguageId::English));
    EXPECT_EQ(Read(), "Language = EN;\r\n# operator notes\r\nmore\r\n");

    Write("x");
    ASSERT_TRUE(SaveConfig(path_, LanguageId::English));
    EXPECT_EQ(Read(), "Language = EN;\r\n");

    Write("Language = RU;\r\n");
    ASSERT_TRUE(SaveConfig(path_, static_cast<LanguageId>(7)));  // unknown: nothing written
    EXPECT_EQ(Read(), "Language = RU;\r\n");
}

TEST_F(ConfigTest, SaveFailsWithoutAFile) {
    EXPECT_FALSE(SaveConfig(path_, LanguageId::English));
    EXPECT_FALSE(fs::exists(path_));  // never created by a save
    EXPECT_FALSE(SaveConfig((dir_ / "missing" / "appconfig.ini").string(), LanguageId::English));
}

}  // namespace
}  // namespace tollvane
