#include "register/card_holdings.h"

#include <vector>

namespace tollvane {

namespace {

std::uint64_t KeyOf(const CardIdentity& card) {
    return (std::uint64_t{card.barcode} << 32) | card.cipherId;
}

constexpr std::size_t kBlockSize = 1 << 20;

}  // namespace

bool CardHoldings::Update(RegisterSource& source) {
    std::uint64_t size = 0;
    if (!source.Size(size)) return false;
    if (size < scanner_.Position()) {
        scanner_.Restart(0);
        held_.clear();
        revoked_.clear();
    }
    std::vector<char> block(kBlockSize);
    for (std::uint64_t at = scanner_.Position(); at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size - at));
        std::size_t got = 0;
        if (!source.ReadAt(at, block.data(), want, got)) return false;
        if (got == 0) break;
        Feed(block.data(), got);
        at += got;
    }
    return true;
}

void CardHoldings::Feed(const char* bytes, std::size_t n) {
    scanner_.Feed(bytes, n, [this](std::uint64_t, std::string_view line) { TakeRow(line); });
}

void CardHoldings::TakeRow(std::string_view line) {
    // Most rows name no card: their last two fields are empty, and an
    // unquoted field never holds a comma. A Revoke row counts whether or not
    // it names one.
    const bool mayRevoke = line.find(",Revoke,") != std::string_view::npos;
    if (!mayRevoke && line.size() >= 2 && line.substr(line.size() - 2) == ",,") return;
    RegisterRow row;
    SplitRegisterLine(line, row);
    if (row[kColOperation] == kRevokeOperation) revoked_.insert(row[kColUniqueData]);
    if (row[kColCardBarcode].empty() || row[kColCardCipherId].empty()) return;
    const std::string& barcode = row[kColCardBarcode];
    const std::string& cipher = row[kColCardCipherId];
    const CardIdentity card{ParseUnsignedDecimal(barcode.data(), barcode.size()),
                            ParseUnsignedDecimal(cipher.data(), cipher.size())};
    const std::string& operation = row[kColOperation];
    const bool done = row[kColResult] == "OK" || row[kColResult] == "VERIFIED";
    if (operation == kRevokeOperation || (operation == "Clear" && done)) {
        held_.erase(KeyOf(card));
    } else if (operation == "Write" && done) {
        // A Master card, or a User card of a mode that carries no data,
        // holds no number any more.
        if (row[kColRole] == "User" && !row[kColUniqueData].empty())
            held_[KeyOf(card)] = row[kColUniqueData];
        else
            held_.erase(KeyOf(card));
    }
}

std::optional<std::string> CardHoldings::NumberHeldBy(const CardIdentity& card) const {
    const auto it = held_.find(KeyOf(card));
    if (it == held_.end()) return std::nullopt;
    return it->second;
}

}  // namespace tollvane
