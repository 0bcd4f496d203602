// The system's serial ports in PortCombo: listing, numeric order, choosing
// an entry by name and the refresh after the link closed.
#pragma once

#include <string>

#include "app/app_context.h"

namespace tollvane {

// Puts the registered ports into PortCombo in registry order and selects
// the first. False when none could be listed; the list is then unchanged.
bool FillPortList(AppContext& app);
// Reorders PortCombo by port number and selects the first entry.
void SortPortList(AppContext& app);
// Selects the entry that equals name exactly and writes its index; with no
// such entry neither the selection nor index changes.
void SelectPortByName(AppContext& app, const std::string& name, int& index);
// PortCombo enabled and refilled, first entry selected; one empty entry when
// the system lists no port.
void RefreshPortList(AppContext& app);

}  // namespace tollvane
