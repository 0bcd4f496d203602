#include "keystore/key_list_rows.h"

#include <cstdio>
#include <cstring>

namespace tollvane {

namespace {

constexpr char kMaskedCrypto1[] = "*****************";             // 17
constexpr char kMaskedAes[] = "********************************";  // 32

// The kept fields of a row, in this order; the keys only when shown.
enum Kept { kTc, kAa, kWm, kSn, kBn, kDescription, kCrypto1, kAes };

}  // namespace

void KeyListRows::Append(const KeyRecord& record, bool keysShown) {
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    masked_.push_back(!keysShown);
    for (const std::string* field :
         {&record.TC, &record.AA, &record.WM, &record.SN, &record.BN, &record.Description}) {
        text_.append(field->c_str());
        text_.push_back('\0');
    }
    if (keysShown) {
        text_.append(record.M_KEY.c_str());
        text_.push_back('\0');
        text_.append(record.A_KEY.c_str());
        text_.push_back('\0');
    }
}

std::string KeyListRows::Cell(std::size_t row, int column) const {
    if (row >= starts_.size() || column < 0 || column >= kKeyListColumns) return {};
    if (column == 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", static_cast<int>(row));
        return number;
    }
    static constexpr Kept kOfColumn[kKeyListColumns] = {kTc, kTc,      kAa,  kWm,         kSn,
                                                        kBn, kCrypto1, kAes, kDescription};
    const Kept kept = kOfColumn[column];
    if (masked_[row] && kept == kCrypto1) return kMaskedCrypto1;
    if (masked_[row] && kept == kAes) return kMaskedAes;
    const char* field = text_.data() + starts_[row];
    for (int i = 0; i < kept; ++i) field += std::strlen(field) + 1;
    return field;
}

KeyListRow KeyListRows::Row(std::size_t row) const {
    KeyListRow cells;
    for (int column = 0; column < kKeyListColumns; ++column)
        cells[static_cast<std::size_t>(column)] = Cell(row, column);
    return cells;
}

std::size_t KeyListRows::MemoryBytes() const {
    return text_.capacity() + starts_.capacity() * sizeof(std::uint32_t) + masked_.capacity() / 8;
}

}  // namespace tollvane
