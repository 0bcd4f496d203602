// The text of usersData.data, the record of unique numbers handed out: ten
// upper-case hex digits per record, separated by blanks, ten to a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tollvane {

// The record of a unique value: D0 to D4 as "%02X" each, ten characters.
std::string UsersDataRecordText(const std::uint8_t data[7]);

// What goes before a new record when recordsBefore records are in the file:
// nothing for the first, "\r\n" after every tenth, a blank otherwise.
std::string UsersDataSeparator(std::size_t recordsBefore);

}  // namespace tollvane
