// The ODBC calls behind DbConnection. This is the one file of the database
// floor that includes the ODBC headers: on Windows they need windows.h
// first, and SQLWCHAR is wchar_t there; under unixODBC it is an unsigned
// short. Both are 16 bits wide and hold UTF-16, which is what every call
// here passes: only the wide-character functions are used.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/utf8.h"
#include "database/odbc.h"

namespace tollvane {

namespace {

using WideText = std::basic_string<SQLWCHAR>;
static_assert(sizeof(SQLWCHAR) == 2, "the wide ODBC calls take UTF-16");

// UTF-8 to UTF-16. A byte that does not start a valid sequence becomes
// U+FFFD, so that a bad text is still sent whole and the server refuses it
// with its own message rather than a cut one.
WideText Widen(std::string_view text) {
    WideText out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t point = 0xFFFD;
        std::size_t length = 1;
        if (c < 0x80) {
            point = c;
        } else {
            const std::size_t extra = c >= 0xF0 && c < 0xF5   ? 3
                                      : c >= 0xE0 && c < 0xF0 ? 2
                                      : c >= 0xC2 && c < 0xE0 ? 1
                                                              : 0;
            std::uint32_t value = c & (0x3F >> extra);
            bool good = extra > 0 && i + extra < text.size();
            for (std::size_t k = 1; good && k <= extra; ++k) {
                const unsigned char next = static_cast<unsigned char>(text[i + k]);
                good = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
            if (good && value >= kLeast[extra] && value <= 0x10FFFF &&
                (value < 0xD800 || value > 0xDFFF)) {
                point = value;
                length = extra + 1;
            }
        }
        if (point >= 0x10000) {
            out.push_back(static_cast<SQLWCHAR>(0xD800 + ((point - 0x10000) >> 10)));
            out.push_back(static_cast<SQLWCHAR>(0xDC00 + ((point - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<SQLWCHAR>(point));
        }
        i += length;
    }
    return out;
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Narrow(const SQLWCHAR* text, std::size_t length) {
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t point = text[i];
        if (point >= 0xD800 && point < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (point >= 0xD800 && point < 0xE000) {
            point = 0xFFFD;
        }
        AppendUtf8(out, point);
    }
    return out;
}

bool Succeeded(SQLRETURN result) {
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// The diagnostic records of a handle: the first record's SQLSTATE and
// native code, every record's text.
DbError Diagnose(SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    DbError error;
    bool first = true;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        if (!Succeeded(SQLGetDiagRecW(type, handle, record, state, &native, message,
                                      static_cast<SQLSMALLINT>(sizeof message / sizeof message[0]),
                                      &length)))
            break;
        // A warning ("01...") may come before the error it led to: the
        // error's state is the one that says what happened.
        const std::string stateText = Narrow(state, 5);
        if (first || (error.sqlState.rfind("01", 0) == 0 && stateText.rfind("01", 0) != 0)) {
            error.sqlState = stateText;
            error.nativeError = native;
        }
        if (!first) error.text += '\n';
        first = false;
        const std::size_t kept =
            std::min<std::size_t>(length, sizeof message / sizeof message[0] - 1);
        error.text += Narrow(message, kept);
    }
    if (first) error.text = what;  // the driver manager said nothing more
    return error;
}

}  // namespace

struct DbConnection::Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;

    ~Handles() {
        if (connected) SQLDisconnect(dbc);
        if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

namespace {

using Handles = DbConnection::Handles;

// A statement handle, freed on every path.
class Statement {
public:
    explicit Statement(SQLHDBC dbc) {
        if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_))) handle_ = SQL_NULL_HSTMT;
    }
    ~Statement() {
        if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return handle_; }

private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// One column of the current row as text, read in pieces of any length.
bool ReadColumn(SQLHSTMT stmt, SQLUSMALLINT column, DbValue& value) {
    WideText text;
    SQLWCHAR piece[512];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN result =
            SQLGetData(stmt, column, SQL_C_WCHAR, piece, sizeof piece, &indicator);
        if (result == SQL_NO_DATA) break;
        if (!Succeeded(result)) return false;
        if (indicator == SQL_NULL_DATA) {
            value.reset();
            return true;
        }
        const std::size_t room = sizeof piece / sizeof piece[0] - 1;
        const std::size_t got =
            indicator == SQL_NO_TOTAL ||
                    indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > static_cast<SQLLEN>(room)
                ? room
                : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        text.append(piece, got);
        if (result == SQL_SUCCESS) break;
    }
    value = Narrow(text.data(), text.size());
    return true;
}

// One statement on the connection, its rows appended to rows when given.
// The server cancels it after queryTimeout seconds.
std::optional<DbError> Execute(SQLHDBC dbc, const std::string& sql,
                               const std::vector<DbValue>& params, std::vector<DbRow>* rows,
                               int queryTimeout) {
    Statement statement(dbc);
    SQLHSTMT stmt = statement.get();
    if (stmt == SQL_NULL_HSTMT) return Diagnose(SQL_HANDLE_DBC, dbc, "No statement handle.");
    SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(queryTimeout)), 0);

    // The bound buffers must stay put until the statement has run.
    std::vector<WideText> texts(params.size());
    std::vector<SQLLEN> lengths(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (params[i]) texts[i] = Widen(*params[i]);
        texts[i].push_back(0);
        lengths[i] = params[i] ? static_cast<SQLLEN>((texts[i].size() - 1) * sizeof(SQLWCHAR))
                               : SQL_NULL_DATA;
        const SQLULEN size = std::max<SQLULEN>(1, texts[i].size() - 1);
        if (!Succeeded(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                        SQL_C_WCHAR, SQL_WVARCHAR, size, 0, texts[i].data(),
                                        static_cast<SQLLEN>(texts[i].size() * sizeof(SQLWCHAR)),
                                        &lengths[i])))
            return Diagnose(SQL_HANDLE_STMT, stmt, "A parameter could not be bound.");
    }
    WideText text = Widen(sql);
    const SQLRETURN result =
        SQLExecDirectW(stmt, text.data(), static_cast<SQLINTEGER>(text.size()));
    if (!Succeeded(result) && result != SQL_NO_DATA)
        return Diagnose(SQL_HANDLE_STMT, stmt, "The statement failed.");
    if (!rows) return std::nullopt;

