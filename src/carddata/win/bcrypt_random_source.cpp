#include "carddata/win/bcrypt_random_source.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

namespace tollvane {

bool BCryptRandomSource::Fill(std::uint8_t* out, std::size_t count) {
    // BCryptGenRandom takes a 32-bit length; larger requests go in pieces.
    constexpr std::size_t kMaxPiece = 0x10000000;
    while (count > 0) {
        const std::size_t piece = std::min(count, kMaxPiece);
        const NTSTATUS status = BCryptGenRandom(nullptr, out, static_cast<ULONG>(piece),
                                                BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        if (status < 0) return false;
        out += piece;
        count -= piece;
    }
    return true;
}

}  // namespace tollvane
