// The text of usersData.data, the record of unique numbers handed out: ten
// upper-case hex digits per record, separated by blanks, ten to a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tollvane {

// The record of a unique value: D0 to D4 as "%02X" each, ten characters.
std::string UsersDataRecordText(const std::uint8_t data[7]);

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

// What goes before a new record when recordsBefore records are in the file:
// nothing for the first, "\r\n" after every tenth, a blank otherwise.
std::string UsersDataSeparator(std::size_t recordsBefore);

}  // namespace tollvane