    SQLSMALLINT columns = 0;
    if (!Succeeded(SQLNumResultCols(stmt, &columns)))
        return Diagnose(SQL_HANDLE_STMT, stmt, "The result could not be read.");
    if (columns == 0) return std::nullopt;
    for (;;) {
        const SQLRETURN fetched = SQLFetch(stmt);
        if (fetched == SQL_NO_DATA) break;
        if (!Succeeded(fetched)) return Diagnose(SQL_HANDLE_STMT, stmt, "A row could not be read.");
        DbRow row(static_cast<std::size_t>(columns));
        for (SQLSMALLINT c = 0; c < columns; ++c) {
            if (!ReadColumn(stmt, static_cast<SQLUSMALLINT>(c + 1),
                            row[static_cast<std::size_t>(c)]))
                return Diagnose(SQL_HANDLE_STMT, stmt, "A value could not be read.");
        }
        rows->push_back(std::move(row));
    }
    return std::nullopt;
}

SQLRETURN SetAutocommit(SQLHDBC dbc, SQLULEN on) {
    return SQLSetConnectAttrW(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(on), 0);
}

}  // namespace

bool IsUniqueViolation(const DbError& error) { return error.sqlState == "23505"; }

bool IsConnectionLost(const DbError& error) {
    return error.sqlState.rfind("08", 0) == 0 || error.sqlState.rfind("57P0", 0) == 0;
}

std::string DbErrorText(const DbError& error) {
    return error.text + " (SQLSTATE " + error.sqlState + ")";
}

DbConnection::DbConnection(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
DbConnection::~DbConnection() = default;

std::unique_ptr<DbConnection> DbConnection::Open(std::string_view connectionString,
                                                 DbError& error) {
    auto handles = std::make_unique<Handles>();
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->env))) {
        handles->env = SQL_NULL_HENV;
        error = DbError{"HY000", "The ODBC driver manager could not be started.", 0};
        return nullptr;
    }
    SQLSetEnvAttr(handles->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, handles->env, &handles->dbc))) {
        handles->dbc = SQL_NULL_HDBC;
        error = Diagnose(SQL_HANDLE_ENV, handles->env,
                         "The ODBC driver manager refused a connection handle.");
        return nullptr;
    }
    SQLSetConnectAttrW(handles->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
    WideText in = Widen(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN result = SQLDriverConnectW(
        handles->dbc, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size()), out,
        static_cast<SQLSMALLINT>(sizeof out / sizeof out[0]), &outLength, SQL_DRIVER_NOPROMPT);
    // The string may carry a password: it is not kept.
    std::fill(in.begin(), in.end(), SQLWCHAR{0});
    std::memset(out, 0, sizeof out);
    if (!Succeeded(result)) {
        error = Diagnose(SQL_HANDLE_DBC, handles->dbc, "The connection failed.");
        return nullptr;
    }
    handles->connected = true;
    return std::unique_ptr<DbConnection>(new DbConnection(std::move(handles)));
}

std::optional<DbError> DbConnection::Failed(DbError error) {
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (IsConnectionLost(error) ||
        (Succeeded(
             SQLGetConnectAttrW(handles_->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE))
        lost_ = true;
    return error;
}

std::optional<DbError> DbConnection::Run(std::string_view sql, const std::vector<DbValue>& params,
                                         std::vector<DbRow>* rows) {
    auto failure = Execute(handles_->dbc, std::string(sql), params, rows, kStatementTimeoutSeconds);
    return failure ? Failed(std::move(*failure)) : std::nullopt;
}

std::optional<DbError> DbConnection::Begin() {
    const SQLHDBC dbc = handles_->dbc;
    if (Succeeded(SetAutocommit(dbc, SQL_AUTOCOMMIT_OFF))) return std::nullopt;
    return Failed(Diagnose(SQL_HANDLE_DBC, dbc, "The transaction could not begin."));
}

std::optional<DbError> DbConnection::Commit() {
    const SQLHDBC dbc = handles_->dbc;
    std::optional<DbError> failure;
    if (!Succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT))) {
        failure = Diagnose(SQL_HANDLE_DBC, dbc, "The transaction could not be committed.");
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    }
    SetAutocommit(dbc, SQL_AUTOCOMMIT_ON);
    return failure ? Failed(std::move(*failure)) : std::nullopt;
}

void DbConnection::Rollback() {
    SQLEndTran(SQL_HANDLE_DBC, handles_->dbc, SQL_ROLLBACK);
    SetAutocommit(handles_->dbc, SQL_AUTOCOMMIT_ON);
}

}  // namespace tollvane
