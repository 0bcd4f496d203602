#include "app/win/win_form_view.h"

#include <commctrl.h>

#include "app/hex_entry.h"
#include "app/win/dpi.h"
#include "base/win/utf.h"

namespace tollvane {

namespace {

constexpr DWORD kGroup = BS_GROUPBOX | WS_GROUP;
constexpr DWORD kLabel = SS_LEFT;
constexpr DWORD kCombo = CBS_DROPDOWNLIST;
constexpr DWORD kPush = BS_PUSHBUTTON;
constexpr DWORD kCheck = BS_CHECKBOX;  // toggled by the program, not by the click
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kEdit = WS_BORDER;
constexpr DWORD kUpDown = UDS_SETBUDDYINT | UDS_ALIGNRIGHT;
const wchar_t* const kButton = L"Button";
const wchar_t* const kStatic = L"Static";
const wchar_t* const kEditClass = L"Edit";
const wchar_t* const kComboClass = L"ComboBox";
const wchar_t* const kUpDownClass = UPDOWN_CLASSW;

// A control of the form in the window kit's table type; its identifier is
// its name's.
constexpr FormControl Row(Ctl ctl, const wchar_t* cls, DWORD style, int x, int y, int w, int h, Msg text,
                          const wchar_t* fixed, bool shown, bool enabled, bool checked) {
    return {ctl,
            {cls, text, style | (enabled ? 0 : WS_DISABLED), ControlId(ctl), x, y, w, h, 0, fixed,
             (shown ? kShown : kHidden) | (checked ? kChecked : 0u)}};
}

}  // namespace

std::span<const FormControl> MainFormControls() {
    // clang-format off
    static const FormControl table[] = {
        //  ctl                              class         style                                x    y    w    h    text                          fixed text                               shown  enabled checked
        Row(Ctl::SettingsGroup,              kButton,      kGroup,                              5,   5,   650, 65,  Msg::kSettingsGroup,          nullptr,                                 true,  true,   false),
        Row(Ctl::PortLabel,                  kStatic,      kLabel,                              18,  30,  125, 16,  Msg::kPortLabel,              nullptr,                                 true,  true,   false),
        Row(Ctl::PortCombo,                  kComboClass,  kCombo,                              150, 27,  328, 200, kNoText,                      L"",                                     true,  true,   false),
        Row(Ctl::SearchButton,               kButton,      kPush,                               490, 27,  150, 23,  Msg::kSearchButton,           nullptr,                                 true,  true,   false),
        Row(Ctl::VersionLabel,               kStatic,      kLabel,                              18,  49,  55,  15,  Msg::kVersionLabel,           nullptr,                                 true,  true,   false),
        Row(Ctl::VersionValue,               kStatic,      kLabel,                              75,  48,  30,  15,  kNoText,                      L"x.xx",                                 true,  true,   false),

        Row(Ctl::CardTypeGroup,              kButton,      kGroup,                              5,   75,  650, 115, Msg::kCardTypeGroup,          nullptr,                                 true,  true,   false),
        Row(Ctl::ClassicCheck,               kButton,      kCheck,                              18,  100, 120, 23,  kNoText,                      L"Mifare Classic",                       true,  true,   true),
        Row(Ctl::PlusCheck,                  kButton,      kCheck,                              18,  125, 120, 23,  kNoText,                      L"Mifare Plus",                          true,  true,   false),
        Row(Ctl::Sl1Radio,                   kButton,      kRadio,                              140, 127, 230, 20,  kNoText,                      L"[SL1] -> Mifare Classic (Crypto1)",    true,  false,  true),
        Row(Ctl::Sl3Radio,                   kButton,      kRadio,                              140, 155, 230, 20,  kNoText,                      L"[SL3] -> Mifare Plus (AES128)",        true,  false,  false),
        Row(Ctl::AesAuthCheck,               kButton,      kCheck,                              395, 125, 240, 23,  Msg::kAesAuthCheck,           nullptr,                                 true,  false,  false),

        Row(Ctl::CardGroup,                  kButton,      kGroup,                              5,   195, 650, 95,  Msg::kCardGroup,              nullptr,                                 true,  true,   false),
        Row(Ctl::RoleLabel,                  kStatic,      kLabel,                              18,  220, 35,  15,  Msg::kRoleLabel,              nullptr,                                 true,  true,   false),
        Row(Ctl::RoleCombo,                  kComboClass,  kCombo,                              58,  217, 145, 60,  kNoText,                      L"",                                     true,  true,   false),
        Row(Ctl::WriteButton,                kButton,      kPush,                               215, 217, 150, 23,  Msg::kWriteButton,            nullptr,                                 true,  true,   false),
        Row(Ctl::ReadButton,                 kButton,      kPush,                               378, 217, 100, 23,  Msg::kReadButton,             nullptr,                                 true,  true,   false),
        Row(Ctl::ClearButton,                kButton,      kPush,                               490, 217, 150, 23,  Msg::kClearButton,            nullptr,                                 true,  true,   false),
        Row(Ctl::WriteCyclicButton,          kButton,      kPush,                               215, 250, 150, 23,  Msg::kWriteCyclicButton,      nullptr,                                 true,  false,  false),
        Row(Ctl::ClearCyclicButton,          kButton,      kPush,                               490, 250, 150, 23,  Msg::kClearCyclicButton,      nullptr,                                 true,  true,   false),

        Row(Ctl::MasterGroup,                kButton,      kGroup,                              5,   295, 650, 200, Msg::kMasterGroup,            nullptr,                                 true,  true,   false),
        Row(Ctl::WorkModeLabel,              kStatic,      kLabel,                              18,  320, 100, 15,  Msg::kWorkModeLabel,          nullptr,                                 true,  true,   false),
        Row(Ctl::WorkModeCombo,              kComboClass,  kCombo,                              178, 317, 457, 100, kNoText,                      L"",                                     true,  true,   false),
        Row(Ctl::SectorLabel,                kStatic,      kLabel,                              18,  350, 110, 15,  Msg::kSectorLabel,            nullptr,                                 true,  false,  false),
        Row(Ctl::SectorUpDown,               kUpDownClass, kUpDown,                             0,   0,   0,   0,   kNoText,                      nullptr,                                 true,  false,  false),
        Row(Ctl::SectorEdit,                 kEditClass,   kEdit | ES_READONLY,                 178, 347, 80,  23,  kNoText,                      L"1",                                    true,  false,  false),
        Row(Ctl::BlockLabel,                 kStatic,      kLabel,                              273, 350, 90,  15,  Msg::kBlockLabel,             nullptr,                                 true,  false,  false),
        Row(Ctl::BlockUpDown,                kUpDownClass, kUpDown,                             0,   0,   0,   0,   kNoText,                      nullptr,                                 true,  false,  false),
        Row(Ctl::BlockEdit,                  kEditClass,   kEdit | ES_READONLY,                 373, 347, 80,  23,  kNoText,                      L"0",                                    true,  false,  false),
        Row(Ctl::Crypto1KeyLabel,            kStatic,      kLabel,                              18,  385, 160, 15,  Msg::kCrypto1KeyLabel,        nullptr,                                 true,  false,  false),
        Row(Ctl::Crypto1KeyEdit,             kEditClass,   kEdit | ES_PASSWORD | ES_UPPERCASE,  178, 382, 183, 23,  kNoText,                      L"FF FF FF FF FF FF",                    true,  false,  false),
        Row(Ctl::ShowCrypto1Check,           kButton,      kCheck,                              373, 382, 120, 23,  Msg::kShowKey,                nullptr,                                 true,  false,  false),
        Row(Ctl::AesKeyLabel,                kStatic,      kLabel,                              18,  420, 160, 15,  Msg::kAesKeyLabel,            nullptr,                                 true,  false,  false),
        Row(Ctl::AesKeyEdit,                 kEditClass,   kEdit | ES_PASSWORD | ES_UPPERCASE,  178, 417, 340, 23,  kNoText,
            L"FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF",                                                                                                  true,  false,  false),
        Row(Ctl::ShowAesCheck,               kButton,      kCheck,                              530, 417, 120, 23,  Msg::kShowKey,                nullptr,                                 true,  false,  false),
        Row(Ctl::GenerateRandomButton,       kButton,      kPush,                               60,  455, 150, 23,  Msg::kGenerateRandomButton,   nullptr,                                 true,  false,  false),
        Row(Ctl::AddToListButton,            kButton,      kPush,                               255, 455, 150, 23,  Msg::kAddToListButton,        nullptr,                                 true,  true,   false),
        Row(Ctl::ShowListButton,             kButton,      kPush,                               450, 455, 150, 23,  Msg::kShowListButton,         nullptr,                                 true,  true,   false),

        Row(Ctl::UserGroup,                  kButton,      kGroup,                              5,   500, 650, 90,  Msg::kUserGroup,              nullptr,                                 false, true,   false),
        Row(Ctl::SectorDataLabel,            kStatic,      kLabel,                              18,  525, 150, 15,  Msg::kSectorDataLabel,        nullptr,                                 false, true,   false),
        Row(Ctl::SectorDataEdit,             kEditClass,   kEdit | ES_UPPERCASE,                180, 523, 294, 23,  kNoText,                      L"11 22 33 44 55 66 77",                 false, true,   false),
        Row(Ctl::GenerateUniqueButton,       kButton,      kPush,                               490, 523, 150, 23,  Msg::kGenerateUniqueButton,   nullptr,                                 false, true,   false),
        Row(Ctl::UniqueBeforeWriteCheck,     kButton,      kCheck,                              180, 555, 360, 23,  Msg::kUniqueBeforeWriteCheck, nullptr,                                 false, true,   false),

        Row(Ctl::ConverterGroup,             kButton,      kGroup,                              5,   595, 650, 145, Msg::kConverterGroup,         nullptr,                                 false, true,   false),
        Row(Ctl::TouchMemoryLabel,           kStatic,      kLabel,                              18,  620, 100, 15,  kNoText,                      L"Touch Memory: ",                       false, true,   false),
        Row(Ctl::TouchMemoryEdit,            kEditClass,   kEdit | ES_READONLY,                 130, 617, 180, 23,  kNoText,                      L"",                                     false, true,   false),
        Row(Ctl::HexLabel,                   kStatic,      kLabel,                              18,  655, 100, 15,  kNoText,                      L"HEX: ",                                false, true,   false),
        Row(Ctl::HexEdit,                    kEditClass,   kEdit | ES_READONLY,                 130, 652, 180, 23,  kNoText,                      L"",                                     false, true,   false),
        Row(Ctl::DecLabel,                   kStatic,      kLabel,                              18,  690, 100, 15,  kNoText,                      L"DEC: ",                                false, true,   false),
        Row(Ctl::DecEdit,                    kEditClass,   kEdit | ES_READONLY,                 130, 687, 180, 23,  kNoText,                      L"",                                     false, true,   false),
        Row(Ctl::ReaderInterfaceGroup,       kButton,      kGroup,                              367, 617, 230, 103, Msg::kReaderInterfaceGroup,   nullptr,                                 false, true,   false),
        Row(Ctl::ConvTmW44Radio,             kButton,      kRadio,                              379, 642, 215, 20,  kNoText,                      L"Touch Memory, Wiegand 44",             false, true,   true),
        Row(Ctl::ConvW26Radio,               kButton,      kRadio,                              379, 667, 150, 20,  kNoText,                      L"Wiegand 26",                           false, true,   false),
        Row(Ctl::ConvW58Radio,               kButton,      kRadio,                              379, 692, 150, 20,  kNoText,                      L"Wiegand 58",                           false, true,   false),

        Row(Ctl::ReaderSettingsGroup,        kButton,      kGroup,                              5,   500, 650, 270, Msg::kReaderSettingsGroup,    nullptr,                                 true,  true,   false),
        Row(Ctl::InterfacesGroup,            kButton,      kGroup,                              18,  525, 307, 110, Msg::kInterfacesGroup,        nullptr,                                 true,  true,   false),
        Row(Ctl::IfTouchMemoryRadio,         kButton,      kRadio,                              30,  550, 120, 20,  kNoText,                      L"Touch Memory",                         true,  true,   true),
        Row(Ctl::IfW26Radio,                 kButton,      kRadio,                              30,  575, 120, 20,  kNoText,                      L"Wiegand 26",                           true,  true,   false),
        Row(Ctl::IfW44Radio,                 kButton,      kRadio,                              30,  600, 120, 20,  kNoText,                      L"Wiegand 44",                           true,  true,   false),
        Row(Ctl::IfW58Radio,                 kButton,      kRadio,                              170, 550, 120, 20,  kNoText,                      L"Wiegand 58",                           true,  true,   false),
        Row(Ctl::IndicationGroup,            kButton,      kGroup,                              336, 525, 307, 110, Msg::kIndicationGroup,        nullptr,                                 true,  true,   false),
        Row(Ctl::IndDirectRadio,             kButton,      kRadio,                              348, 550, 190, 20,  Msg::kIndDirectRadio,         nullptr,                                 true,  true,   true),
        Row(Ctl::IndInverseRadio,            kButton,      kRadio,                              348, 575, 190, 20,  Msg::kIndInverseRadio,        nullptr,                                 true,  true,   false),
        Row(Ctl::StandbyGroup,               kButton,      kGroup,                              18,  645, 307, 110, Msg::kStandbyGroup,           nullptr,                                 true,  true,   false),
        Row(Ctl::StandbyDynamicRadio,        kButton,      kRadio,                              30,  670, 190, 20,  Msg::kStandbyDynamicRadio,    nullptr,                                 true,  true,   false),
        Row(Ctl::StandbyStaticRadio,         kButton,      kRadio,                              30,  695, 190, 20,  Msg::kStandbyStaticRadio,     nullptr,                                 true,  true,   false),
        Row(Ctl::StandbyOffRadio,            kButton,      kRadio,                              30,  720, 190, 20,  Msg::kStandbyOffRadio,        nullptr,                                 true,  true,   true),
        Row(Ctl::TouchPollGroup,             kButton,      kGroup,                              336, 645, 307, 110, Msg::kTouchPollGroup,         nullptr,                                 true,  true,   false),
        Row(Ctl::TouchPollOnRadio,           kButton,      kRadio,                              348, 670, 190, 20,  Msg::kTouchPollOnRadio,       nullptr,                                 true,  true,   false),
        Row(Ctl::TouchPollOffRadio,          kButton,      kRadio,                              348, 695, 190, 20,  Msg::kTouchPollOffRadio,      nullptr,                                 true,  true,   true),


    };
    // clang-format on
    return table;
}

const std::vector<RadioRange>& RadioGroups() {
    static const std::vector<RadioRange> groups = {
        {Ctl::Sl1Radio, Ctl::Sl3Radio},
        {Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio},
        {Ctl::IndDirectRadio, Ctl::IndInverseRadio},
        {Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio},
        {Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio},
        {Ctl::ConvTmW44Radio, Ctl::ConvW58Radio},
    };
    return groups;
}

void WinFormView::CreateControls(HFONT font) {
    for (const FormControl& row : MainFormControls())
        handles_[row.ctl] = CreateControl(main_, row.control, texts_, font);

    // Each up-down was created before its edit; bind it now, which also
    // places it at the edit's right edge.
    for (const UpDownRange& b : {kSectorRange, kBlockRange}) {
        BindUpDown(Handle(b.upDown), Handle(b.edit), WindowDpi(main_));
        Send(b.upDown, UDM_SETRANGE32, static_cast<WPARAM>(b.low), static_cast<LPARAM>(b.high));
        Send(b.upDown, UDM_SETPOS32, 0, b.low);
    }

    for (const HexFieldInfo& field : kHexFields)
        Send(field.edit, EM_SETLIMITTEXT, static_cast<WPARAM>(field.textLimit), 0);
    // With visual styles a password edit would show dots; the keys are masked
    // with '*'.
    SetPasswordMask(Ctl::Crypto1KeyEdit, true);
    SetPasswordMask(Ctl::AesKeyEdit, true);
}

HWND WinFormView::Handle(Ctl c) const {
    const auto it = handles_.find(c);
    return it == handles_.end() ? nullptr : it->second;
}

LRESULT WinFormView::Send(Ctl c, UINT msg, WPARAM wp, LPARAM lp) const {
    const HWND hwnd = Handle(c);
    return hwnd ? SendMessageW(hwnd, msg, wp, lp) : 0;
}

bool WinFormView::IsChecked(Ctl c) const { return Send(c, BM_GETCHECK) == BST_CHECKED; }

void WinFormView::SetChecked(Ctl c, bool checked) {
    const int id = ControlId(c);
    if (checked) {
        // Checking a radio clears the others of its group, as a click does.
        for (const RadioRange& group : RadioGroups()) {
            const int first = ControlId(group.first), last = ControlId(group.last);
            if (id >= first && id <= last) {
                CheckRadioButton(main_, first, last, id);
                return;
            }
        }
    }
    Send(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool WinFormView::IsEnabled(Ctl c) const {
    const HWND hwnd = Handle(c);
    return hwnd && IsWindowEnabled(hwnd);
}

void WinFormView::Enable(Ctl c, bool enabled) {
    if (const HWND hwnd = Handle(c)) EnableWindow(hwnd, enabled ? TRUE : FALSE);
}

bool WinFormView::IsShown(Ctl c) const {
    // The control's own flag: the main window may not be visible yet.
    const HWND hwnd = Handle(c);
    return hwnd && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void WinFormView::Show(Ctl c, bool shown) {
    if (const HWND hwnd = Handle(c)) ShowWindow(hwnd, shown ? SW_SHOW : SW_HIDE);
}

std::string WinFormView::Text(Ctl c) const {
    const HWND hwnd = Handle(c);
    if (!hwnd) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    const int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return Narrow(text);
}

void WinFormView::SetText(Ctl c, const std::string& text) {
    const HWND hwnd = Handle(c);
    if (!hwnd) return;
    const std::wstring wide = Widen(text);
    // A label or button told the text it shows already would only redraw
    // (under Wine after a round trip to its server); the start-up sets every
    // text the controls were created with once more. Edits always get theirs:
    // setting it is what tells the form logic about it.
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpiW(cls, L"Edit") != 0 && Text(c) == text) return;
    SetWindowTextW(hwnd, wide.c_str());
}

void WinFormView::SetPasswordMask(Ctl c, bool masked) {
    const HWND hwnd = Handle(c);
    if (!hwnd) return;
    SendMessageW(hwnd, EM_SETPASSWORDCHAR, masked ? L'*' : 0, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
}

bool WinFormView::IsPasswordMasked(Ctl c) const { return Send(c, EM_GETPASSWORDCHAR) != 0; }

void WinFormView::SetUpDownPos(Ctl c, int pos) {
    // The logic may name the up-down or its edit.
    for (const UpDownRange& range : {kSectorRange, kBlockRange})
        if (c == range.edit) c = range.upDown;
    Send(c, UDM_SETPOS32, 0, pos);
}

int WinFormView::Caret(Ctl c) const {
    DWORD start = 0;
    Send(c, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void WinFormView::SetCaret(Ctl c, int pos) { Send(c, EM_SETSEL, static_cast<WPARAM>(pos), pos); }

void WinFormView::FocusMainWindow() { SetFocus(main_); }

int WinFormView::Selection(Ctl c) const {
    const LRESULT sel = Send(c, CB_GETCURSEL);
    return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

void WinFormView::SetSelection(Ctl c, int index) {
    // An index outside the list selects nothing, as Windows documents it;
    // Wine would keep the old selection.
    if (index < 0 || index >= ItemCount(c)) index = -1;
    Send(c, CB_SETCURSEL, static_cast<WPARAM>(index));
}

int WinFormView::ItemCount(Ctl c) const {
    const LRESULT n = Send(c, CB_GETCOUNT);
    return n == CB_ERR ? 0 : static_cast<int>(n);
}

std::string WinFormView::ItemText(Ctl c, int index) const {
    const LRESULT len = Send(c, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (len == CB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    const LRESULT n = Send(c, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n == CB_ERR ? 0 : static_cast<std::size_t>(n));
    return Narrow(text);
}

void WinFormView::ResetContent(Ctl c) { Send(c, CB_RESETCONTENT); }

void WinFormView::AddItem(Ctl c, const std::string& text) {
    const std::wstring wide = Widen(text);
    Send(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void WinFormView::DeleteItem(Ctl c, int index) { Send(c, CB_DELETESTRING, static_cast<WPARAM>(index)); }

}  // namespace tollvane
