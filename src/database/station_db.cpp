#include "database/station_db.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_map>

#include "database/schema.h"

namespace tollvane {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Two FNV-1a hashes of different starts: 128 bits, so that rows of a
// lifetime of issuing never share an id by chance.
std::string ContentHash(std::string_view content) {
    std::string text;
    for (std::uint64_t hash : {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL}) {
        for (unsigned char c : content) hash = (hash ^ c) * 0x100000001b3ULL;
        for (int shift = 60; shift >= 0; shift -= 4) text += kHexDigits[(hash >> shift) & 0xF];
    }
    return text;
}

// The first five bytes of "11 22 33 44 55 66 77" as a number's ten digits;
// empty when the text holds no such bytes.
std::string NumberOfUniqueData(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (digits.size() == 10) return digits;
    }
    return {};
}

// "{a,b,c}": a text array for = ANY(CAST(? AS TEXT[])). The values are hex
// digits and ids, which need no quoting.
template <typename Values>
std::string ArrayLiteral(const Values& values) {
    std::string text = "{";
    for (const auto& value : values) {
        if (text.size() > 1) text += ',';
        text += value;
    }
    return text + "}";
}

// Runs "<head> VALUES (?,..),(?,..) <tail>" over rows of columns parameters
// each, a few hundred rows per statement, appending what they return.
std::optional<DbError> InsertRows(DbConnection& connection, std::string_view head,
                                  std::size_t columns, const std::vector<DbValue>& params,
                                  std::string_view tail, std::vector<DbRow>* rows) {
    constexpr std::size_t kRowsPerStatement = 200;
    std::string one = "(";
    for (std::size_t c = 0; c < columns; ++c) one += c ? ",?" : "?";
    one += ')';
    const std::size_t total = params.size() / columns;
    for (std::size_t first = 0; first < total; first += kRowsPerStatement) {
        const std::size_t count = std::min(kRowsPerStatement, total - first);
        std::string sql(head);
        sql += " VALUES ";
        for (std::size_t r = 0; r < count; ++r) sql += (r ? "," : "") + one;
        sql += ' ';
        sql += tail;
        const std::vector<DbValue> chunk(
            params.begin() + static_cast<std::ptrdiff_t>(first * columns),
            params.begin() + static_cast<std::ptrdiff_t>((first + count) * columns));
        if (auto failure = connection.Run(sql, chunk, rows)) return failure;
    }
    return std::nullopt;
}

std::string RegisterInsertHead() {
    std::string sql = "INSERT INTO issued_cards (id, station";
    for (const char* column : kRegisterColumnNames) sql += ", " + TableColumnName(column);
    return sql + ")";
}

void AddRegisterParams(const RegisterRecord& record, const std::string& station,
                       std::vector<DbValue>& params) {
    params.emplace_back(record.id);
    params.emplace_back(station);
    for (const std::string& field : record.row) params.emplace_back(field);
}

constexpr char kHolderColumns[] =
    "id, name, unique_data, status, time, card_barcode, card_cipher_id";

HolderRecord HolderOfRow(const DbRow& row) {
    HolderRecord person;
    person.id = std::stoll(row[0].value_or("0"));
    std::string* fields[] = {&person.name, &person.uniqueData,  &person.status,
                             &person.time, &person.cardBarcode, &person.cardCipherId};
    for (std::size_t i = 0; i < std::size(fields); ++i) *fields[i] = row[i + 1].value_or("");
    return person;
}

// The Wiegand 26 keys of numbers whose insert was refused, and who holds them.
std::optional<DbError> HoldersOfKeys(
    DbConnection& connection, const std::vector<std::string>& keys,
    std::unordered_map<std::string, std::pair<std::string, std::string>>& holders) {
    std::vector<DbRow> rows;
    if (auto failure = connection.Run(
            "SELECT w26, number, station FROM numbers WHERE w26 = ANY(CAST(? AS TEXT[]))",
            {ArrayLiteral(keys)}, &rows))
        return failure;
    for (const DbRow& row : rows)
        holders[row[0].value_or("")] = {row[1].value_or(""), row[2].value_or("")};
    return std::nullopt;
}

}  // namespace

std::string NumberText(const std::uint8_t data[5]) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += kHexDigits[data[i] >> 4];
        text += kHexDigits[data[i] & 0xF];
    }
    return text;
}

