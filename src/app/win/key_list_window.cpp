#include "app/win/key_list_window.h"
#include "app/win/resource_ids.h"

#include "base/win/utf.h"

namespace tollvane {
namespace {

constexpr int kWidth = 1070, kHeight = 420;
constexpr int kDescriptionLimit = 80;

int FieldId(KeyField field) {
    switch (field) {
        case KeyField::Crypto1: return kKeyCrypto1FieldId;
        case KeyField::Aes: return kKeyAesFieldId;
        case KeyField::Description: return kDescriptionFieldId;
    }
    return 0;
}

constexpr DWORD kKeyFieldStyle =
    WS_BORDER | ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_AUTOHSCROLL;

// In creation order; the list is made and loaded between Add new and Use
// This Key.
const ChildControl kControlsBeforeList[] = {
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
const ChildControl kList = {WC_LISTVIEWW, kNoText, LVS_SINGLESEL, kKeyListViewId,
                            18,           128,     890,           242};
const ChildControl kControlsAfterList[] = {
    {L"Button", Msg::kKeyListUseThisKey, BS_PUSHBUTTON | WS_DISABLED, kUseKeyButtonId, 920, 95, 130,
     23},
    {L"Button", Msg::kKeyListRemove, BS_PUSHBUTTON | WS_DISABLED, kRemoveButtonId, 920, 128, 130,
     23},
    {L"Button", Msg::kKeyListCancel, BS_PUSHBUTTON, kCancelButtonId, 920, 345, 130, 23},
};

const ListColumn kColumns[kKeyListColumns] = {
    {Msg::kKeyListColumnNo, 35},           {Msg::kKeyListColumnTC, 35},
    {Msg::kKeyListColumnAA, 35},           {Msg::kKeyListColumnWM, 35},
    {Msg::kKeyListColumnSN, 35},           {Msg::kKeyListColumnBN, 35},
    {Msg::kKeyListColumnCrypto1, 130},     {Msg::kKeyListColumnAes, 280},
    {Msg::kKeyListColumnDescription, 680},
};

}  // namespace

KeyListWindow::KeyListWindow(AppContext& app, KeyList& list)
    : SecondaryWindow(kKeyListWindowClass, kWidth, kHeight), app_(app), list_(list) {}

KeyListWindow::~KeyListWindow() {
    if (Window()) list_.OnWindowDestroyed();
}

HWND KeyListWindow::Open(const MainWindowLink& main) {
    return SecondaryWindow::Open(main, Widen(app_.texts[Msg::kKeyListTitle]));
}

HWND KeyListWindow::OpenForAdd(const MainWindowLink& main) {
    const HWND window = Open(main);
    if (!window) return nullptr;
    SetWindowTextW(Item(kKeyCrypto1FieldId), Widen(app_.values.crypto1KeyText).c_str());
    SetWindowTextW(Item(kKeyAesFieldId), Widen(app_.values.aesKeyText).c_str());
    SetWindowTextW(Item(kDescriptionFieldId),
                   Widen(app_.texts[Msg::kKeyListDefaultDescription]).c_str());
    return window;
}

HWND KeyListWindow::OpenAndShowFirst(const MainWindowLink& main) {
    const HWND window = Open(main);
    if (window) list_.ShowKeyRecord(0);
    return window;
}

void KeyListWindow::MakeControls() {
    list_.SetUi(this);
    const HWND window = Window();
    CreateControls(window, kControlsBeforeList, app_.texts, Font());
    SetKeyFieldsMasked(true);
    SendMessageW(Item(kDescriptionFieldId), EM_LIMITTEXT, kDescriptionLimit, 0);
    if (const HWND list = CreateVirtualList(window, kList, Font())) {
        AddListColumns(list, kColumns, app_.texts);
        list_.LoadKeyList();
    }
    CreateControls(window, kControlsAfterList, app_.texts, Font());
}

bool KeyListWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != kKeyListViewId) return false;
        if (header->code == LVN_GETDISPINFOW) {
            auto& request = *reinterpret_cast<NMLVDISPINFOW*>(lParam);
            AnswerCellRequest(request,
                              WidenAnsi(rows_.Cell(static_cast<std::size_t>(request.item.iItem),
                                                   request.item.iSubItem)),
                              cell_);
            result = 0;
            return true;
        }
        const int row = static_cast<int>(SendMessageW(header->hwndFrom, LVM_GETNEXTITEM,
                                                      static_cast<WPARAM>(-1), LVNI_SELECTED));
        switch (header->code) {
            case NM_CLICK: list_.OnRowClicked(row); break;
            case NM_DBLCLK: list_.OnRowDoubleClicked(row); break;
            // The keyboard: the arrows choose a row as a click does, Enter
            // uses it, Delete removes it (after its question).
            case LVN_ITEMCHANGED: {
                const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED))
                    list_.OnRowClicked(change.iItem);
                break;
            }
            case NM_RETURN: list_.OnUseKey(); break;
            case LVN_KEYDOWN:
                if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE)
                    list_.OnRemove();
                break;
            default: break;
        }
        return false;
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case kShowKeysCheckId: list_.OnShowKeys(); break;
            case kAddNewButtonId: list_.OnAddNew(); break;
            case kUseKeyButtonId: list_.OnUseKey(); break;
            case kRemoveButtonId: list_.OnRemove(); break;
            case kCancelButtonId: CloseWindow(); break;
            default: break;
        }
    }
    return false;
}

void KeyListWindow::OnClosing() {
    rows_ = KeyListRows();
    list_.OnWindowDestroyed();
}

void KeyListWindow::ShowRows(KeyListRows rows) {
    rows_ = std::move(rows);
    const HWND list = Item(kKeyListViewId);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_.Count()), 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool KeyListWindow::IsShowKeysChecked() const {
    return SendMessageW(Item(kShowKeysCheckId), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void KeyListWindow::SetShowKeysChecked(bool checked) {
    SendMessageW(Item(kShowKeysCheckId), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void KeyListWindow::SetKeyFieldsMasked(bool masked) {
    // With visual styles a password edit would show dots; the keys are
    // masked with '*'.
    for (int id : {kKeyCrypto1FieldId, kKeyAesFieldId}) {
        SendMessageW(Item(id), EM_SETPASSWORDCHAR, masked ? L'*' : 0, 0);
        InvalidateRect(Item(id), nullptr, TRUE);
    }
}

std::string KeyListWindow::FieldText(KeyField field) const {
    return NarrowAnsi(WindowText(Item(FieldId(field))));
}

void KeyListWindow::SetFieldText(KeyField field, const std::string& text) {
    SetWindowTextW(Item(FieldId(field)), WidenAnsi(text).c_str());
}

void KeyListWindow::EnableRecordButtons() {
    EnableWindow(Item(kUseKeyButtonId), TRUE);
    EnableWindow(Item(kRemoveButtonId), TRUE);
}

void KeyListWindow::CloseWindow() { SendMessageW(Window(), WM_CLOSE, 0, 0); }

}  // namespace tollvane
