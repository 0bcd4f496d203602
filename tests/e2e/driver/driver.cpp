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

LONG_PTR Style(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

std::vector<HWND> DirectChildren(HWND parent) {
    std::vector<HWND> found;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) found.push_back(h);
    return found;
}

// A bitmap's pixels as 0x00RRGGBB, top row first.
std::vector<DWORD> Pixels(HDC dc, HBITMAP bmp, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(bi.bmiHeader), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> px(static_cast<std::size_t>(w * h));
    if (!GetDIBits(dc, bmp, 0, h, px.data(), &bi, DIB_RGB_COLORS)) return {};
    for (DWORD& p : px) p &= 0xFFFFFF;
    return px;
}

// Paints into a memory bitmap of w x h and returns its pixels.
std::vector<DWORD> Render(int w, int h, const std::function<void(HDC)>& paint) {
    const HDC screen = GetDC(nullptr);
    const HDC mem = CreateCompatibleDC(screen);
    const HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    const HGDIOBJ old = SelectObject(mem, bmp);
    paint(mem);
    SelectObject(mem, old);
    std::vector<DWORD> px = Pixels(mem, bmp, w, h);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// A message box's picture: each program icon is painted over the box's
// background and compared with what the screen shows there.
int IdentifyIcon(HWND iconStatic) {
    static const HMODULE module =
        LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    RECT rc;
    if (!module || !iconStatic || !GetWindowRect(iconStatic, &rc)) return 0;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0 || w > 128 || h > 128) return 0;
    const std::vector<DWORD> shown = Render(w, h, [&](HDC mem) {
        const HDC screen = GetDC(nullptr);
        BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
    if (shown.empty()) return 0;
    int best = 0;
    double bestScore = 24.0;  // mean difference per colour channel that still counts as the same picture
    for (int id = 3; id <= 7; ++id) {
        const auto icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, w, h, 0));
        if (!icon) continue;
        const std::vector<DWORD> drawn = Render(w, h, [&](HDC mem) {
            const DWORD bg = shown[0];  // captured 0x00RRGGBB; a COLORREF is 0x00BBGGRR
            const HBRUSH brush = CreateSolidBrush(RGB((bg >> 16) & 0xFF, (bg >> 8) & 0xFF, bg & 0xFF));
            const RECT all{0, 0, w, h};
            FillRect(mem, &all, brush);
            DeleteObject(brush);
            DrawIconEx(mem, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
        });
        DestroyIcon(icon);
        if (drawn.size() != shown.size()) continue;
        double diff = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i)
            for (int shift : {0, 8, 16})
                diff += std::abs(static_cast<int>((drawn[i] >> shift) & 0xFF) - static_cast<int>((shown[i] >> shift) & 0xFF));
        diff /= static_cast<double>(drawn.size() * 3);
        if (diff < bestScore) {
            bestScore = diff;
            best = id;
        }
    }
    return best;
}

