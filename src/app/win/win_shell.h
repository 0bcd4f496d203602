// The main window's menu bar, title, help file, About box and the Read ID
// window: what the logic asks of the Win32 layer through Shell.
#pragma once

#include <windows.h>

#include "app/app_context.h"
#include "app/win/read_id_window.h"
#include "keystore/key_list.h"

namespace tollvane {

// Menu and command identifiers of the menu bar.
enum MenuId : int {
    kMenuQuit = 1,
    kMenuRussian = 2,
    kMenuEnglish = 3,
    kMenuReadId = 4,
    kMenuHelp = 5,
    kMenuAbout = 6,
};

inline constexpr const wchar_t* kHelpFile = L"help\\Tollvane ver_2_00.pdf";

// The menu bar of the language and texts of app, with the check mark on the
// active language. The caller owns the returned menu (SetMenu hands it on).
HMENU BuildMenuBar(const AppContext& app);

class WinMessageBoxes;

class WinShell : public Shell {
public:
    // boxes: the program's message boxes, which the key list window owns
    // while it is open.
    WinShell(HWND mainWindow, AppContext& app, WinMessageBoxes& boxes)
        : main_(mainWindow), app_(app), boxes_(boxes) {}

    // Attaches a new menu bar to the main window.
    void BuildMenu();
    // The font of the controls of secondary windows; null for the default.
    void SetFont(HFONT font) { font_ = font; }
    // The program's key list, which the key list window works on.
    void SetKeyList(KeyList* list) { keyList_ = list; }

    void SetMainTitle(const std::string& title) override;
    void RebuildMenu() override;
    long OpenHelpFile() override;
    void ShowAbout() override;
    void CloseMainWindow() override;
    void ShowReadIdWindow(const std::string& title, const std::string values[4]) override;
    void OpenKeyListForAdd() override;
    void OpenKeyListAndShowFirst() override;

private:
    HWND main_;
    AppContext& app_;
    WinMessageBoxes& boxes_;
    HFONT font_ = nullptr;
    KeyList* keyList_ = nullptr;
};

}  // namespace tollvane
