// Makes the files a new installation starts from, in the working directory:
// crkeys.data, the encrypted empty key list (the key store only ever
// rewrites an existing one), and an empty usersData.data when there is none.
// The list is encrypted by the program's own cipher, so it is exactly what
// the program would have written.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/ui.h"
#include "keystore/win/win_key_file_cipher.h"

namespace {

class ConsoleBoxes : public tollvane::MessageBoxes {
public:
    void Show(const std::string& text, tollvane::MessageIcon) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowSystemError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool AskYesNo(const std::string&) override { return false; }
};

bool MakeEmptyFile(const wchar_t* name, DWORD disposition) {
    const HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(h);
    return true;
}

}  // namespace

int main() {
    constexpr wchar_t kEmptyList[] = L"first-keys.tmp";
    if (!MakeEmptyFile(kEmptyList, CREATE_ALWAYS)) {
        std::fprintf(stderr, "cannot create %ls: error %lu\n", kEmptyList, GetLastError());
        return 1;
    }
    ConsoleBoxes boxes;
    tollvane::WinKeyFileCipher cipher(boxes);
    const bool encrypted = cipher.EncryptKeyFile("first-keys.tmp", "crkeys.data", tollvane::kKeyFilePassword);
    DeleteFileW(kEmptyList);
    if (!encrypted) return 1;
    // An existing usersData.data holds numbers already handed out: keep it.
    if (!MakeEmptyFile(L"usersData.data", CREATE_NEW)) {
        std::fprintf(stderr, "cannot create usersData.data: error %lu\n", GetLastError());
        return 1;
    }
    return 0;
}
