// The three hex edits of the form (Crypto1 key, AES128 key, user-card data):
// the display form "FF FF FF" at rest, the digits alone while the field has
// the focus, filtered as they are typed, and parsed into bytes on leaving.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Edit notification codes as WM_COMMAND carries them.
inline constexpr int kEnSetFocus = 0x0100;
inline constexpr int kEnKillFocus = 0x0200;
inline constexpr int kEnChange = 0x0300;

struct HexFieldInfo {
    Ctl edit;
    int digits;     // typing the last of these ends the entry
    int textLimit;  // the display form's length: the edit's EM_LIMITTEXT
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

// EN_SETFOCUS, EN_CHANGE and EN_KILLFOCUS of one of the three edits; other
// controls and other codes are ignored.
void OnHexEditNotify(AppContext& app, Ctl edit, int notifyCode);

}  // namespace tollvane