std::string RegisterRowIds::Next(const RegisterRow& row) {
    if (row[kColTime] != second_) {
        second_ = row[kColTime];
        seen_.clear();
    }
    const std::string line = FormatRegisterLine(row);
    auto it = std::find_if(seen_.begin(), seen_.end(),
                           [&](const auto& entry) { return entry.first == line; });
    const int occurrence = it == seen_.end() ? 1 : ++it->second;
    if (it == seen_.end()) seen_.emplace_back(line, 1);
    return ContentHash(line) + "-" + std::to_string(occurrence);
}

StationDb::StationDb(std::string connectionString, std::string station)
    : connectionString_(std::move(connectionString)), station_(std::move(station)) {}

StationDb::~StationDb() = default;

std::optional<DbError> StationDb::Connect() {
    if (connection_) return std::nullopt;
    DbError error;
    auto connection = DbConnection::Open(connectionString_, error);
    if (!connection) return error;
    if (auto failure = EnsureSchema(*connection)) return failure;
    connection_ = std::move(connection);
    return std::nullopt;
}

template <typename Operation>
std::optional<DbError> StationDb::WithConnection(Operation&& operation) {
    // A connection that was good may have been cut since (the server
    // restarted): one more try on a new one. Each operation is one statement
    // or one transaction, and safe to repeat.
    for (int attempt = 0;; ++attempt) {
        const bool fresh = !connection_;
        if (auto failure = Connect()) return failure;
        auto failure = operation(*connection_);
        if (!failure || !connection_->Lost()) return failure;
        connection_.reset();
        if (fresh || attempt > 0) return failure;
    }
}

std::optional<DbError> StationDb::Describe(ServerInfo& info) {
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        std::vector<DbRow> rows;
        if (auto failure = connection.Run(
                "SELECT version(), current_database(), CAST(current_user AS TEXT)", {}, &rows))
            return failure;
        if (rows.empty()) return DbError{"HY000", "The server answered nothing.", 0};
        info = {rows[0][0].value_or(""), rows[0][1].value_or(""), rows[0][2].value_or("")};
        return std::nullopt;
    });
}

std::optional<DbError> StationDb::RecordNumber(const std::uint8_t data[5], NumberClaim& claim) {
    const std::string number = NumberText(data);
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        auto failure = connection.Run("INSERT INTO numbers (number, station) VALUES (?, ?)",
                                      {number, station_});
        if (!failure) {
            claim = NumberClaim::Recorded;
            return std::nullopt;
        }
        if (!IsUniqueViolation(*failure)) return failure;
        std::vector<DbRow> rows;
        if (auto lookup = connection.Run("SELECT number FROM numbers WHERE w26 = ?",
                                         {number.substr(0, 6)}, &rows))
            return lookup;
        claim = !rows.empty() && rows[0][0] == number ? NumberClaim::AlreadyRecorded
                                                      : NumberClaim::W26Taken;
        return std::nullopt;
    });
}

std::optional<DbError> StationDb::AppendRegisterRow(const RegisterRecord& record) {
    std::vector<DbValue> params;
    AddRegisterParams(record, station_, params);
    std::string sql = RegisterInsertHead() + " VALUES (?, ?";
    for (std::size_t i = 0; i < record.row.size(); ++i) sql += ", ?";
    sql += ") ON CONFLICT (id) DO NOTHING";
    return WithConnection([&](DbConnection& connection) { return connection.Run(sql, params); });
}

std::optional<DbError> StationDb::NumberOnCard(std::string_view barcode, std::string_view cipherId,
                                               std::optional<std::string>& number) {
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        std::vector<DbRow> rows;
        // The card's latest row that changed what it holds, as the
        // station's own register reads it: a successful write of a User
        // number puts the number there; a successful Clear, a Revoke, or a
        // successful write of no number takes it away.
        if (auto failure = connection.Run("SELECT operation, role, unique_data FROM issued_cards"
                                          " WHERE card_barcode = ? AND card_cipher_id = ?"
                                          " AND (operation = 'Revoke' OR (result IN ('OK', "
                                          "'VERIFIED') AND operation IN ('Clear', 'Write')))"
                                          " ORDER BY time DESC, received_at DESC LIMIT 1",
                                          {std::string(barcode), std::string(cipherId)}, &rows))
            return failure;
        number.reset();
        if (!rows.empty() && rows[0][0] == "Write" && rows[0][1] == "User" &&
            !rows[0][2].value_or("").empty())
            number = rows[0][2];
        return std::nullopt;
    });
}

