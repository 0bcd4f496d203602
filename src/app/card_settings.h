// The card settings the main form holds, as one value: what a card command
// sends, what a key record keeps and what a card's read-back brings. They are
// read from the form and its kept values in one call and put back in one
// call, and a hex field's bytes, text and edit are only ever set together.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/app_context.h"
#include "protocol/frames.h"
#include "protocol/work_mode.h"

namespace tollvane {

enum class CardType { Classic, Sl1, Sl3 };

// The index of the checked button in each reader-settings radio group, in
// control order (IfTouchMemory to IfW58, IndDirect/IndInverse,
// StandbyDynamic to StandbyOff, TouchPollOn/TouchPollOff).
struct ReaderSettings {
    std::optional<int> interfaceIndex;
    std::optional<int> indicationIndex;
    std::optional<int> standbyIndex;
    std::optional<int> touchPollIndex;
};

// Read from the form, every value is there except a card type, a radio
// group or a work mode that has nothing checked or selected. Put onto the
// form, a value that is absent leaves its controls as they are.
struct CardSettings {
    std::optional<CardType> cardType;
    std::optional<bool> aesAuth;
    std::optional<WorkMode> workMode;
    int sector = 1;
    int block = 0;
    ReaderSettings reader;
    std::optional<std::array<std::uint8_t, 6>> crypto1Key;
    std::optional<std::array<std::uint8_t, 16>> aesKey;
};

// The card type follows the frames' order: ClassicCheck first, then Sl1Radio,
// then Sl3Radio. A radio group counts its first checked button.
CardSettings ReadCardSettings(const FormView& form, const FormValues& values);

// In this order: the card type's check marks (which controls are enabled
// follows from the form rule), AesAuthCheck, the four radio groups, the work
// mode (the form rule for the form's role with that mode, then the
// selection), sector and block held to the up-downs' ranges, then the keys.
void ApplyCardSettings(AppContext& app, const CardSettings& settings);

// What the frame builders read: the settings and the user data.
FormSnapshot SnapshotOf(const CardSettings& settings,
                        const std::array<std::uint8_t, 7>& uniqueData);

// Where a hex edit (Crypto1KeyEdit, AesKeyEdit, SectorDataEdit) keeps its
// value beside the control; any other control names the user data.
struct HexFieldValue {
    std::span<std::uint8_t> bytes;
    std::string& text;
    bool& filterActive;
};
HexFieldValue KeptValueOf(AppContext& app, Ctl edit);

// Puts bytes into a hex field: the kept bytes, their display text ("FF FF")
// and the edit's text together; new user data also refreshes the converter.
void SetHexField(AppContext& app, Ctl edit, std::span<const std::uint8_t> bytes);

// The three converter fields from the kept user data and converter format.
void RefreshConverterFields(AppContext& app);

}  // namespace tollvane
