// The display scale of each window. The program is per-monitor DPI aware
// (its manifest): every window lays itself out from its 96-DPI table scaled
// by the DPI of the monitor it stands on, with one rounding (MulDiv), makes
// its font and takes its icons for that DPI, and lays itself out again when
// it is moved to a monitor of another scale (WM_DPICHANGED).
//
// The calls that know a window's own DPI came with Windows 10; on an older
// system each falls back to the system DPI, which is then the DPI of every
// monitor.
#pragma once

#include <windows.h>

#include "base/win/handles.h"

namespace tollvane {

inline constexpr int kDefaultDpi = 96;

// value96 (pixels at 96 DPI) at dpi, rounded once.
inline int Scaled(int value96, int dpi) { return MulDiv(value96, dpi, kDefaultDpi); }

int SystemDpi();
// The DPI Windows gives the window (that of its monitor).
int WindowDpi(HWND window);
// The DPI of the monitor that holds most of the rectangle.
int MonitorDpi(const RECT& screenRect);
// The work area (the screen without the task bar) of the monitor that holds
// most of the rectangle.
RECT WorkAreaOf(const RECT& screenRect);

// A system metric (SM_CXVSCROLL, SM_CXICON, ...) at dpi.
int MetricAt(int index, int dpi);
// The outer size of a window whose client area is clientWidth x
// clientHeight at dpi, with its style and a one-line menu bar if it has one.
SIZE OuterSizeFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu,
                  int dpi);

// The operator's message font (Segoe UI on current Windows) made for dpi.
UniqueGdiObject MakeMessageFont(int dpi);

// The program's icon as Windows draws it at dpi: big (Alt+Tab, the About
// box) and small (the title bar). The program keeps each size until it ends.
HICON AppIcon(int dpi, bool small);
// Gives the window the program's icons at dpi. At 96 DPI the icons of the
// window class serve, as they always did.
void SetWindowIcons(HWND window, int dpi);

}  // namespace tollvane
