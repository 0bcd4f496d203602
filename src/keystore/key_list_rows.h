// The rows of the key list window, kept compactly for a list view that asks
// for the text of a cell only when it draws that cell: 10,000 records take
// about a megabyte here, where a list view filled row by row holds nine
// separate strings per row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keystore/key_record.h"

namespace tollvane {

// Columns of the list: number, TC, AA, WM, SN, BN, Crypto1 key, AES128 key,
// description.
inline constexpr int kKeyListColumns = 9;
using KeyListRow = std::array<std::string, kKeyListColumns>;

class KeyListRows {
public:
    // Appends the record as the next row. With keysShown false the key
    // columns show 17 and 32 asterisks and the keys are not kept at all.
    void Append(const KeyRecord& record, bool keysShown);

    std::size_t Count() const { return starts_.size(); }
    bool KeysShown(std::size_t row) const { return row < masked_.size() && !masked_[row]; }
    // The text of one cell; the number column is the row's number as "%04d".
    // Empty for a row or column outside the list.
    std::string Cell(std::size_t row, int column) const;
    // Every cell of one row.
    KeyListRow Row(std::size_t row) const;

    std::size_t MemoryBytes() const;

private:
    // Every row's kept fields, each ended by a NUL, one after the other.
    std::string text_;
    std::vector<std::uint32_t> starts_;
    std::vector<bool> masked_;
};

}  // namespace tollvane
