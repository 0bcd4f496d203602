// The main window's menu bar, title, help file and About box, and the
// secondary windows (key list, Read ID, issued cards): what the logic asks
// of the Win32 layer through Shell.
#pragma once

#include <windows.h>

#include <string>

#include "app/app_context.h"
#include "app/win/card_holders_window.h"
#include "app/win/database_window.h"
#include "app/win/issued_cards_window.h"
#include "app/win/key_list_window.h"
#include "app/win/read_id_window.h"
#include "keystore/key_list.h"

namespace tollvane {

inline constexpr const wchar_t* kHelpFile = L"help\\Tollvane ver_2_00.pdf";

// The menu bar of the language and texts of app, with the check mark on the
// active language. The caller owns the returned menu (SetMenu hands it on).
HMENU BuildMenuBar(const AppContext& app);

class WinMessageBoxes;

class WinShell : public Shell {
public:
    // boxes: the program's message boxes, which a secondary window owns while
    // it is open. keyList: the program's key list. registerPath:
    // IssuedCards.csv in full.
    // holders: the program's run for the list of card holders.
    WinShell(HWND mainWindow, AppContext& app, WinMessageBoxes& boxes, KeyList& keyList,
             std::wstring registerPath, HoldersRun& holders);

    // Attaches a new menu bar to the main window.
    void BuildMenu();

    void SetMainTitle(const std::string& title) override;
    void RebuildMenu() override;
    HelpOpening OpenHelpFile() override;
    void ShowAbout() override;
    void CloseMainWindow() override;
    void ShowReadIdWindow(const std::string& title, const std::string values[4]) override;
    void OpenKeyListForAdd() override;
    void OpenKeyListAndShowFirst() override;
    void OpenIssuedCards() override;
    void OpenCardHolders() override;
    void OpenDatabase() override;

private:
    MainWindowLink Link() const;

    HWND main_;
    AppContext& app_;
    WinMessageBoxes& boxes_;
    KeyListWindow keyListWindow_;
    ReadIdWindow readIdWindow_;
    IssuedCardsWindow issuedCardsWindow_;
    CardHoldersWindow cardHoldersWindow_;
    DatabaseWindow databaseWindow_;
};

}  // namespace tollvane
