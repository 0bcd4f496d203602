// The numbers of usersData.data held in memory, so that a new number is
// looked up without reading a file of a million records again.
//
// A number is the first five bytes of a unique value, D0 first: 40 bits. A
// new number counts as recorded when a record shares its first three bytes,
// because a reader set to Wiegand 26 sends only those. So the index is a
// table with one bit for every possible three-byte beginning: 2^24 bits, 2 MB
// at most, one memory access per lookup, and no sorting when it is built
// from one reading of the file. Its memory is taken zeroed from the system
// and costs only where bits are set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tollvane {

// D0 to D4 of a unique value as one 40-bit number, D0 in the top bits.
std::uint64_t UsersDataNumber(const std::uint8_t data[7]);

// Every record of a whole usersData.data, read by the same rules as the
// index reads the file, each as UsersDataNumber makes it.
std::vector<std::uint64_t> UsersDataRecords(std::string_view text);

class UsersDataIndex {
public:
    // Hands every byte of the file, from its start and in order, to the sink
    // as blocks; false when a read fails.
    using BlockSink = std::function<void(const std::uint8_t* bytes, std::size_t n)>;
    using FileReading = std::function<bool(const BlockSink& sink)>;

    // Builds the index from one reading of the file. False when the reading
    // fails; the index is then empty and not Ready.
    bool Build(const FileReading& read);

    // Holds the numbers of the file as last built or added to.
    bool Ready() const { return ready_; }
    void Clear();

    bool Contains(std::uint64_t number) const;
    // Takes in a number the program has just appended to the file, with the
    // separator that SeparatorForNext gave.
    void Add(std::uint64_t number);

    // Complete records in the file, repeated numbers counted each time.
    std::size_t RecordCount() const { return records_; }
    // What to write before the next record, by the file's rules.
    std::string SeparatorForNext() const;

    // Hands every record of one reading of the file to each, in file order;
    // false when the reading fails.
    static bool ForEachRecord(const FileReading& read,
                              const std::function<void(std::uint64_t number)>& each);

    // Bytes the table takes at most.
    std::size_t MemoryBytes() const;

private:
    static constexpr unsigned kKeyBits = 24;
    static constexpr std::size_t kWords = (std::size_t{1} << kKeyBits) / 64;

    static std::uint32_t KeyOf(std::uint64_t number) {
        return static_cast<std::uint32_t>((number >> (40 - kKeyBits)) & ((1u << kKeyBits) - 1));
    }
    void Set(std::uint32_t key) { bits_[key >> 6] |= std::uint64_t{1} << (key & 63); }

    struct Free {
        void operator()(std::uint64_t* p) const;
    };
    std::unique_ptr<std::uint64_t[], Free> bits_;
    std::size_t records_ = 0;
    // Digits after the last complete record at the end of the file.
    std::size_t trailingDigits_ = 0;
    bool ready_ = false;
};

}  // namespace tollvane
