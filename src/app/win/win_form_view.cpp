#include "app/win/win_form_view.h"

#include <commctrl.h>

#include <algorithm>

#include "app/form_controls.h"
#include "app/hex_entry.h"
#include "app/win/dpi.h"
#include "app/win/resource_ids.h"
#include "base/win/utf.h"

namespace tollvane {

namespace {

// The class and the style every control of a kind has.
struct KindStyle {
    const wchar_t* className;
    DWORD style;
};

KindStyle StyleOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Group: return {L"Button", BS_GROUPBOX | WS_GROUP};
        case ControlKind::Label: return {L"Static", SS_LEFT};
        case ControlKind::Combo: return {L"ComboBox", CBS_DROPDOWNLIST};
        case ControlKind::Push: return {L"Button", BS_PUSHBUTTON};
        case ControlKind::Check:
            return {L"Button", BS_CHECKBOX};  // toggled by the program, not by the click
        case ControlKind::Radio: return {L"Button", BS_AUTORADIOBUTTON};
        case ControlKind::Edit: return {L"Edit", WS_BORDER};
        case ControlKind::UpDown: return {UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT};
    }
    return {L"Static", 0};
}

// A control's place at 96 DPI and the style it adds to its kind's. An
// up-down takes its place from its edit when it is bound.
struct Placing {
    Ctl ctl;
    DWORD style;
    int x, y, w, h;
};

// clang-format off
constexpr Placing kPlaces[] = {
    {Ctl::SettingsGroup,           0,                           5,   5,   650, 65},
    {Ctl::PortLabel,               0,                           18,  30,  125, 16},
    {Ctl::PortCombo,               0,                           150, 27,  328, 200},
    {Ctl::SearchButton,            0,                           490, 27,  150, 23},
    {Ctl::VersionLabel,            0,                           18,  49,  55,  15},
    {Ctl::VersionValue,            0,                           75,  48,  30,  15},
    {Ctl::CardTypeGroup,           0,                           5,   75,  650, 115},
    {Ctl::ClassicCheck,            0,                           18,  100, 120, 23},
    {Ctl::PlusCheck,               0,                           18,  125, 120, 23},
    {Ctl::Sl1Radio,                0,                           140, 127, 230, 20},
    {Ctl::Sl3Radio,                0,                           140, 155, 230, 20},
    {Ctl::AesAuthCheck,            0,                           395, 125, 240, 23},
    {Ctl::CardGroup,               0,                           5,   195, 650, 95},
    {Ctl::RoleLabel,               0,                           18,  220, 35,  15},
    {Ctl::RoleCombo,               0,                           58,  217, 145, 60},
    {Ctl::WriteButton,             0,                           215, 217, 150, 23},
    {Ctl::ReadButton,              0,                           378, 217, 100, 23},
    {Ctl::ClearButton,             0,                           490, 217, 150, 23},
    {Ctl::WriteCyclicButton,       0,                           215, 250, 150, 23},
    {Ctl::ClearCyclicButton,       0,                           490, 250, 150, 23},
    {Ctl::MasterGroup,             0,                           5,   295, 650, 200},
    {Ctl::WorkModeLabel,           0,                           18,  320, 100, 15},
    {Ctl::WorkModeCombo,           0,                           178, 317, 457, 100},
    {Ctl::SectorLabel,             0,                           18,  350, 110, 15},
    {Ctl::SectorUpDown,            0,                           0,   0,   0,   0},
    {Ctl::SectorEdit,              ES_READONLY,                 178, 347, 80,  23},
    {Ctl::BlockLabel,              0,                           273, 350, 90,  15},
    {Ctl::BlockUpDown,             0,                           0,   0,   0,   0},
    {Ctl::BlockEdit,               ES_READONLY,                 373, 347, 80,  23},
    {Ctl::Crypto1KeyLabel,         0,                           18,  385, 160, 15},
    {Ctl::Crypto1KeyEdit,          ES_PASSWORD | ES_UPPERCASE,  178, 382, 183, 23},
    {Ctl::ShowCrypto1Check,        0,                           373, 382, 120, 23},
    {Ctl::AesKeyLabel,             0,                           18,  420, 160, 15},
    {Ctl::AesKeyEdit,              ES_PASSWORD | ES_UPPERCASE,  178, 417, 340, 23},
    {Ctl::ShowAesCheck,            0,                           530, 417, 120, 23},
    {Ctl::GenerateRandomButton,    0,                           60,  455, 150, 23},
    {Ctl::AddToListButton,         0,                           255, 455, 150, 23},
    {Ctl::ShowListButton,          0,                           450, 455, 150, 23},
    {Ctl::UserGroup,               0,                           5,   500, 650, 90},
    {Ctl::SectorDataLabel,         0,                           18,  525, 150, 15},
    {Ctl::SectorDataEdit,          ES_UPPERCASE,                180, 523, 294, 23},
    {Ctl::GenerateUniqueButton,    0,                           490, 523, 150, 23},
    {Ctl::UniqueBeforeWriteCheck,  0,                           180, 555, 360, 23},
    {Ctl::ConverterGroup,          0,                           5,   595, 650, 145},
    {Ctl::TouchMemoryLabel,        0,                           18,  620, 100, 15},
    {Ctl::TouchMemoryEdit,         ES_READONLY,                 130, 617, 180, 23},
    {Ctl::HexLabel,                0,                           18,  655, 100, 15},
    {Ctl::HexEdit,                 ES_READONLY,                 130, 652, 180, 23},
    {Ctl::DecLabel,                0,                           18,  690, 100, 15},
    {Ctl::DecEdit,                 ES_READONLY,                 130, 687, 180, 23},
    {Ctl::ReaderInterfaceGroup,    0,                           367, 617, 230, 103},
    {Ctl::ConvTmW44Radio,          0,                           379, 642, 215, 20},
    {Ctl::ConvW26Radio,            0,                           379, 667, 150, 20},
    {Ctl::ConvW58Radio,            0,                           379, 692, 150, 20},
    {Ctl::ReaderSettingsGroup,     0,                           5,   500, 650, 270},
    {Ctl::InterfacesGroup,         0,                           18,  525, 307, 110},
    {Ctl::IfTouchMemoryRadio,      0,                           30,  550, 120, 20},
    {Ctl::IfW26Radio,              0,                           30,  575, 120, 20},
    {Ctl::IfW44Radio,              0,                           30,  600, 120, 20},
    {Ctl::IfW58Radio,              0,                           170, 550, 120, 20},
    {Ctl::IndicationGroup,         0,                           336, 525, 307, 110},
    {Ctl::IndDirectRadio,          0,                           348, 550, 190, 20},
    {Ctl::IndInverseRadio,         0,                           348, 575, 190, 20},
    {Ctl::StandbyGroup,            0,                           18,  645, 307, 110},
    {Ctl::StandbyDynamicRadio,     0,                           30,  670, 190, 20},
    {Ctl::StandbyStaticRadio,      0,                           30,  695, 190, 20},
    {Ctl::StandbyOffRadio,         0,                           30,  720, 190, 20},
    {Ctl::TouchPollGroup,          0,                           336, 645, 307, 110},
    {Ctl::TouchPollOnRadio,        0,                           348, 670, 190, 20},
    {Ctl::TouchPollOffRadio,       0,                           348, 695, 190, 20},
};
// clang-format on

