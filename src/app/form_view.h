// The main form as the application logic sees it: controls by name, with the
// state a Win32 control reports. The Win32 view maps names to window handles;
// the test fake keeps the state in memory.
#pragma once

#include <string>

namespace tollvane {

// Controls of the main form by name; app/form_controls.h has what each is.
enum class Ctl : int {
    PortCombo,
    SearchButton,
    RoleCombo,
    WriteButton,
    ReadButton,
    ClearButton,
    WriteCyclicButton,
    ClearCyclicButton,
    WorkModeCombo,
    SectorUpDown,
    SectorEdit,
    BlockUpDown,
    BlockEdit,
    ShowCrypto1Check,
    GenerateRandomButton,
    AddToListButton,
    ShowListButton,
    GenerateUniqueButton,
    UniqueBeforeWriteCheck,
    IfTouchMemoryRadio,
    IfW26Radio,
    IfW44Radio,
    IfW58Radio,
    IndDirectRadio,
    IndInverseRadio,
    StandbyDynamicRadio,
    StandbyStaticRadio,
    StandbyOffRadio,
    TouchPollOnRadio,
    TouchPollOffRadio,
    ConvTmW44Radio,
    ConvW26Radio,
    ConvW58Radio,
    Crypto1KeyEdit,
    SectorDataEdit,
    ClassicCheck,
    PlusCheck,
    Sl1Radio,
    Sl3Radio,
    AesAuthCheck,
    AesKeyEdit,
    ShowAesCheck,
    SettingsGroup,
    CardTypeGroup,
    CardGroup,
    MasterGroup,
    UserGroup,
    ConverterGroup,
    ReaderInterfaceGroup,
    ReaderSettingsGroup,
    InterfacesGroup,
    IndicationGroup,
    StandbyGroup,
    TouchPollGroup,
    PortLabel,
    VersionLabel,
    VersionValue,
    RoleLabel,
    WorkModeLabel,
    SectorLabel,
    BlockLabel,
    Crypto1KeyLabel,
    AesKeyLabel,
    SectorDataLabel,
    TouchMemoryLabel,
    TouchMemoryEdit,
    HexLabel,
    HexEdit,
    DecLabel,
    DecEdit,
};

// The sector and block up-downs with their edits and ranges: the kept
// values never leave them.
struct UpDownRange {
    Ctl upDown, edit;
    int low, high;
};
inline constexpr UpDownRange kSectorRange{Ctl::SectorUpDown, Ctl::SectorEdit, 1, 15};
inline constexpr UpDownRange kBlockRange{Ctl::BlockUpDown, Ctl::BlockEdit, 0, 2};

// State of the form's controls. Texts are UTF-8.
class FormView {
public:
    virtual ~FormView() = default;

    virtual bool IsChecked(Ctl c) const = 0;
    virtual void SetChecked(Ctl c, bool checked) = 0;
    virtual bool IsEnabled(Ctl c) const = 0;
    virtual void Enable(Ctl c, bool enabled) = 0;
    virtual bool IsShown(Ctl c) const = 0;
    virtual void Show(Ctl c, bool shown) = 0;
    virtual std::string Text(Ctl c) const = 0;
    virtual void SetText(Ctl c, const std::string& text) = 0;
    // Edits: '*' for every character when masked, plain text otherwise.
    virtual void SetPasswordMask(Ctl c, bool masked) = 0;
    virtual bool IsPasswordMasked(Ctl c) const = 0;
    // Up-downs: the position shown in the buddy edit.
    virtual void SetUpDownPos(Ctl c, int pos) = 0;
    // Edits: the caret's position (the start of the selection); setting it
    // selects nothing.
    virtual int Caret(Ctl c) const = 0;
    virtual void SetCaret(Ctl c, int pos) = 0;
    // Gives the keyboard focus to the main window itself; an edit that had
    // it is left (OnEditLeft) before this returns.
    virtual void FocusMainWindow() = 0;

    // Combo boxes. Selection -1 means none.
    virtual int Selection(Ctl c) const = 0;
    virtual void SetSelection(Ctl c, int index) = 0;
    virtual int ItemCount(Ctl c) const = 0;
    virtual std::string ItemText(Ctl c, int index) const = 0;
    virtual void ResetContent(Ctl c) = 0;
    virtual void AddItem(Ctl c, const std::string& text) = 0;
    virtual void DeleteItem(Ctl c, int index) = 0;
};

}  // namespace tollvane
