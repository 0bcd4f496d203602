// Entry point of Tollvane.exe. The arguments are not used.
#include <windows.h>

#include "app/win/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return tollvane::RunTollvane(instance);
}
