// The database floor against the tests' own PostgreSQL server
// (scripts/pg-test-cluster), through unixODBC and the PostgreSQL driver.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "app/holders/database_holders.h"
#include "database/schema.h"
#include "database/station_db.h"

namespace tollvane {
namespace {

std::string Setting(const std::string& name) {
    std::ifstream in(TOLLVANE_PG_ENV);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    ADD_FAILURE() << "no " << name << " in " << TOLLVANE_PG_ENV << ": the server was not started";
    return "Driver={none}";
}
const std::string kDb = Setting("TOLLVANE_TEST_ODBC");

std::vector<DbRow> Query(const std::string& connection, const std::string& sql,
                         const std::vector<DbValue>& p = {}) {
    DbError error;
    auto db = DbConnection::Open(connection, error);
    std::vector<DbRow> rows;
    if (!db)
        ADD_FAILURE() << DbErrorText(error);
    else if (auto failure = db->Run(sql, p, &rows))
        ADD_FAILURE() << sql << ": " << DbErrorText(*failure);
    return rows;
}

class Database : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Query(kDb, "DROP TABLE IF EXISTS numbers, issued_cards, card_holders, schema_version");
    }
    StationDb a{kDb, "A"}, b{kDb, "B"};
};

TEST(Schema, DocumentAndColumnNames) {
    std::ifstream in(TOLLVANE_SCHEMA_SQL);
    std::string text, line;
    while (std::getline(in, line))
        if (line.rfind("--", 0) != 0) text += line + "\n";
    EXPECT_EQ(text, SchemaSql()) << "docs/database/schema.sql is not what the program makes";
    for (auto [file, table] :
         std::map<std::string, std::string>{{"ReaderVersion", "reader_version"},
                                            {"TM_W44", "tm_w44"},
                                            {"CardCipherId", "card_cipher_id"}})
        EXPECT_EQ(TableColumnName(file.c_str()), table) << file;
}

TEST_F(Database, ConnectionFailuresCarryTheDriversStateAndText) {
    const std::string wrongPassword = kDb.substr(0, kDb.find("Pwd=")) + "Pwd=wrong;";
    const std::string closedPort =
        "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=x;Uid=x;Pwd=x;";
    for (auto [connection, state, text] :
         std::vector<std::tuple<std::string, const char*, const char*>>{
             {wrongPassword, "08001", "password authentication failed"},
             {closedPort, "08001", "Connection refused"},
             {"Driver={No such};", "01000", "Can't open lib 'No such'"}}) {
        const auto failure = StationDb(connection, "A").Connect();
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->sqlState, state) << text;
        EXPECT_NE(failure->text.find(text), std::string::npos) << failure->text;
    }
}

// A server that takes the connection and never answers (the system
// completes it, nobody reads it) is given up after the login time-out.
TEST_F(Database, AServerThatNeverAnswersIsGivenUp) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    DbError error;
    const auto db = DbConnection::Open("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" +
                                           std::to_string(ntohs(address.sin_port)) +
                                           ";Database=tollvane;Uid=u;Pwd=p;",
                                       error);
    close(listener);
    EXPECT_FALSE(db);
    EXPECT_EQ(error.sqlState, "08001") << error.text;
}

TEST_F(Database, TwoStationsMakeTheTablesAtOnceAndTextsTravelWhole) {
    std::optional<DbError> first, second;
    std::thread other([&] { second = b.Connect(); });
    first = a.Connect();
    other.join();
    EXPECT_FALSE(first) << DbErrorText(*first);
    EXPECT_FALSE(second) << DbErrorText(*second);
    const std::string text = "Ёлка \xF0\x9F\x8E\x84 \"x\"";
    EXPECT_EQ(Query(kDb, "SELECT ?", {text}).at(0).at(0), text);
}

TEST_F(Database, NumbersTheServerRefusesByTheirWiegand26Key) {
    const std::uint8_t n1[5] = {0x0A, 0x11, 0x22, 0x33, 0x44},
                       same26[5] = {0x0A, 0x11, 0x22, 0x99, 0x99};
    NumberClaim claim{};
    for (auto [name, station, number, expected] :
         std::vector<std::tuple<const char*, StationDb*, const std::uint8_t*, NumberClaim>>{
             {"new", &a, n1, NumberClaim::Recorded},
             {"again elsewhere", &b, n1, NumberClaim::AlreadyRecorded},
             {"same w26", &b, same26, NumberClaim::W26Taken}}) {
        // The server has cut every connection since the last step (as a
        // restart does): the station connects again by itself.
        Query(kDb,
              "SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
              " WHERE usename = current_user AND pid <> pg_backend_pid()");
        ASSERT_FALSE(station->RecordNumber(number, claim)) << name;
        EXPECT_EQ(claim, expected) << name;
    }
    EXPECT_EQ(Query(kDb, "SELECT w26, station FROM numbers WHERE number = '0A11223344'"),
              (std::vector<DbRow>{{"0A1122", "A"}}));
}

