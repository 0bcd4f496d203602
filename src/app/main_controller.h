// The main window's logic, called by the Win32 window procedure for every
// command, notification, timer tick and device change. Keeps no state of its
// own beyond the AppContext.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// The logical part of form creation: fills the combo boxes, checks the start
// radios, puts the start texts and applies the start layout. The window
// layer has created every control before this runs.
void InitMainForm(AppContext& app);
// After the window is shown: the reader search one second later.
void StartUp(AppContext& app);

void OnCommand(AppContext& app, int id, int notifyCode);
void OnTimer(AppContext& app, int timerId);
// UDN_DELTAPOS from SectorUpDown (16) or BlockUpDown (18).
void OnUpDownDelta(AppContext& app, int id, int pos, int delta);
void OnDeviceChange(AppContext& app, unsigned long wParam);
void OnDestroy(AppContext& app);

// Puts the texts of app.language into the window and its controls.
void ApplyTexts(AppContext& app);

}  // namespace tollvane
