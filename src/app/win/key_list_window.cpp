#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#include "base/win/utf.h"

namespace tollvane {
namespace {

// The key file keeps the description in the system's ANSI code page, as
// installations before this one wrote it; the window shows Unicode.
std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::wstring WindowText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

int FieldId(KeyField field) {
    switch (field) {
        case KeyField::Crypto1: return kKeyCrypto1FieldId;
        case KeyField::Aes: return kKeyAesFieldId;
        case KeyField::Description: return kDescriptionFieldId;
    }
    return 0;
}

class WinKeyListUi : public KeyListUi {
public:
    void Attach(HWND window) { window_ = window; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    // The list view holds no rows of its own (it is made with
    // LVS_OWNERDATA): it is told how many there are and asks for the text of
    // each cell it draws, so 10,000 rows cost as little as one screenful.
    void ShowRows(KeyListRows rows) override {
        rows_ = std::move(rows);
        const HWND list = Item(kKeyListViewId);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_.Count()), 0);
        InvalidateRect(list, nullptr, TRUE);
    }

    void FillCell(NMLVDISPINFOW& info) {
        if (!(info.item.mask & LVIF_TEXT) || info.item.pszText == nullptr || info.item.cchTextMax <= 0) return;
        cell_ = FromAnsi(rows_.Cell(static_cast<std::size_t>(info.item.iItem), info.item.iSubItem));
        lstrcpynW(info.item.pszText, cell_.c_str(), info.item.cchTextMax);
    }

    void Forget() { rows_ = KeyListRows(); }

