// Reading the register of issued cards back: rows found in the file's bytes
// as they come in, block by block, their fields, the filter of the window and
// its counts. A register of a million rows is a few hundred megabytes, so
// rows are remembered by where they are in the file, not by their text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "register/issued_cards.h"

namespace tollvane {

// Reading the register file: the window's reading, and the end of the file
// that an append looks at first. The register is shared with writers on
// other stations.
class RegisterSource {
public:
    virtual ~RegisterSource() = default;
    // Size of the file now; false when it cannot be opened.
    virtual bool Size(std::uint64_t& size) = 0;
    // Reads up to n bytes at offset; got < n only at the end of the file.
    // False on a read error.
    virtual bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) = 0;
};

// Finds the rows in the file's bytes. Line ends inside quoted fields do not
// end a row. The byte-order mark and the header line are not rows. A last
// line without its line end is not a row yet: it is being written, or it was
// cut short and the next append completes it.
class RegisterScanner {
public:
    // Hands out each complete row: its offset in the file and its bytes
    // without the line end. The view is valid during the call only.
    using RowSink = std::function<void(std::uint64_t offset, std::string_view line)>;
    void Feed(const char* bytes, std::size_t n, const RowSink& sink);

    // Offset just after the last complete row: where reading goes on when
    // the file has grown.
    std::uint64_t Consumed() const { return consumed_; }
    // Offset just after the last byte fed: where the next block belongs.
    std::uint64_t Position() const { return position_; }

    // Starts again at a given offset, normally a former Consumed(), with no
    // row begun. Offset 0 means the start of the file (mark and header).
    void Restart(std::uint64_t offset);

private:
    void EmitRow(std::uint64_t offset, std::string_view line, const RowSink& sink);

    std::string carry_;  // the bytes of a row begun in an earlier block
    std::uint64_t consumed_ = 0;
    std::uint64_t position_ = 0;  // file offset of the next byte fed
    bool inQuotes_ = false;
};

// Splits one row into its fields (RFC 4180: quoted fields lose their quotes
// and doubled quotes become one). Missing fields stay empty; fields beyond
// the last column are dropped.
void SplitRegisterLine(std::string_view line, RegisterRow& row);

// A row of the file by position: offset and length of its text, packed into
// one word (40 bits of offset, 24 of length) to keep a million rows small.
class RegisterRowRef {
public:
    static constexpr std::uint64_t kMaxLength = (1u << 24) - 1;
    RegisterRowRef(std::uint64_t offset, std::size_t length)
        : packed_((offset << 24) | (length < kMaxLength ? length : kMaxLength)) {}
    std::uint64_t Offset() const { return packed_ >> 24; }
    std::size_t Length() const { return static_cast<std::size_t>(packed_ & kMaxLength); }

private:
    std::uint64_t packed_;
};

// The rows the window shows: those that match the filter, in file order, and
// how many of them are successful User writes. Empty filter: every row. A
// row matches when its time or one of its number columns (the unique data,
// the Touch Memory, HEX and DEC texts of each interface, the card's barcode
// and cipher ID) contains the filter text; letters match either case.
class RegisterView {
public:
    explicit RegisterView(std::string filter = {});

    void Feed(const char* bytes, std::size_t n);
    // The file was rewritten behind us (it shrank): start from its beginning.
    void Reset();

    const std::vector<RegisterRowRef>& Rows() const { return rows_; }
    std::size_t SuccessfulUserWrites() const { return userWritesOk_; }
    std::uint64_t Consumed() const { return scanner_.Consumed(); }
    std::uint64_t Fed() const { return scanner_.Position(); }
    const std::string& Filter() const { return filter_; }

private:
    void TakeRow(std::uint64_t offset, std::string_view line);

    std::string filter_;
    std::string lowerFilter_;
    RegisterScanner scanner_;
    std::vector<RegisterRowRef> rows_;
    std::size_t userWritesOk_ = 0;
};

bool RowMatchesFilter(const RegisterRow& row, std::string_view filter);
bool IsSuccessfulUserWrite(const RegisterRow& row);

// Rows as the clipboard takes them: fields separated by tabs, rows by CRLF.
// A tab or line end inside a field becomes a blank so that the cells stay in
// place when pasted.
std::string RegisterRowsAsTabText(const std::vector<RegisterRow>& rows);

}  // namespace tollvane
