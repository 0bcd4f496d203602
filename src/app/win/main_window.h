// The program's main window: start-up, the window class "my Window", its
// window procedure and the message loop.
#pragma once

#include <windows.h>

namespace tollvane {

inline constexpr const wchar_t* kMainWindowClass = L"my Window";
inline constexpr int kMainWindowWidth = 665;
inline constexpr int kMainWindowHeight = 830;

// Everything WinMain does; returns its exit code.
int RunTollvane(HINSTANCE instance);

}  // namespace tollvane
