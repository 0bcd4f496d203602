// Device supervision: after Windows reports a change of devices, the open
// port is reopened or given up, and a reader plugged in while none was
// connected is searched for.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// OnDevicesChanged (app/main_controller.h) arms the DeviceTimer once; its
// tick comes here.
void CheckPortAfterDeviceChange(AppContext& app);

}  // namespace tollvane
