// The program's texts are UTF-8; the wide Win32 functions take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tollvane {

// Invalid input bytes become U+FFFD rather than cutting the text short.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The key file keeps a record's description in the system's ANSI code page,
// as installations before this one wrote it.
std::wstring WidenAnsi(std::string_view ansi);
std::string NarrowAnsi(std::wstring_view utf16);

}  // namespace tollvane
