#include "app/win/window_kit.h"
#include "app/win/resource_ids.h"

#include <commdlg.h>

#include <cstdint>

#include "app/win/dpi.h"
#include "app/win/keyboard.h"
#include "base/win/utf.h"

namespace tollvane {

bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    // No small icon of its own: Windows takes the small image of the same
    // icon resource for the title bar. Windows at another DPI than 96 get
    // their icons at its sizes (SetWindowIcons).
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(TOLLVANE_ICON_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

POINT CentredOnScreen(int width, int height) {
    return {GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
            GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2};
}

Placement PlaceCentred(int width, int height) {
    const POINT at = CentredOnScreen(width, height);
    const RECT wanted{at.x, at.y, at.x + width, at.y + height};
    const RECT work = WorkAreaOf(wanted);
    return PlaceInWorkArea({at.x, at.y, at.x + width, at.y + height},
                           {work.left, work.top, work.right, work.bottom});
}

namespace {

// A control made from a table keeps its 96-DPI place in its user data, so
// that LayOutControls can place it again at another DPI: 15 bits for each
// of x, y, w and h, and the top bit to tell it from no place at all.
constexpr std::uint64_t kPlaceMark = std::uint64_t{1} << 63;

void KeepPlace(HWND control, const ChildControl& item) {
    const auto bits = [](int v) { return static_cast<std::uint64_t>(v) & 0x7FFF; };
    const std::uint64_t place =
        kPlaceMark | bits(item.x) | bits(item.y) << 15 | bits(item.w) << 30 | bits(item.h) << 45;
    SetWindowLongPtrW(control, GWLP_USERDATA, static_cast<LONG_PTR>(place));
}

bool PlaceOf(HWND control, RECT& place) {
    const auto kept = static_cast<std::uint64_t>(GetWindowLongPtrW(control, GWLP_USERDATA));
    if (!(kept & kPlaceMark)) return false;
    const auto field = [&](int shift) { return static_cast<int>((kept >> shift) & 0x7FFF); };
    place = {field(0), field(15), field(0) + field(30), field(15) + field(45)};
    return true;
}

// The width an up-down takes beside its edit at 96 DPI (the control's own
// choice, on Windows and Wine alike).
constexpr int kUpDownWidth = 16;

}  // namespace

namespace {

HWND MakeChild(HWND parent, const ChildControl& item, const std::wstring& text, HFONT font) {
    const int dpi = WindowDpi(parent);
    const DWORD style = WS_CHILD | item.style | (item.start & kHidden ? 0 : WS_VISIBLE);
    const HWND control = CreateWindowExW(
        item.exStyle, item.className, text.c_str(), style, Scaled(item.x, dpi), Scaled(item.y, dpi),
        Scaled(item.w, dpi), Scaled(item.h, dpi), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    KeepPlace(control, item);
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (item.start & kChecked) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    return control;
}

}  // namespace

HWND CreateControl(HWND parent, const ChildControl& item, const MessageTable& texts, HFONT font) {
    const std::wstring text = item.fixedText         ? std::wstring(item.fixedText)
                              : item.text != kNoText ? Widen(texts[item.text])
                                                     : std::wstring();
    return MakeChild(parent, item, text, font);
}

void CreateControls(HWND parent, std::span<const ChildControl> templates, const MessageTable& texts,
                    HFONT font) {
    for (const ChildControl& item : templates) CreateControl(parent, item, texts, font);
}

void BindUpDown(HWND upDown, HWND edit, int dpi) {
    SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    // The binding gives the up-down the width it takes at 96 DPI, whatever
    // the DPI: at another it is set to that width scaled, the edit giving up
    // the difference.
    if (dpi == kDefaultDpi) return;
    const RECT e = RectIn(edit, GetParent(edit)), u = RectIn(upDown, GetParent(edit));
    // The up-down keeps its right edge and its overlap with the edit.
    const int left = u.right - Scaled(kUpDownWidth, dpi);
    SetWindowPos(edit, nullptr, 0, 0, left + (e.right - u.left) - e.left, e.bottom - e.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(upDown, nullptr, left, u.top, u.right - left, u.bottom - u.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutControls(HWND parent, int dpi, int scrollY) {
    std::vector<HWND> upDowns;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowClass(child, UPDOWN_CLASSW)) {
            upDowns.push_back(child);
            continue;
        }
        RECT place{};
        if (!PlaceOf(child, place)) continue;
        const int x = Scaled(place.left, dpi), y = Scaled(place.top, dpi);
        SetWindowPos(child, nullptr, x, y - scrollY, Scaled(place.right, dpi) - x,
                     Scaled(place.bottom, dpi) - y, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (HWND upDown : upDowns) {
        if (const auto edit = reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)))
            BindUpDown(upDown, edit, dpi);
    }
    InvalidateRect(parent, nullptr, TRUE);
}

void SetControlsFont(HWND parent, HFONT font) {
    if (!font) return;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HWND CreateVirtualList(HWND parent, const ChildControl& item, HFONT font) {
    ChildControl list = item;
    list.style |= WS_BORDER | LVS_REPORT | LVS_OWNERDATA;
    const HWND made = MakeChild(parent, list, L"", font);
    if (made)
        SendMessageW(made, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                     LVS_EX_FULLROWSELECT);
    return made;
}

void AddListColumn(HWND list, int index, const std::wstring& header, int width) {
    std::wstring text = header;
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = Scaled(width, WindowDpi(list));
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void AddListColumns(HWND list, std::span<const ListColumn> columns, const MessageTable& texts) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        AddListColumn(list, static_cast<int>(i), Widen(texts[columns[i].header]), columns[i].width);
    }
}

void ScaleListColumns(HWND parent, int fromDpi, int toDpi) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowClass(child, WC_LISTVIEWW)) continue;
        const auto header = reinterpret_cast<HWND>(SendMessageW(child, LVM_GETHEADER, 0, 0));
        const int count =
            header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            const int width = static_cast<int>(
                SendMessageW(child, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
            SendMessageW(child, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                         MAKELPARAM(MulDiv(width, toDpi, fromDpi), 0));
        }
    }
}

void AnswerCellRequest(NMLVDISPINFOW& request, std::wstring text, std::wstring& buffer) {
    if (!(request.item.mask & LVIF_TEXT) || request.item.pszText == nullptr ||
        request.item.cchTextMax <= 0)
        return;
    buffer = std::move(text);
    lstrcpynW(request.item.pszText, buffer.c_str(), request.item.cchTextMax);
}

void AnswerCellText(NMLVDISPINFOW& request, std::string_view utf8, std::wstring& buffer,
                    std::wstring_view blanked) {
    std::wstring text = Widen(utf8);
    for (wchar_t& c : text) {
        if (blanked.find(c) != std::wstring_view::npos) c = L' ';
    }
    AnswerCellRequest(request, std::move(text), buffer);
}

std::vector<std::size_t> SelectedRows(HWND list) {
    std::vector<std::size_t> rows;
    for (LRESULT i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
         i >= 0; i = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(i));
    }
    return rows;
}

void ClearSelection(HWND list) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
}

