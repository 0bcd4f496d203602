// Who and where a card command was given, and when, as the register records
// it: the Windows user and computer names and the local time with its offset
// from UTC.
#pragma once

#include <string>

#include "register/issued_cards.h"

namespace tollvane {

struct StationIdentity {
    std::string operatorName;  // UTF-8
    std::string computer;      // UTF-8
};

StationIdentity CurrentStation();

// The clock is read once and both the local time and its offset come from
// that one reading, so a row never mixes the time before a daylight-saving
// change with the offset after it.
RegisterTime CurrentRegisterTime();

}  // namespace tollvane
