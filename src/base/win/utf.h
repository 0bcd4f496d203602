// The program's texts are UTF-8; the wide Win32 functions take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tollvane {

// Invalid input bytes become U+FFFD rather than cutting the text short.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's ANSI code page: the key file keeps a record's description in
// it, as installations before this one wrote it, and a spreadsheet may save
// a list of people in it.
std::wstring WidenAnsi(std::string_view ansi);
std::string NarrowAnsi(std::wstring_view utf16);

}  // namespace tollvane
