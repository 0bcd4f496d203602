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
namespace tollvane {

// Commands of the menu bar. The main form's controls use 7 to 57 (`Ctl` in
// app/form_view.h), so the items added later take the next free numbers.
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

// The Read ID window's four value fields take 71 to 74, in the order of its
// values.
inline constexpr int kReadIdFirstFieldId = 71;
inline constexpr int kReadIdFieldCount = 4;

}  // namespace tollvane
#endif
