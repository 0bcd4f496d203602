#include "app/reader_flows.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "app/form_rules.h"
#include "app/port_list_ui.h"
#include "app/progress.h"
#include "app/read_back_apply.h"
#include "carddata/generation.h"
#include "protocol/card_id.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
#include "protocol/version.h"

namespace tollvane {

namespace {

constexpr unsigned kReaderBaud = 19200;
constexpr int kCardWaitTicks = 165;
constexpr unsigned kCyclicPauseMs = 1000;
constexpr unsigned kCardIdReplyDelayMs = 100;
constexpr unsigned kReopenDelayMs = 1000;
constexpr unsigned kDeviceCheckPeriodMs = 2000;
constexpr char kUnknownVersionText[] = "x.xx";

enum ReplyOutcome : int { kReadFailed = 0, kUnknownCommand = 1, kHandled = 2, kAckWithData = 3 };

// --- Messages ------------------------------------------------------------------

void ShowErrorOpening(AppContext& app) {
    app.ShowMessage(std::string(app.texts[Msg::kErrorOpening]) + " [" + app.link.portName + "]!", MessageIcon::Error);
}

void ShowDidNotRespond(AppContext& app) { app.ShowMessage(Msg::kReaderDidNotRespond, MessageIcon::Retry); }

// A port the operator picked by hand that gives no usable answer is given
// up, so that he can pick another one.
void GiveUpManualPort(AppContext& app) {
    EndOperation(app);
    ShowDidNotRespond(app);
    app.form.Enable(Ctl::PortCombo, true);
}

void ClearCyclicFlags(AppContext& app) {
    app.op.cyclicWriteActive = false;
    app.op.cyclicClearActive = false;
}

// --- Discovery and version ---------------------------------------------------------

void QueryReaderVersion(AppContext& app) {
    if (!app.port.SendBytes(kReadsUsbCommand.data(), kReadsUsbCommand.size())) {
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
    app.link.isOpen = true;
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
    if (!app.link.isOpen) ConnectReader(app);
}

void AcceptReaderVersion(AppContext& app, const char* payload) {
    const VersionCheck check = CheckReaderVersion(payload);
    if (!check.accepted) {
        app.ShowMessage(Msg::kUpdateReader, MessageIcon::Error);
        EndOperation(app);
        return;
    }
    app.reader.versionX100 = check.versionX100;
    app.reader.modelLetter = 'B';
    app.values.versionText = check.versionText;
    app.form.SetText(Ctl::VersionValue, app.values.versionText);
}

// --- Replies ---------------------------------------------------------------------

void ApplyReadBack(AppContext& app, const ReplyBuffer& reply) {
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    ApplySettingsReadBack(app, reply.bytes.data() + kReadBackDataOffset, received - kReadBackDataOffset);
}

// A card result at the start of the reply: its message, and true; false for
// anything it does not recognise.
bool HandleCardResult(AppContext& app, const ReplyBuffer& reply) {
    const CardResult result = ClassifyCardResult(reply);
    switch (result.kind) {
        case CardResultKind::ReadData:
            app.ShowMessage(result.message, result.icon);
            ApplyReadBack(app, reply);
            return true;
        case CardResultKind::Success:
            app.op.operationSucceeded = true;
            // A cyclic run goes on without a box; the pause gives the
            // operator time to take the card away and present the next.
            if (app.op.cyclicWriteActive || app.op.cyclicClearActive) app.sleeper.SleepMs(kCyclicPauseMs);
            else app.ShowMessage(result.message, result.icon);
            return true;
        case CardResultKind::Error:
            app.ShowMessage(result.message, result.icon);
            return true;
        case CardResultKind::NotRecognised:
            return false;
    }
    return false;
}

// Nothing came: a port picked by hand is not the reader's.
int NoReply(AppContext& app) {
    if (app.link.manualConnect) {
        ShowDidNotRespond(app);
        app.form.Enable(Ctl::PortCombo, true);
    }
    EndOperation(app);
    return kReadFailed;
}

// Classifies a received reply and says what it means to the operator.
int ClassifyReply(AppContext& app, ReplyBuffer& reply) {
    if (reply.count == 0) return NoReply(app);
    switch (ParseAck(reply)) {
        case AckKind::UnknownCommand:
            app.ShowMessage(Msg::kInvalidCommand, MessageIcon::Error);
            if (app.link.manualConnect) GiveUpManualPort(app);
            return kUnknownCommand;
        case AckKind::Ok:
            return kHandled;
        case AckKind::OkWithData:
            app.ShowMessage(Msg::kSettingsRead, MessageIcon::Success);
            AcceptReaderVersion(app, reply.c_str());
            return kAckWithData;
        case AckKind::Nothing:
            break;
    }
    if (HandleCardResult(app, reply)) return kHandled;
    app.ShowMessage(Msg::kAnswerNotRecognized, MessageIcon::Error);
    if (app.link.manualConnect) GiveUpManualPort(app);
    return kReadFailed;
}

int ReceiveReply(AppContext& app) {
    ReplyBuffer reply;
    if (!app.port.ReadReply(reply)) return NoReply(app);
    return ClassifyReply(app, reply);
}

// --- The card reply wait -------------------------------------------------------------

// The result lines a card command ends with, and how long each is in full.
struct ResultShape {
    const char* head;
    std::size_t length;
};
constexpr ResultShape kResultShapes[] = {
    {"\rAT+DAT_OK", 10},
    {"\rAT+ERR_", 10},
    {"\rAT+ms", kReadBackReplySize},
};

// True when the bytes can only be the first part of a result line: nothing
// yet, or a beginning that a known result line continues.
bool IsResultBeginning(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return true;
    for (const ResultShape& shape : kResultShapes) {
        const std::size_t compared = std::min(count, std::strlen(shape.head));
        if (std::memcmp(bytes, shape.head, compared) == 0 && count < shape.length) return true;
    }
    return false;
}

// Where the acknowledgement " - OK!" ends in a reply that ParseAck called a
// plain acknowledgement (the first such text is the one it found).
std::size_t AckEnd(const ReplyBuffer& reply) {
    static constexpr char kAck[] = " - OK!";
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    const auto* begin = reply.bytes.data();
    const auto* found = std::search(begin, begin + received, kAck, kAck + sizeof kAck - 1);
    return static_cast<std::size_t>(found - begin) + sizeof kAck - 1;
}

// What the bytes after an acknowledgement hold of the result line.
enum class ResultSoFar {
    None,      // text of the reader's own (a line end, a word): the wait polls on
    Maybe,     // ends in what could be the line feed or "\rAT" of a result
    Begun,     // "\rAT+" has come, the rest of the line has not
    Complete,  // a whole result line, or one no known result continues
};

// Looks for the result line in the bytes after the acknowledgement; keeps in
// held the part of them that belongs to it. The device may end its
// acknowledgement with any text, a line end included, so only "\rAT+" marks
// the result: a carriage return of the acknowledgement's own line end is
// never taken for the result's.
ResultSoFar ScanForResult(const std::uint8_t* bytes, std::size_t count, ReplyBuffer& held) {
    static constexpr char kResultHead[] = "\rAT+";
    static constexpr char kLineHead[] = "\n\rAT+";
    held.Clear();
    const std::uint8_t* found = std::search(bytes, bytes + count, kResultHead, kResultHead + 4);
    if (found != bytes + count) {
        held.count = std::min(static_cast<std::size_t>(bytes + count - found), ReplyBuffer::kCapacity);
        std::memcpy(held.bytes.data(), found, held.count);
        return IsResultBeginning(held.bytes.data(), held.count) ? ResultSoFar::Begun : ResultSoFar::Complete;
    }
    for (std::size_t k = std::min<std::size_t>(count, 4); k > 0; --k) {
        const std::uint8_t* tail = bytes + count - k;
        if (std::memcmp(tail, kLineHead, k) == 0 || (k < 4 && std::memcmp(tail, kResultHead, k) == 0)) {
            held.count = k;
            std::memcpy(held.bytes.data(), tail, k);
            return ResultSoFar::Maybe;
        }
    }
    return ResultSoFar::None;
}

void ContinueCyclicRun(AppContext& app) {
    if (app.op.cyclicWriteActive) {
        if (!app.op.operationSucceeded) {
            ClearCyclicFlags(app);
            return;
        }
        app.op.operationSucceeded = false;
        WriteCard(app);
    } else if (app.op.cyclicClearActive) {
        if (!app.op.operationSucceeded) {
            ClearCyclicFlags(app);
            return;
        }
        app.op.operationSucceeded = false;
        ClearCard(app);
    }
}

// The end of a card command's wait: the wait is over before the result is
// said, so that a box opened for it never runs under a live wait.
void FinishCardWait(AppContext& app, ReplyBuffer* received) {
    EndWait(app, TimerId::Card);
    app.op.resultStarted = false;
    if (received) ClassifyReply(app, *received);
    else ReceiveReply(app);
    app.progress.EnableMainWindow(true);
    ContinueCyclicRun(app);
}

// The wait ends at its first tick without a result: no poll, no next cycle.
// A read that failed part-way is a failed read, whatever bytes came first.
void StopAtFirstTick(AppContext& app, ReplyBuffer* reply) {
    EndWait(app, TimerId::Card);
    ClearCyclicFlags(app);
    if (reply) ClassifyReply(app, *reply);
    else NoReply(app);
    app.progress.EnableMainWindow(true);
}

// A read error during the wait ends it at once: its box has been shown, and
// the link is in doubt.
void StopOnReadError(AppContext& app) {
    EndWait(app, TimerId::Card);
    app.op.resultStarted = false;
    NoReply(app);
    app.progress.EnableMainWindow(true);
}

// Decides from the bytes after the acknowledgement how the wait goes on:
// finished with a whole result, reading on from a begun one, or polling.
void TakeResultSoFar(AppContext& app, const std::uint8_t* bytes, std::size_t count) {
    switch (ScanForResult(bytes, count, app.op.resultStart)) {
        case ResultSoFar::Complete: {
            ReplyBuffer whole = app.op.resultStart;
            FinishCardWait(app, &whole);
            return;
        }
        case ResultSoFar::Begun:
        case ResultSoFar::Maybe:
            app.op.resultStarted = true;
            return;
        case ResultSoFar::None:
            app.op.resultStarted = false;
            return;
    }
}

// The first tick reads the reader's acknowledgement. A fast card operation
// can put its result line into the same read; that result is not lost.
void FirstCardTick(AppContext& app) {
    ReplyBuffer reply;
    if (!app.port.ReadReply(reply)) {
        StopAtFirstTick(app, nullptr);
        return;
    }
    // Only a plain acknowledgement keeps the wait running.
    ReplyBuffer probe = reply;
    if (ParseAck(probe) != AckKind::Ok) {
        StopAtFirstTick(app, &reply);
        return;
    }
    const std::size_t received = std::min(reply.count, ReplyBuffer::kCapacity);
    const std::size_t end = AckEnd(reply);
    TakeResultSoFar(app, reply.bytes.data() + end, received - end);
}

// After the acknowledgement brought what is or may be the beginning of the
// result, the ticks read on from it instead of polling, which would drop a
// byte of it.
void ReadOnResult(AppContext& app) {
    ReplyBuffer more;
    if (!app.port.ReadReply(more) && more.failed) {
        StopOnReadError(app);
        return;
    }
    std::uint8_t joined[2 * ReplyBuffer::kCapacity];
    const ReplyBuffer& held = app.op.resultStart;
    const std::size_t added = std::min(more.count, ReplyBuffer::kCapacity);
    std::memcpy(joined, held.bytes.data(), held.count);
    std::memcpy(joined + held.count, more.bytes.data(), added);
    const std::size_t joinedCount = held.count + added;
    if (app.op.tickCount < kCardWaitTicks) {
        TakeResultSoFar(app, joined, joinedCount);
        return;
    }
    // The last tick: a begun result is judged as it stands; without one the
    // reader did not answer.
    ReplyBuffer whole;
    const ResultSoFar so = ScanForResult(joined, joinedCount, whole);
    FinishCardWait(app, so == ResultSoFar::Begun || so == ResultSoFar::Complete ? &whole : nullptr);
}

// --- Card commands -------------------------------------------------------------------

FormSnapshot SnapshotForm(const AppContext& app) {
    const FormView& form = app.form;
    FormSnapshot s;
    s.classicChecked = form.IsChecked(Ctl::ClassicCheck);
    s.sl1Checked = form.IsChecked(Ctl::Sl1Radio);
    s.sl3Checked = form.IsChecked(Ctl::Sl3Radio);
    s.aesAuthChecked = form.IsChecked(Ctl::AesAuthCheck);
    s.ifTouchMemory = form.IsChecked(Ctl::IfTouchMemoryRadio);
    s.ifW26 = form.IsChecked(Ctl::IfW26Radio);
    s.ifW44 = form.IsChecked(Ctl::IfW44Radio);
    s.ifW58 = form.IsChecked(Ctl::IfW58Radio);
    s.indDirect = form.IsChecked(Ctl::IndDirectRadio);
    s.indInverse = form.IsChecked(Ctl::IndInverseRadio);
    s.standbyDynamic = form.IsChecked(Ctl::StandbyDynamicRadio);
    s.standbyStatic = form.IsChecked(Ctl::StandbyStaticRadio);
    s.standbyOff = form.IsChecked(Ctl::StandbyOffRadio);
    s.touchPollOn = form.IsChecked(Ctl::TouchPollOnRadio);
    s.touchPollOff = form.IsChecked(Ctl::TouchPollOffRadio);
    s.workModeIndex = form.Selection(Ctl::WorkModeCombo);
    s.sectorNumber = app.values.sectorNumber;
    s.blockNumber = app.values.blockNumber;
    s.crypto1Key = app.values.crypto1Key;
    s.aesKey = app.values.aesKey;
    s.uniqueData = app.values.uniqueData;
    return s;
}

void SendFrame(AppContext& app, const CommandFrame& frame) {
    // Each frame's result stands alone: a success left over from an earlier
    // command must not continue a run.
    app.op.operationSucceeded = false;
    app.op.resultStarted = false;
    if (!app.port.SendBytes(frame.data(), frame.size())) {
        EndOperation(app);
        return;
    }
    ShowProgress(app, TimerId::Card);
}

// New unique data for a User write with "Generate unique data before write".
// False when there is none that usersData.data holds: a number on a card
// that the file does not know could be handed out again, so nothing is sent.
bool DrawUniqueDataForWrite(AppContext& app) {
    const std::optional<UniqueResult> made = GenerateUniqueData(app.random, app.users);
    if (!made) {
        app.ShowMessage(Msg::kErr05OperationFailed, MessageIcon::Error);
        return false;
    }
    app.values.uniqueData = made->bytes;
    app.values.uniqueDataText = made->text;
    app.form.SetText(Ctl::SectorDataEdit, app.values.uniqueDataText);
    RefreshConverterFields(app);
    // A failed file has shown its own message.
    return made->recorded;
}

bool WantsUniqueDataBeforeWrite(const AppContext& app) {
    const std::uint8_t mode = WorkModeLetter(app.form.Selection(Ctl::WorkModeCombo));
    return (mode == 'f' || mode == 'g') && app.form.IsChecked(Ctl::UniqueBeforeWriteCheck);
}

enum class Operation { Write, Read, Clear };

void RunCardCommand(AppContext& app, Operation operation) {
    if (!app.link.isOpen) {
        // The command is replaced by the search and not resumed after it.
        ClearCyclicFlags(app);
        ShowProgress(app, TimerId::Search);
        return;
    }
    const int role = SelectedRole(app.form.Selection(Ctl::RoleCombo));
    if (role != 0 && role != 1) {
        ClearCyclicFlags(app);
        return;
    }
    const bool master = role == 0;
    if (!master && operation == Operation::Write && WantsUniqueDataBeforeWrite(app) &&
        !DrawUniqueDataForWrite(app)) {
        ClearCyclicFlags(app);
        return;
    }
    const FormSnapshot form = SnapshotForm(app);
    switch (operation) {
        case Operation::Write:
            SendFrame(app, master ? BuildMasterWriteFrame(form) : BuildUserWriteFrame(form));
            break;
        case Operation::Read:
            SendFrame(app, master ? BuildMasterReadFrame(form) : BuildUserReadFrame(form));
            break;
        case Operation::Clear:
            SendFrame(app, master ? BuildMasterClearFrame(form) : BuildUserClearFrame(form));
            break;
    }
}

}  // namespace

// --- Entry points --------------------------------------------------------------------

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

void FinishVersionWait(AppContext& app) { ReceiveReply(app); }

void CardTimerTick(AppContext& app) {
    // A box opened inside a tick runs a modal loop that goes on dispatching
    // this timer; such ticks must not step the wait underneath it.
    // Only a tick the wait handles moves the bar.
    if (app.op.inCardTick || !app.op.waitRunning) return;
    app.progress.Step();
    app.op.inCardTick = true;
    ++app.op.tickCount;
    if (app.op.tickCount == 1) FirstCardTick(app);
    else if (app.op.resultStarted) ReadOnResult(app);
    else if (app.op.tickCount >= kCardWaitTicks || app.port.PollReplyByte()) FinishCardWait(app, nullptr);
    app.op.inCardTick = false;
}

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
    if (app.op.waitRunning) return;
    app.timers.Kill(TimerId::Device);
    app.op.deviceCheckPending = false;