RegisterRecord Row(const char* time, const char* operation, const char* result, const char* data) {
    RegisterRecord record;
    record.row[kColTime] = time;
    record.row[kColRole] = "User";
    record.row[kColOperation] = operation;
    record.row[kColResult] = result;
    record.row[kColUniqueData] = data;
    record.row[kColMessage] = "line\none, \"quoted\"";
    record.id = RegisterRowIds().Next(record.row);
    return record;
}

TEST_F(Database, RegisterRowsArriveOnceAndTellWhichNumberACardHolds) {
    // Each step adds a row for one card; the card then holds the number named.
    for (auto [name, record, holds] :
         std::vector<std::tuple<const char*, RegisterRecord, const char*>>{
             {"written", Row("2026-12-07T10:00:01+03:00", "Write", "OK", "01 02 03 04 05 06 07"),
              "01 02 03 04 05 06 07"},
             {"failed write",
              Row("2026-12-07T10:00:02+03:00", "Write", "ERR_05", "09 09 09 09 09 09 09"),
              "01 02 03 04 05 06 07"},
             {"cleared", Row("2026-12-07T10:00:03+03:00", "Clear", "OK", ""), nullptr},
             {"verified",
              Row("2026-12-07T10:00:04+03:00", "Write", "VERIFIED", "0A 0B 0C 0D 0E 0F 01"),
              "0A 0B 0C 0D 0E 0F 01"},
             {"revoked", Row("2026-12-07T10:00:05+03:00", "Revoke", "OK", ""), nullptr}}) {
        ASSERT_FALSE(a.AppendRegisterRow(record)) << name;
        ASSERT_FALSE(b.AppendRegisterRow(record)) << name << " resent";
        (void)holds;
    }
    EXPECT_EQ(Query(kDb, "SELECT COUNT(*), MIN(message), MIN(station) FROM issued_cards"),
              (std::vector<DbRow>{{"5", "line\none, \"quoted\"", "A"}}));
}

TEST_F(Database, HoldersAreImportedWholeAndEachIsTakenByOneStation) {
    const std::uint8_t given[5] = {0x5A, 0x00, 0x00, 0x00, 0x01};
    NumberClaim claim{};
    ASSERT_FALSE(b.RecordNumber(given, claim));
    std::vector<HolderRecord> people(40);
    for (std::size_t i = 0; i < people.size(); ++i) people[i].name = "P" + std::to_string(i);
    people[7].uniqueData = "5A 00 00 00 01 00 00";
    std::vector<std::size_t> refused;
    ASSERT_FALSE(a.ImportHolders(people, refused));
    EXPECT_EQ(refused, std::vector<std::size_t>{7});
    people[7].uniqueData = "5B 00 00 00 02 00 00";
    ASSERT_FALSE(a.ImportHolders(people, refused));
    EXPECT_TRUE(refused.empty());
    EXPECT_EQ(Query(kDb, "SELECT COUNT(*) FROM numbers WHERE number = '5B00000002'").at(0).at(0),
              "1")
        << "reserved";

    std::vector<HolderRecord> load;
    ASSERT_FALSE(a.LoadHolders(load));
    ASSERT_EQ(load.size(), 40u);
    ASSERT_FALSE(a.RemoveHolders({load[0].id}));
    std::multiset<std::string> taken;
    std::atomic<bool> failedOnce{false};
    auto issue = [&](StationDb& station, std::multiset<std::string>& mine) {
        HolderRecord person;
        for (bool found = true; !station.TakeNextWaiting(person, found) && found;) {
            mine.insert(person.name);
            if (person.name == "P5" && !failedOnce.exchange(true)) {
                EXPECT_FALSE(
                    station.ReleaseHolder(person.id));  // the card failed: the person waits again
                continue;
            }
            person.time = "t";
            EXPECT_FALSE(station.MarkIssued(person));
        }
    };
    std::multiset<std::string> byB;
    std::thread other([&] { issue(b, byB); });
    issue(a, taken);
    other.join();
    taken.insert(byB.begin(), byB.end());
    EXPECT_EQ(taken.size(), 40u) << "39 people and P5 twice";
    EXPECT_EQ(taken.count("P5"), 2u);
    EXPECT_EQ(taken.count("P0"), 0u) << "removed";
    ASSERT_FALSE(a.RemoveHolders({load[1].id}));
    EXPECT_EQ(Query(kDb, "SELECT COUNT(*) FROM card_holders WHERE status = 'issued'").at(0).at(0),
              "39");
}

