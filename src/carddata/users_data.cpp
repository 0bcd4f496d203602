#include "carddata/users_data.h"

#include <cstring>
#include <utility>

namespace tollvane {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr std::size_t kRecordDigits = 10;

bool IsRecordDigit(std::uint8_t b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F');
}

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

UsersDataScanner::UsersDataScanner(std::string recordText) : record_(std::move(recordText)) {}

void UsersDataScanner::Feed(const std::uint8_t* bytes, std::size_t n) {
    if (found_ || bytes == nullptr) return;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        if (!IsRecordDigit(b)) {
            digits_ = 0;
            continue;
        }
        current_[digits_++] = static_cast<char>(b);
        if (digits_ < kRecordDigits) continue;
        ++count_;
        digits_ = 0;
        if (record_.size() == kRecordDigits && std::memcmp(current_, record_.data(), kRecordDigits) == 0) {
            found_ = true;
            return;
        }
    }
}

std::string UsersDataScanner::SeparatorForNext() const {
    if (count_ == 0 && digits_ > 0) return " ";
    return UsersDataSeparator(count_);
}

std::string UsersDataSeparator(std::size_t recordsBefore) {
    if (recordsBefore == 0) return "";
    if (recordsBefore % 10 == 0) return "\r\n";
    return " ";
}

}  // namespace tollvane
