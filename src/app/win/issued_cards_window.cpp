#include "app/win/issued_cards_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/win/utf.h"
#include "register/register_browser.h"
#include "register/register_texts.h"
#include "base/win/win_files.h"
#include "register/register_file_source.h"

namespace tollvane {
namespace {

constexpr int kAppIconResource = 2;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kFilterTimer = 2;
// Another station's row shows within a second or so.
constexpr UINT kRefreshMs = 1000;
// The filter runs once typing pauses: on a large register each run reads the
// whole file again.
constexpr UINT kFilterPauseMs = 300;

constexpr int kColumnWidths[kRegisterColumnCount] = {
    165, 90, 100, 50, 50, 55, 65, 50, 95, 40, 45, 40, 150,
    130, 95, 110, 130, 70, 80, 130, 125, 140, 95, 320,
};

struct ControlTemplate {
    const wchar_t* className;
    RegisterMsg text;  // kCount: no text
    DWORD style;
    int id;
    int x, y, w, h;
};

constexpr RegisterMsg kNoText = RegisterMsg::kCount;

const ControlTemplate kControls[] = {
    {L"Button", RegisterMsg::kGroup, BS_GROUPBOX | WS_GROUP, 0, 5, 5, 1055, 475},
    {L"Static", RegisterMsg::kFilterLabel, 0, 0, 18, 30, 60, 15},
    {L"Edit", kNoText, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kIssuedFilterEditId, 80, 27, 300, 23},
    {L"Static", kNoText, 0, kIssuedCountsId, 400, 30, 640, 15},
    {L"Button", RegisterMsg::kExportButton, BS_PUSHBUTTON | WS_TABSTOP, kIssuedExportButtonId, 690, 445, 110, 23},
    {L"Button", RegisterMsg::kCopyButton, BS_PUSHBUTTON | WS_TABSTOP, kIssuedCopyButtonId, 810, 445, 110, 23},
    {L"Button", RegisterMsg::kCloseButton, BS_PUSHBUTTON | WS_TABSTOP, kIssuedCloseButtonId, 930, 445, 110, 23},
};

const char* TextOf(LanguageId language, RegisterMsg id) {
    const RegisterTextEntry& e = kRegisterTexts[static_cast<int>(id)];
    return language == LanguageId::English ? e.english : e.russian;
}

std::string WithSystemError(const std::string& text, DWORD error) {
    char code[32];
    std::snprintf(code, sizeof code, "\nGetLastError=%08X", static_cast<unsigned>(error));
    return text + code;
}

std::string Format(const char* pattern, const std::string& value) {
    std::vector<char> text(std::char_traits<char>::length(pattern) + value.size() + 1);
    std::snprintf(text.data(), text.size(), pattern, value.c_str());
    return text.data();
}

class IssuedCardsWindow {
public:
    explicit IssuedCardsWindow(const IssuedCardsWindowContext& context)
        : context_(context), source_(files_, Narrow(context.registerPath)), browser_(source_) {}

