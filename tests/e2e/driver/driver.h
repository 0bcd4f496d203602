// Drives the real Tollvane.exe from another process on the same desktop:
// starts it in a scratch folder, finds its windows by title and class,
// clicks, selects and types through window messages, reads texts and states,
// and reads and answers its message boxes. Every wait polls with a time-out;
// nothing here measures how long the program takes.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tollvane::e2e {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

// Generous: Wine starts slowly on a busy machine.
inline constexpr Ms kWait = 15000ms;

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// Polls until pred() holds or the time-out passes; true if it held.
bool WaitUntil(const std::function<bool()>& pred, Ms timeout = kWait);

// Tollvane.exe of this build (TOLLVANE_EXE in the environment overrides).
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
bool IsEnabled(HWND hwnd);
bool IsShown(HWND hwnd);  // its own WS_VISIBLE flag
RECT ClientRectIn(HWND hwnd, HWND parent);  // hwnd's window rect in parent's client coordinates
// The screen under the window, as a 24-bit BMP (for the documentation).
bool SaveWindowBitmap(HWND window, const std::filesystem::path& path);

// What a message box shows.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons;           // control ids: IDOK 1, IDYES 6, IDNO 7 ...
    std::vector<std::string> buttonTexts;
    int icon = 0;  // program icon resource 3..7 it shows, 0 if none of them
};

// A running Tollvane.exe.
class Program {
public:
    // Starts the program with workDir as its current folder.
    explicit Program(const std::filesystem::path& workDir);
    // Closes the program if it still runs (its windows first, then by force).
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Pid() const { return pid_; }
    bool Running() const;
    // Waits for the exit; the exit code, or nullopt on time-out.
    std::optional<DWORD> WaitExit(Ms timeout = kWait);

    // Visible top-level windows of this process.
    std::vector<HWND> TopWindows() const;
    HWND FindTop(const std::wstring& className, const std::wstring& title = L"") const;
    // The main window ("my Window"), waiting for it.
    HWND WaitMainWindow(Ms timeout = kWait);
    HWND Main() const { return main_; }

    // Message boxes (dialogs of class #32770 that are not an About box).
    std::optional<MessageBoxInfo> CurrentMessageBox() const;
    std::optional<MessageBoxInfo> WaitMessageBox(Ms timeout = kWait) const;
    // Presses the button with the id and waits for the box to go.
    void Answer(const MessageBoxInfo& box, int buttonId) const;

    // The progress window of a wait, if one is up.
    HWND ProgressWindow() const;
    // Start-up runs a reader search; waits for it to end, answering the
    // boxes it shows, and returns their texts in order.
    std::vector<std::string> SettleSearch(Ms timeout = kWait);

private:
    PROCESS_INFORMATION pi_{};
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// The main form of a running program, reached by control identifiers and,
// for controls without one, by their position.
class Form {
public:
    explicit Form(Program& program) : program_(program), main_(program.Main()) {}

    HWND Main() const { return main_; }
    HWND Control(int id) const;                    // by identifier
    // By class and top-left corner in client pixels, and by size where it is
    // given (some group boxes share their corner).
    HWND ControlAt(const std::string& cls, int x, int y, int w = -1, int h = -1) const;
    std::vector<HWND> Children() const;

    std::string Text(int id) const { return WindowText(Control(id)); }
    bool Enabled(int id) const { return IsEnabled(Control(id)); }
    bool Checked(int id) const;
    int Selection(int id) const;
    std::vector<std::string> Items(int id) const;
    wchar_t PasswordChar(int id) const;

    // A mouse click on a button, check box or radio (BM_CLICK); returns when
    // the program has handled it. ClickAsync for clicks that open a modal box.
    void Click(int id);
    void ClickAsync(int id);
    // A menu command (WM_COMMAND with the item id).
    void Menu(int id);
    void MenuAsync(int id);
    // Selects a combo box item and reports CBN_SELCHANGE as a click does.
    void Select(int id, int index);

private:
    LRESULT Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

    Program& program_;
    HWND main_;
    // GetDlgItem asks the server about every child; the form never changes
    // its controls, so their handles are looked up once.
    mutable std::map<int, HWND> byId_;
    mutable std::vector<HWND> children_;
};

}  // namespace tollvane::e2e
