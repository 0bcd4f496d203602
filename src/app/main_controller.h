// The main window's logic, as named events: the window procedure
// (app/win/main_window.cpp) turns each Win32 message into one of these
// calls, so nothing here knows a message number or a notification code.
// Keeps no state of its own beyond the AppContext.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// The commands of the menu bar and of the right-click menu, and the start
// of a run for the list of people, which the "Card holders" window asks
// for once it has closed.
enum class Command {
    Quit,
    Russian,
    English,
    ReadId,
    Help,
    About,
    IssuedCards,
    CardHolders,
    IssueHolders,
    VerifyAfterWrite,
    Database
};

// The logical part of form creation: fills the combo boxes, checks the start
// radios, puts the start texts and applies the start layout. The window
// layer has created every control before this runs.
void InitMainForm(AppContext& app);
// After the window is shown: the reader search one second later.
void StartUp(AppContext& app);

void OnCommand(AppContext& app, Command command);
// A button, check box or radio of the form was clicked.
void OnClicked(AppContext& app, Ctl control);
// The operator chose another entry of a combo box.
void OnComboChanged(AppContext& app, Ctl combo);
// An edit got the keyboard focus, its text changed, it lost the focus.
void OnEditEntered(AppContext& app, Ctl edit);
void OnEditChanged(AppContext& app, Ctl edit);
void OnEditLeft(AppContext& app, Ctl edit);
// An arrow of SectorUpDown or BlockUpDown: pos is the position it shows,
// delta the step asked for.
void OnUpDownDelta(AppContext& app, Ctl upDown, int pos, int delta);
void OnTimer(AppContext& app, TimerId timer);
// Devices came or went (any device: a USB stick too). Arms the DeviceTimer
// once; defined with the device supervision (app/reader/supervision.cpp).
void OnDevicesChanged(AppContext& app);
void OnDestroy(AppContext& app);

// Puts the texts of app.language into the window and its controls.
void ApplyTexts(AppContext& app);
// Puts MainWindowTitle for app.records in the title bar; called again
// whenever the database's state or the rows waiting change.
void ShowRecordsPlace(AppContext& app);

}  // namespace tollvane
