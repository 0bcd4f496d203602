// The key list window: class "my Child Window", the list of key records, the
// three fields of one record and the buttons that run the key list
// operations. While it is open the main window is disabled.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/app_context.h"
#include "keystore/key_list.h"

namespace tollvane {

inline constexpr const wchar_t* kKeyListWindowClass = L"my Child Window";
inline constexpr int kKeyListWindowWidth = 1070;
inline constexpr int kKeyListWindowHeight = 420;

// Control identifiers of the key list window.
enum KeyListControlId : int {
    kKeyCrypto1FieldId = 42,
    kKeyAesFieldId = 43,
    kShowKeysCheckId = 44,
    kDescriptionFieldId = 45,
    kAddNewButtonId = 46,
    kKeyListViewId = 47,
    kUseKeyButtonId = 48,
    kRemoveButtonId = 49,
    kCancelButtonId = 50,
};

// What the window works with: the program's main window, context, message
// boxes and key list (tests bring their own list over other files).
struct KeyListWindowContext {
    HWND mainWindow = nullptr;
    AppContext* app = nullptr;
    // The operations' messages; setBoxOwner makes the key list window their
    // owner while it is open (and gives them back with null).
    MessageBoxes* boxes = nullptr;
    std::function<void(HWND)> setBoxOwner;
    HFONT font = nullptr;
    // Lives as long as the program: the current record carries over from
    // one window to the next.
    KeyList* list = nullptr;
};

// Creates the window and its controls and loads the list. Null when the
// window could not be created; the main window then stays enabled. While a
// key list window exists, it is brought to the front and returned instead.
HWND OpenKeyListWindow(const KeyListWindowContext& context);

// "Add to list": the window, then the form's two keys and the default
// description in its fields.
HWND OpenKeyListForAdd(const KeyListWindowContext& context);
// "Show list": the window, then record 0 in its fields.
HWND OpenKeyListAndShowFirst(const KeyListWindowContext& context);

LRESULT CALLBACK KeyListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tollvane
