// Stands in for a PDF viewer in the package tests: the test prefix
// associates .pdf files with it, and it writes the command line it was
// started with, as UTF-8, into a file named like itself with ".log" added.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    char line[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line - 1, nullptr, nullptr);
    const HANDLE log = CreateFileW((std::wstring(self) + L".log").c_str(), GENERIC_WRITE, 0,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        log != INVALID_HANDLE_VALUE && WriteFile(log, line, lstrlenA(line), &written, nullptr);
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    return ok ? 0 : 1;
}