std::wstring AskFile(HWND owner, bool save, const std::string& typeName, const wchar_t* pattern,
                     const wchar_t* suggested) {
    wchar_t path[MAX_PATH * 2] = {};
    if (suggested) lstrcpynW(path, suggested, MAX_PATH * 2);
    std::wstring types = Widen(typeName);
    types.push_back(L'\0');
    types += pattern;
    types.push_back(L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = types.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH * 2;
    dialog.lpstrDefExt = L"csv";
    dialog.Flags =
        OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? std::wstring(path) : std::wstring();
}

bool IsWindowClass(HWND window, const wchar_t* name) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    return lstrcmpiW(cls, name) == 0;
}

RECT RectIn(HWND window, HWND other) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, other, reinterpret_cast<POINT*>(&r), 2);
    return r;
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
    UnwatchKeyboard(window_);
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
    // The DPI of the monitor in the middle of the screen, where the window goes.
    const POINT middle = CentredOnScreen(0, 0);
    dpi_ = MonitorDpi({middle.x, middle.y, middle.x + 1, middle.y + 1});
    const PixelRect at = PlaceCentred(Scaled(width_, dpi_), Scaled(height_, dpi_)).window;
    // WM_NCCREATE ties the window to this object (window_).
    if (!CreateWindowExW(0, className_, title.c_str(), WS_SYSMENU, at.left, at.top, at.Width(),
                         at.Height(), main_.window, nullptr, GetModuleHandleW(nullptr), this)) {
        return nullptr;
    }
    dpi_ = WindowDpi(window_);
    font_ = main_.messageFont ? MakeMessageFont(dpi_) : UniqueGdiObject();
    SetWindowIcons(window_, dpi_);
    WatchKeyboard(window_, true);
    if (main_.setBoxOwner) main_.setBoxOwner(window_);
    if (main_.window) EnableWindow(main_.window, FALSE);
    MakeControls();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return window_;
}

void SecondaryWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    const int old = dpi_;
    dpi_ = dpi;
    // The controls take the new font before the old one goes.
    UniqueGdiObject font = main_.messageFont ? MakeMessageFont(dpi) : UniqueGdiObject();
    SetControlsFont(window_, static_cast<HFONT>(font.get()));
    font_ = std::move(font);
    SetWindowIcons(window_, dpi);
    const PixelRect work = [&] {
        const RECT r = WorkAreaOf(suggested);
        return PixelRect{r.left, r.top, r.right, r.bottom};
    }();
    const PixelRect at =
        PlaceInWorkArea({suggested.left, suggested.top, suggested.right, suggested.bottom}, work)
            .window;
    SetWindowPos(window_, nullptr, at.left, at.top, at.Width(), at.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    LayOutControls(window_, dpi);
    ScaleListColumns(window_, old, dpi);
}

LRESULT CALLBACK SecondaryWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<SecondaryWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<SecondaryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        self->OnClosing();
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        UnwatchKeyboard(window);
        self->window_ = nullptr;
        self->GiveBackMainWindow();
        return 0;
    }
    if (message == WM_DPICHANGED) {
        self->OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
