// The texts of the main form in the current language.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Group boxes, labels, buttons, check boxes and radios that take their text
// from the message table. Checked, enabled and shown states do not change.
void PutFormTexts(AppContext& app);

// Refills RoleCombo and WorkModeCombo in the current language and selects
// again the index that was selected before.
void RefillCombos(AppContext& app);

}  // namespace tollvane
