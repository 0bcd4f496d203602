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
// app/form_view.h), so the item added later takes the next free number.
enum MenuId : int {
    kMenuQuit = 1,
    kMenuRussian = 2,
    kMenuEnglish = 3,
    kMenuReadId = 4,
    kMenuHelp = 5,
    kMenuAbout = 6,
    kMenuIssuedCards = 58,
};

// Controls of the key list window.
enum KeyListControlId : int {
    kKeyCrypto1FieldId = 42,
    kKeyAesFieldId = 43,
    kShowKeysCheckId = 44,
    kDescriptionFieldId = 45,
    kAddNewButtonId = 46,
    kKeyListViewId = 47,
    kUseKeyButtonId = 48,
    kRemoveButtonId = 49,
    kCancelButtonId = 50,
};

// Controls of the "Issued cards" window.
enum IssuedCardsControlId : int {
    kIssuedFilterEditId = 61,
    kIssuedListViewId = 62,
    kIssuedCountsId = 63,
    kIssuedExportButtonId = 64,
    kIssuedCopyButtonId = 65,
    kIssuedCloseButtonId = 66,
};

// The four value fields of the Read ID window, in the order of its values.
enum ReadIdControlId : int {
    kReadIdFirstFieldId = 71,
    kReadIdFieldCount = 4,
};

}  // namespace tollvane
#endif
