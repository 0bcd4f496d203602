// Which controls of the main form are shown and enabled for the chosen card
// role, work mode and card type, the rules of the card-type and option
// boxes, and the resets that bring the form's values back to their start.
// The rules only show, hide, enable, check and re-text controls and reset
// values; they never talk to the reader or the files.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// The six enable and visibility states of the role-dependent controls.
enum class Layout : int {
    MasterCardId = 0,
    MasterSectorData,
    MasterCardIdAfterLogin,
    UserCardId,
    UserSectorData,
    UserCardIdAfterLogin,
};

// One layout by itself, without the steps ApplyFormRule runs before it.
// Conditions (Classic, Sl1, Sl3, Unique) are read once, before any change.
void ApplyLayout(AppContext& app, Layout layout);

// The rule for code = role index * 10 + work-mode index: 0 to 3 (Master)
// and 10 to 13 (User). Any other code does nothing.
void ApplyFormRule(AppContext& app, int code);
// The code of the current role and work-mode selections.
int FormRuleCode(const FormView& form);

// Click on ClassicCheck; also the last step of ResetForm.
void SelectClassic(AppContext& app);
// Work mode, sector, block, Crypto1 key and the reader settings to start.
void ResetMasterPart(AppContext& app);
// The form's values back to their start, after the reader link closed. The
// role selection and what is shown stay as they are.
void ResetForm(AppContext& app);

// Click rules of the manual check boxes and the security-level radios.
void ClickPlus(AppContext& app);
void ClickSl1(AppContext& app);
void ClickSl3(AppContext& app);
void ClickAesAuth(AppContext& app);
// ShowCrypto1Check (with Crypto1KeyEdit) or ShowAesCheck (with AesKeyEdit).
void ClickShowKey(AppContext& app, Ctl check, Ctl edit);
void ClickUniqueBeforeWrite(AppContext& app);

// Checks the radio `chosen` and clears the others of its group.
void CheckRadio(FormView& form, Ctl chosen);

// The keys back to all FF, bytes and text, and shown in their edits.
void ResetCrypto1Key(AppContext& app);
void ResetAesKey(AppContext& app);

}  // namespace tollvane
