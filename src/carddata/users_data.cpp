#include "carddata/users_data.h"

namespace tollvane {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr std::size_t kRecordDigits = 10;

}  // namespace

std::string UsersDataRecordText(const std::uint8_t data[7]) {
    std::string text;
    text.reserve(kRecordDigits);
    for (int i = 0; i < 5; ++i) {
        text.push_back(kUpperDigits[data[i] >> 4]);
        text.push_back(kUpperDigits[data[i] & 0x0F]);
    }
    return text;
}

std::string UsersDataSeparator(std::size_t recordsBefore) {
    if (recordsBefore == 0) return "";
    if (recordsBefore % 10 == 0) return "\r\n";
    return " ";
}

}  // namespace tollvane
