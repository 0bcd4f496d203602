// The Read ID window: a card's barcode and cipher identifier in four
// read-only fields, black on white, in a small window of its own class.
// Opening it disables the main window; its destruction finds the main window
// by title and enables it again.
#pragma once

#include <windows.h>

#include <string>

namespace tollvane {

inline constexpr const wchar_t* kReadIdClass = L"my Child Window Read ID";

struct ReadIdWindowTexts {
    std::wstring title;      // "Varnel ver.2.00"
    std::wstring labels[4];  // barcode, barcode (hex), cipher, cipher (x.x.x.x)
    std::wstring values[4];  // in the same order
    std::wstring mainTitle;  // how the window finds the main window again
};

// Registers the class (a second registration fails harmlessly), creates the
// window owned by main in the middle of the screen, disables main, fills and
// shows it. Null when the window could not be created.
HWND OpenReadIdWindow(HWND main, HFONT font, const ReadIdWindowTexts& texts);

// The four labels and the four read-only fields.
void FillReadIdWindow(HWND window, HFONT font, const ReadIdWindowTexts& texts);

// The window procedure: the fields drawn black on white; the main window
// enabled again when the window goes.
LRESULT CALLBACK ReadIdWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace tollvane