// List view messages carry pointers, which Windows does not carry across
// processes: the structure lives in memory allocated inside the program.
class RemoteMemory {
public:
    RemoteMemory(HWND window, std::size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteMemory() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    LPARAM At(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(address_ + offset); }
    void Write(const void* data, std::size_t size) const { WriteProcessMemory(process_, address_, data, size, nullptr); }
    void Read(void* data, std::size_t size, std::size_t offset = 0) const {
        ReadProcessMemory(process_, address_ + offset, data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    char* address_ = nullptr;
};

}  // namespace

bool WaitUntil(const std::function<bool()>& pred, Ms timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring ProgramPath() {
    if (const char* other = std::getenv("TOLLVANE_EXE"); other && *other) return Widen(other);
    // The build gives a Unix path; Wine shows the Unix root as drive Z:.
    std::string path = TOLLVANE_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return Widen(path);
}

ScratchDir::ScratchDir() {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    do {
        path_ = base / ("tollvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    } while (!std::filesystem::create_directory(path_));
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
}

std::optional<std::string> ScratchDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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

bool IsShown(HWND hwnd) { return hwnd && (Style(hwnd) & WS_VISIBLE) != 0; }

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
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const std::vector<DWORD> px = Render(w, h, [&](HDC mem) {
        const HDC screen = GetDC(nullptr);
        BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::string pixels(static_cast<std::size_t>(stride * h), '\0');
    for (int y = 0; y < h; ++y)  // a BMP's rows go bottom up, each pixel B, G, R
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[static_cast<std::size_t>((h - 1 - y) * stride + x * 3 + c)] =
                    static_cast<char>(px[static_cast<std::size_t>(y * w + x)] >> (8 * c));
    BITMAPINFOHEADER bi{sizeof bi, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, sizeof fh + sizeof bi};
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.write(reinterpret_cast<const char*>(&bi), sizeof bi);
    file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(file);
}

int ListRows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListCell(HWND list, int row, int column) {
    constexpr int kChars = 512;
    RemoteMemory remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote.At(sizeof(LVITEMW)));
    item.cchTextMax = kChars;
    remote.Write(&item, sizeof item);
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.At());
    wchar_t text[kChars] = {};
    remote.Read(text, sizeof text - sizeof(wchar_t), sizeof(LVITEMW));
    return Narrow(text);
}

void ClickListRow(HWND list, int row, bool twice) {
    RemoteMemory remote(list, sizeof(RECT));
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    remote.Write(&rect, sizeof rect);
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.At());
    remote.Read(&rect, sizeof rect);
    const LPARAM at = MAKELPARAM(rect.left + 12, (rect.top + rect.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    if (twice) {
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
    }
    WaitUntil([&] { return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == row; });
    SendMessageW(GetParent(list), WM_NULL, 0, 0);  // the window has handled what the clicks told it
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
    std::vector<HWND> found;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == pi_.dwProcessId && IsWindowVisible(h)) found.push_back(h);
    }
    return found;
}

HWND Program::FindTop(const std::wstring& className, const std::wstring& title) const {
    for (HWND h : TopWindows())
        if (ClassName(h) == Narrow(className) && (title.empty() || WindowText(h) == Narrow(title))) return h;
    return nullptr;
}

HWND Program::WaitTop(const std::wstring& className, const std::wstring& title) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTop(className, title)) != nullptr || !Running(); });
    return found;
}

HWND Program::WaitMainWindow() { return main_ = WaitTop(L"my Window"); }

std::optional<MessageBoxInfo> Program::CurrentMessageBox() const {
    for (HWND h : TopWindows()) {
        if (ClassName(h) != "#32770") continue;
        MessageBoxInfo box{h, WindowText(h), {}, {}, 0};
        HWND iconStatic = nullptr;
        bool plain = true;  // the About box has group boxes, the Save As dialog lists and edits
        for (HWND c : DirectChildren(h)) {
            const std::string cls = ClassName(c);
            if (cls == "Button" && (Style(c) & 0x0F) == BS_GROUPBOX) {
                plain = false;
            } else if (cls == "Button") {
                box.buttons.push_back(GetDlgCtrlID(c));
            } else if (cls == "Static") {
                if ((Style(c) & SS_TYPEMASK) == SS_ICON) iconStatic = c;
                else if (const std::string t = WindowText(c); t.size() > box.text.size()) box.text = t;
            } else {
                plain = false;
            }
        }
        if (!plain) continue;
        box.icon = IdentifyIcon(iconStatic);
        return box;
    }
    return std::nullopt;
}

std::optional<MessageBoxInfo> Program::WaitMessageBox(Ms timeout) const {
    std::optional<MessageBoxInfo> box;
    WaitUntil(
        [&] {
            box = CurrentMessageBox();
            if (box && box->icon == 0) {  // not painted yet: look again
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
            return false;
        }
        if (ProgressWindow() || !IsWindowEnabled(main_)) quietSince = now;
        return now - quietSince > 300ms;
    });
    return texts;
}

// --- Form ---------------------------------------------------------------------

std::vector<HWND> Form::Children() const {
    // The form never changes its controls, so their handles are looked up once.
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
        if (rc.left == x && rc.top == y && ClassName(child) == cls && (w < 0 || rc.right - rc.left == w) &&
            (h < 0 || rc.bottom - rc.top == h))
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
    std::vector<std::string> items;
    const LRESULT n = Send(Control(id), CB_GETCOUNT);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buffer[512] = {};
        const LRESULT len = Send(Control(id), CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
        if (len < 0 || len >= 512) continue;
        Send(Control(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.push_back(Narrow(std::wstring_view(buffer, static_cast<std::size_t>(len))));
    }
    return items;
}

void Form::Click(int id) { Send(Control(id), BM_CLICK); }
void Form::ClickAsync(int id) { PostMessageW(Control(id), BM_CLICK, 0, 0); }
void Form::Menu(int id) { Send(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
void Form::MenuAsync(int id) { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Form::Select(int id, int index) {
    Send(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index));
    Send(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
}

}  // namespace tollvane::e2e
