// The numbers of Tollvane.exe's resources, menu commands and window
// controls. The resource script reads the macros; the enums below are for
// the code only, out of the resource compiler's sight.
#pragma once

#define TOLLVANE_ICON_APP_SMALL 1
#define TOLLVANE_ICON_APP 2
#define TOLLVANE_ICON_SUCCESS 3
#define TOLLVANE_ICON_WARNING 4
#define TOLLVANE_ICON_ERROR 5
#define TOLLVANE_ICON_HINT 6
#define TOLLVANE_ICON_RETRY 7

#define TOLLVANE_DIALOG_ABOUT_RU 1
#define TOLLVANE_DIALOG_ABOUT_EN 2

#ifndef RC_INVOKED
#include <optional>

#include "app/form_view.h"

namespace tollvane {

// The main form's controls that carry a Win32 identifier, and which. The
// labels, group boxes and the converter's read-only fields carry none.
struct FormControlId {
    Ctl ctl;
    int id;
};
inline constexpr FormControlId kFormControlIds[] = {
    {Ctl::PortCombo, 7},
    {Ctl::SearchButton, 8},
    {Ctl::RoleCombo, 9},
    {Ctl::WriteButton, 10},
    {Ctl::ReadButton, 11},
    {Ctl::ClearButton, 12},
    {Ctl::WriteCyclicButton, 13},
    {Ctl::ClearCyclicButton, 14},
    {Ctl::WorkModeCombo, 15},
    {Ctl::SectorUpDown, 16},
    {Ctl::SectorEdit, 17},
    {Ctl::BlockUpDown, 18},
    {Ctl::BlockEdit, 19},
    {Ctl::ShowCrypto1Check, 20},
    {Ctl::GenerateRandomButton, 21},
    {Ctl::AddToListButton, 22},
    {Ctl::ShowListButton, 23},
    {Ctl::GenerateUniqueButton, 24},
    {Ctl::UniqueBeforeWriteCheck, 25},
    {Ctl::IfTouchMemoryRadio, 26},
    {Ctl::IfW26Radio, 27},
    {Ctl::IfW44Radio, 28},
    {Ctl::IfW58Radio, 29},
    {Ctl::IndDirectRadio, 30},
    {Ctl::IndInverseRadio, 31},
    {Ctl::StandbyDynamicRadio, 32},
    {Ctl::StandbyStaticRadio, 33},
    {Ctl::StandbyOffRadio, 34},
    {Ctl::TouchPollOnRadio, 35},
    {Ctl::TouchPollOffRadio, 36},
    {Ctl::ConvTmW44Radio, 37},
    {Ctl::ConvW26Radio, 38},
    {Ctl::ConvW58Radio, 39},
    {Ctl::Crypto1KeyEdit, 40},
    {Ctl::SectorDataEdit, 41},
    {Ctl::ClassicCheck, 51},
    {Ctl::PlusCheck, 52},
    {Ctl::Sl1Radio, 53},
    {Ctl::Sl3Radio, 54},
    {Ctl::AesAuthCheck, 55},
    {Ctl::AesKeyEdit, 56},
    {Ctl::ShowAesCheck, 57},
};

// A control's identifier; 0 for one that carries none.
constexpr int ControlId(Ctl c) {
    for (const FormControlId& entry : kFormControlIds)
        if (entry.ctl == c) return entry.id;
    return 0;
}

// The control that carries an identifier, if any does.
constexpr std::optional<Ctl> ControlOfId(int id) {
    for (const FormControlId& entry : kFormControlIds)
        if (id != 0 && entry.id == id) return entry.ctl;
    return std::nullopt;
}

// Commands of the menu bar. The main form's controls use 7 to 57
// (kFormControlIds), so the items added later take the next free numbers.
enum MenuId : int {
    kMenuQuit = 1,
    kMenuRussian = 2,
    kMenuEnglish = 3,
    kMenuReadId = 4,
    kMenuHelp = 5,
    kMenuAbout = 6,
    kMenuIssuedCards = 58,
    kMenuCardHolders = 59,
    // Not an item: the "Card holders" window posts it to start the run it
    // prepared, once it has closed.
    kCommandIssueHolders = 60,
    // After the issued cards window's controls (61 to 66).
    kMenuVerifyAfterWrite = 67,
    kMenuDatabase = 68,
};

// Controls of the key list window, numbered on from 42.
enum KeyListControlId : int {
    kKeyCrypto1FieldId = 42,
    kKeyAesFieldId,
    kShowKeysCheckId,
    kDescriptionFieldId,
    kAddNewButtonId,
    kKeyListViewId,
    kUseKeyButtonId,
    kRemoveButtonId,
    kCancelButtonId,
};

// Controls of the "Issued cards" window, numbered on from 61.
enum IssuedCardsControlId : int {
    kIssuedFilterEditId = 61,
    kIssuedListViewId,
    kIssuedCountsId,
    kIssuedExportButtonId,
    kIssuedCopyButtonId,
    kIssuedCloseButtonId,
};

// Controls of the "Card holders" window, numbered on from 81.
enum CardHoldersControlId : int {
    kHoldersFilterEditId = 81,
    kHoldersListViewId,
    kHoldersCountsId,
    kHoldersInUseId,
    kHoldersImportButtonId,
    kHoldersRemoveButtonId,
    kHoldersExportButtonId,
    kHoldersIssueButtonId,
    kHoldersCloseButtonId,
    kHoldersReplaceButtonId,
    kHoldersExportRevokedButtonId,
};

// Controls of the "Database" window, numbered on from 91.
enum DatabaseControlId : int {
    kDatabaseConnectionEditId = 91,
    kDatabasePasswordEditId,
    kDatabaseTestButtonId,
    kDatabaseSaveButtonId,
    kDatabaseCopyButtonId,
    kDatabaseAnswerId,
};

// The Read ID window's four value fields take 71 to 74, in the order of its
// values.
inline constexpr int kReadIdFirstFieldId = 71;
inline constexpr int kReadIdFieldCount = 4;

}  // namespace tollvane
#endif
