#include "protocol/version.h"

#include <cstdlib>
#include <cstring>

namespace tollvane {

VersionCheck CheckReaderVersion(const char* payload) {
    VersionCheck check;
    if (payload == nullptr || std::strncmp(payload, kRequiredReaderVersion, 4) != 0) return check;
    // "2.00" read without its point: the digits make 200.
    const char digits[4] = {payload[0], payload[2], payload[3], '\0'};
    check.accepted = true;
    check.versionX100 = std::atoi(digits);
    check.versionText.assign(payload, 4);
    return check;
}

}  // namespace tollvane
