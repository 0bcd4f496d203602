#include "app/win/main_frame.h"

#include <algorithm>

#include "app/win/dpi.h"
#include "app/win/keyboard.h"
#include "app/win/main_window.h"
#include "app/win/window_kit.h"

namespace tollvane {
namespace {

// One line of the mouse wheel or of the scroll bar's arrows, at 96 DPI: a
// row of the form.
constexpr int kLineHeight = 25;
// Room kept above and below a control scrolled into view, at 96 DPI, so
// that the caption of its group box shows with it.
constexpr int kShowMargin = 25;

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)) & ~WS_VSCROLL;
}
DWORD ExStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)); }

// The form's size at 96 DPI: the client area of the 665 x 830 window there.
SIZE FormSize96(HWND main) {
    const SIZE frame = OuterSizeFor(0, 0, StyleOf(main), ExStyleOf(main), true, kDefaultDpi);
    return {kMainWindowWidth - frame.cx, kMainWindowHeight - frame.cy};
}

PixelRect Pixels(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

int ClientHeight(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

}  // namespace

MainFrame::MainFrame(HWND main)
    : main_(main), dpi_(WindowDpi(main)), font_(MakeMessageFont(dpi_)) {}

void MainFrame::Fit() {
    const SIZE form = FormSize96(main_);
    formHeight_ = Scaled(form.cy, dpi_);
    // The outer size scales; where the frame (caption, menu bar, borders)
    // grows faster than the DPI, the window grows with it, so that the form
    // keeps its whole scaled size.
    SIZE outer{kMainWindowWidth, kMainWindowHeight};
    if (dpi_ != kDefaultDpi) {
        const SIZE needed = OuterSizeFor(Scaled(form.cx, dpi_), formHeight_, StyleOf(main_),
                                         ExStyleOf(main_), true, dpi_);
        outer = {std::max<LONG>(Scaled(kMainWindowWidth, dpi_), needed.cx),
                 std::max<LONG>(Scaled(kMainWindowHeight, dpi_), needed.cy)};
    }
    Placement placed = PlaceCentred(outer.cx, outer.cy);
    // A form cut to the work area scrolls: the window grows by the scroll
    // bar so that the form keeps its whole width.
    if (placed.cut) placed = PlaceCentred(outer.cx + MetricAt(SM_CXVSCROLL, dpi_), outer.cy);
    RECT now{};
    GetWindowRect(main_, &now);
    if (!(Pixels(now) == placed.window)) {
        const PixelRect& r = placed.window;
        SetWindowPos(main_, nullptr, r.left, r.top, r.Width(), r.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateScrollBar();
}

bool MainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == FocusMovedMessage()) {
        ShowControl(reinterpret_cast<HWND>(lParam));
        return true;
    }
    switch (message) {
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return true;
        case WM_VSCROLL: OnScroll(LOWORD(wParam)); return true;
        case WM_MOUSEWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return true;
        default: return false;
    }
}

void MainFrame::OnDpiChanged(int dpi, const RECT& suggested) {
    const int old = dpi_;
    dpi_ = dpi;
    // The controls take the new font before the old one goes.
    UniqueGdiObject font = MakeMessageFont(dpi);
    SetControlsFont(main_, static_cast<HFONT>(font.get()));
    font_ = std::move(font);
    SetWindowIcons(main_, dpi);
    formHeight_ = Scaled(FormSize96(main_).cy, dpi);
    scroll_ = MulDiv(scroll_, dpi, old);
    const PixelRect r = PlaceInWorkArea(Pixels(suggested), Pixels(WorkAreaOf(suggested))).window;
    SetWindowPos(main_, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    scroll_ = std::clamp(scroll_, 0, std::max(0, formHeight_ - ClientHeight(main_)));
    LayOutControls(main_, dpi, scroll_);
    UpdateScrollBar();
}

void MainFrame::UpdateScrollBar() {
    const int page = ClientHeight(main_);
    const bool scrolls = formHeight_ > page;
    // A window that never scrolled is left without a scroll bar's trace.
    if (!scrolls && !(GetWindowLongPtrW(main_, GWL_STYLE) & WS_VSCROLL)) return;
    if (!scrolls) ScrollTo(0);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = scrolls ? formHeight_ - 1 : 0;
    info.nPage = scrolls ? static_cast<UINT>(page) : 0;
    info.nPos = scroll_;
    SetScrollInfo(main_, SB_VERT, &info, TRUE);
}

void MainFrame::ScrollTo(int position) {
    position = std::clamp(position, 0, std::max(0, formHeight_ - ClientHeight(main_)));
    if (position == scroll_) return;
    ScrollWindowEx(main_, 0, scroll_ - position, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    scroll_ = position;
    SetScrollPos(main_, SB_VERT, scroll_, TRUE);
}

void MainFrame::OnScroll(int request) {
    const int line = Scaled(kLineHeight, dpi_);
    const int page = ClientHeight(main_);
    switch (request) {
        case SB_LINEUP: ScrollTo(scroll_ - line); break;
        case SB_LINEDOWN: ScrollTo(scroll_ + line); break;
        case SB_PAGEUP: ScrollTo(scroll_ - page); break;
        case SB_PAGEDOWN: ScrollTo(scroll_ + page); break;
        case SB_TOP: ScrollTo(0); break;
        case SB_BOTTOM: ScrollTo(formHeight_); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(main_, SB_VERT, &info)) ScrollTo(info.nTrackPos);
            break;
        }
        default: break;
    }
}

void MainFrame::OnWheel(int delta) {
    if (formHeight_ <= ClientHeight(main_)) return;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL)
        lines = static_cast<UINT>(ClientHeight(main_) / Scaled(kLineHeight, dpi_));
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    ScrollTo(scroll_ - notches * static_cast<int>(lines) * Scaled(kLineHeight, dpi_));
}

void MainFrame::ShowControl(HWND control) {
    const int page = ClientHeight(main_);
    if (formHeight_ <= page || !control) return;
    const RECT r = RectIn(control, main_);
    const int margin = Scaled(kShowMargin, dpi_);
    if (r.top < margin)
        ScrollTo(scroll_ + r.top - margin);
    else if (r.bottom > page - margin)
        ScrollTo(scroll_ + r.bottom - page + margin);
}

}  // namespace tollvane