const Placing& PlaceOf(Ctl c) {
    return *std::find_if(std::begin(kPlaces), std::end(kPlaces),
                         [c](const Placing& p) { return p.ctl == c; });
}

}  // namespace

void WinFormView::CreateControls(HFONT font) {
    for (const FormControlInfo& row : MainFormControls()) {
        const KindStyle kind = StyleOf(row.kind);
        const Placing& place = PlaceOf(row.ctl);
        const std::wstring fixed = row.fixedText ? Widen(row.fixedText) : std::wstring();
        const ChildControl control{
            kind.className,
            row.text,
            kind.style | place.style | (row.StartsEnabled() ? 0 : WS_DISABLED),
            ControlId(row.ctl),
            place.x,
            place.y,
            place.w,
            place.h,
            0,
            row.fixedText ? fixed.c_str() : nullptr,
            (row.StartsShown() ? kShown : kHidden) | (row.StartsChecked() ? kChecked : 0u)};
        handles_[row.ctl] = CreateControl(main_, control, texts_, font);
        if (row.kind == ControlKind::Combo)
            SetWindowSubclass(handles_[row.ctl], ComboKeys, static_cast<UINT_PTR>(row.ctl),
                              reinterpret_cast<DWORD_PTR>(this));
    }

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

WinFormView::~WinFormView() {
    for (const FormControlInfo& row : MainFormControls())
        if (const HWND hwnd = Handle(row.ctl); hwnd && row.kind == ControlKind::Combo)
            RemoveWindowSubclass(hwnd, ComboKeys, static_cast<UINT_PTR>(row.ctl));
}

LRESULT CALLBACK WinFormView::ComboKeys(HWND combo, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR ctl,
                                        DWORD_PTR view) {
    if (msg != WM_KEYDOWN && msg != WM_SYSKEYDOWN && msg != WM_CHAR)
        return DefSubclassProc(combo, msg, wp, lp);
    auto& self = *reinterpret_cast<WinFormView*>(view);
    const std::optional<Ctl> outer = self.keyedList_;
    self.keyedList_ = static_cast<Ctl>(ctl);
    self.keyedFrom_ = self.Selection(static_cast<Ctl>(ctl));
    const LRESULT result = DefSubclassProc(combo, msg, wp, lp);
    self.keyedList_ = outer;
    return result;
}

bool WinFormView::ChoiceTakesEffect(Ctl combo, int code) {
    const auto moved = movedFrom_.find(combo);
    switch (code) {
        case CBN_SELCHANGE:
            if (keyedList_ == combo) {
                movedFrom_.try_emplace(combo, keyedFrom_);
                return false;
            }
            if (moved != movedFrom_.end()) movedFrom_.erase(moved);
            return true;
        case CBN_CLOSEUP:
            // A list the mouse closed without a pick keeps what the keys
            // moved until the focus leaves it; a pick arrives as a change.
            if (keyedList_ != combo) return false;
            [[fallthrough]];
        case CBN_KILLFOCUS: {
            if (moved == movedFrom_.end()) return false;
            const int before = moved->second;
            movedFrom_.erase(moved);
            return Selection(combo) != before;
        }
        default: return false;
    }
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
    // Checking a radio clears the others of its group, as a click does.
    if (checked)
        for (Ctl other : RadioGroupOf(c))
            if (other != c) Send(other, BM_SETCHECK, BST_UNCHECKED);
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
    const LRESULT n =
        Send(c, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n == CB_ERR ? 0 : static_cast<std::size_t>(n));
    return Narrow(text);
}

void WinFormView::ResetContent(Ctl c) { Send(c, CB_RESETCONTENT); }

void WinFormView::AddItem(Ctl c, const std::string& text) {
    const std::wstring wide = Widen(text);
    Send(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void WinFormView::DeleteItem(Ctl c, int index) {
    Send(c, CB_DELETESTRING, static_cast<WPARAM>(index));
}

}  // namespace tollvane
