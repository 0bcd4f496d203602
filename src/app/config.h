// appconfig.ini: the interface language, one line "Language = RU;" or
// "Language = EN;".
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

}  // namespace tollvane
