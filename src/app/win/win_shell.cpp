#include "app/win/win_shell.h"

#include <shellapi.h>

#include "app/win/wide_text.h"

namespace tollvane {

namespace {

std::wstring T(const AppContext& app, Msg id) { return Widen(app.texts[id]); }

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) EndDialog(dialog, 1);
            else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 2);
            return TRUE;
        default:
            return FALSE;
    }
}

// The Read ID window: one at a time, so its state is process-wide.
struct ReadIdState {
    HWND fields[4] = {};
    HBRUSH brush = nullptr;
    std::wstring mainTitle;  // how its destruction finds the main window
};
ReadIdState g_readId;

LRESULT CALLBACK ReadIdProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC) {
        const HWND control = reinterpret_cast<HWND>(lParam);
        for (HWND field : g_readId.fields) {
            if (field && field == control) {
                if (g_readId.brush) DeleteObject(g_readId.brush);
                const HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(0, 0, 0));
                SetBkColor(dc, RGB(255, 255, 255));
                g_readId.brush = CreateSolidBrush(RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(g_readId.brush);
            }
        }
    } else if (msg == WM_DESTROY) {
        if (const HWND main = FindWindowW(nullptr, g_readId.mainTitle.c_str())) {
            EnableWindow(main, TRUE);
            SetFocus(main);
        }
        for (HWND& field : g_readId.fields) field = nullptr;
        if (g_readId.brush) {
            DeleteObject(g_readId.brush);
            g_readId.brush = nullptr;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

HMENU BuildMenuBar(const AppContext& app) {
    const HMENU bar = CreateMenu();
    const HMENU file = CreatePopupMenu();
    const HMENU tools = CreatePopupMenu();
    const HMENU language = CreatePopupMenu();
    const HMENU help = CreatePopupMenu();

    AppendMenuW(file, MF_STRING, kMenuQuit, T(app, Msg::kMenuQuit).c_str());

    AppendMenuW(language, MF_STRING, kMenuRussian, L"Русский");
    AppendMenuW(language, MF_STRING, kMenuEnglish, L"English");
    CheckMenuItem(language, app.language == LanguageId::English ? kMenuEnglish : kMenuRussian,
                  MF_BYCOMMAND | MF_CHECKED);

    AppendMenuW(tools, MF_POPUP, reinterpret_cast<UINT_PTR>(language), T(app, Msg::kMenuLanguage).c_str());
    AppendMenuW(tools, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(tools, MF_STRING, kMenuReadId, T(app, Msg::kMenuReadID).c_str());

    AppendMenuW(help, MF_STRING, kMenuHelp, T(app, Msg::kMenuHelpItem).c_str());
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, kMenuAbout, T(app, Msg::kMenuAbout).c_str());

    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), T(app, Msg::kMenuFile).c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), T(app, Msg::kMenuTools).c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), T(app, Msg::kMenuHelp).c_str());
    return bar;
}

void WinShell::BuildMenu() { SetMenu(main_, BuildMenuBar(app_)); }

void WinShell::SetMainTitle(const std::string& title) { SetWindowTextW(main_, Widen(title).c_str()); }

void WinShell::RebuildMenu() {
    const HMENU old = GetMenu(main_);
    BuildMenu();
    if (old) DestroyMenu(old);
}

long WinShell::OpenHelpFile() {
    const HINSTANCE result = ShellExecuteW(main_, L"open", kHelpFile, nullptr, nullptr, SW_RESTORE);
    return static_cast<long>(reinterpret_cast<INT_PTR>(result));
}

void WinShell::ShowAbout() {
    const int resource = app_.language == LanguageId::English ? 2 : 1;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), main_, AboutProc, 0);
}

void WinShell::CloseMainWindow() { SendMessageW(main_, WM_CLOSE, 0, 0); }

void WinShell::ShowReadIdWindow(const std::string& title, const std::string values[4]) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ReadIdProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(2));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = kReadIdClass;
    RegisterClassExW(&wc);  // fails harmlessly from the second time on

    g_readId.mainTitle = Widen(app_.texts[Msg::kMainTitle]);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 151;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 80;
    const HWND window = CreateWindowExW(0, kReadIdClass, Widen(title).c_str(), WS_SYSMENU, x, y, 302, 160, main_,
                                        nullptr, instance, nullptr);
    if (!window) return;
    EnableWindow(main_, FALSE);

    const HFONT font = font_;
    struct Item {
        int x, y;
        bool field;
        std::wstring text;
        int slot;
    };
    const Item items[] = {
        {10, 15, false, T(app_, Msg::kReadIdBarcode), -1},
        {160, 15, false, T(app_, Msg::kReadIdBarcodeHex), -1},
        {10, 37, true, Widen(values[0]), 0},
        {160, 37, true, Widen(values[1]), 1},
        {10, 67, false, T(app_, Msg::kReadIdCipher), -1},
        {160, 67, false, T(app_, Msg::kReadIdCipherDotted), -1},
        {10, 89, true, Widen(values[2]), 2},
        {160, 89, true, Widen(values[3]), 3},
    };
    for (const Item& item : items) {
        const HWND control =
            item.field ? CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", item.text.c_str(),
                                         WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_CENTER, item.x,
                                         item.y, 125, 20, window, nullptr, instance, nullptr)
                       : CreateWindowExW(0, L"Static", item.text.c_str(), WS_CHILD | WS_VISIBLE, item.x, item.y,
                                         125, 20, window, nullptr, instance, nullptr);
        if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (item.slot >= 0) g_readId.fields[item.slot] = control;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
}

}  // namespace tollvane
