// database.ini in the program folder: where a station keeps its records when
// they are not in its files. UTF-8, INI form:
//
//   [Database]
//   Connection=Driver={PostgreSQL Unicode};Server=db1;Port=5432;Database=tollvane;Uid=station;
//   Password=<the password, protected for this computer, in hexadecimal>
//
// No file, or no Connection in it, means the files, as a station without a
// database server has always kept them.
#pragma once

#include <string>
#include <string_view>

#include "base/files.h"

namespace tollvane {

inline constexpr const char* kDatabaseConfigFileName = "database.ini";

// Protects a password so that only this computer can read it back. The
// Windows layer uses the system's data protection for the local machine.
class SecretProtector {
public:
    virtual ~SecretProtector() = default;
    virtual bool Protect(std::string_view plain, std::string& sealed) = 0;
    virtual bool Unprotect(std::string_view sealed, std::string& plain) = 0;
};

struct DatabaseSettings {
    std::string connection;      // the ODBC connection string as written; empty: the files
    std::string sealedPassword;  // Protect's bytes; empty: no password of the dialog's
};

// Reads the file into settings (left empty when it is missing). Keys and the
// section name are matched without regard to case, blanks around them and
// the values are dropped, and other sections and keys are passed over.
FileResult ReadDatabaseSettings(Files& files, const std::string& path, DatabaseSettings& settings);

// Replaces the file whole (database.tmp written and flushed, then moved over
// it), so that a power loss leaves either the old settings or the new.
FileResult SaveDatabaseSettings(Files& files, const std::string& path,
                                const DatabaseSettings& settings);

// The value of key (any case) in an ODBC connection string, braces taken off;
// empty when the key is not there.
std::string ConnectionValue(std::string_view connection, std::string_view key);

// What the driver is given: the string as written, and the dialog's password
// as PWD when the string carries no password of its own.
std::string ConnectionForDriver(std::string_view connection, std::string_view password);

// The name the main window's title shows: the string's database, or its
// data source when it names no database.
std::string DatabaseName(std::string_view connection);

}  // namespace tollvane
