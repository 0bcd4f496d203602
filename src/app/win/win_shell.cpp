#include "app/win/win_shell.h"
#include "app/win/resource_ids.h"

#include <shellapi.h>

#include "app/win/dpi.h"
#include "app/win/win_ui.h"
#include "base/win/handles.h"
#include "base/win/utf.h"

namespace tollvane {

namespace {

std::wstring WideText(const AppContext& app, Msg id) { return Widen(app.texts[id]); }

// The dialog manager lays the About box out at its DPI; its icon is taken at
// the size of that DPI too (at 96 DPI the control's own is that size).
void ShowAboutIcon(HWND dialog) {
    const int dpi = WindowDpi(dialog);
    if (dpi == kDefaultDpi) return;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(AppIcon(dpi, false)), 0);
    }
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: ShowAboutIcon(dialog); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK)
                EndDialog(dialog, IDOK);
            else if (LOWORD(wParam) == IDCANCEL)
                EndDialog(dialog, IDCANCEL);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

HMENU BuildMenuBar(const AppContext& app) {
    const HMENU bar = CreateMenu();
    const HMENU file = CreatePopupMenu();
    const HMENU tools = CreatePopupMenu();
    const HMENU language = CreatePopupMenu();
    const HMENU help = CreatePopupMenu();

    AppendMenuW(file, MF_STRING, kMenuQuit, WideText(app, Msg::kMenuQuit).c_str());

    AppendMenuW(language, MF_STRING, kMenuRussian, L"Русский");
    AppendMenuW(language, MF_STRING, kMenuEnglish, L"English");
    CheckMenuItem(language, app.language == LanguageId::English ? kMenuEnglish : kMenuRussian,
                  MF_BYCOMMAND | MF_CHECKED);

    AppendMenuW(tools, MF_POPUP, reinterpret_cast<UINT_PTR>(language),
                WideText(app, Msg::kMenuLanguage).c_str());
    AppendMenuW(tools, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(tools, MF_STRING, kMenuReadId, WideText(app, Msg::kMenuReadID).c_str());
    AppendMenuW(tools, MF_STRING | (app.verifyAfterWrite ? MF_CHECKED : MF_UNCHECKED),
                kMenuVerifyAfterWrite, WideText(app, Msg::kMenuVerifyAfterWrite).c_str());
    AppendMenuW(tools, MF_STRING, kMenuDatabase, WideText(app, Msg::kMenuDatabase).c_str());
    AppendMenuW(tools, MF_STRING, kMenuIssuedCards, WideText(app, Msg::kMenuIssuedCards).c_str());
    AppendMenuW(tools, MF_STRING, kMenuCardHolders, WideText(app, Msg::kMenuCardHolders).c_str());

    AppendMenuW(help, MF_STRING, kMenuHelp, WideText(app, Msg::kMenuHelpItem).c_str());
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, kMenuAbout, WideText(app, Msg::kMenuAbout).c_str());

    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file),
                WideText(app, Msg::kMenuFile).c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools),
                WideText(app, Msg::kMenuTools).c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help),
                WideText(app, Msg::kMenuHelp).c_str());
    return bar;
}

WinShell::WinShell(HWND mainWindow, AppContext& app, WinMessageBoxes& boxes, KeyList& keyList,
                   std::wstring registerPath, HoldersRun& holders)
    : main_(mainWindow),
      app_(app),
      boxes_(boxes),
      keyListWindow_(app, keyList),
      issuedCardsWindow_(app.texts, boxes, std::move(registerPath)),
      cardHoldersWindow_(app, holders),
      databaseWindow_(app.texts, app.sleeper) {}

MainWindowLink WinShell::Link() const {
    return {main_, WideText(app_, Msg::kMainTitle), true,
            [this](HWND owner) { boxes_.SetOwner(owner); }};
}

void WinShell::BuildMenu() { SetMenu(main_, BuildMenuBar(app_)); }

void WinShell::SetMainTitle(const std::string& title) {
    SetWindowTextW(main_, Widen(title).c_str());
}

void WinShell::RebuildMenu() {
    // The old bar goes once the new one is attached.
    const UniqueMenu old(GetMenu(main_));
    BuildMenu();
}

HelpOpening WinShell::OpenHelpFile() {
    const HINSTANCE opened = ShellExecuteW(main_, L"open", kHelpFile, nullptr, nullptr, SW_RESTORE);
    const long code = static_cast<long>(reinterpret_cast<INT_PTR>(opened));
    // ShellExecute answers more than 32 when it opened the file.
    if (code > 32) return {HelpOpen::Opened, code};
    switch (code) {
        case SE_ERR_FNF:
        case SE_ERR_PNF: return {HelpOpen::FileMissing, code};
        case SE_ERR_NOASSOC: return {HelpOpen::NoViewer, code};
        default: return {HelpOpen::Failed, code};
    }
}

void WinShell::ShowAbout() {
    const int resource =
        app_.language == LanguageId::English ? TOLLVANE_DIALOG_ABOUT_EN : TOLLVANE_DIALOG_ABOUT_RU;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), main_, AboutProc, 0);
}

void WinShell::OpenKeyListForAdd() { keyListWindow_.OpenForAdd(Link()); }

void WinShell::OpenKeyListAndShowFirst() { keyListWindow_.OpenAndShowFirst(Link()); }

void WinShell::OpenIssuedCards() { issuedCardsWindow_.Open(Link()); }

void WinShell::OpenCardHolders() { cardHoldersWindow_.Open(Link()); }

void WinShell::OpenDatabase() { databaseWindow_.Open(Link()); }

void WinShell::CloseMainWindow() { SendMessageW(main_, WM_CLOSE, 0, 0); }

void WinShell::ShowReadIdWindow(const std::string& title, const std::string values[4]) {
    readIdWindow_.Open(Link(), app_.texts, title, values);
}

}  // namespace tollvane
