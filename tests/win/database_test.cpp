// The database under Wine: odbc32 hands the wide calls to the host's driver
// manager, which reaches the private PostgreSQL server the test run started.
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/win/utf.h"

namespace tollvane {
namespace {

// The server the run started; a run without one fails, it never skips.
std::wstring TestConnection() {
    const wchar_t* value = _wgetenv(L"TOLLVANE_TEST_ODBC");
    return value ? value : L"";
}

std::wstring Diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRecW(type, handle, 1, state, &native, text, 512, &length);
    return std::wstring(reinterpret_cast<wchar_t*>(state)) + L" " + reinterpret_cast<wchar_t*>(text);
}

// The wide calls reach the server and bring Cyrillic back as it went.
TEST(Odbc32, ReachesTheHostsDriverThroughWideCalls) {
    const std::wstring connection = TestConnection();
    ASSERT_FALSE(connection.empty()) << "TOLLVANE_TEST_ODBC is not set: no test server was started";
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT statement = nullptr;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));
    const SQLRETURN connected = SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)connection.c_str(), SQL_NTS, nullptr, 0,
                                                  nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(SQL_SUCCEEDED(connected)) << Narrow(Diagnostic(SQL_HANDLE_DBC, dbc));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirectW(statement, (SQLWCHAR*)L"SELECT 'Жж€' || current_user", SQL_NTS)))
        << Narrow(Diagnostic(SQL_HANDLE_STMT, statement));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(statement)));
    wchar_t value[64] = {};
    SQLLEN length = 0;
    SQLGetData(statement, 1, SQL_C_WCHAR, value, sizeof value, &length);
    EXPECT_EQ(std::wstring(value).substr(0, 3), L"Жж€");
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

}  // namespace
}  // namespace tollvane
