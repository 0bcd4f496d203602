// Conversations with the reader: search, connect and version check, the card
// commands and their reply wait, card ID reading, the end of an operation and
// the supervision after a device change. Driven by commands and timer ticks
// of the main window.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Search (SearchTimer completion): list the ports, locate and connect.
void SearchReader(AppContext& app);
// ReplyTimer completion: read and classify the reply to "AT+READS_USB".
void FinishVersionWait(AppContext& app);
// One tick of the CardTimer wait (the progress bar has been stepped already).
void CardTimerTick(AppContext& app);
// DeviceTimer tick.
void CheckPortAfterDeviceChange(AppContext& app);
// WM_DEVICECHANGE with DBT_DEVNODES_CHANGED.
void OnDevicesChanged(AppContext& app);

// Commands of the main window.
void WriteCard(AppContext& app);
void ReadCard(AppContext& app);
void ClearCard(AppContext& app);
void ReadCardId(AppContext& app);
void OnPortChosen(AppContext& app);  // PortCombo CBN_SELCHANGE

// The single exit of every reader operation: port closed, port list
// refreshed, ManualConnect cleared, form reset, "x.xx" shown.
void EndOperation(AppContext& app);

}  // namespace tollvane
