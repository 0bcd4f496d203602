// Drives the real Tollvane.exe from another process on the same desktop:
// starts it in a folder, finds its windows, clicks, selects and types through
// window messages, reads texts and states, and answers its message boxes.
// Every wait polls a condition with a time-out; nothing here measures how
// long the program takes.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/win/utf.h"

namespace tollvane::e2e {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

inline constexpr Ms kWait = 15000ms;  // generous: Wine starts slowly on a busy machine

// Polls until pred() holds or the time-out passes; true if it held.
bool WaitUntil(const std::function<bool()>& pred, Ms timeout = kWait);

std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
RECT ClientRectIn(HWND hwnd, HWND parent);  // hwnd's window rect in parent's client coordinates
bool SaveWindowBitmap(HWND window, const std::filesystem::path& path);  // what the screen shows of it

int ListRows(HWND list);  // of a list view

struct MessageBoxInfo {
    HWND hwnd;
    std::string caption, text;
    std::vector<int> buttons;  // control ids: IDOK 1, IDYES 6, IDNO 7 ...
};

// A running Tollvane.exe, ended when this goes, and its main form, whose
// controls are found by identifier or by class, top-left corner and size
// (some group boxes share their corner).
class Program {
public:
    explicit Program(const std::filesystem::path& workDir);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::optional<DWORD> WaitExit(Ms timeout = kWait);  // the exit code

    // A visible top-level window of this process, by class and title.
    HWND FindTop(const std::wstring& className, const std::wstring& title = L"") const;
    HWND WaitTop(const std::wstring& className, const std::wstring& title = L"") const;
    HWND WaitMainWindow();  // null if the program ended first
    HWND Main() const { return main_; }

    // Message boxes: dialogs of texts and push buttons only.
    std::optional<MessageBoxInfo> CurrentMessageBox() const;
    std::optional<MessageBoxInfo> WaitMessageBox() const;
    void Answer(const MessageBoxInfo& box, int buttonId) const;  // and waits for the box to go
    HWND ProgressWindow() const;
    // After a step that starts a wait: answers every box with its first button
    // until the program has been quiet for a moment; the boxes' texts.
    std::vector<std::string> SettleSearch();

    // The keyboard: the control that has the focus (null: none), and a key
    // pressed and released, or characters typed, there (the main window when
    // none has it). They arrive through the program's message loop, as the
    // keyboard's do; the caller waits for their effect.
    HWND Focus() const;
    void Key(WPARAM key) const;
    void Type(const std::string& text) const;

    const std::vector<HWND>& Children() const;  // of the main form
    HWND Control(int id) const;
    HWND ControlAt(const std::string& cls, int x, int y, int w = -1, int h = -1) const;
    std::string Text(int id) const { return WindowText(Control(id)); }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    bool Checked(int id) const;
    int Selection(int id) const;
    std::vector<std::string> Items(int id) const;
    // Click returns when the program has handled it, ClickAsync and MenuAsync at
    // once (for modal windows); Select reports CBN_SELCHANGE as a choice does.
    void Click(int id);
    void ClickAsync(int id);
    void Menu(int id);
    void MenuAsync(int id);
    void Select(int id, int index);

private:
    LRESULT Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
    mutable std::vector<HWND> children_;
};

}  // namespace tollvane::e2e
