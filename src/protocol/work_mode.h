// The four work modes of the access-control reader, as one type: the letter
// a frame carries for each, and what a User card written in it holds. Every
// reader and writer of the settings block asks these, never the letters.
#pragma once

#include <cstdint>
#include <optional>

namespace tollvane {

// In WorkModeCombo's item order, which is not the order of the letters.
enum class WorkMode { CardId, SectorData, CardIdLoggedIn, SectorDataDecrypt };

// The mode of a WorkModeCombo item; none for an index outside the list
// (nothing selected).
std::optional<WorkMode> WorkModeOfItem(int item);
// The mode a settings block names; none for any other byte.
std::optional<WorkMode> WorkModeOfLetter(std::uint8_t letter);

int ItemOf(WorkMode mode);
std::uint8_t LetterOf(WorkMode mode);
// A User write in this mode carries the user data in its settings block.
bool CarriesUserData(WorkMode mode);
// The user data goes to the card through ScrambleUniqueData.
bool Scrambled(WorkMode mode);

// Shorthands for a mode that may be missing: a missing one carries nothing
// and is not scrambled.
bool CarriesUserData(std::optional<WorkMode> mode);
bool Scrambled(std::optional<WorkMode> mode);

}  // namespace tollvane
