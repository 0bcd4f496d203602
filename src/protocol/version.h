// The version check of the reader's answer to "AT+READS_USB".
#pragma once

#include <string>

namespace tollvane {

inline constexpr char kRequiredReaderVersion[] = "2.00";

struct VersionCheck {
    bool accepted = false;
    int versionX100 = 0;      // 200 when accepted, else 0
    std::string versionText;  // the payload's first four characters when accepted, else empty
};

// payload: the text that followed " >> ", NUL-terminated. Only the first four
// characters count, as text: "2.00" followed by anything passes, any other
// version (newer ones included) fails.
VersionCheck CheckReaderVersion(const char* payload);

}  // namespace tollvane
