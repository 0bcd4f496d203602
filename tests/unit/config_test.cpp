// The settings files: appconfig.ini (which first lines mean English is fuzz/config_fuzz.cpp's rule,
// run over its seeds), and database.ini and the ODBC connection string, by the INI and ODBC rules
// the settings are written in.
#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/config.h"
#include "app/database_config.h"
#include "app/station_copy.h"
#include "support/fakes.h"
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

constexpr char kDatabasePath[] = "database.ini";

TEST(DatabaseConfig, ReadsTheSectionsConnectionAndPassword) {
    const struct {
        const char* name;
        const char* file;  // nullptr: no file
        const char* connection;
        const char* sealed;
    } cases[] = {
        {"no file", nullptr, "", ""},
        {"no connection", "[Database]\r\nPassword=41\r\n", "", "A"},
        {"plain", "[Database]\r\nConnection=Driver={PostgreSQL Unicode};Database=t;\r\n",
         "Driver={PostgreSQL Unicode};Database=t;", ""},
        {"mark, LF, case, blanks",
         "\xEF\xBB\xBF [database] \n connection = DSN=x \npassword= 4142ff\n", "DSN=x", "AB\xFF"},
        {"other section", "[Other]\r\nConnection=DSN=x\r\n[Database]\r\nPassword=41\r\n", "", "A"},
        {"section after", "[Database]\r\nConnection=DSN=y\r\n[Other]\r\nConnection=DSN=x\r\n",
         "DSN=y", ""},
        {"odd hex", "[Database]\r\nConnection=DSN=y\r\nPassword=414\r\n", "DSN=y", ""},
    };
    for (const auto& c : cases) {
        MemoryFiles files;
        if (c.file) files.Put(kDatabasePath, c.file);
        DatabaseSettings settings{"stale", "stale"};
        EXPECT_TRUE(ReadDatabaseSettings(files, kDatabasePath, settings)) << c.name;
        EXPECT_EQ(settings.connection, c.connection) << c.name;
        EXPECT_EQ(settings.sealedPassword, c.sealed) << c.name;
    }
}

// A save replaces the file in one move: a power loss at any step leaves the old settings or the
// new, never a mix.
TEST(DatabaseConfig, ASaveIsReadBackAndAPowerLossLeavesOldOrNew) {
    const DatabaseSettings saved{"DSN=new;Uid=a b", std::string("\x01\xA0\0", 3)};
    int steps = 0;
    for (int step = 1;; ++step) {
        MemoryFiles files;
        files.Put(kDatabasePath, "[Database]\r\nConnection=DSN=old\r\n");
        files.PowerLossAtStep(step, Tear::HalfWritten);
        const bool done = static_cast<bool>(SaveDatabaseSettings(files, kDatabasePath, saved)) &&
                          !files.PowerLost();
        files.Restart();
        DatabaseSettings read;
        ASSERT_TRUE(ReadDatabaseSettings(files, kDatabasePath, read));
        if (done) {
            EXPECT_EQ(files.Text(kDatabasePath),
                      "[Database]\r\nConnection=DSN=new;Uid=a b\r\nPassword=01A000\r\n");
            EXPECT_EQ(read.sealedPassword, saved.sealedPassword);
            steps = step;
            break;
        }
        EXPECT_TRUE(read.connection == "DSN=old" || read.connection == saved.connection)
            << "loss at step " << step;
    }
    EXPECT_EQ(steps, 5);  // open, write, flush, move, and the step after the last
}

TEST(DatabaseConfig, ConnectionStringKeysAndTheDialogsPassword) {
    const struct {
        const char* name;
        const char* connection;
        const char* password;
        const char* forDriver;
        const char* title;
    } cases[] = {
        {"no password", "Driver={PostgreSQL Unicode};Database=tollvane;", "",
         "Driver={PostgreSQL Unicode};Database=tollvane;", "tollvane"},
        {"appended", "Database=tv;Uid=st", "p;w}d", "Database=tv;Uid=st;PWD={p;w}}d};", "tv"},
        {"own password wins", "DSN=site; pwd = x;", "y", "DSN=site; pwd = x;", "site"},
        {"braced name", "database={a;b}}c};DSN=d", "", "database={a;b}}c};DSN=d", "a;b}c"},
        {"empty string", "", "y", "PWD={y};", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConnectionForDriver(c.connection, c.password), c.forDriver) << c.name;
        EXPECT_EQ(DatabaseName(c.connection), c.title) << c.name;
    }
}

// Without a database the title is the program's alone; the texts are the ones the stations were
// asked to show.
TEST(DatabaseConfig, TheTitleSaysWhereTheRecordsAre) {
    const struct {
        const char* name;
        RecordsPlace records;
        LanguageId language;
        const char* title;
    } cases[] = {
        {"files", {false, "tv", true, 3}, LanguageId::English, "Tollvane ver.2.00 (x64)"},
        {"database",
         {true, "tv", false, 0},
         LanguageId::English,
         "Tollvane ver.2.00 (x64) — database tv"},
        {"unreachable",
         {true, "tv", true, 0},
         LanguageId::English,
         "Tollvane ver.2.00 (x64) — database tv (unreachable)"},
        {"russian",
         {true, "tv", true, 2},
         LanguageId::Russian,
         "Tollvane вер.2.00 (x64) — база данных tv (недоступна), строк реестра в очереди: 2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MainWindowTitle(MessageTable(c.language), c.records), c.title) << c.name;
}

// An issued person is copied with the card the list names; the numbers are usersData.data's
// records by the file's rules (upper-case digits only, ten make a record, the next starts another).
TEST(StationCopy, ReadsThePeopleWithTheirCardsAndTheRecordsAsTheStationDoes) {
    MemoryFiles files;
    FakeSleeper sleeper;
    files.Put("usersData.data", "12345ABCDE12345ABCDF;0a0b0c0d0e 6B00000001");
    files.Put(
        "CardHolders.csv",
        "Name,UniqueData,Status,Time,CardBarcode,CardCipherId\r\n"
        "Anna,11 22 33 44 55 66 77,issued,2026-12-07T10:00:00+03:00,0012345679,3232235778\r\n");
    StationFilesContent content;
    std::string failed;
    ASSERT_TRUE(ReadStationFiles(files, sleeper, {}, content, failed)) << failed;
    EXPECT_EQ(content.numbers,
              (std::vector<std::string>{"12345ABCDE", "12345ABCDF", "6B00000001"}));
    ASSERT_EQ(content.people.size(), 1u);
    EXPECT_EQ(content.people[0].uniqueData, "11 22 33 44 55 66 77");
    EXPECT_EQ(content.people[0].cardBarcode, "0012345679");
    EXPECT_EQ(content.people[0].cardCipherId, "3232235778");
}

}  // namespace
}  // namespace tollvane::testing
