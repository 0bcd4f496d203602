#include "driver/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tollvane::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 10000;

struct EnumState {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
    auto* state = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == state->pid && IsWindowVisible(hwnd)) state->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<std::vector<HWND>*>(lp);
    found->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> DirectChildren(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> direct;
    for (HWND h : all)
        if (GetParent(h) == parent) direct.push_back(h);
    return direct;
}

LONG_PTR Style(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

bool IsGroupBox(HWND hwnd) { return ClassName(hwnd) == "Button" && (Style(hwnd) & 0x0F) == BS_GROUPBOX; }

// A message box's picture, found by painting each program icon over the
// box's background and comparing with what the screen shows.
class IconMatcher {
public:
    IconMatcher() {
        module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~IconMatcher() {
        if (module_) FreeLibrary(module_);
    }

    int Identify(HWND iconStatic) const {
        if (!module_ || !iconStatic) return 0;
        RECT rc;
        GetWindowRect(iconStatic, &rc);
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        if (w <= 0 || h <= 0 || w > 128 || h > 128) return 0;
        const std::vector<DWORD> screen = Capture(rc.left, rc.top, w, h);
        if (screen.empty()) return 0;
        const DWORD background = screen[0];
        int best = 0;
        double bestScore = 1e9;
        for (int id = 3; id <= 7; ++id) {
            const std::vector<DWORD> drawn = Draw(id, w, h, background);
            if (drawn.size() != screen.size()) continue;
            double diff = 0;
            for (std::size_t i = 0; i < drawn.size(); ++i)
                for (int shift : {0, 8, 16})
                    diff += std::abs(static_cast<int>((drawn[i] >> shift) & 0xFF) -
                                     static_cast<int>((screen[i] >> shift) & 0xFF));
            diff /= static_cast<double>(drawn.size() * 3);
            if (diff < bestScore) {
                bestScore = diff;
                best = id;
            }
        }
        return bestScore < 24.0 ? best : 0;
    }

private:
    static std::vector<DWORD> Bits(HDC dc, HBITMAP bmp, int w, int h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> px(static_cast<std::size_t>(w * h));
        if (!GetDIBits(dc, bmp, 0, h, px.data(), &bi, DIB_RGB_COLORS)) return {};
        for (DWORD& p : px) p &= 0xFFFFFF;
        return px;
    }

    static std::vector<DWORD> Capture(int x, int y, int w, int h) {
        const HDC screen = GetDC(nullptr);
        const HDC mem = CreateCompatibleDC(screen);
        const HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
        const HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
        SelectObject(mem, old);
        std::vector<DWORD> px = Bits(mem, bmp, w, h);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
        return px;
    }

    std::vector<DWORD> Draw(int id, int w, int h, DWORD background) const {
        const HICON icon =
            static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_ICON, w, h, LR_DEFAULTCOLOR));
        if (!icon) return {};
        const HDC screen = GetDC(nullptr);
        const HDC mem = CreateCompatibleDC(screen);
        const HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
        const HGDIOBJ old = SelectObject(mem, bmp);
        // The captured pixels are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
        const HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF,
                                                  background & 0xFF));
        RECT all{0, 0, w, h};
        FillRect(mem, &all, brush);
        DeleteObject(brush);
        DrawIconEx(mem, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
        SelectObject(mem, old);
        std::vector<DWORD> px = Bits(mem, bmp, w, h);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
        DestroyIcon(icon);
        return px;
    }

    HMODULE module_ = nullptr;
};

}  // namespace

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool WaitUntil(const std::function<bool()>& pred, Ms timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring ProgramPath() {
    if (const char* over = std::getenv("TOLLVANE_EXE"); over && *over) return Widen(over);
    // The build gives a Unix path; Wine shows the Unix root as drive Z:.
    std::string path = TOLLVANE_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return Widen(path);
}

ScratchDir::ScratchDir() {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("tollvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(path_)) break;
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
}

std::optional<std::string> ScratchDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WindowText(HWND hwnd) {
    if (!hwnd) return {};
    wchar_t buffer[1024] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                             kSendTimeoutMs, &got))
        return {};
    return Narrow(std::wstring(buffer, got));
}

std::string ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return Narrow(name);
}

bool IsEnabled(HWND hwnd) { return hwnd && IsWindowEnabled(hwnd); }
bool IsShown(HWND hwnd) { return hwnd && (Style(hwnd) & WS_VISIBLE) != 0; }

RECT ClientRectIn(HWND hwnd, HWND parent) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// --- Program -----------------------------------------------------------------

Program::Program(const std::filesystem::path& workDir) {
    const std::wstring exe = ProgramPath();
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.wstring().c_str(), &si,
                        &pi_))
        throw std::runtime_error("cannot start " + Narrow(exe) + ", error " + std::to_string(GetLastError()));
    pid_ = pi_.dwProcessId;
}

