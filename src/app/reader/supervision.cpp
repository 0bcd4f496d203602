#include "app/reader/supervision.h"

#include <optional>
#include <string>

#include "app/main_controller.h"
#include "app/port_list_ui.h"
#include "app/progress.h"
#include "app/reader/link.h"

namespace tollvane {

namespace {
constexpr unsigned kReopenDelayMs = 1000;
constexpr unsigned kDeviceCheckPeriodMs = 2000;
}  // namespace

void OnDevicesChanged(AppContext& app) {
    // A burst of notifications leads to one check, 2 s after the first.
    if (app.op.deviceCheckPending) return;
    app.op.deviceCheckPending = true;
    app.timers.Start(TimerId::Device, kDeviceCheckPeriodMs);
}

void CheckPortAfterDeviceChange(AppContext& app) {
    if (!app.op.deviceCheckPending) {
        app.timers.Kill(TimerId::Device);
        return;
    }
    // Any device's change is reported, a USB stick's too; reopening the port
    // under a running wait would lose its reply. The timer keeps running and
    // the check comes at its first tick after the wait.
    if (app.op.WaitRunning()) return;
    app.timers.Kill(TimerId::Device);
    app.op.deviceCheckPending = false;

    if (!app.LinkOpen()) {
        RefreshPortList(app);
        if (const std::optional<std::string> found =
                app.ports.FindReaderPort(ReaderUsbIdentity{})) {
            app.link.portName = *found;
            ShowProgress(app, TimerId::Search);
        }
        return;
    }
    // The handle is dropped and taken again at once; nothing else runs in
    // between, and a port that cannot be reopened ends the link.
    app.port.Close();
    app.sleeper.SleepMs(kReopenDelayMs);
    if (app.ports.IsPortPresent(app.link.portName)) {
        if (app.port.Open(app.link.portName, kReaderBaud)) return;
        ShowErrorOpening(app);
        EndOperation(app);
        return;
    }
    app.ShowMessage(Msg::kConnectionBroken, MessageIcon::Error);
    app.form.DeleteItem(Ctl::PortCombo, app.link.portIndex);
    app.form.SetSelection(Ctl::PortCombo, 0);
    EndOperation(app);
}

}  // namespace tollvane
