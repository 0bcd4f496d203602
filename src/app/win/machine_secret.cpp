#include "app/win/machine_secret.h"

#include <windows.h>
#include <dpapi.h>

namespace tollvane {
namespace {

// Runs CryptProtectData or CryptUnprotectData and hands out its bytes; out is
// left as it was when the call fails.
template <typename Call>
bool Through(std::string_view in, std::string& out, Call&& call) {
    DATA_BLOB input{static_cast<DWORD>(in.size()),
                    reinterpret_cast<BYTE*>(const_cast<char*>(in.data()))};
    DATA_BLOB output{};
    if (!call(&input, &output)) return false;
    out.assign(reinterpret_cast<const char*>(output.pbData), output.cbData);
    SecureZeroMemory(output.pbData, output.cbData);
    LocalFree(output.pbData);
    return true;
}

constexpr DWORD kFlags = CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN;

}  // namespace

bool MachineSecret::Protect(std::string_view plain, std::string& sealed) {
    return Through(plain, sealed, [](DATA_BLOB* in, DATA_BLOB* out) {
        return CryptProtectData(in, L"Tollvane database", nullptr, nullptr, nullptr, kFlags, out);
    });
}

bool MachineSecret::Unprotect(std::string_view sealed, std::string& plain) {
    return Through(sealed, plain, [](DATA_BLOB* in, DATA_BLOB* out) {
        return CryptUnprotectData(in, nullptr, nullptr, nullptr, nullptr, kFlags, out);
    });
}

}  // namespace tollvane
