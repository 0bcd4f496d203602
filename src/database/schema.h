// The tables of the station's records. The program makes them when they are
// missing; docs/database/schema.sql holds the same statements for an
// administrator who makes them by hand (a test keeps the two the same).
#pragma once

#include <optional>
#include <string>

#include "database/odbc.h"

namespace tollvane {

// The version of the tables this program makes and reads.
inline constexpr int kSchemaVersion = 1;

// The statements that make the tables and record the version, each ending
// with ";\n", as schema.sql holds them.
std::string SchemaSql();

// A register column's name in the table: the file's name in lower case,
// with an underscore where a capital followed a small letter
// ("ReaderVersion" -> "reader_version", "TM_W44" -> "tm_w44").
std::string TableColumnName(const char* fileColumn);

// Makes the tables when the version table is missing, in one transaction
// that other stations wait for; does nothing (and needs no right to create)
// when they are there. A server whose tables are of a later version is
// refused: the program does not know them.
std::optional<DbError> EnsureSchema(DbConnection& connection);

}  // namespace tollvane
