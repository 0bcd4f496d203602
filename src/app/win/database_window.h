// The "Database" window (Tools menu): the connection string and password
// that database.ini keeps, "Test connection", "Save", and the copy of this
// station's files into the database. What each button did shows in the
// window's answer field.
#pragma once

#include <windows.h>

#include <string>

#include "app/station_copy.h"
#include "app/win/machine_secret.h"
#include "app/win/window_kit.h"
#include "base/win/win_files.h"

namespace tollvane {

inline constexpr const wchar_t* kDatabaseWindowClass = L"my Child Window Database";

class DatabaseWindow : public SecondaryWindow {
public:
    // texts: the program's table, read in the language of the moment;
    // folder: where database.ini and the station's files are, ending in a
    // backslash (empty: the working folder).
    DatabaseWindow(const MessageTable& texts, Sleeper& sleeper, std::string folder = {});

    // Null when the window could not be made.
    HWND Open(const MainWindowLink& main);

private:
    void MakeControls() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    std::string Field(int id) const;
    void Answer(const std::string& text);
    // The connection the fields describe; empty (and the answer says so)
    // when no string is given.
    std::string Connection();
    void Test();
    void Save();
    void Copy();

    const MessageTable& texts_;
    Sleeper& sleeper_;
    const std::string settingsPath_;
    const StationFilePaths stationFiles_;
    WinFiles files_;
    MachineSecret secret_;
    DatabaseSettings settings_;
    std::string password_;
};

}  // namespace tollvane
