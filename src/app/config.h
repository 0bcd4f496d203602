// appconfig.ini: the interface language, one line "Language = RU;" or
// "Language = EN;".
#pragma once

#include <string>

#include "base/message_table.h"

namespace tollvane {

inline constexpr const char* kConfigFileName = "appconfig.ini";

// The stored language. A missing file is created with the Russian line; a
// first line that is not exactly one of the two lines means Russian.
LanguageId ReadConfig(const std::string& path);

// Overwrites the start of the existing file with the language's line and
// keeps whatever follows it. False when the file cannot be opened or written;
// the caller tells the operator.
bool SaveConfig(const std::string& path, LanguageId lang);

}  // namespace tollvane