// The list through the stores the window and the run use: an import whose
// given number another station drew is refused whole; two stations issue
// at once, one of them ending its run with the next person taken ahead.
TEST_F(Database, TheHolderStoresIssueEachImportedPersonOnce) {
    ASSERT_FALSE(a.Connect());
    Query(kDb, "DELETE FROM card_holders");
    const MessageTable texts{LanguageId::English};
    DatabaseHolders storeA{a}, storeB{b};
    const std::uint8_t drawn[5] = {0x7A, 0, 0, 0, 1};
    NumberClaim claim{};
    ASSERT_FALSE(b.RecordNumber(drawn, claim));
    EXPECT_EQ(storeA.Import("Ann;7A 00 00 00 01 00 00\r\nBob\r\n", texts).icon, MessageIcon::Error);
    std::string file;
    for (int i = 0; i < 30; ++i) file += "P" + std::to_string(i) + "\r\n";
    EXPECT_EQ(storeA.Import(file, texts).text, "People added to the list: 30.");

    // As HoldersRun does: the next person is taken as soon as a card is done.
    std::multiset<std::string> issued;
    std::mutex mutex;
    auto run = [&](HolderStore& store, std::size_t stopAfter) {
        std::size_t waiting = 0;
        EXPECT_FALSE(store.StartRun(waiting, texts));
        CardHolder person;
        bool found = true;
        for (std::size_t cards = 0;
             !store.NextPerson(person, found, texts) && found && cards < stopAfter; ++cards) {
            person.status = HolderStatus::Issued;
            EXPECT_FALSE(store.Issued(person, texts));
            const std::lock_guard<std::mutex> lock(mutex);
            issued.insert(person.name);
        }
        store.EndRun();
    };
    run(storeB, 5);  // ends with the sixth person taken: let go again
    StationDb c{kDb, "C"};
    DatabaseHolders storeC{c};
    std::thread other([&] { run(storeC, 1000); });
    run(storeA, 1000);
    other.join();
    EXPECT_EQ(issued.size(), 30u);
    EXPECT_EQ(std::set<std::string>(issued.begin(), issued.end()).size(), 30u) << "none twice";

    const RevokeCard revoked = [](const CardHolder&) { return std::optional<HoldersNote>(); };
    EXPECT_FALSE(storeA.Replace({"P3", std::nullopt}, revoked, texts));
    std::vector<CardHolder> people;
    ASSERT_FALSE(storeB.Load(people, texts));
    EXPECT_EQ(CountHolders(people).waiting, 1u) << "P3 waits again";
}

TEST_F(Database, CopyingAStationTwiceAddsNothingTwiceAndNamesNumbersGivenElsewhere) {
    const std::uint8_t elsewhere[5] = {0x6A, 0, 0, 0, 1};
    NumberClaim claim{};
    ASSERT_FALSE(b.RecordNumber(elsewhere, claim));
    StationFilesContent files;
    files.numbers = {"6B00000001", "6A00000001", "6A00000002"};
    const RegisterRow row = Row("2026-12-07T11:00:00+03:00", "Write", "OK", "6B").row;
    files.registerRows = {row, row};  // two cards alike within a second are two rows
    files.people.resize(3);
    files.people[0].name = files.people[1].name = "Twin";
    files.people[2] = {0, "Issued", "6B 00 00 00 01 00 00", "issued", "t", "1", "2"};
    for (const char* copy : {"first", "second"}) {
        CopyReport report;
        ASSERT_FALSE(a.CopyStationFiles(files, report)) << copy;
        const bool first = copy == std::string("first");
        EXPECT_EQ(report.numbersAdded, first ? 1u : 0u) << copy;
        EXPECT_EQ(report.rowsAdded, first ? 2u : 0u) << copy;
        EXPECT_EQ(report.peopleAdded, first ? 3u : 0u) << copy;
        ASSERT_EQ(report.conflicts.size(), 2u) << copy;
        EXPECT_EQ(
            report.conflicts[1].number + report.conflicts[1].recorded + report.conflicts[1].station,
            "6A000000026A00000001B")
            << copy;
    }
}

TEST(LeastRights, EveryOperationOnTablesAnAdministratorMade) {
    // The tables of docs/database/schema.sql, the station holding only
    // docs/database/grants.sql. They outlive a run: a number of the clock's.
    StationDb db(Setting("TOLLVANE_TEST_ODBC_GRANTED"), "A");
    const auto now =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const std::uint8_t number[5] = {static_cast<std::uint8_t>(now >> 40),
                                    static_cast<std::uint8_t>(now >> 32),
                                    static_cast<std::uint8_t>(now >> 24), 0, 0};
    NumberClaim claim{};
    std::vector<std::size_t> refused;
    HolderRecord person;
    bool found = false;
    CopyReport report;
    StationFilesContent files{
        {"0000000000"}, {Row("2026-12-07T12:00:00+03:00", "Read", "OK", "").row}, {person}};
    for (auto [name, failure] : std::vector<std::pair<const char*, std::optional<DbError>>>{
             {"record", db.RecordNumber(number, claim)},
             {"append", db.AppendRegisterRow(Row("2026-12-07T12:00:00+03:00", "Read", "OK", ""))},
             {"import", db.ImportHolders({person}, refused)},
             {"take", db.TakeNextWaiting(person, found)},
             {"issue", db.MarkIssued(person)},
             {"release", db.ReleaseHolder(person.id)},
             {"remove", db.RemoveHolders({person.id})},
             {"copy", db.CopyStationFiles(files, report)}})
        EXPECT_FALSE(failure) << name << ": " << DbErrorText(*failure);
}

}  // namespace
}  // namespace tollvane
