// What a read-back frame puts on the form. Decoding is pure; the
// application applies the values to the controls. Every optional left empty
// means "leave that control group as it is".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/work_mode.h"

namespace tollvane {

enum class ReadBackCardType { Classic, Sl1, Sl3 };

struct ReadBackValues {
    std::uint8_t roleLetter = 0;
    bool masterCard = false;  // role letter 'M'; any other letter is a User card

    // Master card only. Classic: ClassicCheck on, PlusCheck, Sl1Radio,
    // Sl3Radio off. Sl1: PlusCheck and Sl1Radio on, ClassicCheck and Sl3Radio
    // off. Sl3: PlusCheck and Sl3Radio on, ClassicCheck and Sl1Radio off.
    std::optional<ReadBackCardType> cardType;
    // Off for Classic and Sl3; for Sl1 on with 'V', off with 'X', and left
    // alone for any other letter.
    std::optional<bool> aesAuthChecked;
    // Index of the radio to check within its group, in control order:
    // IfTouchMemory/IfW26/IfW44/IfW58, IndDirect/IndInverse,
    // StandbyDynamic/StandbyStatic/StandbyOff, TouchPollOn/TouchPollOff.
    std::optional<int> interfaceIndex;
    std::optional<int> indicationIndex;
    std::optional<int> standbyIndex;
    std::optional<int> touchPollIndex;

    // Any role. The caller applies the form rule with
    // RoleCombo selection * 10 + index before selecting it.
    std::optional<WorkMode> workMode;
    int sectorNumber = 0;  // taken as it comes, no range check
    int blockNumber = 0;

    // Master card: the Crypto1 key always, the AES128 key only for '1'/'3'.
    std::optional<std::array<std::uint8_t, 6>> crypto1Key;
    std::string crypto1KeyText;
    std::optional<std::array<std::uint8_t, 16>> aesKey;
    std::string aesKeyText;

    // User card: the unique data, unscrambled for a scrambling work mode.
    std::optional<std::array<std::uint8_t, 7>> uniqueData;
    std::string uniqueDataText;
};

// frameFromOffset5: the received frame from its card type letter on (41
// bytes for a whole frame). Bytes beyond available read as 0.
ReadBackValues DecodeReadBack(const std::uint8_t* frameFromOffset5, std::size_t available);

}  // namespace tollvane
