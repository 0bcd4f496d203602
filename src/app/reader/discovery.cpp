#include "app/reader/discovery.h"

#include <optional>
#include <string>

#include "app/port_list_ui.h"
#include "app/progress.h"
#include "app/reader/link.h"
#include "app/reader/replies.h"
#include "protocol/frames.h"

namespace tollvane {

namespace {

void QueryReaderVersion(AppContext& app) {
    if (!SendToReader(app, kReadsUsbCommand.data(), kReadsUsbCommand.size())) {
        EndOperation(app);
        return;
    }
    ShowProgress(app, TimerId::Reply);
}

void ConnectReader(AppContext& app) {
    if (!app.port.Open(app.link.portName, kReaderBaud)) {
        ShowErrorOpening(app);
        RefreshPortList(app);
        return;
    }
    // The port cannot be changed under an open connection.
    app.form.Enable(Ctl::PortCombo, false);
    QueryReaderVersion(app);
}

void LocateReader(AppContext& app) {
    const std::optional<std::string> found = app.ports.FindReaderPort(ReaderUsbIdentity{});
    if (!found) {
        app.ShowMessage(Msg::kVarnelNotFound, MessageIcon::Error);
        app.ShowMessage(Msg::kSelectPortHint, MessageIcon::Hint);
        return;
    }
    app.link.portName = *found;
    app.ShowMessage(std::string(app.texts[Msg::kVarnelFound]) + "\n\r->[" + app.link.portName + "]",
                    MessageIcon::Success);
    SelectPortByName(app, app.link.portName, app.link.portIndex);
    if (!app.LinkOpen()) ConnectReader(app);
}

}  // namespace

void SearchReader(AppContext& app) {
    app.form.Enable(Ctl::PortCombo, true);
    if (!FillPortList(app)) {
        app.form.ResetContent(Ctl::PortCombo);
        app.form.AddItem(Ctl::PortCombo, "");
        app.form.SetSelection(Ctl::PortCombo, 0);
        app.ShowMessage(Msg::kNoComPorts, MessageIcon::Warning);
        return;
    }
    SortPortList(app);
    LocateReader(app);
}

void FinishVersionWait(AppContext& app) {
    ReplyBuffer reply;
    const bool got = ReadFromReader(app, reply);
    SayOutcome(app, OutcomeOfReply(got ? &reply : nullptr, ReplyStage::Acknowledgement,
                                   app.link.manualConnect));
}

void OnPortChosen(AppContext& app) {
    const int index = app.form.Selection(Ctl::PortCombo);
    const std::string name = app.form.ItemText(Ctl::PortCombo, index);
    if (name.empty()) {
        app.ShowMessage(Msg::kNoComPorts, MessageIcon::Warning);
        return;
    }
    app.link.portName = name;
    app.link.portIndex = index;
    ConnectReader(app);
    // Set also when the connect failed; the next EndOperation clears it.
    app.link.manualConnect = true;
}

}  // namespace tollvane
