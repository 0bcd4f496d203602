// The program's texts are UTF-8; the wide Win32 functions take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tollvane {

// Invalid input bytes become U+FFFD rather than cutting the text short.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tollvane
