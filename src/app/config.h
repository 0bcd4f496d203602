// appconfig.ini: the interface language, a first line "Language = RU;" or
// "Language = EN;", and "Verify after write", a second line "Verify = ON;"
// or "Verify = OFF;".
#pragma once

#include <string>

#include "base/files.h"
#include "base/message_table.h"

namespace tollvane {

inline constexpr const char* kConfigFileName = "appconfig.ini";

// The stored language. A missing file is created with the Russian line; a
// first line that is not exactly one of the two lines means Russian.
LanguageId ReadConfig(Files& files, const std::string& path);

// Overwrites the start of the existing file with the language's line and
// keeps whatever follows it, in one write that is flushed before the call
// returns. False when the file cannot be opened or written; the caller
// tells the operator.
bool SaveConfig(Files& files, const std::string& path, LanguageId lang);

// "Verify after write": on only when the second line is "Verify = ON;"
// (ending in CR LF, LF or the end of the file). A missing file or line, or
// any other second line, means off; reading changes nothing.
bool ReadVerifyAfterWrite(Files& files, const std::string& path);

// Puts "Verify = ON;" or "Verify = OFF;" with CR LF in place of the second
// line, keeping the first line's text as it is (ending it in CR LF) and
// whatever follows; written and flushed in one go. False
// when the file cannot be opened, read or written; the caller tells the
// operator.
bool SaveVerifyAfterWrite(Files& files, const std::string& path, bool on);

}  // namespace tollvane
