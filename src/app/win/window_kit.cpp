#include "app/win/window_kit.h"
#include "app/win/resource_ids.h"

#include "base/win/utf.h"

namespace tollvane {

bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    // No small icon of its own: Windows takes the small image of the same
    // icon resource for the title bar.
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(TOLLVANE_ICON_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

POINT CentredOnScreen(int width, int height) {
    return {GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2, GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2};
}

namespace {

HWND CreateChild(HWND parent, const ChildControl& item, const wchar_t* text, DWORD style, HFONT font) {
    const HWND control = CreateWindowExW(item.exStyle, item.className, text, WS_CHILD | WS_VISIBLE | style, item.x,
                                         item.y, item.w, item.h, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                         GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

}  // namespace

void CreateControls(HWND parent, std::span<const ChildControl> templates, const MessageTable& texts, HFONT font) {
    for (const ChildControl& item : templates) {
        const std::wstring text = item.text == kNoText ? std::wstring() : Widen(texts[item.text]);
        CreateChild(parent, item, text.c_str(), item.style, font);
    }
}

HWND CreateVirtualList(HWND parent, const ChildControl& item, HFONT font) {
    const HWND list =
        CreateChild(parent, item, L"", WS_BORDER | LVS_REPORT | LVS_OWNERDATA | item.style, font);
    if (list) SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    return list;
}

void AddListColumn(HWND list, int index, const std::wstring& header, int width) {
    std::wstring text = header;
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void AddListColumns(HWND list, std::span<const ListColumn> columns, const MessageTable& texts) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        AddListColumn(list, static_cast<int>(i), Widen(texts[columns[i].header]), columns[i].width);
    }
}

void AnswerCellRequest(NMLVDISPINFOW& request, std::wstring text, std::wstring& buffer) {
    if (!(request.item.mask & LVIF_TEXT) || request.item.pszText == nullptr || request.item.cchTextMax <= 0) return;
    buffer = std::move(text);
    lstrcpynW(request.item.pszText, buffer.c_str(), request.item.cchTextMax);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

SecondaryWindow::~SecondaryWindow() {
    if (!window_) return;
    // The derived part is gone: no OnClosing, only the window and the main
    // window's state.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
    GiveBackMainWindow();
}

HWND SecondaryWindow::Open(const MainWindowLink& main, const std::wstring& title) {
    if (window_) {
        SetForegroundWindow(window_);
        return window_;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterWindowClass(className_, Procedure)) return nullptr;
    main_ = main;
    const POINT at = CentredOnScreen(width_, height_);
    // WM_NCCREATE ties the window to this object (window_).
    if (!CreateWindowExW(0, className_, title.c_str(), WS_SYSMENU, at.x, at.y, width_, height_, main_.window, nullptr,
                         GetModuleHandleW(nullptr), this)) {
        return nullptr;
    }
    if (main_.setBoxOwner) main_.setBoxOwner(window_);
    if (main_.window) EnableWindow(main_.window, FALSE);
    MakeControls();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return window_;
}

LRESULT CALLBACK SecondaryWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<SecondaryWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<SecondaryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        self->OnClosing();
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->GiveBackMainWindow();
        return 0;
    }
    LRESULT result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

void SecondaryWindow::GiveBackMainWindow() {
    if (main_.setBoxOwner) main_.setBoxOwner(nullptr);
    const HWND byTitle = main_.title.empty() ? nullptr : FindWindowW(nullptr, main_.title.c_str());
    if (const HWND main = byTitle ? byTitle : main_.window) {
        EnableWindow(main, TRUE);
        SetFocus(main);
    }
}

}  // namespace tollvane
