// Finding the reader: the search over the system's ports, locating the
// programmer by its USB identity, connecting, the operator's own choice of
// port, and the version check that follows every connect.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// The end of the search wait: lists the ports, locates the reader and
// connects to it.
void SearchReader(AppContext& app);

// The end of the reply wait: reads and classifies the reply to "AT+READS_USB".
void FinishVersionWait(AppContext& app);

// The operator chose a port in PortCombo: connects to it.
void OnPortChosen(AppContext& app);

}  // namespace tollvane
