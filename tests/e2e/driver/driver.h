// Drives the real Tollvane.exe from another process on the same desktop through window messages,
// and answers its message boxes. Every wait polls a condition with a time-out; nothing here
// measures how long the program takes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/win/window_kit.h"
#include "base/win/utf.h"

namespace tollvane::e2e {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

inline constexpr Ms kWait = 15000ms;  // generous: Wine starts slowly on a busy machine
inline constexpr UINT kSendTimeoutMs = 10000;

// Polls until pred() holds or the time-out passes; true if it held.
inline bool WaitUntil(const std::function<bool()>& pred, Ms timeout = kWait) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !pred();
         std::this_thread::sleep_for(20ms))
        if (std::chrono::steady_clock::now() >= deadline) return false;
    return true;
}

inline std::string WindowText(HWND hwnd) {
    wchar_t buffer[1024] = {};
    DWORD_PTR got = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                                      SMTO_NORMAL, kSendTimeoutMs, &got))
        return {};
    return Narrow(std::wstring_view(buffer, got));
}

inline std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) found.push_back(h);
    return found;
}

inline int ListRows(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

// Presses a button of a window as a click does, without waiting for what it starts.
inline void Press(HWND window, int button) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

struct MessageBoxInfo {
    HWND hwnd;
    std::string text;
    std::vector<int> buttons;  // control ids: IDOK 1, IDYES 6, IDNO 7 ...
};

// A running Tollvane.exe (this build's, or TOLLVANE_EXE), ended when this goes, and its main form,
// whose controls are found by identifier or by class, corner and size (some group boxes share their
// corner).
class Program {
public:
    explicit Program(const std::filesystem::path& workDir) {
        std::wstring exe = Widen(std::getenv("TOLLVANE_EXE") ? std::getenv("TOLLVANE_EXE") : "");
        if (exe.empty()) {  // the build gives a Unix path; Wine shows the Unix root as drive Z:
            exe = Widen(std::string("Z:") + TOLLVANE_EXE);
            std::replace(exe.begin(), exe.end(), L'/', L'\\');
        }
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            workDir.wstring().c_str(), &si, &pi_))
            throw std::runtime_error("cannot start " + Narrow(exe) + ", error " +
                                     std::to_string(GetLastError()));
    }
    ~Program() {  // nothing of the program's state matters after a test: it ends at once
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::optional<DWORD> WaitExit() {  // the exit code
        DWORD code = 0;
        if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(kWait.count())) != WAIT_OBJECT_0)
            return std::nullopt;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

    // A visible top-level window of this process, by class and title.
    HWND FindTop(const std::wstring& className, const std::wstring& title = L"") const {
        for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == pi_.dwProcessId && IsWindowVisible(h) &&
                IsWindowClass(h, className.c_str()) &&
                (title.empty() || WindowText(h) == Narrow(title)))
                return h;
        }
        return nullptr;
    }
    HWND WaitTop(const std::wstring& className, const std::wstring& title = L"") const {
        HWND found = nullptr;
        WaitUntil([&] {
            return (found = FindTop(className, title)) ||
                   WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
        });
        return found;
    }
    HWND WaitMainWindow() {
        return main_ = WaitTop(L"my Window");
    }  // null if the program ended first
    HWND Main() const { return main_; }
    HWND ProgressWindow() const { return FindTop(PROGRESS_CLASSW); }

    // A message box: a dialog of texts and push buttons only (About has group boxes, Save As lists
    // and edits).
    std::optional<MessageBoxInfo> CurrentMessageBox() const {
        const HWND h = FindTop(L"#32770");
        if (!h) return std::nullopt;
        MessageBoxInfo box{h, {}, {}};
        for (HWND c : e2e::Children(h)) {
            if (IsWindowClass(c, L"Button") &&
                (GetWindowLongPtrW(c, GWL_STYLE) & 0x0F) != BS_GROUPBOX)
                box.buttons.push_back(GetDlgCtrlID(c));
            else if (!IsWindowClass(c, L"Static"))
                return std::nullopt;
            else if (const std::string t = WindowText(c); t.size() > box.text.size())
                box.text = t;
        }
        return box;
    }
    std::optional<MessageBoxInfo> WaitMessageBox() const {
        std::optional<MessageBoxInfo> box;
        WaitUntil([&] { return (box = CurrentMessageBox()).has_value(); });
        return box;
    }
    void Answer(const MessageBoxInfo& box, int buttonId) const {  // and waits for the box to go
        Press(box.hwnd, buttonId);
        WaitUntil([&] { return !IsWindow(box.hwnd); });
    }
    // After a step that starts a wait: answers every box with its first button until quiet a
    // moment; their texts.
    std::vector<std::string> SettleSearch() {
        std::vector<std::string> texts;
        WaitUntil([&] { return ProgressWindow() || CurrentMessageBox(); });
        auto quietSince = std::chrono::steady_clock::now();
        WaitUntil([&] {
            const auto now = std::chrono::steady_clock::now();
            if (const auto box = CurrentMessageBox()) {
                texts.push_back(box->text);
                Answer(*box, box->buttons.empty() ? IDOK : box->buttons.front());
                quietSince = std::chrono::steady_clock::now();
            } else if (ProgressWindow() || !IsWindowEnabled(main_)) {
                quietSince = now;
            }
            return now - quietSince > 300ms;
        });
        return texts;
    }

    // The keyboard: the focused control (null: none), and a key pressed and released or characters
    // typed there (the main window when none), through the program's message loop; the caller waits
    // for their effect.
    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(pi_.dwThreadId, &info) ? info.hwndFocus : nullptr;
    }
    void Key(WPARAM key) const {
        const HWND to = Focus() ? Focus() : main_;
        PostMessageW(to, WM_KEYDOWN, key, 1);
        PostMessageW(to, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }
    void Type(const std::string& text) const {
        for (const char c : text)
            PostMessageW(Focus() ? Focus() : main_, WM_CHAR, static_cast<unsigned char>(c), 1);
    }

    HWND Control(int id) const { return GetDlgItem(main_, id); }
    HWND ControlAt(const wchar_t* cls, int x, int y, int w = -1, int h = -1) const {
        for (HWND child : e2e::Children(main_)) {
            const RECT rc = RectIn(child, main_);
            if (rc.left == x && rc.top == y && IsWindowClass(child, cls) &&
                (w < 0 || rc.right - rc.left == w) && (h < 0 || rc.bottom - rc.top == h))
                return child;
        }
        return nullptr;
    }
    std::string Text(int id) const { return WindowText(Control(id)); }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    bool Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }
    int Selection(int id) const { return static_cast<int>(Send(Control(id), CB_GETCURSEL)); }
    std::vector<std::string> Items(int id) const {
        std::vector<std::string> items;
        for (LRESULT i = 0, n = Send(Control(id), CB_GETCOUNT); i < n; ++i) {
            wchar_t buffer[512] = {};  // every item of the form is far shorter
            Send(Control(id), CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(buffer));
            items.push_back(Narrow(buffer));
        }
        return items;
    }
    // Click returns once handled, ClickAsync and MenuAsync at once (modal windows); Select reports
    // CBN_SELCHANGE.
    void Click(int id) { Send(Control(id), BM_CLICK); }
    void ClickAsync(int id) { PostMessageW(Control(id), BM_CLICK, 0, 0); }
    void Menu(int id) { Send(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void MenuAsync(int id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Select(int id, int index) {
        Send(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index));
        Send(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(Control(id)));
    }

private:
    LRESULT Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
            const auto box = CurrentMessageBox();
            throw std::runtime_error(box ? "unexpected message box: " + box->text
                                         : "the program did not answer message " +
                                               std::to_string(msg));
        }
        return static_cast<LRESULT>(result);
    }

    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

}  // namespace tollvane::e2e
