// The database under Wine: odbc32 hands the wide calls to the host's driver
// manager, which reaches the private PostgreSQL server the test run started.
// What travels (texts whole, failures with their state) is the native
// database tests' over the same ODBC calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "app/win/database_window.h"
#include "app/win/machine_secret.h"
#include "app/win/resource_ids.h"
#include "base/win/utf.h"
#include "support/fakes.h"
#include "win/scratch.h"

namespace tollvane {
namespace {

// The connection string of the server the run started (scripts/pg-test-cluster writes it); a run
// without one fails, it never skips.
std::string TestConnection() {
    std::ifstream env(TOLLVANE_PG_ENV);
    const std::string key = "TOLLVANE_TEST_ODBC=";
    for (std::string line; std::getline(env, line);) {
        if (line.starts_with(key)) return line.substr(key.size());
    }
    return {};
}

// What the window's answer field says after a button.
std::string Press(HWND window, int button) {
    SendMessageW(GetDlgItem(window, button), BM_CLICK, 0, 0);
    return Narrow(WindowText(GetDlgItem(window, kDatabaseAnswerId)));
}

// The window with the connection typed and the password in its own field: the server's answer or
// its refusal with the SQLSTATE, a station's numbers copied, the password sealed in database.ini
// (bytes that are no sealed password leave the output as it was).
TEST(DatabaseWindowTest, TestsCopiesAndSavesThePasswordSealed) {
    std::string connection = TestConnection(), password;
    const std::size_t pwd = connection.find("Pwd=");
    ASSERT_NE(pwd, std::string::npos) << "no test server in " TOLLVANE_PG_ENV ": " << connection;
    password = connection.substr(pwd + 4, connection.find(';', pwd) - pwd - 4);
    connection.erase(pwd, password.size() + 5);
    testing::TestApp t(LanguageId::English);
    testing::Scratch dir;
    // Numbers of this run alone: the server keeps the numbers of earlier runs.
    std::random_device random;
    const unsigned w26 = random() & 0xFFFFFE;
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%06X0000 %06X0000", w26, w26 | 1);
    testing::WriteAll(dir / "usersData.data", numbers);
    DatabaseWindow database(t.app.texts, t.sleeper, dir[""]);
    const HWND window = database.Open({nullptr, L"", false});
    ASSERT_TRUE(window);
    SetWindowTextW(GetDlgItem(window, kDatabaseConnectionEditId), Widen(connection).c_str());
    SetWindowTextW(GetDlgItem(window, kDatabasePasswordEditId), L"wrong");
    const std::string refused = Press(window, kDatabaseTestButtonId);
    EXPECT_TRUE(refused.starts_with("The database did not answer:\r\n")) << refused;
    // The driver reports every failed login as 08001.
    EXPECT_NE(refused.find("(SQLSTATE 08001)"), std::string::npos) << refused;
    SetWindowTextW(GetDlgItem(window, kDatabasePasswordEditId), Widen(password).c_str());
    const std::string answered = Press(window, kDatabaseTestButtonId);
    EXPECT_NE(answered.find("The database answered.\r\nServer: PostgreSQL 1"), std::string::npos)
        << answered;
    EXPECT_NE(answered.find("\r\nDatabase: tollvane\r\nUser: tollvane_station"), std::string::npos)
        << answered;
    EXPECT_EQ(Press(window, kDatabaseCopyButtonId),
              "Copied to the database: 2 numbers, 0 register rows, 0 card holders.");
    EXPECT_EQ(Press(window, kDatabaseSaveButtonId),
              "The settings were saved. They take effect when the program is started again.");
    const std::string file = testing::ReadAll(dir / "database.ini");
    EXPECT_EQ(file.find(password), std::string::npos) << file;
    WinFiles files;
    DatabaseSettings saved;
    std::string unsealed = "untouched";
    ASSERT_TRUE(ReadDatabaseSettings(files, dir["database.ini"], saved));
    EXPECT_EQ(saved.connection, connection);
    EXPECT_FALSE(MachineSecret().Unprotect("not sealed", unsealed));
    EXPECT_EQ(unsealed, "untouched");
    EXPECT_TRUE(MachineSecret().Unprotect(saved.sealedPassword, unsealed));
    EXPECT_EQ(unsealed, password);
    DestroyWindow(window);
}

}  // namespace
}  // namespace tollvane
