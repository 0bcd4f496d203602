#include "app/win/win_ui.h"
#include "app/win/dpi.h"
#include "app/win/resource_ids.h"
#include "app/win/window_kit.h"

#include <commctrl.h>

#include "base/win/utf.h"

namespace tollvane {

int MessageIconResource(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Success: return TOLLVANE_ICON_SUCCESS;
        case MessageIcon::Warning: return TOLLVANE_ICON_WARNING;
        case MessageIcon::Error: return TOLLVANE_ICON_ERROR;
        case MessageIcon::Hint: return TOLLVANE_ICON_HINT;
        case MessageIcon::Retry: return TOLLVANE_ICON_RETRY;
    }
    return TOLLVANE_ICON_ERROR;
}

void WinMessageBoxes::Show(const std::string& text, MessageIcon icon) {
    const std::wstring wideText = Widen(text);
    const std::wstring caption = Widen(texts_[Msg::kCaption]);
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof(params);
    params.hwndOwner = Owner();
    params.hInstance = GetModuleHandleW(nullptr);
    params.lpszText = wideText.c_str();
    params.lpszCaption = caption.c_str();
    params.dwStyle = MB_OK | MB_USERICON;
    params.lpszIcon = MAKEINTRESOURCEW(MessageIconResource(icon));
    params.dwContextHelpId = 0;
    params.lpfnMsgBoxCallback = nullptr;
    params.dwLanguageId = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
    MessageBoxIndirectW(&params);
}

void WinMessageBoxes::ShowSystemError(const std::string& text) {
    MessageBoxW(Owner(), Widen(text).c_str(), Widen(texts_[Msg::kCaption]).c_str(),
                MB_OK | MB_ICONERROR);
}

bool WinMessageBoxes::AskYesNo(const std::string& text) {
    // Russian asks with the user's default language (0x400), English with
    // U.S. English (0x409): the buttons follow the interface language.
    const WORD language = static_cast<WORD>(texts_.BoxLangId() | 0x0400);
    return MessageBoxExW(Owner(), Widen(text).c_str(), Widen(texts_[Msg::kCaption]).c_str(),
                         MB_YESNO | MB_ICONINFORMATION, language) == IDYES;
}

void WinTimers::Start(TimerId id, unsigned periodMs) {
    SetTimer(main_, static_cast<UINT_PTR>(id), periodMs, nullptr);
}

void WinTimers::Kill(TimerId id) { KillTimer(main_, static_cast<UINT_PTR>(id)); }

void WinProgressView::Open(const std::string& title, int range) {
    Close();
    // In the middle of the screen, at the DPI of the monitor there.
    const POINT middle = CentredOnScreen(0, 0);
    const int dpi = MonitorDpi({middle.x, middle.y, middle.x + 1, middle.y + 1});
    const PixelRect at = PlaceCentred(Scaled(kWidth, dpi), Scaled(kHeight, dpi)).window;
    // Neither WS_CHILD nor WS_POPUP: an overlapped window with a caption.
    window_ = CreateWindowExW(0, PROGRESS_CLASSW, Widen(title).c_str(), WS_VISIBLE | PBS_SMOOTH,
                              at.left, at.top, at.Width(), at.Height(), main_, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) return;
    SendMessageW(window_, PBM_SETRANGE, 0, MAKELPARAM(0, range));
    SendMessageW(window_, PBM_SETSTEP, 1, 0);
    SendMessageW(window_, PBM_SETPOS, 0, 0);
}

void WinProgressView::Step() {
    if (window_) SendMessageW(window_, PBM_STEPIT, 0, 0);
}

void WinProgressView::SetTitle(const std::string& title) {
    if (window_) SetWindowTextW(window_, Widen(title).c_str());
}

void WinProgressView::Close() {
    if (!window_) return;
    const HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
}

void WinProgressView::EnableMainWindow(bool enable) { EnableWindow(main_, enable ? TRUE : FALSE); }

}  // namespace tollvane
