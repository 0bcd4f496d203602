// The cards in front of the simulated reader and the reader's replies: what
// a card command does to a card, and the bytes that say so.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "simreader/framing.h"

namespace tollvane::sim {

// Chip of a virtual card. A MIFARE Plus card is at security level 0 when new;
// a write with card type '1' or '3' switches it up, never down.
enum class Chip { Classic, Plus };

// A bad card, as operators meet them: one that answers a write with success
// but keeps what it held (Stale), one that stores the write with one byte
// changed (OneByte: the first key or data byte of the settings block), one
// taken away after its write, so that a read finds no card (Gone: ERR_04).
enum class CardFault { None, Stale, OneByte, Gone };

struct VirtualCard {
    std::uint32_t barcode = 0;
    std::uint32_t cipher = 0;
    Chip chip = Chip::Classic;
    int level = 1;  // security level of a Plus card: 0, 1 or 3
    // Sector keys the card is protected with; new cards carry the transport
    // keys (all bytes FF).
    std::array<std::uint8_t, 6> crypto1{};
    std::array<std::uint8_t, 16> aes{};
    // What a write left on the card: 0 (empty), 'M' or 'U'.
    char role = 0;
    std::array<std::uint8_t, kSettingsSize> block{};
    std::uint8_t typeLetter = 0;               // card type letter of the Master write
    std::uint8_t aesAuthLetter = 0;            // AES authentication letter of the Master write
    std::array<std::uint8_t, 16> masterAes{};  // AES key carried by a Master write
    CardFault fault = CardFault::None;

    static VirtualCard Fresh(std::uint32_t barcode, std::uint32_t cipher);
};

// Which checksum of a read-back is broken on purpose: 'f' the frame's, 's'
// the settings block's.
using BrokenChecksum = std::optional<char>;

// Carries out a well-formed card command frame on the card and returns the
// result line: "\n\rAT+DAT_OK", "\n\rAT+ERR_nn" or a read-back. The first
// check that fails decides, in the order of the table in README.md.
std::string DoCardWork(VirtualCard& card, const std::string& frame, BrokenChecksum broken);

// Every reply starts with LF CR, as the real reader's do.
std::string VersionReply(std::string_view version);
std::string CardIdReply(std::uint32_t barcode, std::uint32_t cipher);
std::string UnknownReply();
std::string AckReply(char role, char op);
std::string ErrResult(int code);

// "none", "stale", "byte", "gone"; nullopt for any other word.
std::optional<CardFault> CardFaultNamed(std::string_view name);
const char* CardFaultName(CardFault fault);

}  // namespace tollvane::sim
