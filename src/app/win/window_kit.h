// What the program's windows are made of: a window class with the program's
// icon, a place in the middle of the screen, controls from a table laid out
// at the window's DPI, a list view that asks for its cells, and the base of
// the secondary windows (key list, Read ID, issued cards), which all stand
// in front of a disabled main window while they are open.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/window_layout.h"
#include "base/message_table.h"
#include "base/win/handles.h"

namespace tollvane {

// Registers a window class with the program's icon, the arrow cursor and the
// dialog face colour. A class registered by an earlier opening counts as
// registered.
bool RegisterWindowClass(const wchar_t* className, WNDPROC procedure);

// The top-left corner of a window of this size in the middle of the screen.
POINT CentredOnScreen(int width, int height);
// A window of this size centred on the screen, then moved inside the work
// area of its monitor (PlaceInWorkArea).
Placement PlaceCentred(int width, int height);

// The state a control starts in, besides its style.
enum ControlStart : unsigned {
    kShown = 0,
    kHidden = 1,   // created without WS_VISIBLE
    kChecked = 2,  // a check box or radio, checked
};

// One child control of a window's table: the one table type of every window.
struct ChildControl {
    const wchar_t* className;
    Msg text;        // kNoText: fixedText, or no text
    DWORD style;     // besides WS_CHILD, and WS_VISIBLE unless kHidden
    int id;          // 0: none
    int x, y, w, h;  // client pixels at 96 DPI
    DWORD exStyle = 0;
    const wchar_t* fixedText = nullptr;  // the same in both languages
    unsigned start = kShown;             // ControlStart flags
};

// Creates one control at the parent's DPI with its text in the table's
// language; font may be null (the system's control font then serves). The
// control keeps its 96-DPI place for LayOutControls.
HWND CreateControl(HWND parent, const ChildControl& item, const MessageTable& texts, HFONT font);
// Creates the controls in table order.
void CreateControls(HWND parent, std::span<const ChildControl> templates, const MessageTable& texts,
                    HFONT font);

// Puts every control made from a table at its place for dpi, scrollY pixels
// up, and each up-down at the right edge of its edit again.
void LayOutControls(HWND parent, int dpi, int scrollY = 0);
// Binds an up-down to its edit at dpi: at the edit's right edge, the edit
// narrowed by its width.
void BindUpDown(HWND upDown, HWND edit, int dpi);
// Gives every control of parent the font (null: keeps theirs).
void SetControlsFont(HWND parent, HFONT font);

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
// Headers from the message table, or header texts of their own; widths at
// 96 DPI, laid out at the list's.
void AddListColumns(HWND list, std::span<const ListColumn> columns, const MessageTable& texts);
void AddListColumn(HWND list, int index, const std::wstring& header, int width);
// The columns of every list view of parent from one DPI to another.
void ScaleListColumns(HWND parent, int fromDpi, int toDpi);
// Answers a list view's request for a cell's text. buffer keeps the text
// until the list view has copied it.
void AnswerCellRequest(NMLVDISPINFOW& request, std::wstring text, std::wstring& buffer);
// The same for a cell of UTF-8 text, each character of blanked shown as a
// blank: a line end inside a cell would show as a box.
void AnswerCellText(NMLVDISPINFOW& request, std::string_view utf8, std::wstring& buffer,
                    std::wstring_view blanked = L"\r\n");
// The rows selected in a list view, top down.
std::vector<std::size_t> SelectedRows(HWND list);
void ClearSelection(HWND list);

// A list of rows under a filter edit, as the Issued cards and Card holders
// windows have: the list view asks its window for each cell, and the filter
// runs once the operator's typing pauses (each run may read a whole file).
struct FilteredRows {
    int listId;
    int filterEditId;
    // The list's cell requests go to fill and the pause's end to filter:
    // true when the message was one of them, with result set. The filter
    // edit's changes start the pause and still return false.
    // Called for every message of the window, so fill and filter are taken
    // as they are, not wrapped.
    template <typename Fill, typename Filter>
    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                   Fill&& fill, Filter&& filter) const {
        switch (message) {
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->idFrom != static_cast<UINT_PTR>(listId) ||
                    header->code != LVN_GETDISPINFOW)
                    return false;
                fill(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
                result = 0;
                return true;
            }
            case WM_COMMAND:
                if (LOWORD(wParam) == filterEditId && HIWORD(wParam) == EN_CHANGE)
                    SetTimer(window, kTimer, kPauseMs, nullptr);
                return false;
            case WM_TIMER:
                if (wParam != kTimer) return false;
                KillTimer(window, kTimer);
                filter();
                result = 0;
                return true;
            default: return false;
        }
    }
    void Stop(HWND window) const { KillTimer(window, kTimer); }

    static constexpr UINT_PTR kTimer = 0x7F17;
    static constexpr UINT kPauseMs = 300;
};

// An Open or Save As dialog over one file type (typeName, pattern) whose
// files end in .csv; suggested may be null. Empty when cancelled.
std::wstring AskFile(HWND owner, bool save, const std::string& typeName, const wchar_t* pattern,
                     const wchar_t* suggested);

std::wstring WindowText(HWND window);
// Whether window's class is name (as Windows compares them, ignoring case).
bool IsWindowClass(HWND window, const wchar_t* name);
// window's rectangle in the client area of another (its parent, say).
RECT RectIn(HWND window, HWND other);

// How a secondary window reaches the main window.
struct MainWindowLink {
    MainWindowLink(HWND window = nullptr, std::wstring title = {}, bool messageFont = false,
                   std::function<void(HWND)> setBoxOwner = {})
        : window(window),
          title(std::move(title)),
          messageFont(messageFont),
          setBoxOwner(std::move(setBoxOwner)) {}

    HWND window;         // the owner, disabled while the secondary window is open
    std::wstring title;  // finds the main window again when the secondary one closes
    // The controls take the operator's message font, as the main form's do
    // (made for the secondary window's DPI); false: the system's font.
    bool messageFont;
    // Hands the program's message boxes to the secondary window while it is
    // open, and back with null; empty when the boxes keep their owner.
    std::function<void(HWND)> setBoxOwner;
};

// A window of its own class, centred on the screen, owned by the main
// window, with a title bar and a close box. One at a time: opening it again
// while it is open brings it to the front. When it closes the message boxes
// go back to the main window, which is found by its title (or its handle),
// enabled and focused.
//
// Its size and controls are given at 96 DPI and laid out at the DPI of its
// monitor, again when it moves to another (WM_DPICHANGED); it stays inside
// the work area of its monitor. Tab, the arrow keys and Enter walk and press
// its controls, and Escape closes it as its close box does.
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
    // The controls' font at the window's DPI; null for the system's.
    HFONT Font() const { return static_cast<HFONT>(font_.get()); }
    int Dpi() const { return dpi_; }

    virtual void MakeControls() = 0;
    // A message of the open window; false leaves it to DefWindowProc.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The window is being destroyed; its controls still exist.
    virtual void OnClosing() {}

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void GiveBackMainWindow();
    void OnDpiChanged(int dpi, const RECT& suggested);

    const wchar_t* className_;
    int width_, height_;
    MainWindowLink main_;
    HWND window_ = nullptr;
    int dpi_ = 96;
    UniqueGdiObject font_;
};

}  // namespace tollvane