std::optional<DbError> StationDb::LoadHolders(std::vector<HolderRecord>& people) {
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        std::vector<DbRow> rows;
        if (auto failure = connection.Run(
                std::string("SELECT ") + kHolderColumns + " FROM card_holders ORDER BY id", {},
                &rows))
            return failure;
        people.clear();
        for (const DbRow& row : rows) people.push_back(HolderOfRow(row));
        return std::nullopt;
    });
}

std::optional<DbError> StationDb::ImportHolders(const std::vector<HolderRecord>& people,
                                                std::vector<std::size_t>& refused) {
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        refused.clear();
        DbTransaction transaction(connection);
        if (auto failure = transaction.Begin()) return failure;
        std::vector<DbValue> numbers;
        for (const HolderRecord& person : people) {
            const std::string number = NumberOfUniqueData(person.uniqueData);
            if (!number.empty()) numbers.insert(numbers.end(), {number, station_});
        }
        std::vector<DbRow> reserved;
        if (auto failure =
                InsertRows(connection, "INSERT INTO numbers (number, station)", 2, numbers,
                           "ON CONFLICT DO NOTHING RETURNING number", &reserved))
            return failure;
        if (reserved.size() * 2 != numbers.size()) {
            std::vector<std::string> taken;
            for (const DbRow& row : reserved) taken.push_back(row[0].value_or(""));
            std::sort(taken.begin(), taken.end());
            for (std::size_t i = 0; i < people.size(); ++i) {
                const std::string number = NumberOfUniqueData(people[i].uniqueData);
                if (!number.empty() && !std::binary_search(taken.begin(), taken.end(), number))
                    refused.push_back(i);
            }
            return std::nullopt;  // the transaction rolls back: nothing reserved, nobody added
        }
        std::vector<DbValue> rows;
        for (const HolderRecord& person : people)
            rows.insert(rows.end(), {person.name, person.uniqueData, std::string("waiting")});
        if (auto failure =
                InsertRows(connection, "INSERT INTO card_holders (name, unique_data, status)", 3,
                           rows, "", nullptr))
            return failure;
        return transaction.Commit();
    });
}

std::optional<DbError> StationDb::RemoveHolders(const std::vector<std::int64_t>& ids) {
    std::vector<std::string> texts;
    for (std::int64_t id : ids) texts.push_back(std::to_string(id));
    return WithConnection([&](DbConnection& connection) {
        return connection.Run(
            "DELETE FROM card_holders WHERE id = ANY(CAST(? AS BIGINT[])) AND status = 'waiting'",
            {ArrayLiteral(texts)});
    });
}

std::optional<DbError> StationDb::TakeNextWaiting(HolderRecord& person, bool& found) {
    // The person stays claimed while the card is written; a claim older than
    // any card's wait is a station that went away, and is taken over.
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        std::vector<DbRow> rows;
        if (auto failure = connection.Run(
                std::string("UPDATE card_holders SET taken_by = ?, taken_at = CURRENT_TIMESTAMP"
                            " WHERE id = (SELECT id FROM card_holders WHERE status = 'waiting'"
                            " AND (taken_by IS NULL OR taken_by = ?"
                            " OR taken_at < CURRENT_TIMESTAMP - INTERVAL '5 minutes')"
                            " ORDER BY id LIMIT 1 FOR UPDATE SKIP LOCKED) RETURNING ") +
                    kHolderColumns,
                {station_, station_}, &rows))
            return failure;
        found = !rows.empty();
        if (found) person = HolderOfRow(rows[0]);
        return std::nullopt;
    });
}

std::optional<DbError> StationDb::MarkIssued(const HolderRecord& person) {
    return WithConnection([&](DbConnection& connection) {
        return connection.Run(
            "UPDATE card_holders SET status = 'issued', unique_data = ?, time = ?, card_barcode = "
            "?,"
            " card_cipher_id = ?, station = ?, taken_by = NULL, taken_at = NULL"
            " WHERE id = CAST(? AS BIGINT) AND status = 'waiting'",
            {person.uniqueData, person.time, person.cardBarcode, person.cardCipherId, station_,
             std::to_string(person.id)});
    });
}

