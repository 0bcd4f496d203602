#include "app/win/keyboard.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "app/win/window_kit.h"
#include "app/window_layout.h"

namespace tollvane {
namespace {

struct Watched {
    bool escapeCloses = false;
    HWND lastFocus = nullptr;  // where Tab goes on from while the window itself has the focus
};

std::map<HWND, Watched>& WatchedWindows() {
    static std::map<HWND, Watched> windows;
    return windows;
}

LONG_PTR ButtonType(HWND window) {
    return IsWindowClass(window, L"Button") ? (GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK)
                                            : -1;
}

KeyboardControl Describe(HWND window, HWND control) {
    KeyboardControl c;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    const LONG_PTR type = ButtonType(control);
    if (type == BS_GROUPBOX)
        c.kind = KeyboardControl::GroupBox;
    else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
        c.kind = KeyboardControl::Radio;
    else if (IsWindowClass(control, L"Static") || IsWindowClass(control, UPDOWN_CLASSW) ||
             IsWindowClass(control, PROGRESS_CLASSW))
        c.kind = KeyboardControl::Passive;
    else
        c.kind = KeyboardControl::Focusable;
    // The control's own flag: a window may be laid out before it is shown.
    c.usable =
        (style & WS_VISIBLE) && (c.kind == KeyboardControl::GroupBox || IsWindowEnabled(control));
    c.checked =
        c.kind == KeyboardControl::Radio && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    c.startsGroup = (style & WS_GROUP) != 0;
    const RECT r = RectIn(control, window);
    c.rect = {r.left, r.top, r.right, r.bottom};
    return c;
}

struct Children {
    std::vector<HWND> handles;
    std::vector<KeyboardControl> controls;

    explicit Children(HWND window) {
        for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
            handles.push_back(h);
            controls.push_back(Describe(window, h));
        }
    }
    int IndexOf(HWND h) const {
        const auto at = std::find(handles.begin(), handles.end(), h);
        return at == handles.end() ? -1 : static_cast<int>(at - handles.begin());
    }
};

// The direct child of window that holds focus (the edit inside a combo box
// belongs to the combo box), or null.
HWND ControlOf(HWND window, HWND focus) {
    while (focus && GetParent(focus) != window) focus = GetParent(focus);
    return focus;
}

void Focus(HWND window, HWND control) {
    SetFocus(control);
    SendMessageW(window, FocusMovedMessage(), 0, reinterpret_cast<LPARAM>(control));
}

void Tab(HWND window, HWND from, bool backwards) {
    const Children children(window);
    std::vector<KeyboardControl> controls = children.controls;
    const int current = children.IndexOf(from);
    // A control that Tab does not visit (a label, a disabled control) still
    // has its place in the reading order: Tab goes on from there.
    const bool placeOnly = current >= 0 && !controls[current].usable;
    if (placeOnly) controls[current] = {KeyboardControl::Focusable, controls[current].rect, true};
    const std::vector<int> stops = TabStops(controls);
    const int n = static_cast<int>(stops.size());
    if (n == 0) return;
    const std::vector<int> group = current >= 0 && controls[current].kind == KeyboardControl::Radio
                                       ? RadioGroupOf(controls, current)
                                       : std::vector<int>{current};
    int at = -1;
    for (int i = 0; i < n && at < 0; ++i)
        if (std::find(group.begin(), group.end(), stops[i]) != group.end()) at = i;
    const int next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
    if (placeOnly && stops[next] == current) return;
    const HWND target = children.handles[stops[next]];
    Focus(window, target);
    // As in a dialog: a field reached with Tab has its text selected, so
    // that typing replaces it.
    if (IsWindowClass(target, L"Edit")) SendMessageW(target, EM_SETSEL, 0, -1);
}

// Up and Left go back, Down and Right on, round within the group; the
// radio reached is checked as a click checks it.
void Arrow(HWND window, HWND radio, bool backwards) {
    const Children children(window);
    const std::vector<int> group = RadioGroupOf(children.controls, children.IndexOf(radio));
    const auto at = std::find(group.begin(), group.end(), children.IndexOf(radio));
    if (at == group.end() || group.size() < 2) return;
    const int n = static_cast<int>(group.size());
    const int next = group[(static_cast<int>(at - group.begin()) + (backwards ? n - 1 : 1)) % n];
    Focus(window, children.handles[next]);
    SendMessageW(children.handles[next], BM_CLICK, 0, 0);
}

}  // namespace

void WatchKeyboard(HWND window, bool escapeCloses) {
    WatchedWindows()[window] = Watched{escapeCloses, nullptr};
}

void UnwatchKeyboard(HWND window) { WatchedWindows().erase(window); }

UINT FocusMovedMessage() {
    static const UINT message = RegisterWindowMessageW(L"Tollvane.FocusMoved");
    return message;
}

std::vector<HWND> TabOrder(HWND window) {
    const Children children(window);
    std::vector<HWND> order;
    for (int i : TabStops(children.controls)) order.push_back(children.handles[i]);
    return order;
}

bool HandleKeyboard(const MSG& message) {
    if (message.message != WM_KEYDOWN || !message.hwnd) return false;
    const HWND window = GetAncestor(message.hwnd, GA_ROOT);
    const auto found = WatchedWindows().find(window);
    if (found == WatchedWindows().end()) return false;
    Watched& watched = found->second;
    HWND control = ControlOf(window, message.hwnd);
    if (control)
        watched.lastFocus = control;
    else if (watched.lastFocus && IsChild(window, watched.lastFocus))
        control = watched.lastFocus;
    const bool radio =
        control && control == message.hwnd &&
        (ButtonType(control) == BS_RADIOBUTTON || ButtonType(control) == BS_AUTORADIOBUTTON);

    switch (message.wParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
            Tab(window, control, GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            if (!radio) return false;
            Arrow(window, control, message.wParam == VK_LEFT || message.wParam == VK_UP);
            return true;
        case VK_RETURN: {
            const LONG_PTR type = control == message.hwnd ? ButtonType(control) : -1;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return false;
            SendMessageW(control, BM_CLICK, 0, 0);
            return true;
        }
        case VK_ESCAPE:
            if (!watched.escapeCloses) return false;
            // An open drop-down list closes first, as everywhere.
            if (control && IsWindowClass(control, L"ComboBox") &&
                SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0))
                return false;
            SendMessageW(window, WM_CLOSE, 0, 0);
            return true;
        default: return false;
    }
}

}  // namespace tollvane
