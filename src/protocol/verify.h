// The check of a written card: what a read of it brought back against the
// frame that wrote it, field by field, as the form would show them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/frames.h"

namespace tollvane {

// The fields a read-back puts on the form, in the order the operator is
// told of them.
enum VerifyField : unsigned {
    kFieldCardType = 1u << 0,  // card type letter, AES authentication letter; the card's role
    kFieldAesKey = 1u << 1,    // Master, types '1' and '3'
    kFieldReaderSettings =
        1u << 2,  // Master: interface, indication, standby indication, touch poll
    kFieldWorkMode = 1u << 3,
    kFieldSector = 1u << 4,
    kFieldBlock = 1u << 5,
    kFieldCrypto1Key = 1u << 6,  // Master
    kFieldUniqueData = 1u << 7,  // User, written in a sector data work mode
};
inline constexpr int kVerifyFieldCount = 8;

// The fields that the write carried and the card does not hold as written;
// 0 when it holds them all. readFromOffset5: the read-back frame from its
// card type letter on, whose checksums were checked; bytes beyond available
// read as 0. A field the write did not carry is not compared: the device
// decides what it puts there. The seven data bytes are compared plain, each
// side unscrambled by its own work mode.
unsigned DifferingFields(const CommandFrame& written, const std::uint8_t* readFromOffset5,
                         std::size_t available);

}  // namespace tollvane
