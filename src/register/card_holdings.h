// Which number each card holds, as the register of issued cards tells it: a
// card's latest successful User write put its number there; a later
// successful Clear, a Revoke or a write of no number took it away. Read once
// and then only what was appended since, so that a run can ask before every
// card.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "protocol/card_id.h"
#include "register/register_reader.h"

namespace tollvane {

inline constexpr char kRevokeOperation[] = "Revoke";

class CardHoldings {
public:
    // Reads the rows appended since the last look; all of them again when
    // the file became shorter (it was replaced). False when it cannot be
    // read; what was read stays.
    bool Update(RegisterSource& source);
    // The bytes of the register, for a reader of its own.
    void Feed(const char* bytes, std::size_t n);

    // The unique data the card holds, as the register writes it
    // ("11 22 33 44 55 66 77"), or none.
    std::optional<std::string> NumberHeldBy(const CardIdentity& card) const;
    // Whether a Revoke row names this number (as the register writes it).
    bool Revoked(const std::string& number) const { return revoked_.count(number) != 0; }

private:
    void TakeRow(std::string_view line);

    RegisterScanner scanner_;
    std::unordered_map<std::uint64_t, std::string> held_;
    std::unordered_set<std::string> revoked_;
};

}  // namespace tollvane
