// Resource numbers of Tollvane.exe, shared by the resource script and the
// code that loads them. Plain macros: the resource compiler reads this file.
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
