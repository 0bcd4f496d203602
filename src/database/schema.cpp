#include "database/schema.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "register/issued_cards.h"

namespace tollvane {

std::string TableColumnName(const char* fileColumn) {
    std::string name;
    for (const char* c = fileColumn; *c; ++c) {
        const unsigned char ch = static_cast<unsigned char>(*c);
        if (std::isupper(ch) && c != fileColumn && std::islower(static_cast<unsigned char>(c[-1])))
            name += '_';
        name += static_cast<char>(std::tolower(ch));
    }
    return name;
}

std::string SchemaSql() {
    std::string sql =
        "CREATE TABLE schema_version (\n"
        "    version INTEGER NOT NULL PRIMARY KEY\n"
        ");\n"
        "CREATE TABLE numbers (\n"
        "    number CHAR(10) NOT NULL PRIMARY KEY CHECK (number ~ '^[0-9A-F]{10}$'),\n"
        "    w26 CHAR(6) GENERATED ALWAYS AS (SUBSTRING(number FROM 1 FOR 6)) STORED NOT NULL "
        "UNIQUE,\n"
        "    station TEXT NOT NULL,\n"
        "    recorded_at TIMESTAMP WITH TIME ZONE NOT NULL DEFAULT CURRENT_TIMESTAMP\n"
        ");\n"
        "CREATE TABLE issued_cards (\n"
        "    id TEXT NOT NULL PRIMARY KEY,\n"
        "    station TEXT NOT NULL,\n";
    for (const char* column : kRegisterColumnNames)
        sql += "    " + TableColumnName(column) + " TEXT NOT NULL,\n";
    sql +=
        "    received_at TIMESTAMP WITH TIME ZONE NOT NULL DEFAULT CURRENT_TIMESTAMP\n"
        ");\n"
        "CREATE TABLE card_holders (\n"
        "    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,\n"
        "    name TEXT NOT NULL,\n"
        "    unique_data TEXT NOT NULL DEFAULT '',\n"
        "    status TEXT NOT NULL DEFAULT 'waiting',\n"
        "    time TEXT NOT NULL DEFAULT '',\n"
        "    card_barcode TEXT NOT NULL DEFAULT '',\n"
        "    card_cipher_id TEXT NOT NULL DEFAULT '',\n"
        "    station TEXT NOT NULL DEFAULT '',\n"
        "    taken_by TEXT,\n"
        "    taken_at TIMESTAMP WITH TIME ZONE,\n"
        "    origin TEXT UNIQUE\n"
        ");\n"
        "CREATE INDEX issued_cards_card ON issued_cards (card_barcode, card_cipher_id);\n"
        "INSERT INTO schema_version (version) VALUES (" +
        std::to_string(kSchemaVersion) + ");\n";
    if (std::find(kRegisterColumnNames.begin(), kRegisterColumnNames.end(),
                  std::string_view("CardBarcode")) == kRegisterColumnNames.end())
        sql.erase(sql.find("CREATE INDEX"),
                  sql.find("INSERT INTO schema_version") - sql.find("CREATE INDEX"));
    return sql;
}

namespace {

// Schema creation by two stations at once waits on this lock: the second
// finds the tables made.
constexpr char kSchemaLock[] = "SELECT pg_advisory_lock(7405029)";
constexpr char kSchemaUnlock[] = "SELECT pg_advisory_unlock(7405029)";
constexpr char kVersionQuery[] = "SELECT MAX(version) FROM schema_version";
constexpr char kVersionTableQuery[] = "SELECT to_regclass('schema_version') IS NOT NULL";

std::optional<DbError> ReadVersion(DbConnection& connection, bool& present, int& version) {
    std::vector<DbRow> rows;
    if (auto failure = connection.Run(kVersionTableQuery, {}, &rows)) return failure;
    present = !rows.empty() && rows[0][0] && (*rows[0][0] == "1" || *rows[0][0] == "t");
    if (!present) return std::nullopt;
    rows.clear();
    if (auto failure = connection.Run(kVersionQuery, {}, &rows)) return failure;
    version = !rows.empty() && rows[0][0] ? std::stoi(*rows[0][0]) : 0;
    return std::nullopt;
}

std::optional<DbError> CheckVersion(int version) {
    if (version <= kSchemaVersion) return std::nullopt;
    std::string text = "The database holds tables of version ";
    text.append(std::to_string(version)).append("; this program knows version ");
    text.append(std::to_string(kSchemaVersion)).append(".");
    return DbError{"HY000", text, 0};
}

std::optional<DbError> MakeTables(DbConnection& connection) {
    DbTransaction transaction(connection);
    if (auto failure = transaction.Begin()) return failure;
    bool present = false;
    int version = 0;
    if (auto failure = ReadVersion(connection, present, version)) return failure;
    if (present) return CheckVersion(version);
    const std::string sql = SchemaSql();
    for (std::size_t start = 0; start < sql.size();) {
        const std::size_t end = sql.find(";\n", start);
        if (auto failure = connection.Run(std::string_view(sql).substr(start, end - start)))
            return failure;
        start = end + 2;
    }
    return transaction.Commit();
}

}  // namespace

std::optional<DbError> EnsureSchema(DbConnection& connection) {
    bool present = false;
    int version = 0;
    if (auto failure = ReadVersion(connection, present, version)) return failure;
    if (present) return CheckVersion(version);

    // Two stations making the tables at once: the second waits for the
    // first's lock, then finds them made. The lock is taken before the
    // transaction begins, so that the transaction sees what the first made.
    if (auto failure = connection.Run(kSchemaLock)) return failure;
    auto failure = MakeTables(connection);
    connection.Run(kSchemaUnlock);
    return failure;
}

}  // namespace tollvane