    bool Create();
    void Attach(HWND window) { window_ = window; }
    HWND Window() const { return window_; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    const char* Text(RegisterMsg id) const { return TextOf(context_.language, id); }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void MakeControls();
    void ShowRows(bool fromTop);
    void ReportReadError();
    void ApplyFilter();
    void CopySelection();
    void Export();
    void FillCell(NMLVDISPINFOW& info);

    IssuedCardsWindowContext context_;
    WinFiles files_;
    RegisterFileSource source_;
    RegisterBrowser browser_;
    HWND window_ = nullptr;
    std::wstring cell_;
    bool readErrorShown_ = false;
};

IssuedCardsWindow* g_open = nullptr;

LRESULT CALLBACK IssuedCardsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* created = static_cast<IssuedCardsWindow*>(create->lpCreateParams);
        created->Attach(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<IssuedCardsWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

bool RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = IssuedCardsWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(kAppIconResource));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kIssuedCardsWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool IssuedCardsWindow::Create() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterWindowClass()) return false;
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - kIssuedCardsWindowWidth / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - kIssuedCardsWindowHeight / 2;
    const HWND window = CreateWindowExW(0, kIssuedCardsWindowClass, Widen(Text(RegisterMsg::kWindowTitle)).c_str(), WS_SYSMENU,
                              x, y, kIssuedCardsWindowWidth, kIssuedCardsWindowHeight, context_.mainWindow, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (!window) return false;
    if (context_.setBoxOwner) context_.setBoxOwner(window_);
    if (context_.mainWindow) EnableWindow(context_.mainWindow, FALSE);
    MakeControls();
    if (!browser_.Load()) ReportReadError();
    ShowRows(true);
    SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetFocus(Item(kIssuedFilterEditId));
    return true;
}

void IssuedCardsWindow::MakeControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto setFont = [&](HWND control) {
        if (control && context_.font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(context_.font), FALSE);
    };
    for (const ControlTemplate& tpl : kControls) {
        const std::wstring text = tpl.text == kNoText ? std::wstring() : Widen(Text(tpl.text));
        setFont(CreateWindowExW(0, tpl.className, text.c_str(), WS_CHILD | WS_VISIBLE | tpl.style, tpl.x, tpl.y,
                                tpl.w, tpl.h, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(tpl.id)),
                                instance, nullptr));
    }
    // A virtual list: the rows are drawn from the register as they come into
    // view, so a million of them cost no more than a screenful.
    const HWND list =
        CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                        18, 60, 1030, 375, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIssuedListViewId)),
                        instance, nullptr);
    setFont(list);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < kRegisterColumnCount; ++i) {
        std::wstring header = Widen(kRegisterColumnNames[static_cast<std::size_t>(i)]);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumnWidths[i];
        column.pszText = header.data();
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void IssuedCardsWindow::ShowRows(bool fromTop) {
    const HWND list = Item(kIssuedListViewId);
    if (fromTop) {
        // Another filter shows other rows: a selection would point at a
        // row the operator did not pick.
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    }
    SendMessageW(list, LVM_SETITEMCOUNT, browser_.RowCount(), 0);
    InvalidateRect(list, nullptr, TRUE);
    if (fromTop && browser_.RowCount() > 0) SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    char counts[256];
    std::snprintf(counts, sizeof counts, Text(RegisterMsg::kCounts), static_cast<unsigned>(browser_.RowCount()),
                  static_cast<unsigned>(browser_.SuccessfulUserWrites()));
    SetWindowTextW(Item(kIssuedCountsId), Widen(counts).c_str());
}

void IssuedCardsWindow::ReportReadError() {
    // No register yet is no error: no card has been issued here.
    if (source_.LastFailure().status == FileStatus::NotFound) return;
    // One box per open window: the refresh would repeat it every second.
    if (readErrorShown_ || context_.boxes == nullptr) return;
    readErrorShown_ = true;
    context_.boxes->Show(WithSystemError(Format(Text(RegisterMsg::kReadError), Narrow(context_.registerPath)),
                                         source_.LastError()),
                         MessageIcon::Error);
}

void IssuedCardsWindow::ApplyFilter() {
    const HWND edit = Item(kIssuedFilterEditId);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    if (!browser_.SetFilter(Narrow(text))) ReportReadError();
    ShowRows(true);
}

void IssuedCardsWindow::CopySelection() {
    const HWND list = Item(kIssuedListViewId);
    std::vector<std::size_t> selected;
    for (LRESULT i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); i >= 0;
         i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) {
        selected.push_back(static_cast<std::size_t>(i));
    }
    if (selected.empty()) return;
    const std::wstring text = Widen(browser_.CopyText(selected));
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            // The clipboard owns the memory once it takes it.
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void IssuedCardsWindow::Export() {
    wchar_t path[MAX_PATH] = L"IssuedCards-export.csv";
    std::wstring types = Widen(Text(RegisterMsg::kExportFileTypes));
    types.push_back(L'\0');
    types += L"*.csv";
    types.push_back(L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = types.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return;

    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    std::string buffer;
    auto flush = [&]() {
        DWORD written = 0;
        if (!buffer.empty() &&
            (!WriteFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &written, nullptr) ||
             written != buffer.size())) {
            error = GetLastError();
            if (error == 0) error = ERROR_WRITE_FAULT;
            return false;
        }
        buffer.clear();
        return true;
    };
    bool ok = file != INVALID_HANDLE_VALUE && browser_.Export([&](std::string_view piece) {
        buffer.append(piece);
        return buffer.size() < (1u << 20) || flush();
    }) && flush();
    if (file != INVALID_HANDLE_VALUE) {
        if (ok && !FlushFileBuffers(file)) {
            error = GetLastError();
            ok = false;
        }
        CloseHandle(file);
        // A half-written export would pass for a whole one.
        if (!ok) DeleteFileW(path);
    }
    if (!ok && context_.boxes) {
        if (error == 0) error = source_.LastError();
        context_.boxes->Show(WithSystemError(Format(Text(RegisterMsg::kExportWriteError), Narrow(path)), error),
                             MessageIcon::Error);
    }
}

void IssuedCardsWindow::FillCell(NMLVDISPINFOW& info) {
    if (!(info.item.mask & LVIF_TEXT) || info.item.pszText == nullptr || info.item.cchTextMax <= 0) return;
    const int column = info.item.iSubItem;
    if (info.item.iItem < 0 || column < 0 || column >= kRegisterColumnCount) return;
    const RegisterRow& row = browser_.RowAt(static_cast<std::size_t>(info.item.iItem));
    cell_ = Widen(row[static_cast<std::size_t>(column)]);
    // A line end inside a message would show as a box; a blank reads better.
    for (wchar_t& c : cell_) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    lstrcpynW(info.item.pszText, cell_.c_str(), info.item.cchTextMax);
}

LRESULT IssuedCardsWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == kIssuedListViewId && header->code == LVN_GETDISPINFOW) {
                FillCell(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
                return 0;
            }
            break;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kIssuedFilterEditId:
                    if (HIWORD(wParam) == EN_CHANGE) SetTimer(window_, kFilterTimer, kFilterPauseMs, nullptr);
                    break;
                case kIssuedExportButtonId: Export(); break;
                case kIssuedCopyButtonId: CopySelection(); break;
                case kIssuedCloseButtonId: SendMessageW(window_, WM_CLOSE, 0, 0); break;
                default: break;
            }
            break;
        case WM_TIMER:
            if (wParam == kFilterTimer) {
                KillTimer(window_, kFilterTimer);
                ApplyFilter();
            } else if (wParam == kRefreshTimer) {
                bool changed = false;
                if (!browser_.Refresh(changed)) ReportReadError();
                if (changed) ShowRows(false);
            }
            return 0;
        case WM_DESTROY: {
            KillTimer(window_, kRefreshTimer);
            KillTimer(window_, kFilterTimer);
            if (context_.setBoxOwner) context_.setBoxOwner(nullptr);
            const HWND byTitle =
                context_.mainTitle.empty() ? nullptr : FindWindowW(nullptr, Widen(context_.mainTitle).c_str());
            const HWND main = byTitle ? byTitle : context_.mainWindow;
            if (main) {
                EnableWindow(main, TRUE);
                SetFocus(main);
            }
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            g_open = nullptr;
            delete this;
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace

HWND OpenIssuedCardsWindow(const IssuedCardsWindowContext& context) {
    if (g_open != nullptr) {
        SetForegroundWindow(g_open->Window());
        return g_open->Window();
    }
    auto* window = new IssuedCardsWindow(context);
    if (!window->Create()) {
        delete window;
        return nullptr;
    }
    g_open = window;
    return window->Window();
}

}  // namespace tollvane
