#include "carddata/users_data_index.h"

#include <algorithm>

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

// Reads records out of blocks of the file with the scanner's rules: any byte
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

namespace {

constexpr std::uint64_t kMask40 = (std::uint64_t{1} << 40) - 1;

// Sorts by the four bytes, lowest first; each pass is stable, so after the
// fourth the values are in order, back in `values`.
void RadixSort(std::vector<std::uint32_t>& values, std::vector<std::uint32_t>& work) {
    const std::size_t n = values.size();
    work.resize(n);
    // The four counts in one sweep over the values.
    std::size_t count[4][257] = {};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = values[i];
        ++count[0][(v & 0xFF) + 1];
        ++count[1][((v >> 8) & 0xFF) + 1];
        ++count[2][((v >> 16) & 0xFF) + 1];
        ++count[3][(v >> 24) + 1];
    }
    std::uint32_t* from = values.data();
    std::uint32_t* to = work.data();
    for (unsigned pass = 0; pass < 4; ++pass) {
        std::size_t* at = count[pass];
        for (std::size_t b = 0; b < 256; ++b) at[b + 1] += at[b];
        const unsigned shift = pass * 8;
        for (std::size_t i = 0; i < n; ++i) to[at[(from[i] >> shift) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
}

}  // namespace

std::uint64_t UsersDataIndex::Mix(std::uint64_t number) {
    // Each step can be undone, so two numbers never share group and kept bits.
    std::uint64_t x = number & kMask40;
    x ^= x >> 20;
    x = (x * 0x9E3779B97Full) & kMask40;
    x ^= x >> 17;
    return x;
}

void UsersDataIndex::Clear() {
    for (auto& group : groups_) std::vector<std::uint32_t>().swap(group);
    records_ = 0;
    trailingDigits_ = 0;
    ready_ = false;
}

bool UsersDataIndex::Build(const FileReading& read, std::uint64_t sizeHint) {
    Clear();
    // A record and its separator take eleven bytes; an eighth more than an
    // even share spares most groups a reallocation, which would copy them.
    const std::size_t expected = static_cast<std::size_t>(sizeHint / 11);
    const std::size_t room = expected / kGroups + expected / kGroups / 8 + 16;
    for (auto& group : groups_) group.reserve(room);

    RecordReader reader;
    const bool complete = read([&](const std::uint8_t* bytes, std::size_t n) {
        reader.Feed(bytes, n, [&](std::uint64_t number) {
            const std::uint64_t mixed = Mix(number);
            groups_[GroupOf(mixed)].push_back(KeptOf(mixed));
        });
    });
    if (!complete) {
        Clear();
        return false;
    }
    std::vector<std::uint32_t> work;
    for (auto& group : groups_) RadixSort(group, work);
    records_ = reader.Records();
    trailingDigits_ = reader.Pending();
    ready_ = true;
    return true;
}

bool UsersDataIndex::Contains(std::uint64_t number) const {
    if (!ready_) return false;
    const std::uint64_t mixed = Mix(number);
    const auto& group = groups_[GroupOf(mixed)];
    return std::binary_search(group.begin(), group.end(), KeptOf(mixed));
}

void UsersDataIndex::Add(std::uint64_t number) {
    if (!ready_) return;
    const std::uint64_t mixed = Mix(number);
    auto& group = groups_[GroupOf(mixed)];
    group.insert(std::lower_bound(group.begin(), group.end(), KeptOf(mixed)), KeptOf(mixed));
    ++records_;
    trailingDigits_ = 0;
}

std::string UsersDataIndex::SeparatorForNext() const {
    // A file with stray digits but no record yet gets a blank, so that the
    // new record cannot run on from those digits, as the scanner decides.
    if (records_ == 0 && trailingDigits_ > 0) return " ";
    return UsersDataSeparator(records_);
}

std::size_t UsersDataIndex::MemoryBytes() const {
    std::size_t bytes = sizeof groups_;
    for (const auto& group : groups_) bytes += group.size() * sizeof(std::uint32_t);
    return bytes;
}

}  // namespace tollvane
