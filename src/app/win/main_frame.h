// The main window's frame around the form: its size and place for the DPI
// of its monitor and the work area there, the form's font, and the vertical
// scrolling of a form taller than the work area. At 96 DPI on a screen where
// the window fits, it leaves the window exactly as it was created.
#pragma once

#include <windows.h>

#include "base/win/handles.h"

namespace tollvane {

class MainFrame {
public:
    // main: created at its 96-DPI size, centred on the screen, not yet shown.
    explicit MainFrame(HWND main);
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    int Dpi() const { return dpi_; }
    // The font of the form's controls, made for the window's DPI.
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }

    // Sizes and places the window for its DPI and its monitor's work area.
    // Called once before the controls exist, and again for a new DPI.
    void Fit();
    // The frame's messages: WM_DPICHANGED, WM_VSCROLL, WM_MOUSEWHEEL and the
    // keyboard's FocusMovedMessage. False for any other.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // WM_DPICHANGED: the suggested rectangle, the new font and the controls
    // laid out again, what they hold untouched.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnScroll(int request);
    void OnWheel(int delta);
    // A control the keyboard moved to comes into view.
    void ShowControl(HWND control);
    // The form's scroll position in pixels (0 when it does not scroll).
    int ScrollPosition() const { return scroll_; }

private:
    void UpdateScrollBar();
    void ScrollTo(int position);

    HWND main_;
    int dpi_;
    UniqueGdiObject font_;
    int formHeight_ = 0;  // the form's height at the DPI
    int scroll_ = 0;
    int wheelRest_ = 0;  // wheel turns smaller than a notch, kept for the next
};

}  // namespace tollvane