    if (!app.link.isOpen) {
        RefreshPortList(app);
        if (const std::optional<std::string> found = app.ports.FindReaderPort(ReaderUsbIdentity{})) {
            app.link.portName = *found;
            ShowProgress(app, TimerId::Search);
        }
        return;
    }
    // The link stays open in name while its handle is dropped; EndOperation
    // closes only a handle that is still held.
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

void WriteCard(AppContext& app) { RunCardCommand(app, Operation::Write); }
void ReadCard(AppContext& app) { RunCardCommand(app, Operation::Read); }
void ClearCard(AppContext& app) { RunCardCommand(app, Operation::Clear); }

void ReadCardId(AppContext& app) {
    if (!app.port.SendBytes(kReadsIdsCommand.data(), kReadsIdsCommand.size())) {
        EndOperation(app);
        return;
    }
    app.sleeper.SleepMs(kCardIdReplyDelayMs);
    ReplyBuffer reply;
    if (!app.port.ReadReply(reply)) {
        ShowDidNotRespond(app);
        return;
    }
    const CardIdReply card = ParseCardIdReply(reply);
    switch (card.status) {
        case CardIdStatus::BadPrefix:
            app.ShowMessage(Msg::kInvalidCommand, MessageIcon::Error);
            return;
        case CardIdStatus::BadTerminator:
            app.ShowMessage(Msg::kAnswerNotRecognized, MessageIcon::Error);
            return;
        case CardIdStatus::Ok:
            break;
    }
    const CardIdTexts texts = FormatCardId(card.barcode, card.cipherId);
    const std::string values[4] = {texts.barcodeDec, texts.barcodeHex, texts.cipherDec, texts.cipherDotted};
    app.shell.ShowReadIdWindow(ReadIdWindowTitle(app.reader.modelLetter, app.reader.versionX100), values);
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

void EndOperation(AppContext& app) {
    if (app.link.isOpen) {
        app.link.isOpen = false;
        app.port.Close();
    }
    RefreshPortList(app);
    app.link.manualConnect = false;
    // A run that ends here must not come back with the next single command.
    ClearCyclicFlags(app);
    ResetForm(app);
    app.values.versionText = kUnknownVersionText;
    app.form.SetText(Ctl::VersionValue, app.values.versionText);
}

}  // namespace tollvane
