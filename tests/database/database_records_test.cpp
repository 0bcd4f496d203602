// The database's side of the station's records over a server that stops and
// comes back (scripts/pg-test-cluster), with the station's files in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "carddata/users_data_store.h"
#include "database/database_records.h"
#include "support/fakes.h"
#include "support/memory_files.h"

namespace tollvane {
namespace {

using testing::FakeSleeper;
using testing::MemoryFiles;

std::string Connection() {
    std::ifstream in(TOLLVANE_PG_ENV);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("TOLLVANE_TEST_ODBC=", 0) == 0) return line.substr(19);
    ADD_FAILURE() << "the server was not started: no " << TOLLVANE_PG_ENV;
    return "Driver={none}";
}

void Server(const char* how) {
    const std::string command =
        std::string(TOLLVANE_PG_SCRIPT) + " " + how + " " + TOLLVANE_PG_DIR + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

struct Watch : DatabaseWatch {
    void Reached(bool a, std::size_t w) override { answered = a, waiting = w; }
    bool answered = false;
    std::size_t waiting = 0;
};

struct Station {
    MemoryFiles files;
    FakeSleeper sleeper;
    // The server's tables outlive a run: a station and numbers of the clock's.
    const std::uint64_t now =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const std::string name = "S" + std::to_string(now);
    StationDb db{Connection(), name};
    UsersDataStore usersData{files, sleeper};
    FileRegister file{files, sleeper, "IssuedCards.csv"};
    RegisterQueue queue{files, kRegisterQueueFileName};
    Watch watch;
    DatabaseNumbers numbers{db, usersData, queue, watch};
    DatabaseRegister issued{db, file, queue, watch};
    Station() { files.Put("usersData.data", ""); }
};

RegisterRow Row(const char* message, const std::string& computer) {
    RegisterRow row;
    row[kColComputer] = computer;
    row[kColTime] = "2026-12-07T16:00:00+03:00";
    row[kColMessage] = message;
    return row;
}

TEST(DatabaseRecords, AServerThatStopsLosesNoRowAndGivesNoNumber) {
    Station s;
    std::uint8_t number[7] = {static_cast<std::uint8_t>(s.now >> 33),
                              static_cast<std::uint8_t>(s.now >> 25),
                              static_cast<std::uint8_t>(s.now >> 17),
                              0x03,
                              0x04,
                              0,
                              0};
    const std::string recorded = NumberText(number);
    ASSERT_FALSE(s.db.Connect());
    ASSERT_FALSE(s.issued.Append(Row("before", s.name)));
    EXPECT_EQ(s.numbers.Record(number), RecordOutcome::Recorded);
    EXPECT_EQ(s.files.Text("usersData.data"), recorded) << "the station's own record";
    // Given in advance: this very number is the expected case, another under its Wiegand 26 key
    // (its first three bytes) is refused rather than taken as recorded.
    EXPECT_EQ(s.numbers.RecordGiven(number), RecordOutcome::AlreadyRecorded);
    number[3] = number[4] = 0x09;
    EXPECT_EQ(s.numbers.RecordGiven(number), RecordOutcome::KeyTaken);

    Server("stop");
    number[3] = 0x05;
    const Recording refused = s.numbers.Record(number);
    EXPECT_EQ(refused.outcome, RecordOutcome::Failed);
    EXPECT_EQ(refused.failure.step, StoreStep::Database);
    EXPECT_NE(refused.failure.text.find("08"), std::string::npos) << refused.failure.text;
    EXPECT_EQ(s.files.Text("usersData.data"), recorded) << "no number without the server";
    EXPECT_FALSE(s.issued.Ready()) << "a read needs no server";
    EXPECT_FALSE(s.issued.Append(Row("while stopped, 1", s.name)));
    EXPECT_FALSE(s.issued.Append(Row("while stopped, 2", s.name)));
    EXPECT_FALSE(s.watch.answered);
    EXPECT_EQ(s.watch.waiting, 2u);

    Server("start");
    EXPECT_FALSE(s.issued.Ready());
    EXPECT_TRUE(s.watch.answered);
    EXPECT_EQ(s.watch.waiting, 0u);
    ASSERT_FALSE(s.issued.Append(Row("after", s.name)));
    ASSERT_FALSE(s.issued.Ready()) << "nothing sent twice";
    std::vector<DbRow> rows;
    DbError error;
    auto check = DbConnection::Open(Connection(), error);
    ASSERT_TRUE(check) << error.text;
    ASSERT_FALSE(
        check->Run("SELECT message FROM issued_cards WHERE station = ? ORDER BY received_at",
                   {s.name}, &rows));
    EXPECT_EQ(rows, (std::vector<DbRow>{
                        {"before"}, {"while stopped, 1"}, {"while stopped, 2"}, {"after"}}));
    const std::string file = s.files.Text("IssuedCards.csv");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 5)
        << "the header and every row in the station's file";
}

// A card written at one station holds its number at every station sharing the
// register, until a Clear or a Revoke there takes it away.
TEST(DatabaseRecords, ACardWrittenAtAnotherStationHoldsItsNumberEverywhere) {
    Station a, b;
    const CardIdentity card{static_cast<std::uint32_t>(a.now), 7};
    RegisterRow write = Row("", a.name);
    write[kColRole] = "User";
    write[kColOperation] = "Write";
    write[kColUniqueData] = "12 34 56 78 9A 00 00";
    write[kColResult] = "VERIFIED";
    PutCardIdentity(write, card);
    RegisterRow revoke = write;
    revoke[kColOperation] = "Revoke";
    revoke[kColResult] = "";
    revoke[kColTime] = "2026-12-07T16:00:01+03:00";
    std::optional<std::string> held;
    ASSERT_FALSE(b.issued.SharedNumberOnCard(card, held));
    EXPECT_EQ(held, std::nullopt) << "a card never written";
    ASSERT_FALSE(a.issued.Append(write));
    ASSERT_FALSE(b.issued.SharedNumberOnCard(card, held));
    EXPECT_EQ(held.value_or("none"), "12 34 56 78 9A 00 00") << "written at the other station";
    ASSERT_FALSE(a.issued.Append(revoke));
    ASSERT_FALSE(b.issued.SharedNumberOnCard(card, held));
    EXPECT_EQ(held, std::nullopt) << "revoked at the other station";
}

}  // namespace
}  // namespace tollvane
