// Device supervision: after Windows reports a change of devices, the open
// port is reopened or given up, and a reader plugged in while none was
// connected is searched for.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// WM_DEVICECHANGE with DBT_DEVNODES_CHANGED: arms the DeviceTimer once.
void OnDevicesChanged(AppContext& app);
// DeviceTimer tick.
void CheckPortAfterDeviceChange(AppContext& app);

}  // namespace tollvane
