// The three hex edits of the form (Crypto1 key, AES128 key, user-card data):
// the display form "FF FF FF" at rest, the digits alone while the field has
// the focus, filtered as they are typed, and parsed into bytes on leaving.
#pragma once

#include "app/app_context.h"

namespace tollvane {

struct HexFieldInfo {
    Ctl edit;
    int digits;     // typing the last of these ends the entry
    int textLimit;  // the display form's length: the most characters the edit takes
};

// The edit's own limit is the display form's length, not the digit count,
// so that a pasted display form ("A0 A1 A2 A3 A4 A5") arrives whole and is
// filtered down to its digits. Typing still ends at the last digit.
inline constexpr HexFieldInfo kHexFields[] = {
    {Ctl::Crypto1KeyEdit, 12, 17},
    {Ctl::AesKeyEdit, 32, 47},
    {Ctl::SectorDataEdit, 14, 20},
};

// Null for a control that is not a hex edit.
const HexFieldInfo* FindHexField(Ctl edit);

// One of the three edits got the focus, its text changed, it lost the focus;
// other controls are ignored.
void EnterHexField(AppContext& app, Ctl edit);
void FilterHexField(AppContext& app, Ctl edit);
void LeaveHexField(AppContext& app, Ctl edit);

}  // namespace tollvane
