#include "carddata/users_data.h"

#include <cstring>
#include <utility>

namespace tollvane {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr std::size_t kRecordDigits = 10;
constexpr std::size_t kW26Digits = 6;

// Byte classes for the scan: a table lookup instead of two range tests keeps
// the scan of a large file to a few milliseconds.
struct DigitTable {
    bool digit[256] = {};
    constexpr DigitTable() {
        for (int c = '0'; c <= '9'; ++c) digit[c] = true;
        for (int c = 'A'; c <= 'F'; ++c) digit[c] = true;
    }
};
constexpr DigitTable kDigits;

bool IsRecordDigit(std::uint8_t b) { return kDigits.digit[b]; }

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
    std::size_t i = 0;
    // A record begun in the previous block is finished byte by byte.
    while (digits_ > 0 && i < n) {
        const std::uint8_t b = bytes[i++];
        if (!IsRecordDigit(b)) {
            digits_ = 0;
            break;
        }
        current_[digits_++] = static_cast<char>(b);
        if (digits_ < kRecordDigits) continue;
        digits_ = 0;
        if (CompleteRecord(current_)) return;
    }
    // Then whole runs of digits: every ten of them make a record, compared in
    // place; a shorter rest is kept only when the block ends inside the run.
    while (i < n) {
        while (i < n && !IsRecordDigit(bytes[i])) ++i;
        const std::size_t start = i;
        while (i < n && IsRecordDigit(bytes[i])) ++i;
        std::size_t pos = start;
        for (; i - pos >= kRecordDigits; pos += kRecordDigits) {
            if (CompleteRecord(reinterpret_cast<const char*>(bytes + pos))) return;
        }
        if (i == n && pos < i) {
            digits_ = i - pos;
            std::memcpy(current_, bytes + pos, digits_);
        }
    }
}

bool UsersDataScanner::CompleteRecord(const char* digits) {
    ++count_;
    // A reader set to Wiegand 26 sends only the first three bytes, so a new
    // number must differ from every recorded one there already; an equal
    // whole record is equal there too.
    if (record_.size() == kRecordDigits && std::memcmp(digits, record_.data(), kW26Digits) == 0) {
        found_ = true;
    }
    return found_;
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
