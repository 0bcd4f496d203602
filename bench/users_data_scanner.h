// The scan of usersData.data that the store made before it kept an index:
// the reference the benchmarks measure the index against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "carddata/users_data.h"

namespace tollvane {

namespace scan_detail {

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

inline bool IsRecordDigit(std::uint8_t b) { return kDigits.digit[b]; }

}  // namespace scan_detail

// Reads the file's bytes block by block and looks for a record that shares
// the first three bytes (six digits) with the one given. Anything
// but '0'-'9' and 'A'-'F' throws away the digits read so far; ten digits in a
// row make a record, and the next digit starts a new one at once.
class UsersDataScanner {
public:
    explicit UsersDataScanner(std::string recordText);

    void Feed(const std::uint8_t* bytes, std::size_t n);
    // A record sharing those bytes was found; reading can stop.
    bool Found() const { return found_; }
    // Complete records read so far (up to and including the one found).
    std::size_t RecordCount() const { return count_; }
    // Digits read since the last complete record or the last other byte.
    std::size_t PendingDigits() const { return digits_; }
    // The separator to write before a new record once the whole file has been
    // fed: UsersDataSeparator(RecordCount()), except that a file with no
    // complete record but stray digits at its end gets a blank, so that the
    // new record cannot run on from those digits and be misread.
    std::string SeparatorForNext() const;

private:
    // Counts one complete record; true when it is the one looked for.
    bool CompleteRecord(const char* digits);

    std::string record_;
    char current_[10] = {};
    std::size_t digits_ = 0;
    std::size_t count_ = 0;
    bool found_ = false;
};

inline UsersDataScanner::UsersDataScanner(std::string recordText)
    : record_(std::move(recordText)) {}

inline void UsersDataScanner::Feed(const std::uint8_t* bytes, std::size_t n) {
    if (found_ || bytes == nullptr) return;
    std::size_t i = 0;
    // A record begun in the previous block is finished byte by byte.
    while (digits_ > 0 && i < n) {
        const std::uint8_t b = bytes[i++];
        if (!scan_detail::IsRecordDigit(b)) {
            digits_ = 0;
            break;
        }
        current_[digits_++] = static_cast<char>(b);
        if (digits_ < scan_detail::kRecordDigits) continue;
        digits_ = 0;
        if (CompleteRecord(current_)) return;
    }
    // Then whole runs of digits: every ten of them make a record, compared in
    // place; a shorter rest is kept only when the block ends inside the run.
    while (i < n) {
        while (i < n && !scan_detail::IsRecordDigit(bytes[i])) ++i;
        const std::size_t start = i;
        while (i < n && scan_detail::IsRecordDigit(bytes[i])) ++i;
        std::size_t pos = start;
        for (; i - pos >= scan_detail::kRecordDigits; pos += scan_detail::kRecordDigits) {
            if (CompleteRecord(reinterpret_cast<const char*>(bytes + pos))) return;
        }
        if (i == n && pos < i) {
            digits_ = i - pos;
            std::memcpy(current_, bytes + pos, digits_);
        }
    }
}

inline bool UsersDataScanner::CompleteRecord(const char* digits) {
    ++count_;
    // A reader set to Wiegand 26 sends only the first three bytes, so a new
    // number must differ from every recorded one there already; an equal
    // whole record is equal there too.
    if (record_.size() == scan_detail::kRecordDigits &&
        std::memcmp(digits, record_.data(), scan_detail::kW26Digits) == 0) {
        found_ = true;
    }
    return found_;
}

inline std::string UsersDataScanner::SeparatorForNext() const {
    if (count_ == 0 && digits_ > 0) return " ";
    return UsersDataSeparator(count_);
}

}  // namespace tollvane
