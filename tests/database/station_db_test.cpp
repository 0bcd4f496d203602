// The database floor against the tests' own PostgreSQL server
// (scripts/pg-test-cluster), through unixODBC and the PostgreSQL driver.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <set>
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

// The program's column names are checked with the document: SchemaSql builds them too.
TEST(Schema, DocumentAndColumnNames) {
    std::ifstream in(TOLLVANE_SCHEMA_SQL);
    std::string text, line;
    while (std::getline(in, line))
        if (line.rfind("--", 0) != 0) text += line + "\n";
    EXPECT_EQ(text, SchemaSql()) << "docs/database/schema.sql is not what the program makes";
}

// A server that takes the connection and never answers (the system completes it, nobody reads it)
// is given up after the login time-out.
TEST_F(Database, ConnectionFailuresCarryTheDriversStateAndText) {
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const auto server = [](int port) {
        return "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(port) +
               ";Database=x;Uid=x;Pwd=x;";
    };
    for (auto [connection, state, text] :
         std::vector<std::tuple<std::string, const char*, const char*>>{
             {kDb.substr(0, kDb.find("Pwd=")) + "Pwd=wrong;", "08001",
              "password authentication failed"},
             {server(1), "08001", "Connection refused"},
             {server(ntohs(address.sin_port)), "08001", "timeout expired"},
             {"Driver={No such};", "01000", "Can't open lib 'No such'"}}) {
        const auto failure = StationDb(connection, "A").Connect();
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->sqlState, state) << text;
        EXPECT_NE(failure->text.find(text), std::string::npos) << failure->text;
    }
    close(silent);
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

TEST_F(Database, RegisterRowsArriveOnce) {
    for (const RegisterRecord& record :
         {Row("2026-12-07T10:00:01+03:00", "Write", "OK", "01 02 03 04 05 06 07"),
          Row("2026-12-07T10:00:02+03:00", "Clear", "OK", "")}) {
        ASSERT_FALSE(a.AppendRegisterRow(record)) << record.row[kColTime];
        ASSERT_FALSE(b.AppendRegisterRow(record)) << record.row[kColTime] << " resent";
    }
    EXPECT_EQ(Query(kDb, "SELECT COUNT(*), MIN(message), MIN(station) FROM issued_cards"),
              (std::vector<DbRow>{{"2", "line\none, \"quoted\"", "A"}}));
}

// The list through the stores the window and the run use: an import whose given number another
// station drew is refused whole, one whose numbers are free reserves them; two stations issue at
// once, one of them ending its run with the next person taken ahead.
TEST_F(Database, TheHolderStoresIssueEachImportedPersonOnce) {
    ASSERT_FALSE(a.Connect());
    Query(kDb, "DELETE FROM card_holders");
    const MessageTable texts{LanguageId::English};
    DatabaseHolders storeA{a}, storeB{b};
    const std::uint8_t drawn[5] = {0x7A, 0, 0, 0, 1};
    NumberClaim claim{};
    ASSERT_FALSE(b.RecordNumber(drawn, claim));
    EXPECT_EQ(storeA.Import("Bob\r\nAnn;7A 00 00 00 01 00 00\r\n", texts).text,
              "Nothing was imported. Refused lines:\n"
              "Line 2: the number is already recorded in usersData.data");
    std::string file = "P0;7B 00 00 00 02 00 00\r\n";
    for (int i = 1; i < 31; ++i) file += "P" + std::to_string(i) + "\r\n";
    EXPECT_EQ(storeA.Import(file, texts).text, "People added to the list: 31.");
    EXPECT_EQ(Query(kDb, "SELECT station FROM numbers WHERE number = '7B00000002'"),
              (std::vector<DbRow>{{"A"}}))
        << "reserved";
    EXPECT_FALSE(storeB.Remove({{"P1", std::nullopt}}, texts));

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
    EXPECT_EQ(issued.count("P1"), 0u) << "removed";

    const RevokeCard revoked = [](const CardHolder&) { return std::optional<HoldersNote>(); };
    EXPECT_FALSE(storeA.Replace({"P3", std::nullopt}, revoked, texts));
    std::vector<CardHolder> people;
    ASSERT_FALSE(storeB.Load(people, texts));
    EXPECT_EQ(CountHolders(people).waiting, 1u) << "P3 waits again";
    // The server removes only waiting people, whatever a station asks.
    std::vector<HolderRecord> records;
    ASSERT_FALSE(a.LoadHolders(records));
    std::vector<std::int64_t> ids;
    for (const HolderRecord& record : records) ids.push_back(record.id);
    ASSERT_FALSE(a.RemoveHolders(ids));
    ASSERT_FALSE(storeB.Load(people, texts));
    EXPECT_EQ(CountHolders(people).issued, 29u);
    EXPECT_EQ(CountHolders(people).waiting, 0u);
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
