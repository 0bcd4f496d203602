// The "Issued cards" window: the register of issued cards in a virtual list,
// newest first, with a filter, the counts, Export..., Copy and Close. Opened
// from the Tools menu; while it is open the main window is disabled, as with
// the key list window. Rows that stations append meanwhile come into view.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/message_table.h"
#include "base/ui.h"

namespace tollvane {

inline constexpr const wchar_t* kIssuedCardsWindowClass = L"my Child Window Issued Cards";
inline constexpr int kIssuedCardsWindowWidth = 1070;
inline constexpr int kIssuedCardsWindowHeight = 520;

enum IssuedCardsControlId : int {
    kIssuedFilterEditId = 61,
    kIssuedListViewId = 62,
    kIssuedCountsId = 63,
    kIssuedExportButtonId = 64,
    kIssuedCopyButtonId = 65,
    kIssuedCloseButtonId = 66,
};

struct IssuedCardsWindowContext {
    HWND mainWindow = nullptr;
    LanguageId language = LanguageId::Russian;
    std::string mainTitle;         // how the main window is found again on closing
    HFONT font = nullptr;
    std::wstring registerPath;     // IssuedCards.csv
    MessageBoxes* boxes = nullptr;
    std::function<void(HWND)> setBoxOwner;
};

// Null when the window could not be made; the main window then stays
// enabled. While one is open it is brought to the front instead.
HWND OpenIssuedCardsWindow(const IssuedCardsWindowContext& context);

}  // namespace tollvane
