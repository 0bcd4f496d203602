#include "simreader/virtual_card.h"

#include <algorithm>
#include <cstdio>

#include "simreader/sim_crc.h"

namespace tollvane::sim {
namespace {

const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

template <std::size_t N>
std::array<std::uint8_t, N> Field(const std::string& frame, std::size_t offset) {
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<std::uint8_t>(frame[offset + i]);
    return out;
}

template <std::size_t N>
bool AllZero(const std::array<std::uint8_t, N>& a) {
    return std::all_of(a.begin(), a.end(), [](std::uint8_t b) { return b == 0; });
}

template <std::size_t N>
std::array<std::uint8_t, N> TransportKey() {
    std::array<std::uint8_t, N> k;
    k.fill(0xFF);
    return k;
}

std::string OkResult() { return "\n\rAT+DAT_OK"; }

// A read returns "AT+ms", the card type and AES letters (a Master card's as
// written, a User card's as asked), the Master AES key, the stored settings
// block with a fresh checksum, and the frame checksum.
std::string ReadBack(const VirtualCard& c, const std::string& frame, BrokenChecksum broken) {
    std::string out(kFrameSize, '\0');
    out.replace(0, 5, "AT+ms");
    if (c.role == 'M') {
        out[5] = static_cast<char>(c.typeLetter);
        out[6] = static_cast<char>(c.aesAuthLetter);
        for (std::size_t i = 0; i < 16; ++i) out[13 + i] = static_cast<char>(c.masterAes[i]);
    } else {
        out[5] = frame[5];
        out[6] = frame[6];
    }
    std::array<std::uint8_t, kSettingsSize> block = c.block;
    block[15] = SimCrc8(block.data(), kSettingsSize - 1);
    if (broken == 's') block[15] ^= 0x5A;
    for (std::size_t i = 0; i < kSettingsSize; ++i) {
        out[kSettingsOffset + i] = static_cast<char>(block[i]);
    }
    out[kFrameSize - 1] = static_cast<char>(SimCrc8(Bytes(out), kFrameSize - 1));
    if (broken == 'f') out[kFrameSize - 1] ^= static_cast<char>(0xA5);
    return "\n\r" + out;
}

}  // namespace

VirtualCard VirtualCard::Fresh(std::uint32_t barcode, std::uint32_t cipher) {
    VirtualCard c;
    c.barcode = barcode;
    c.cipher = cipher;
    c.crypto1 = TransportKey<6>();
    c.aes = TransportKey<16>();
    return c;
}

std::string VersionReply(std::string_view version) {
    return std::string("\n\rAT+USB - OK! >> ") + std::string(version);
}

std::string CardIdReply(std::uint32_t barcode, std::uint32_t cipher) {
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%010u %010u.", barcode, cipher);
    return std::string("\n\rAT+IDS - OK! >> ") + numbers;
}

std::string UnknownReply() { return "\n\rAT+CMD - UNKNOWN CMD!"; }

std::string AckReply(char role, char op) { return std::string("\n\rAT+") + role + op + " - OK!"; }

std::string ErrResult(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "\n\rAT+ERR_%02d", code % 100);
    return text;
}

constexpr std::string_view kFaultNames[] = {"none", "stale", "byte", "gone"};

std::optional<CardFault> CardFaultNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kFaultNames); ++i)
        if (kFaultNames[i] == name) return static_cast<CardFault>(i);
    return std::nullopt;
}

const char* CardFaultName(CardFault fault) {
    return kFaultNames[static_cast<std::size_t>(fault)].data();
}

std::string DoCardWork(VirtualCard& c, const std::string& frame, BrokenChecksum broken) {
    if (SimCrc8(Bytes(frame) + kSettingsOffset, kSettingsSize) != 0) return ErrResult(15);
    // The card is no longer in the field when it is read.
    if (frame[4] == 'r' && c.fault == CardFault::Gone) return ErrResult(4);

    const char role = frame[3];
    const char op = frame[4];
    const char type = frame[5];

    // The card type named in the frame must fit the chip. A Plus card at level
    // 1 works like a Classic card; a write switches a Plus card up to the
    // level it names, reads and clears never do.
    int newLevel = c.level;
    switch (type) {
        case 's':
            if (!(c.chip == Chip::Classic || c.level == 1)) return ErrResult(6);
            break;
        case '1':
            if (c.chip == Chip::Classic || c.level == 3) return ErrResult(17);
            if (c.level == 0 && op != 'w') return ErrResult(17);
            newLevel = 1;
            break;
        case '3':
            if (c.chip == Chip::Classic) return ErrResult(9);
            if (c.level != 3 && op != 'w') return ErrResult(9);
            newLevel = 3;
            break;
        default: return ErrResult(6);
    }

    // The card must hold the record of the role asked for; a clear of an
    // empty card succeeds, a write replaces whatever was there.
    if (op == 'r' && c.role != role) return ErrResult(role == 'M' ? 16 : 18);
    if (op == 'c' && c.role != 0 && c.role != role) return ErrResult(role == 'M' ? 16 : 18);
    if (op == 'c' && c.role == 0) return OkResult();

    // User cards are opened with the sector key the frame carries. A write may
    // also open a card that still has its transport key, and then keys it.
    const auto crypto1 = Field<6>(frame, 7);
    const auto aes = Field<16>(frame, 13);
    const bool usesCrypto1 = type == 's' || type == '1';
    if (role == 'U') {
        if (op == 'w') {
            if (usesCrypto1 && !AllZero(crypto1) && crypto1 != c.crypto1 &&
                c.crypto1 != TransportKey<6>()) {
                return ErrResult(11);
            }
            if (type == '3' && !AllZero(aes) && aes != c.aes && c.aes != TransportKey<16>()) {
                return ErrResult(11);
            }
        } else {
            if (usesCrypto1 && crypto1 != c.crypto1) return ErrResult(11);
            if (type == '3' && aes != c.aes) return ErrResult(11);
        }
    }

    const auto settings = Field<kSettingsSize>(frame, kSettingsOffset);
    switch (op) {
        case 'r':
            if (role == 'U' && (settings[6] != c.block[6] || settings[7] != c.block[7])) {
                return ErrResult(14);  // no user record in that sector and block
            }
            return ReadBack(c, frame, broken);
        case 'c':
            c.role = 0;
            c.block = {};
            c.typeLetter = c.aesAuthLetter = 0;
            c.masterAes = {};
            c.crypto1 = TransportKey<6>();
            c.aes = TransportKey<16>();
            return OkResult();
        default:  // 'w'
            if (c.fault == CardFault::Stale) return OkResult();
            c.role = role;
            c.block = settings;
            c.level = newLevel;
            if (role == 'M') {
                c.typeLetter = static_cast<std::uint8_t>(type);
                c.aesAuthLetter = static_cast<std::uint8_t>(frame[6]);
                c.masterAes = aes;
            } else {
                c.typeLetter = c.aesAuthLetter = 0;
                c.masterAes = {};
                if (usesCrypto1 && !AllZero(crypto1)) c.crypto1 = crypto1;
                if (type == '3' && !AllZero(aes)) c.aes = aes;
            }
            if (c.fault == CardFault::OneByte) c.block[8] ^= 0x01;
            return OkResult();
    }
}

}  // namespace tollvane::sim
