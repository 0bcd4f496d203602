// The station's records on the database server: the numbers handed out, the
// register of issued cards and the card holders list, shared by every
// station pointed at the same database. Each operation is one statement or
// one transaction; a failure comes back as a DbError and the caller words
// it. The tables are made when they are missing (schema.h).
//
// The connection is made on the first operation and again on the first one
// after it was lost, so a server that comes back is used again without a
// restart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/odbc.h"
#include "register/issued_cards.h"

namespace tollvane {

// What answered a connection: for "Test connection".
struct ServerInfo {
    std::string version;   // the server's version text
    std::string database;  // current_database()
    std::string user;      // current_user
};

// A number as usersData.data records it: the first five data bytes as ten
// upper-case hexadecimal digits. Its first six digits are its Wiegand 26 key.
std::string NumberText(const std::uint8_t data[5]);

// How a number fared against the numbers every station recorded.
enum class NumberClaim {
    Recorded,         // it is this station's now
    AlreadyRecorded,  // the same ten digits were recorded before (by any station)
    W26Taken,         // another number with the same first six digits is recorded
};

// A register row with what makes it one row wherever it travels.
struct RegisterRecord {
    std::string id;  // unique per row: resending it never makes a second row
    RegisterRow row;
};

// Ids of register rows, the same for a row whether it is sent as it is
// written or copied from IssuedCards.csv later: a hash of the row's line,
// and how many identical lines came before it within the same second.
class RegisterRowIds {
public:
    std::string Next(const RegisterRow& row);

private:
    std::string second_;
    std::vector<std::pair<std::string, int>> seen_;  // lines of second_ so far, with their counts
};

// A person of the card holders list as the table holds them; texts as
// CardHolders.csv writes them.
struct HolderRecord {
    std::int64_t id = 0;  // list order: people are added at the end
    std::string name;
    std::string uniqueData;  // "11 22 33 44 55 66 77", or empty while none is given
    std::string status;      // "waiting", "issued"
    std::string time;        // of issue, as the register writes it
    std::string cardBarcode, cardCipherId;
};

// What copying a station's files did. Copying again adds nothing again.
struct CopyReport {
    std::size_t numbersAdded = 0, rowsAdded = 0, peopleAdded = 0;
    // Numbers of the file that another station had recorded already (or
    // whose Wiegand 26 key another number holds): given twice before the
    // move. They stay in the file and are not dropped; the operator is told.
    struct Conflict {
        std::string number, recorded, station;  // the file's, the one recorded, and by whom
    };
    std::vector<Conflict> conflicts;
};

// What a station's files hold, read by the caller.
struct StationFilesContent {
    std::vector<std::string> numbers;       // usersData.data's records, in file order
    std::vector<RegisterRow> registerRows;  // IssuedCards.csv, in file order
    std::vector<HolderRecord> people;       // CardHolders.csv, in list order (ids unused)
};

class StationDb {
public:
    // station names this computer in the rows it writes.
    StationDb(std::string connectionString, std::string station);
    ~StationDb();

    // Connects (when not connected) and makes the tables when they are
    // missing. Every operation below does this first.
    std::optional<DbError> Connect();
    bool Connected() const { return connection_ != nullptr; }
    const std::string& Station() const { return station_; }

    std::optional<DbError> Describe(ServerInfo& info);

    // --- Numbers ------------------------------------------------------------------
    // One INSERT: the server's UNIQUE constraint on the Wiegand 26 key decides.
    std::optional<DbError> RecordNumber(const std::uint8_t data[5], NumberClaim& claim);

    // --- The register ---------------------------------------------------------------
    // Adds the row unless a row with its id is there: sent twice, kept once.
    std::optional<DbError> AppendRegisterRow(const RegisterRecord& record);
    // The number the card with this identity holds, read from every station's
    // rows: the number of its latest successful write, none when its latest
    // row is a Clear or a Revoke, or when it was never written.
    std::optional<DbError> NumberOnCard(std::string_view barcode, std::string_view cipherId,
                                        std::optional<std::string>& number);

    // --- The card holders list ---------------------------------------------------
    std::optional<DbError> LoadHolders(std::vector<HolderRecord>& people);
    // Adds the people at the end of the list and reserves their given
    // numbers, in one transaction: when any given number is recorded already
    // (refused holds their places in people), nothing is added.
    std::optional<DbError> ImportHolders(const std::vector<HolderRecord>& people,
                                         std::vector<std::size_t>& refused);
    // Takes the waiting people with these ids off the list; issued ones stay.
    std::optional<DbError> RemoveHolders(const std::vector<std::int64_t>& ids);
    // Takes the first waiting person no other station is writing a card for,
    // for this station; found is false when nobody is left. Two stations
    // never take the same person.
    std::optional<DbError> TakeNextWaiting(HolderRecord& person, bool& found);
    // The card of a taken person was written: the person is issued with it.
    std::optional<DbError> MarkIssued(const HolderRecord& person);
    // The card of a taken person was not written: the person waits again.
    std::optional<DbError> ReleaseHolder(std::int64_t id);
    // The card of an issued person was revoked: the person waits again,
    // with no number and no card.
    std::optional<DbError> ReturnToWaiting(std::int64_t id);

    // --- Moving a station onto the database ----------------------------------
    // Copies the files' numbers, rows and people in one transaction.
    std::optional<DbError> CopyStationFiles(const StationFilesContent& files, CopyReport& report);

private:
    template <typename Operation>
    std::optional<DbError> WithConnection(Operation&& operation);

    std::string connectionString_;
    std::string station_;
    std::unique_ptr<DbConnection> connection_;
};

}  // namespace tollvane
