// The files the figures run over: a usersData.data of distinct numbers and a
// key list of distinct records, both as the program writes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "carddata/users_data.h"
#include "keystore/key_list.h"

namespace bench {

// Distinct five-byte numbers: an odd multiplier is a bijection modulo 2^40.
inline std::uint64_t NumberAt(std::uint64_t index) {
    return (index * 0x9E3779B1ull + 0x10) & 0xFFFFFFFFFFull;
}

inline void NumberBytes(std::uint64_t index, std::uint8_t data[7]) {
    const std::uint64_t v = NumberAt(index);
    for (int i = 0; i < 5; ++i) data[i] = static_cast<std::uint8_t>(v >> (8 * (4 - i)));
    data[5] = data[6] = 0;
}

inline std::string UsersDataText(std::size_t records) {
    std::string text;
    text.reserve(records * 11);
    std::uint8_t data[7];
    for (std::size_t i = 0; i < records; ++i) {
        NumberBytes(i, data);
        text += tollvane::UsersDataSeparator(i);
        text += tollvane::UsersDataRecordText(data);
    }
    return text;
}

// A usersData.data of that many numbers in the temporary folder.
inline std::filesystem::path WriteUsersDataFile(const std::string& prefix, std::size_t records) {
    const auto path =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(records) + ".data");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << UsersDataText(records);
    return path;
}

inline std::string Hex(unsigned value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[value & 15];
    return text;
}

// A key list of distinct records, as the program writes them.
inline std::string KeyListText(int records) {
    std::string text;
    for (int i = 0; i < records; ++i) {
        text += "TC=SL1 AA=X OI=1 LL=0 DI=2 SB=1 WM=1 SN=05 BN=1 M_KEY=" +
                Hex(static_cast<unsigned>(i), 12) +
                " A_KEY=" + Hex(static_cast<unsigned>(i) * 7919u, 32) + " Description=Door " +
                std::to_string(i) + ", building " + std::to_string(i % 17) + "\n";
    }
    return text;
}

// A key list window without a window: it keeps the three field texts (a new
// record's to begin with) and ignores the rest; ShowRows is the figure's own.
class FieldsOnlyUi : public tollvane::KeyListUi {
public:
    explicit FieldsOnlyUi(bool showKeys) : showKeys_(showKeys) {}
    bool IsShowKeysChecked() const override { return showKeys_; }
    void SetShowKeysChecked(bool) override {}
    void SetKeyFieldsMasked(bool) override {}
    std::string FieldText(tollvane::KeyField f) const override {
        return fields[static_cast<int>(f)];
    }
    void SetFieldText(tollvane::KeyField f, const std::string& text) override {
        fields[static_cast<int>(f)] = text;
    }
    void EnableRecordButtons() override {}
    void CloseWindow() override {}

    std::string fields[3] = {"12 34 56 78 9A BC", "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF",
                             "A new key"};

private:
    bool showKeys_;
};

}  // namespace bench