Program::~Program() {
    if (Running()) {
        for (HWND box = nullptr; (box = FindTop(L"#32770")) != nullptr;) {
            PostMessageW(box, WM_CLOSE, 0, 0);
            if (!WaitUntil([&] { return !IsWindow(box); }, 3000ms)) break;
        }
        if (main_ && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Program::Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Program::WaitExit(Ms timeout) {
    if (WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

std::vector<HWND> Program::TopWindows() const {
    EnumState state{pid_, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND Program::FindTop(const std::wstring& className, const std::wstring& title) const {
    for (HWND h : TopWindows()) {
        if (ClassName(h) != Narrow(className)) continue;
        if (!title.empty() && WindowText(h) != Narrow(title)) continue;
        return h;
    }
    return nullptr;
}

HWND Program::WaitMainWindow(Ms timeout) {
    WaitUntil([&] { return (main_ = FindTop(L"my Window")) != nullptr || !Running(); }, timeout);
    return main_;
}

std::optional<MessageBoxInfo> Program::CurrentMessageBox() const {
    static const IconMatcher matcher;
    for (HWND h : TopWindows()) {
        if (ClassName(h) != "#32770") continue;
        const std::vector<HWND> children = DirectChildren(h);
        if (std::any_of(children.begin(), children.end(), IsGroupBox)) continue;  // the About box
        MessageBoxInfo box;
        box.hwnd = h;
        box.caption = WindowText(h);
        HWND iconStatic = nullptr;
        for (HWND c : children) {
            const std::string cls = ClassName(c);
            if (cls == "Button") {
                box.buttons.push_back(GetDlgCtrlID(c));
                box.buttonTexts.push_back(WindowText(c));
            } else if (cls == "Static") {
                if ((Style(c) & SS_TYPEMASK) == SS_ICON) iconStatic = c;
                else if (const std::string t = WindowText(c); t.size() > box.text.size()) box.text = t;
            }
        }
        box.icon = matcher.Identify(iconStatic);
        return box;
    }
    return std::nullopt;
}

std::optional<MessageBoxInfo> Program::WaitMessageBox(Ms timeout) const {
    std::optional<MessageBoxInfo> box;
    WaitUntil(
        [&] {
            box = CurrentMessageBox();
            // Let the box paint before its picture is compared.
            if (box && box->icon == 0) {
                std::this_thread::sleep_for(100ms);
                box = CurrentMessageBox();
            }
            return box.has_value();
        },
        timeout);
    return box;
}

void Program::Answer(const MessageBoxInfo& box, int buttonId) const {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, buttonId)));
    WaitUntil([&] { return !IsWindow(box.hwnd); });
}

HWND Program::ProgressWindow() const { return FindTop(PROGRESS_CLASSW); }

std::vector<std::string> Program::SettleSearch(Ms timeout) {
    std::vector<std::string> texts;
    bool sawProgress = false;
    WaitUntil(
        [&] {
            if (const auto box = CurrentMessageBox()) {
                texts.push_back(box->text);
                Answer(*box, box->buttons.empty() ? IDOK : box->buttons.front());
                return false;
            }
            if (ProgressWindow()) {
                sawProgress = true;
                return false;
            }
            return sawProgress && IsWindowEnabled(main_);
        },
        timeout);
    return texts;
}

// --- Form ---------------------------------------------------------------------

std::vector<HWND> Form::Children() const {
    if (children_.empty()) children_ = DirectChildren(main_);
    return children_;
}

HWND Form::Control(int id) const {
    if (byId_.empty())
        for (HWND child : Children()) byId_.emplace(GetDlgCtrlID(child), child);
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

HWND Form::ControlAt(const std::string& cls, int x, int y, int w, int h) const {
    for (HWND child : Children()) {
        const RECT rc = ClientRectIn(child, main_);
        if (rc.left != x || rc.top != y || ClassName(child) != cls) continue;
        if (w >= 0 && rc.right - rc.left != w) continue;
        if (h >= 0 && rc.bottom - rc.top != h) continue;
        return child;
    }
    return nullptr;
}

LRESULT Form::Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        const auto box = program_.CurrentMessageBox();
        throw std::runtime_error(box ? "unexpected message box: " + box->text
                                     : "the program did not answer message " + std::to_string(msg));
    }
    return static_cast<LRESULT>(result);
}

bool Form::Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }

int Form::Selection(int id) const {
    const LRESULT sel = Send(Control(id), CB_GETCURSEL);
    return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

std::vector<std::string> Form::Items(int id) const {
    const HWND combo = Control(id);
    std::vector<std::string> items;
    const LRESULT n = Send(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buffer[512] = {};
        const LRESULT len = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
        if (len < 0 || len >= 512) continue;
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.push_back(Narrow(std::wstring(buffer, static_cast<std::size_t>(len))));
    }
    return items;
}

wchar_t Form::PasswordChar(int id) const { return static_cast<wchar_t>(Send(Control(id), EM_GETPASSWORDCHAR)); }

void Form::Click(int id) { Send(Control(id), BM_CLICK); }

void Form::ClickAsync(int id) { PostMessageW(Control(id), BM_CLICK, 0, 0); }

void Form::Menu(int id) { Send(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Form::MenuAsync(int id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Form::Select(int id, int index) {
    const HWND combo = Control(id);
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
    Send(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

bool SaveWindowBitmap(HWND window, const std::filesystem::path& path) {
    std::this_thread::sleep_for(400ms);  // let it paint
    RECT rc;
    if (!GetWindowRect(window, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    const HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    const HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::string pixels(static_cast<std::size_t>(stride * h), '\0');
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.write(reinterpret_cast<const char*>(&bi), sizeof bi);
    file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(file);
}

}  // namespace tollvane::e2e
