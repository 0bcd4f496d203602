// Placeholder until the reader conversations are built: every entry point
// exists so that the window code links.
#include "app/reader_flows.h"

namespace tollvane {

void SearchReader(AppContext&) {}
void FinishVersionWait(AppContext&) {}
void CardTimerTick(AppContext&) {}
void CheckPortAfterDeviceChange(AppContext&) {}
void OnDevicesChanged(AppContext&) {}
void WriteCard(AppContext&) {}
void ReadCard(AppContext&) {}
void ClearCard(AppContext&) {}
void ReadCardId(AppContext&) {}
void OnPortChosen(AppContext&) {}
void EndOperation(AppContext&) {}

}  // namespace tollvane