std::optional<DbError> StationDb::ReleaseHolder(std::int64_t id) {
    return WithConnection([&](DbConnection& connection) {
        return connection.Run(
            "UPDATE card_holders SET taken_by = NULL, taken_at = NULL WHERE id = CAST(? AS BIGINT) "
            "AND taken_by = ?",
            {std::to_string(id), station_});
    });
}

std::optional<DbError> StationDb::ReturnToWaiting(std::int64_t id) {
    return WithConnection([&](DbConnection& connection) {
        return connection.Run(
            "UPDATE card_holders SET status = 'waiting', unique_data = '', time = '',"
            " card_barcode = '', card_cipher_id = '', station = ''"
            " WHERE id = CAST(? AS BIGINT) AND status = 'issued'",
            {std::to_string(id)});
    });
}

std::optional<DbError> StationDb::CopyStationFiles(const StationFilesContent& files,
                                                   CopyReport& report) {
    return WithConnection([&](DbConnection& connection) -> std::optional<DbError> {
        report = {};
        DbTransaction transaction(connection);
        if (auto failure = transaction.Begin()) return failure;

        std::vector<DbValue> numbers;
        for (const std::string& number : files.numbers)
            numbers.insert(numbers.end(), {number, station_});
        std::vector<DbRow> added;
        if (auto failure = InsertRows(connection, "INSERT INTO numbers (number, station)", 2,
                                      numbers, "ON CONFLICT DO NOTHING RETURNING number", &added))
            return failure;
        report.numbersAdded = added.size();
        std::vector<std::string> addedNumbers;
        for (const DbRow& row : added) addedNumbers.push_back(row[0].value_or(""));
        std::sort(addedNumbers.begin(), addedNumbers.end());
        std::vector<std::string> refusedKeys;
        for (const std::string& number : files.numbers)
            if (!std::binary_search(addedNumbers.begin(), addedNumbers.end(), number))
                refusedKeys.push_back(number.substr(0, 6));
        std::unordered_map<std::string, std::pair<std::string, std::string>> holders;
        if (!refusedKeys.empty())
            if (auto failure = HoldersOfKeys(connection, refusedKeys, holders)) return failure;
        for (const std::string& number : files.numbers) {
            auto it = holders.find(number.substr(0, 6));
            if (it == holders.end() ||
                std::binary_search(addedNumbers.begin(), addedNumbers.end(), number))
                continue;
            const auto& [recorded, station] = it->second;
            // This station's own number, copied before: nothing to tell.
            if (recorded == number && station == station_) continue;
            report.conflicts.push_back({number, recorded, station});
        }

        RegisterRowIds ids;
        std::vector<DbValue> rows;
        for (const RegisterRow& row : files.registerRows)
            AddRegisterParams({ids.Next(row), row}, station_, rows);
        added.clear();
        if (auto failure = InsertRows(connection, RegisterInsertHead(), 2 + kRegisterColumnCount,
                                      rows, "ON CONFLICT (id) DO NOTHING RETURNING id", &added))
            return failure;
        report.rowsAdded = added.size();

        // A person is known again by the station and the person's row.
        std::unordered_map<std::string, int> seen;
        std::vector<DbValue> people;
        for (const HolderRecord& p : files.people) {
            const std::string content = p.name + '\n' + p.uniqueData + '\n' + p.status + '\n' +
                                        p.time + '\n' + p.cardBarcode + '\n' + p.cardCipherId;
            const std::string origin =
                station_ + ":" + ContentHash(content) + "-" + std::to_string(++seen[content]);
            people.insert(people.end(),
                          {p.name, p.uniqueData, p.status, p.time, p.cardBarcode, p.cardCipherId,
                           p.status == "issued" ? station_ : std::string(), origin});
        }
        added.clear();
        if (auto failure = InsertRows(
                connection,
                "INSERT INTO card_holders (name, unique_data, status, time, card_barcode,"
                " card_cipher_id, station, origin)",
                8, people, "ON CONFLICT (origin) DO NOTHING RETURNING id", &added))
            return failure;
        report.peopleAdded = added.size();
        return transaction.Commit();
    });
}

}  // namespace tollvane
