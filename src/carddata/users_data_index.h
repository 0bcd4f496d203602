// The numbers of usersData.data held in memory, so that a new number is
// looked up without reading a file of a million records again.
//
// A number is the first five bytes of a unique value, D0 first: 40 bits. The
// index spreads the numbers over 256 groups by a bijective mix of all 40 bits
// (the bytes of generated numbers are not evenly spread: D0, D2 and D4 stay
// below 80) and keeps in each group the other 32 bits of the mix in a sorted
// array, four bytes a number: a million numbers take about 4 MB. One reading
// of the file builds it; each group is sorted by radix, in linear time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tollvane {

// D0 to D4 of a unique value as one 40-bit number, D0 in the top bits.
std::uint64_t UsersDataNumber(const std::uint8_t data[7]);

class UsersDataIndex {
public:
    // Hands every byte of the file, from its start and in order, to the sink
    // as blocks; false when a read fails.
    using BlockSink = std::function<void(const std::uint8_t* bytes, std::size_t n)>;
    using FileReading = std::function<bool(const BlockSink& sink)>;

    // Builds the index from one reading of the file. sizeHint, the file's
    // size in bytes, lets each group reserve its room at once; room that is
    // reserved and never written costs address space, not memory. False when
    // the reading fails; the index is then empty and not Ready.
    bool Build(const FileReading& read, std::uint64_t sizeHint = 0);

    // Holds the numbers of the file as last built or added to.
    bool Ready() const { return ready_; }
    void Clear();

    bool Contains(std::uint64_t number) const;
    // Takes in a number the program has just appended to the file, with the
    // separator that SeparatorForNext gave.
    void Add(std::uint64_t number);

    // Complete records in the file, repeated numbers counted each time.
    std::size_t RecordCount() const { return records_; }
    // What to write before the next record, as the scanner of the file says.
    std::string SeparatorForNext() const;

    // Bytes the numbers take (reserved room not counted: it is never
    // written, so it takes no memory).
    std::size_t MemoryBytes() const;

private:
    static constexpr std::size_t kGroups = 256;

    // The group of a number and the 32 bits kept for it.
    static std::uint64_t Mix(std::uint64_t number);
    static std::size_t GroupOf(std::uint64_t mixed) { return static_cast<std::size_t>(mixed >> 32); }
    static std::uint32_t KeptOf(std::uint64_t mixed) { return static_cast<std::uint32_t>(mixed); }

    std::vector<std::uint32_t> groups_[kGroups];
    std::size_t records_ = 0;
    // Digits after the last complete record at the end of the file.
    std::size_t trailingDigits_ = 0;
    bool ready_ = false;
};

}  // namespace tollvane
