#include "app/reader/link.h"

#include <cstdio>
#include <string>

#include "app/form_rules.h"
#include "app/reader/card_run.h"
#include "app/port_list_ui.h"

namespace tollvane {

namespace {
constexpr char kUnknownVersionText[] = "x.xx";

void ShowPortError(AppContext& app, Msg what, std::uint32_t error) {
    char text[512];
    std::snprintf(text, sizeof(text), "%s [%d] %s", app.texts[Msg::kErrorWord],
                  static_cast<int>(error), app.texts[what]);
    app.boxes.ShowSystemError(text);
}

}  // namespace

bool SendToReader(AppContext& app, const std::uint8_t* data, std::size_t length) {
    const SendResult sent = app.port.SendBytes(data, length);
    if (!sent && sent.systemError != 0) ShowPortError(app, Msg::kPortWriteError, sent.systemError);
    return static_cast<bool>(sent);
}

bool ReadFromReader(AppContext& app, ReplyBuffer& reply) {
    const bool got = app.port.ReadReply(reply);
    if (reply.failed) ShowPortError(app, Msg::kPortReadError, reply.systemError);
    return got;
}

void EndOperation(AppContext& app) {
    app.port.Close();
    RefreshPortList(app);
    app.link.manualConnect = false;
    // A run that ends here must not come back with the next single command.
    EndCyclicRun(app);
    ResetForm(app);
    app.values.versionText = kUnknownVersionText;
    app.form.SetText(Ctl::VersionValue, app.values.versionText);
}

void ShowErrorOpening(AppContext& app) {
    app.ShowMessage(std::string(app.texts[Msg::kErrorOpening]) + " [" + app.link.portName + "]!",
                    MessageIcon::Error);
}

void ShowDidNotRespond(AppContext& app) {
    app.ShowMessage(Msg::kReaderDidNotRespond, MessageIcon::Retry);
}

void GiveUpManualPort(AppContext& app) {
    EndOperation(app);
    ShowDidNotRespond(app);
    app.form.Enable(Ctl::PortCombo, true);
}

}  // namespace tollvane
