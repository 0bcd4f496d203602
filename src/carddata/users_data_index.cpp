#include "carddata/users_data_index.h"

#include <cstdlib>

#include "carddata/users_data.h"

namespace tollvane {

namespace {

constexpr std::size_t kRecordDigits = 10;
constexpr std::uint8_t kNotDigit = 0x80;

// The value of each byte as a record digit, or kNotDigit: only '0'-'9' and
// upper-case 'A'-'F' are digits of a record.
struct DigitValues {
    std::uint8_t value[256] = {};
    constexpr DigitValues() {
        for (int c = 0; c < 256; ++c) value[c] = kNotDigit;
        for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<std::uint8_t>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) value[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    }
};
constexpr DigitValues kDigits;

// Reads records out of blocks of the file by the file's rules: any byte
// that is not a digit drops the digits read so far, ten digits make a record
// and the next digit starts a new one. A record may run over a block's end.
class RecordReader {
public:
    template <class Emit>
    void Feed(const std::uint8_t* bytes, std::size_t n, Emit&& emit) {
        std::size_t i = 0;
        while (i < n) {
            // The usual file is nothing but whole records between separators:
            // step over the separator, then take ten digits at once when they
            // are all there.
            if (pending_ == 0) {
                while (i < n && (kDigits.value[bytes[i]] & kNotDigit)) ++i;
            }
            if (pending_ == 0 && n - i >= kRecordDigits) {
                const std::uint8_t* p = bytes + i;
                std::uint8_t bad = 0;
                std::uint64_t value = 0;
                for (std::size_t k = 0; k < kRecordDigits; ++k) {
                    const std::uint8_t v = kDigits.value[p[k]];
                    bad |= v;
                    value = (value << 4) | (v & 0x0F);
                }
                if ((bad & kNotDigit) == 0) {
                    ++records_;
                    emit(value);
                    i += kRecordDigits;
                    continue;
                }
            }
            if (i == n) break;
            const std::uint8_t v = kDigits.value[bytes[i++]];
            if (v & kNotDigit) {
                pending_ = 0;
                value_ = 0;
                continue;
            }
            value_ = (value_ << 4) | v;
            if (++pending_ == kRecordDigits) {
                ++records_;
                emit(value_);
                pending_ = 0;
                value_ = 0;
            }
        }
    }

    std::size_t Records() const { return records_; }
    std::size_t Pending() const { return pending_; }

private:
    std::uint64_t value_ = 0;
    std::size_t pending_ = 0;
    std::size_t records_ = 0;
};

}  // namespace

std::uint64_t UsersDataNumber(const std::uint8_t data[7]) {
    std::uint64_t number = 0;
    for (int i = 0; i < 5; ++i) number = (number << 8) | data[i];
    return number;
}

std::vector<std::uint64_t> UsersDataRecords(std::string_view text) {
    std::vector<std::uint64_t> numbers;
    RecordReader reader;
    reader.Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                [&numbers](std::uint64_t number) { numbers.push_back(number); });
    return numbers;
}

void UsersDataIndex::Free::operator()(std::uint64_t* p) const { std::free(p); }

void UsersDataIndex::Clear() {
    bits_.reset();
    records_ = 0;
    trailingDigits_ = 0;
    ready_ = false;
}

bool UsersDataIndex::Build(const FileReading& read) {
    Clear();
    // calloc: a large zeroed block comes straight from the system, whose
    // pages stay untouched (and take no memory) until a bit is set in them.
    bits_.reset(static_cast<std::uint64_t*>(std::calloc(kWords, sizeof(std::uint64_t))));
    if (!bits_) return false;
    RecordReader reader;
    const bool complete = read([&](const std::uint8_t* bytes, std::size_t n) {
        reader.Feed(bytes, n, [&](std::uint64_t number) { Set(KeyOf(number)); });
    });
    if (!complete) {
        Clear();
        return false;
    }
    records_ = reader.Records();
    trailingDigits_ = reader.Pending();
    ready_ = true;
    return true;
}

bool UsersDataIndex::Contains(std::uint64_t number) const {
    if (!ready_) return false;
    const std::uint32_t key = KeyOf(number);
    return (bits_[key >> 6] >> (key & 63)) & 1;
}

void UsersDataIndex::Add(std::uint64_t number) {
    if (!ready_) return;
    Set(KeyOf(number));
    ++records_;
    trailingDigits_ = 0;
}

std::string UsersDataIndex::SeparatorForNext() const {
    // A file with stray digits but no record yet gets a blank, so that the
    // new record cannot run on from those digits and be misread.
    if (records_ == 0 && trailingDigits_ > 0) return " ";
    return UsersDataSeparator(records_);
}

bool UsersDataIndex::ForEachRecord(const FileReading& read,
                                   const std::function<void(std::uint64_t)>& each) {
    RecordReader reader;
    return read([&](const std::uint8_t* bytes, std::size_t n) { reader.Feed(bytes, n, each); });
}

std::size_t UsersDataIndex::MemoryBytes() const {
    return bits_ ? kWords * sizeof(std::uint64_t) : 0;
}

}  // namespace tollvane
