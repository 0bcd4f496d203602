// Drives the real Tollvane.exe from another process on the same desktop:
// starts it in a scratch folder, finds its windows by class and title,
// clicks, selects and types through window messages, reads texts, states and
// list view cells, and reads and answers its message boxes. Every wait polls
// a condition with a time-out; nothing here measures how long the program
// takes.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/win/utf.h"

namespace tollvane::e2e {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

// Generous: Wine starts slowly on a busy machine.
inline constexpr Ms kWait = 15000ms;

// Polls until pred() holds or the time-out passes; true if it held.
bool WaitUntil(const std::function<bool()>& pred, Ms timeout = kWait);

// Tollvane.exe of this build, or the one TOLLVANE_EXE names.
std::wstring ProgramPath();

// A fresh folder under the temporary folder, removed with its content.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    void Write(const std::string& name, const std::string& content) const;
    std::optional<std::string> Read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Text and state of any window, through messages that Windows carries
// across processes.
std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
bool IsShown(HWND hwnd);  // its own WS_VISIBLE flag
RECT ClientRectIn(HWND hwnd, HWND parent);  // hwnd's window rect in parent's client coordinates
// The screen under the window, as a 24-bit BMP (for the documentation).
bool SaveWindowBitmap(HWND window, const std::filesystem::path& path);

// A list view of another process: its row count, a cell's text, and a click
// on a row (a double click with twice).
int ListRows(HWND list);
std::string ListCell(HWND list, int row, int column);
void ClickListRow(HWND list, int row, bool twice = false);

// What a message box shows.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // control ids: IDOK 1, IDYES 6, IDNO 7 ...
    int icon = 0;  // program icon resource 3..7 it shows, 0 if none of them
};

// A running Tollvane.exe (TOLLVANE_EXE in the environment names another
// one), closed when this goes: its windows first, then by force.
class Program {
public:
    explicit Program(const std::filesystem::path& workDir);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Running() const;
    std::optional<DWORD> WaitExit(Ms timeout = kWait);  // the exit code

    // A visible top-level window of this process, by class and title.
    HWND FindTop(const std::wstring& className, const std::wstring& title = L"") const;
    HWND WaitTop(const std::wstring& className, const std::wstring& title = L"") const;
    HWND WaitMainWindow();  // null if the program ended first
    HWND Main() const { return main_; }

    // Message boxes: dialogs made of texts and push buttons only.
    std::optional<MessageBoxInfo> CurrentMessageBox() const;
    std::optional<MessageBoxInfo> WaitMessageBox(Ms timeout = kWait) const;
    // Presses the button and waits for the box to go.
    void Answer(const MessageBoxInfo& box, int buttonId) const;
    HWND ProgressWindow() const;
    // After a step that starts a wait (the start-up search, a card command):
    // waits for its progress window or box, answers every box with its first
    // button until the program has been quiet for a moment, and returns
    // their texts. A box that closes gives the main window back for a moment
    // before the next wait takes it again, so one look at an enabled window
    // is not enough.
    std::vector<std::string> SettleSearch();

private:
    std::vector<HWND> TopWindows() const;

    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// The main form of a running program, reached by control identifiers and,
// for controls without one, by class and position.
class Form {
public:
    explicit Form(const Program& program) : program_(program), main_(program.Main()) {}

    HWND Main() const { return main_; }
    HWND Control(int id) const;
    // By class and top-left corner in client pixels, and by size where given
    // (some group boxes share their corner).
    HWND ControlAt(const std::string& cls, int x, int y, int w = -1, int h = -1) const;
    std::vector<HWND> Children() const;

    std::string Text(int id) const { return WindowText(Control(id)); }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    bool Checked(int id) const;
    int Selection(int id) const;
    std::vector<std::string> Items(int id) const;

    // A click (BM_CLICK) that returns when the program has handled it;
    // ClickAsync for clicks that open a modal window.
    void Click(int id);
    void ClickAsync(int id);
    void Menu(int id);  // WM_COMMAND with the item id
    void MenuAsync(int id);
    // Selects a combo box item and reports CBN_SELCHANGE as a click does.
    void Select(int id, int index);

private:
    LRESULT Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

    const Program& program_;
    HWND main_;
    mutable std::map<int, HWND> byId_;
    mutable std::vector<HWND> children_;
};

}  // namespace tollvane::e2e
