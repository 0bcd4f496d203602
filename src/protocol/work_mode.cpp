#include "protocol/work_mode.h"

#include <array>

namespace tollvane {

namespace {

struct WorkModeRow {
    std::uint8_t letter;
    bool carriesUserData;
    bool scrambled;
};

// Indexed by WorkMode.
constexpr std::array<WorkModeRow, 4> kWorkModes = {{
    {'d', false, false},  // CardId
    {'f', true, false},   // SectorData
    {'e', false, false},  // CardIdLoggedIn
    {'g', true, true},    // SectorDataDecrypt
}};

const WorkModeRow& RowOf(WorkMode mode) { return kWorkModes[static_cast<std::size_t>(mode)]; }

}  // namespace

std::optional<WorkMode> WorkModeOfItem(int item) {
    if (item < 0 || item >= static_cast<int>(kWorkModes.size())) return std::nullopt;
    return static_cast<WorkMode>(item);
}

std::optional<WorkMode> WorkModeOfLetter(std::uint8_t letter) {
    for (std::size_t i = 0; i < kWorkModes.size(); ++i)
        if (kWorkModes[i].letter == letter) return static_cast<WorkMode>(i);
    return std::nullopt;
}

int ItemOf(WorkMode mode) { return static_cast<int>(mode); }
std::uint8_t LetterOf(WorkMode mode) { return RowOf(mode).letter; }
bool CarriesUserData(WorkMode mode) { return RowOf(mode).carriesUserData; }
bool Scrambled(WorkMode mode) { return RowOf(mode).scrambled; }
bool CarriesUserData(std::optional<WorkMode> mode) { return mode && CarriesUserData(*mode); }
bool Scrambled(std::optional<WorkMode> mode) { return mode && Scrambled(*mode); }

}  // namespace tollvane