    bool IsShowKeysChecked() const override {
        return SendMessageW(Item(kShowKeysCheckId), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void SetShowKeysChecked(bool checked) override {
        SendMessageW(Item(kShowKeysCheckId), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void SetKeyFieldsMasked(bool masked) override {
        for (int id : {kKeyCrypto1FieldId, kKeyAesFieldId}) {
            SendMessageW(Item(id), EM_SETPASSWORDCHAR, masked ? L'*' : 0, 0);
            InvalidateRect(Item(id), nullptr, TRUE);
        }
    }
    std::string FieldText(KeyField field) const override { return ToAnsi(WindowText(Item(FieldId(field)))); }
    void SetFieldText(KeyField field, const std::string& text) override {
        SetWindowTextW(Item(FieldId(field)), FromAnsi(text).c_str());
    }
    void EnableRecordButtons() override {
        EnableWindow(Item(kUseKeyButtonId), TRUE);
        EnableWindow(Item(kRemoveButtonId), TRUE);
    }
    void CloseWindow() override { SendMessageW(window_, WM_CLOSE, 0, 0); }

private:
    HWND window_ = nullptr;
    KeyListRows rows_;
    std::wstring cell_;
};

// One key list window at a time, and what it was opened with. The list
// itself belongs to the program.
WinKeyListUi g_ui;
HWND g_window = nullptr;
KeyListWindowContext g_context;

struct ControlTemplate {
    const wchar_t* className;
    Msg text;  // kCaption is never a control text: it marks "no text"
    DWORD style;
    int id;
    int x, y, w, h;
};

constexpr Msg kNoText = Msg::kCaption;
constexpr DWORD kKeyFieldStyle = WS_BORDER | ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_AUTOHSCROLL;

// In creation order; the list view is made between AddNewButton and
// UseKeyButton, where the list is loaded.
const ControlTemplate kControlsBeforeList[] = {
    {L"Button", Msg::kKeyListGroup, BS_GROUPBOX | WS_GROUP, 0, 5, 5, 1055, 380},
    {L"Static", Msg::kKeyListCrypto1Label, 0, 0, 18, 30, 160, 15},
    {L"Edit", kNoText, kKeyFieldStyle, kKeyCrypto1FieldId, 128, 27, 780, 23},
    {L"Button", Msg::kShowKey, BS_CHECKBOX, kShowKeysCheckId, 920, 27, 130, 23},
    {L"Static", Msg::kKeyListAesLabel, 0, 0, 18, 65, 160, 15},
    {L"Edit", kNoText, kKeyFieldStyle, kKeyAesFieldId, 128, 62, 780, 23},
    {L"Static", Msg::kKeyListDescriptionLabel, 0, 0, 18, 100, 80, 15},
    {L"Edit", kNoText, WS_BORDER | ES_AUTOHSCROLL, kDescriptionFieldId, 128, 97, 780, 23},
    {L"Button", Msg::kKeyListAddNew, BS_PUSHBUTTON, kAddNewButtonId, 920, 62, 130, 23},
};
const ControlTemplate kControlsAfterList[] = {
    {L"Button", Msg::kKeyListUseThisKey, BS_PUSHBUTTON | WS_DISABLED, kUseKeyButtonId, 920, 95, 130, 23},
    {L"Button", Msg::kKeyListRemove, BS_PUSHBUTTON | WS_DISABLED, kRemoveButtonId, 920, 128, 130, 23},
    {L"Button", Msg::kKeyListCancel, BS_PUSHBUTTON, kCancelButtonId, 920, 345, 130, 23},
};

struct ColumnSpec {
    Msg header;
    int width;
};
const ColumnSpec kColumns[kKeyListColumns] = {
    {Msg::kKeyListColumnNo, 35},       {Msg::kKeyListColumnTC, 35},      {Msg::kKeyListColumnAA, 35},
    {Msg::kKeyListColumnWM, 35},       {Msg::kKeyListColumnSN, 35},      {Msg::kKeyListColumnBN, 35},
    {Msg::kKeyListColumnCrypto1, 130}, {Msg::kKeyListColumnAes, 280},    {Msg::kKeyListColumnDescription, 680},
};

HWND MakeControl(HWND parent, const ControlTemplate& tpl, const MessageTable& texts, HFONT font) {
    const std::wstring text = tpl.text == kNoText ? std::wstring() : Widen(texts[tpl.text]);
    const HWND control = CreateWindowExW(0, tpl.className, text.c_str(), WS_CHILD | WS_VISIBLE | tpl.style, tpl.x,
                                         tpl.y, tpl.w, tpl.h, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(tpl.id)),
                                         GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void InsertColumns(HWND list, const MessageTable& texts) {
    for (int i = 0; i < kKeyListColumns; ++i) {
        // Header texts go through a buffer of 128 characters.
        wchar_t header[128] = {};
        lstrcpynW(header, Widen(texts[kColumns[i].header]).c_str(), 128);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = header;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

bool RegisterKeyListClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = KeyListWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(TOLLVANE_ICON_APP));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kKeyListWindowClass;
    // Registered at every opening; a class left from an earlier one is fine.
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND MainWindowOf(const KeyListWindowContext& context) {
    // The main window is found by its title, as the other secondary window
    // does; its handle from the opening covers a title changed meanwhile.
    const HWND byTitle = FindWindowW(nullptr, Widen(context.app->texts[Msg::kMainTitle]).c_str());
    return byTitle ? byTitle : context.mainWindow;
}

}  // namespace

HWND OpenKeyListWindow(const KeyListWindowContext& context) {
    if (context.app == nullptr || context.boxes == nullptr || context.list == nullptr) return nullptr;
    if (g_window != nullptr && IsWindow(g_window)) {
        SetForegroundWindow(g_window);
        return g_window;
    }
    const MessageTable& texts = context.app->texts;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterKeyListClass();

    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - kKeyListWindowWidth / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - kKeyListWindowHeight / 2;
    const HWND window = CreateWindowExW(0, kKeyListWindowClass, Widen(texts[Msg::kKeyListTitle]).c_str(), WS_SYSMENU,
                                        x, y, kKeyListWindowWidth, kKeyListWindowHeight, context.mainWindow, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    g_window = window;
    g_ui.Attach(window);
    g_context = context;
    context.list->SetUi(&g_ui);
    if (context.setBoxOwner) context.setBoxOwner(window);
    if (context.mainWindow) EnableWindow(context.mainWindow, FALSE);

    for (const ControlTemplate& tpl : kControlsBeforeList) MakeControl(window, tpl, texts, context.font);
    SendMessageW(g_ui.Item(kKeyCrypto1FieldId), EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(g_ui.Item(kKeyAesFieldId), EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(g_ui.Item(kDescriptionFieldId), EM_LIMITTEXT, 80, 0);

    const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA,
                                      18, 128, 890, 242, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kKeyListViewId)),
                                      GetModuleHandleW(nullptr), nullptr);
    if (list) {
        if (context.font) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(context.font), FALSE);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        InsertColumns(list, texts);
        context.list->LoadKeyList();
    }
    for (const ControlTemplate& tpl : kControlsAfterList) MakeControl(window, tpl, texts, context.font);

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

HWND OpenKeyListForAdd(const KeyListWindowContext& context) {
    const HWND window = OpenKeyListWindow(context);
    if (!window) return nullptr;
    const AppContext& app = *context.app;
    SetWindowTextW(GetDlgItem(window, kKeyCrypto1FieldId), Widen(app.values.crypto1KeyText).c_str());
    SetWindowTextW(GetDlgItem(window, kKeyAesFieldId), Widen(app.values.aesKeyText).c_str());
    SetWindowTextW(GetDlgItem(window, kDescriptionFieldId), Widen(app.texts[Msg::kKeyListDefaultDescription]).c_str());
    return window;
}

HWND OpenKeyListAndShowFirst(const KeyListWindowContext& context) {
    const HWND window = OpenKeyListWindow(context);
    if (window) context.list->ShowKeyRecord(0);
    return window;
}

LRESULT CALLBACK KeyListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    KeyList* list = window == g_window ? g_context.list : nullptr;
    switch (message) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (window == g_window && header->idFrom == kKeyListViewId && header->code == LVN_GETDISPINFOW) {
                g_ui.FillCell(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
                return 0;
            }
            if (list && header->idFrom == kKeyListViewId && (header->code == NM_CLICK || header->code == NM_DBLCLK)) {
                const int row = static_cast<int>(
                    SendMessageW(header->hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
                if (header->code == NM_CLICK) list->OnRowClicked(row);
                else list->OnRowDoubleClicked(row);
            }
            break;
        }
        case WM_COMMAND:
            if (list) {
                switch (LOWORD(wParam)) {
                    case kShowKeysCheckId: list->OnShowKeys(); break;
                    case kAddNewButtonId: list->OnAddNew(); break;
                    case kUseKeyButtonId: list->OnUseKey(); break;
                    case kRemoveButtonId: list->OnRemove(); break;
                    case kCancelButtonId: SendMessageW(window, WM_CLOSE, 0, 0); break;
                    default: break;
                }
            }
            break;
        case WM_DESTROY:
            if (window == g_window) {
                g_window = nullptr;
                g_ui.Attach(nullptr);
                g_ui.Forget();
                g_context.list->OnWindowDestroyed();
                if (g_context.setBoxOwner) g_context.setBoxOwner(nullptr);
                const HWND main = MainWindowOf(g_context);
                if (main) {
                    EnableWindow(main, TRUE);
                    SetFocus(main);
                }
                g_context = {};
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tollvane
