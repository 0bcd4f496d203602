// What the program's windows are made of: a window class with the program's
// icon, a place in the middle of the screen, controls from a table, a list
// view that asks for its cells, and the base of the secondary windows (key
// list, Read ID, issued cards), which all stand in front of a disabled main
// window while they are open.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <span>
#include <string>
#include <utility>

#include "base/message_table.h"

namespace tollvane {

// Registers a window class with the program's icon, the arrow cursor and the
// dialog face colour. A class registered by an earlier opening counts as
// registered.
bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure);

// The top-left corner of a window of this size in the middle of the screen.
POINT CentredOnScreen(int width, int height);

// One child control of a window's table.
struct ChildControl {
    const wchar_t* className;
    Msg text;        // kNoText: created without a text
    DWORD style;     // besides WS_CHILD | WS_VISIBLE
    int id;          // 0: none
    int x, y, w, h;
    DWORD exStyle = 0;
};
inline constexpr Msg kNoText = static_cast<Msg>(0);

// Creates the controls in table order with their texts in the table's
// language; font may be null (the system's control font then serves).
void CreateControls(HWND parent, std::span<const ChildControl> templates, const MessageTable& texts, HFONT font);

struct ListColumn {
    Msg header;
    int width;
};

// A report list view with full-row selection that holds no rows of its own
// (LVS_OWNERDATA): it is told how many there are and asks its parent for
// each cell it draws (LVN_GETDISPINFOW), so that a million rows cost as
// little as one screenful. style adds to WS_CHILD | WS_VISIBLE | WS_BORDER |
// LVS_REPORT | LVS_OWNERDATA.
HWND CreateVirtualList(HWND parent, const ChildControl& item, HFONT font);
// Headers from the message table, or header texts of their own.
void AddListColumns(HWND list, std::span<const ListColumn> columns, const MessageTable& texts);
void AddListColumn(HWND list, int index, const std::wstring& header, int width);
// Answers a list view's request for a cell's text. buffer keeps the text
// until the list view has copied it.
void AnswerCellRequest(NMLVDISPINFOW& request, std::wstring text, std::wstring& buffer);

std::wstring WindowText(HWND window);

// How a secondary window reaches the main window.
struct MainWindowLink {
    MainWindowLink(HWND window = nullptr, std::wstring title = {}, HFONT font = nullptr,
                   std::function<void(HWND)> setBoxOwner = {})
        : window(window), title(std::move(title)), font(font), setBoxOwner(std::move(setBoxOwner)) {}

    HWND window;         // the owner, disabled while the secondary window is open
    std::wstring title;  // finds the main window again when the secondary one closes
    HFONT font;          // of the controls; null for the system's
    // Hands the program's message boxes to the secondary window while it is
    // open, and back with null; empty when the boxes keep their owner.
    std::function<void(HWND)> setBoxOwner;
};

// A window of its own class, centred on the screen, owned by the main
// window, with a title bar and a close box. One at a time: opening it again
// while it is open brings it to the front. When it closes the message boxes
// go back to the main window, which is found by its title (or its handle),
// enabled and focused.
class SecondaryWindow {
public:
    SecondaryWindow(const SecondaryWindow&) = delete;
    SecondaryWindow& operator=(const SecondaryWindow&) = delete;

    HWND Window() const { return window_; }

protected:
    SecondaryWindow(const wchar_t* className, int width, int height)
        : className_(className), width_(width), height_(height) {}
    // A window still open is destroyed, and the main window enabled again.
    virtual ~SecondaryWindow();

    // Creates, fills (MakeControls) and shows the window; null when it could
    // not be created, and the main window then stays enabled.
    HWND Open(const MainWindowLink& main, const std::wstring& title);

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    HFONT Font() const { return main_.font; }

    virtual void MakeControls() = 0;
    // A message of the open window; false leaves it to DefWindowProc.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The window is being destroyed; its controls still exist.
    virtual void OnClosing() {}

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void GiveBackMainWindow();

    const wchar_t* className_;
    int width_, height_;
    MainWindowLink main_;
    HWND window_ = nullptr;
};

}  // namespace tollvane
