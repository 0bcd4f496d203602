// The keyboard in the program's own windows, which are plain windows, not
// dialogs: Tab and Shift+Tab walk the shown, enabled controls in reading
// order, the arrow keys walk a group of radios, Enter presses the focused
// push button (Space does by itself), and Escape closes a window that asks
// for it. The dialog manager is not used: it would send IDOK and IDCANCEL
// for Enter and Escape, numbers the main window's commands already take,
// and it would need WS_TABSTOP on controls whose styles stay as they are.
#pragma once

#include <windows.h>

#include <vector>

namespace tollvane {

// Keys pressed in window (a top-level window) and its controls go through
// HandleKeyboard from now on; escapeCloses: Escape closes it as its close
// box does.
void WatchKeyboard(HWND window, bool escapeCloses);
void UnwatchKeyboard(HWND window);

// The message loop's step before TranslateMessage: true when the message
// was a key of a watched window that was handled here.
bool HandleKeyboard(const MSG& message);

// The controls Tab visits in window, in order.
std::vector<HWND> TabOrder(HWND window);

// Sent to the watched window after the keyboard moved the focus to one of
// its controls (lParam): a window that scrolls brings it into view.
UINT FocusMovedMessage();

}  // namespace tollvane
