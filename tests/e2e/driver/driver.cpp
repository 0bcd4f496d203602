#include "driver/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace tollvane::e2e {
namespace {

constexpr UINT kSendTimeoutMs = 10000;

std::vector<HWND> DirectChildren(HWND parent) {
    std::vector<HWND> found;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) found.push_back(h);
    return found;
}

// Tollvane.exe of this build, or the one TOLLVANE_EXE names.
std::wstring ProgramPath() {
    if (const char* other = std::getenv("TOLLVANE_EXE"); other && *other) return Widen(other);
    // The build gives a Unix path; Wine shows the Unix root as drive Z:.
    std::string path = TOLLVANE_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return Widen(path);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& pred, Ms timeout) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout; !pred(); std::this_thread::sleep_for(20ms))
        if (std::chrono::steady_clock::now() >= deadline) return false;
    return true;
}

std::string WindowText(HWND hwnd) {
    wchar_t buffer[1024] = {};
    DWORD_PTR got = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                                      kSendTimeoutMs, &got))
        return {};
    return Narrow(std::wstring_view(buffer, got));
}

std::string ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return Narrow(name);
}

RECT ClientRectIn(HWND hwnd, HWND parent) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool SaveWindowBitmap(HWND window, const std::filesystem::path& path) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(400ms);  // let it paint
    RECT rc;
    if (!GetWindowRect(window, &rc)) return false;
    // A 32-bit BMP whose rows go top down (a negative height).
    const BITMAPINFOHEADER bi{sizeof bi, rc.right - rc.left, rc.top - rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const auto bytes = static_cast<DWORD>(4 * bi.biWidth * -bi.biHeight);
    const BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi + bytes), 0, 0, sizeof fh + sizeof bi};
    void* pixels = nullptr;
    const HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
    const HBITMAP bmp = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&bi), DIB_RGB_COLORS, &pixels, nullptr, 0);
    const HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, bi.biWidth, -bi.biHeight, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    for (DWORD i = 0; i < bytes / 4; ++i) static_cast<DWORD*>(pixels)[i] |= 0xFF000000;  // opaque: BitBlt leaves alpha 0
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&fh), sizeof fh).write(reinterpret_cast<const char*>(&bi), sizeof bi);
    file.write(static_cast<const char*>(pixels), bytes);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return static_cast<bool>(file);
}

int ListRows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// --- Program -----------------------------------------------------------------

Program::Program(const std::filesystem::path& workDir) {
    const std::wstring exe = ProgramPath();
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.wstring().c_str(), &si,
                        &pi_))
        throw std::runtime_error("cannot start " + Narrow(exe) + ", error " + std::to_string(GetLastError()));
}

Program::~Program() {
    // Nothing of the program's state matters after a test: end it at once.
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

std::optional<DWORD> Program::WaitExit(Ms timeout) {
    DWORD code = 0;
    if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

HWND Program::FindTop(const std::wstring& className, const std::wstring& title) const {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == pi_.dwProcessId && IsWindowVisible(h) && ClassName(h) == Narrow(className) &&
            (title.empty() || WindowText(h) == Narrow(title)))
            return h;
    }
    return nullptr;
}

HWND Program::WaitTop(const std::wstring& className, const std::wstring& title) const {
    HWND found = nullptr;
    WaitUntil([&] {
        return (found = FindTop(className, title)) != nullptr || WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
    });
    return found;
}

HWND Program::WaitMainWindow() { return main_ = WaitTop(L"my Window"); }

std::optional<MessageBoxInfo> Program::CurrentMessageBox() const {
    const HWND h = FindTop(L"#32770");
    if (!h) return std::nullopt;
    MessageBoxInfo box{h, WindowText(h), {}, {}};
    for (HWND c : DirectChildren(h)) {
        const std::string cls = ClassName(c);
        // The About box has group boxes, the Save As dialog lists and edits.
        if ((cls != "Button" && cls != "Static") || (cls == "Button" && (GetWindowLongPtrW(c, GWL_STYLE) & 0x0F) == BS_GROUPBOX))
            return std::nullopt;
        if (cls == "Button") box.buttons.push_back(GetDlgCtrlID(c));
        else if (const std::string t = WindowText(c); t.size() > box.text.size()) box.text = t;
    }
    return box;
}

std::optional<MessageBoxInfo> Program::WaitMessageBox() const {
    std::optional<MessageBoxInfo> box;
    WaitUntil([&] { return (box = CurrentMessageBox()).has_value(); });
    return box;
}

void Program::Answer(const MessageBoxInfo& box, int buttonId) const {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, buttonId)));
    WaitUntil([&] { return !IsWindow(box.hwnd); });
}

HWND Program::ProgressWindow() const { return FindTop(PROGRESS_CLASSW); }

HWND Program::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(pi_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void Program::Key(WPARAM key) const {
    const HWND to = Focus() ? Focus() : main_;
    PostMessageW(to, WM_KEYDOWN, key, 1);
    PostMessageW(to, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void Program::Type(const std::string& text) const {
    const HWND to = Focus() ? Focus() : main_;
    for (const char c : text) PostMessageW(to, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

std::vector<std::string> Program::SettleSearch() {
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

// --- The main form -------------------------------------------------------------

const std::vector<HWND>& Program::Children() const {
    // The form never changes its controls, so their handles are looked up once.
    if (children_.empty()) children_ = DirectChildren(main_);
    return children_;
}

HWND Program::Control(int id) const {
    for (HWND child : Children())
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

HWND Program::ControlAt(const std::string& cls, int x, int y, int w, int h) const {
    for (HWND child : Children()) {
        const RECT rc = ClientRectIn(child, main_);
        if (rc.left == x && rc.top == y && ClassName(child) == cls && (w < 0 || rc.right - rc.left == w) &&
            (h < 0 || rc.bottom - rc.top == h))
            return child;
    }
    return nullptr;
}

LRESULT Program::Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        const auto box = CurrentMessageBox();
        throw std::runtime_error(box ? "unexpected message box: " + box->text
                                     : "the program did not answer message " + std::to_string(msg));
    }
    return static_cast<LRESULT>(result);
}

bool Program::Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }
int Program::Selection(int id) const { return static_cast<int>(Send(Control(id), CB_GETCURSEL)); }

std::vector<std::string> Program::Items(int id) const {
    std::vector<std::string> items;
    for (LRESULT i = 0, n = Send(Control(id), CB_GETCOUNT); i < n; ++i) {
        wchar_t buffer[512] = {};  // every item of the form is far shorter
        Send(Control(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.push_back(Narrow(buffer));
    }
    return items;
}

void Program::Click(int id) { Send(Control(id), BM_CLICK); }
void Program::ClickAsync(int id) { PostMessageW(Control(id), BM_CLICK, 0, 0); }
void Program::Menu(int id) { Send(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
void Program::MenuAsync(int id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Program::Select(int id, int index) {
    Send(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index));
    Send(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
}

}  // namespace tollvane::e2e
