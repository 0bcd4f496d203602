// The main form's controls in one table: what each is, the text it shows
// and the state it starts in. The window layer adds only each control's
// place and style; the form rules change the states afterwards.
#pragma once

#include <span>

#include "app/form_view.h"
#include "base/message_table.h"

namespace tollvane {

enum class ControlKind : unsigned char { Group, Label, Combo, Push, Check, Radio, Edit, UpDown };

// How a control starts; a control is shown, enabled and clear unless its
// row says otherwise.
enum ControlStartState : unsigned char {
    kStartsShown = 0,
    kStartsHidden = 1,
    kStartsDisabled = 2,
    kStartsChecked = 4,
};

struct FormControlInfo {
    Ctl ctl;
    ControlKind kind;
    Msg text;               // kNoText: fixedText, or none
    const char* fixedText;  // the same in both languages (UTF-8); an edit's start value
    unsigned char start;    // ControlStartState flags

    bool StartsShown() const { return (start & kStartsHidden) == 0; }
    bool StartsEnabled() const { return (start & kStartsDisabled) == 0; }
    bool StartsChecked() const { return (start & kStartsChecked) != 0; }
};

// Every control of the form in creation order: each group box comes right
// before the controls it frames.
std::span<const FormControlInfo> MainFormControls();

// The radio groups: checking one radio clears the others of its group.
inline constexpr Ctl kSecurityLevelRadios[] = {Ctl::Sl1Radio, Ctl::Sl3Radio};
inline constexpr Ctl kInterfaceRadios[] = {Ctl::IfTouchMemoryRadio, Ctl::IfW26Radio,
                                           Ctl::IfW44Radio, Ctl::IfW58Radio};
inline constexpr Ctl kIndicationRadios[] = {Ctl::IndDirectRadio, Ctl::IndInverseRadio};
inline constexpr Ctl kStandbyRadios[] = {Ctl::StandbyDynamicRadio, Ctl::StandbyStaticRadio,
                                         Ctl::StandbyOffRadio};
inline constexpr Ctl kTouchPollRadios[] = {Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio};
inline constexpr Ctl kConverterRadios[] = {Ctl::ConvTmW44Radio, Ctl::ConvW26Radio,
                                           Ctl::ConvW58Radio};

// The group of a radio; empty for any other control.
std::span<const Ctl> RadioGroupOf(Ctl radio);

// Every control's fixed text (an edit keeps its value) and start state.
void PutStartState(FormView& form);

}  // namespace tollvane
