// A connection to the database server through ODBC: the driver manager of
// the system (odbc32 on Windows, unixODBC elsewhere) and the driver the
// connection string names. Every call is a wide-character one; texts cross
// this header as UTF-8. Nothing here includes the ODBC or Windows headers:
// the calls themselves live in odbc/odbc_calls.cpp, the one part of this
// floor that differs between the systems.
//
// A failure is a value (DbError) with the driver's own text and SQLSTATE;
// nothing here throws.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tollvane {

struct DbError {
    std::string sqlState = "HY000";  // five characters, as the driver gave it
    std::string text;                // the driver's messages, UTF-8, one per line
    std::int32_t nativeError = 0;
};

// "23505": a unique constraint refused the row.
bool IsUniqueViolation(const DbError& error);
// The connection is gone (class 08, or the server shutting down): the next
// operation has to connect again.
bool IsConnectionLost(const DbError& error);
// "<text> (SQLSTATE 08001)", as the operator is shown it.
std::string DbErrorText(const DbError& error);

// Every value travels as text; NULL is nullopt.
using DbValue = std::optional<std::string>;
using DbRow = std::vector<DbValue>;

class DbConnection {
public:
    // Seconds a connection attempt may take before it counts as failed.
    static constexpr int kLoginTimeoutSeconds = 5;
    // Seconds a statement may run before the server cancels it (a lock
    // another station holds, a server too busy to finish it).
    static constexpr int kStatementTimeoutSeconds = 10;

    // SQLDriverConnectW with the string as written. Empty with error set
    // when the driver manager, the driver or the server refuses.
    static std::unique_ptr<DbConnection> Open(std::string_view connectionString, DbError& error);
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Runs one statement; each ? takes the next parameter, bound as text
    // (write CAST(? AS ...) where the column is not text). The rows a query
    // returns are appended to rows when it is given.
    std::optional<DbError> Run(std::string_view sql, const std::vector<DbValue>& params = {},
                               std::vector<DbRow>* rows = nullptr);

    // Statements between Begin and Commit are one transaction; the
    // connection commits each statement on its own otherwise.
    std::optional<DbError> Begin();
    std::optional<DbError> Commit();
    void Rollback();

    // The last failure said the connection is gone.
    bool Lost() const { return lost_; }

    struct Handles;

private:
    explicit DbConnection(std::unique_ptr<Handles> handles);
    std::optional<DbError> Failed(DbError error);

    std::unique_ptr<Handles> handles_;
    bool lost_ = false;
};

// A transaction that rolls back unless committed.
class DbTransaction {
public:
    explicit DbTransaction(DbConnection& connection) : connection_(connection) {}
    ~DbTransaction() {
        if (begun_ && !done_) connection_.Rollback();
    }
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    std::optional<DbError> Begin() {
        auto failure = connection_.Begin();
        begun_ = !failure;
        return failure;
    }
    std::optional<DbError> Commit() {
        done_ = true;
        return connection_.Commit();
    }

private:
    DbConnection& connection_;
    bool begun_ = false, done_ = false;
};

}  // namespace tollvane
