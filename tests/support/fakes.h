// In-memory fakes of every service the application logic talks through, and TestApp, which bundles
// them with an AppContext. The fakes keep their state in public members for tests to arrange and
// inspect directly.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "app/form_controls.h"
#include "app/form_view.h"
#include "app/key_record_form.h"
#include "app/main_controller.h"
#include "base/ui.h"
#include "carddata/random_source.h"
#include "carddata/unique_store.h"
#include "protocol/crc8.h"
#include "protocol/frames.h"
#include "register/register_reader.h"
#include "serial/serial_port.h"
#include "support/memory_files.h"

namespace tollvane::testing {

struct FakeControl {
    bool checked = false, enabled = true, shown = true, masked = false;
    std::string text;
    int upDownPos = 0, caret = 0, selection = -1;
    std::vector<std::string> items;
};

// Setting a text puts the caret at its end, as an edit does. The hooks reproduce what Windows does
// synchronously: an edit whose text is set reports EN_CHANGE, and an edit that loses the focus
// EN_KILLFOCUS.
class FakeFormView : public FormView {
public:
    mutable std::map<Ctl, FakeControl> controls;
    std::optional<Ctl> focused;
    std::function<void(Ctl)> onTextSet, onFocusLost;

    FakeControl& operator[](Ctl c) { return controls[c]; }
    bool IsChecked(Ctl c) const override { return controls[c].checked; }
    void SetChecked(Ctl c, bool checked) override { controls[c].checked = checked; }
    bool IsEnabled(Ctl c) const override { return controls[c].enabled; }
    void Enable(Ctl c, bool enabled) override { controls[c].enabled = enabled; }
    bool IsShown(Ctl c) const override { return controls[c].shown; }
    void Show(Ctl c, bool shown) override { controls[c].shown = shown; }
    std::string Text(Ctl c) const override { return controls[c].text; }
    void SetText(Ctl c, const std::string& text) override {
        controls[c].text = text;
        controls[c].caret = static_cast<int>(text.size());
        if (onTextSet) onTextSet(c);
    }
    void SetPasswordMask(Ctl c, bool masked) override { controls[c].masked = masked; }
    bool IsPasswordMasked(Ctl c) const override { return controls[c].masked; }
    void SetUpDownPos(Ctl c, int pos) override { controls[c].upDownPos = pos; }
    int Caret(Ctl c) const override { return controls[c].caret; }
    void SetCaret(Ctl c, int pos) override { controls[c].caret = pos; }
    void FocusMainWindow() override {
        const std::optional<Ctl> lost = std::exchange(focused, std::nullopt);
        if (lost && onFocusLost) onFocusLost(*lost);
    }
    // A combo box ignores an index outside its list and selects nothing.
    int Selection(Ctl c) const override { return controls[c].selection; }
    void SetSelection(Ctl c, int index) override {
        controls[c].selection = index >= 0 && index < ItemCount(c) ? index : -1;
    }
    int ItemCount(Ctl c) const override { return static_cast<int>(controls[c].items.size()); }
    std::string ItemText(Ctl c, int index) const override {
        return index >= 0 && index < ItemCount(c) ? controls[c].items[index] : std::string();
    }
    void ResetContent(Ctl c) override { controls[c].items.clear(), controls[c].selection = -1; }
    void AddItem(Ctl c, const std::string& text) override { controls[c].items.push_back(text); }
    void DeleteItem(Ctl c, int index) override {
        FakeControl& ctl = controls[c];
        if (index < 0 || index >= ItemCount(c)) return;
        ctl.items.erase(ctl.items.begin() + index);
        ctl.selection = ctl.selection == index ? -1 : ctl.selection - (ctl.selection > index);
    }
};

struct ShownMessage {
    std::string text;
    MessageIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

// A box is modal: modalLoop, when set, runs while it is open (once at a time), as a real box's loop
// dispatches ticks.
class FakeMessageBoxes : public MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    std::vector<std::string> systemErrors, questions;
    std::deque<bool> answers;  // next answers to AskYesNo; empty: yes
    std::function<void()> modalLoop;

    void Show(const std::string& text, MessageIcon icon) override {
        shown.push_back({text, icon});
        RunLoop();
    }
    void ShowSystemError(const std::string& text) override {
        systemErrors.push_back(text);
        RunLoop();
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        const bool answer = answers.empty() || answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownMessage& m : shown) texts.push_back(m.text);
        return texts;
    }

private:
    void RunLoop() {
        if (modalLoop && !inLoop_) {
            inLoop_ = true;
            modalLoop();
            inLoop_ = false;
        }
    }
    bool inLoop_ = false;
};

class FakeTimers : public Timers {
public:
    std::map<TimerId, unsigned> running;  // id -> period
    void Start(TimerId id, unsigned periodMs) override { running[id] = periodMs; }
    void Kill(TimerId id) override { running.erase(id); }
    bool IsRunning(TimerId id) const { return running.count(id) != 0; }
};

class FakeProgress : public ProgressView {
public:
    bool open = false, mainWindowEnabled = true;
    std::string title;
    int range = 0, steps = 0, opens = 0;
    void Open(const std::string& t, int r) override {
        open = true, title = t, range = r, steps = 0, ++opens;
    }
    void Step() override { ++steps; }
    void SetTitle(const std::string& t) override { title = t; }
    void Close() override { open = false; }
    void EnableMainWindow(bool enable) override { mainWindowEnabled = enable; }
};

class FakeSleeper : public Sleeper {
public:
    std::vector<unsigned> pauses;
    void SleepMs(unsigned ms) override { pauses.push_back(ms); }
};

// A serial line with one queue of received bytes: the test lets bytes arrive between timer ticks, a
// read takes what has arrived (as a read that ends after 60 ms of silence would) and a poll takes
// exactly one byte of the same queue, so a byte dropped or read twice shows.
class FakeLine : public SerialPort {
public:
    std::string line;  // arrived from the reader and not read yet
    bool openResult = true, sendResult = true, handle = false;
    std::uint32_t sendError = 0;           // with sendResult false: the system refused the write
    std::optional<std::size_t> failAfter;  // ReadReply takes this many bytes, then fails so
    std::vector<std::string> opened;
    std::vector<unsigned> openBauds;
    int closes = 0, polls = 0;
    std::vector<std::vector<std::uint8_t>> sent;
    std::function<void(const std::vector<std::uint8_t>&)> onSend;  // the reader's immediate answer

    void Arrive(const std::string& bytes) { line += bytes; }
    PortOpening Open(const std::string& name, unsigned baud) override {
        opened.push_back(name);
        openBauds.push_back(baud);
        if ((handle = openResult)) return {};
        return {PortFailure{PortStep::Open, 5}};
    }
    void Close() override { closes += handle, handle = false; }
    bool HasHandle() const override { return handle; }
    SendResult SendBytes(const std::uint8_t* data, std::size_t length) override {
        sent.emplace_back(data, data + length);
        if (!sendResult) return {false, sendError};
        if (onSend) onSend(sent.back());
        return {true};
    }
    bool ReadReply(ReplyBuffer& reply, std::size_t capacity = ReplyBuffer::kCapacity) override {
        reply.Clear();
        const bool fails = failAfter && *failAfter < capacity;
        const std::size_t n = std::min(
            {line.size(), capacity, ReplyBuffer::kCapacity, fails ? *failAfter : std::size_t(-1)});
        std::copy_n(line.begin(), n, reply.bytes.begin());
        reply.count = n;
        reply.failed = fails;
        reply.systemError = fails ? 5 : reply.systemError;
        line.erase(0, n);
        return !fails && n != 0;
    }
    bool PollReplyByte() override { return ++polls, !line.empty() && (line.erase(0, 1), true); }
    std::string SentText(std::size_t i) const {
        return std::string(sent.at(i).begin(), sent.at(i).end());
    }
};

class FakePortDiscovery : public PortDiscovery {
public:
    std::optional<std::vector<std::string>> ports = std::vector<std::string>{};
    std::optional<std::string> readerPort;
    std::set<std::string> present;
    PortListing ListPorts() override {
        return ports ? PortListing{*ports, std::nullopt}
                     : PortListing{{}, PortFailure{PortStep::ListKey, 2}};
    }
    std::optional<std::string> FindReaderPort(const ReaderUsbIdentity&) override {
        return readerPort;
    }
    bool IsPortPresent(const std::string& name) override { return present.count(name) != 0; }
};

// Bytes 1, 2, 3, ... (wrapping), continuing across calls; fail makes Fill fail without touching the
// output.
class FakeRandom : public RandomSource {
public:
    std::uint8_t next = 1;
    bool fail = false;
    bool Fill(std::uint8_t* out, std::size_t count) override {
        if (!fail) std::generate_n(out, count, [&] { return next++; });
        return !fail;
    }
};

class FakeUniqueStore : public UniqueNumberStore {
public:
    std::deque<RecordOutcome> outcomes;         // next results; empty: Recorded
    StoreFailure failure{StoreStep::Write, 5};  // what a Failed result says
    std::vector<std::array<std::uint8_t, 7>> asked, recorded;

    Recording Record(const std::uint8_t data[7]) override {
        std::array<std::uint8_t, 7>& copy = asked.emplace_back();
        std::copy_n(data, 7, copy.begin());
        const RecordOutcome outcome = outcomes.empty() ? RecordOutcome::Recorded : outcomes.front();
        if (!outcomes.empty()) outcomes.pop_front();
        if (outcome == RecordOutcome::Recorded) recorded.push_back(copy);
        return {outcome, failure};
    }
    Recording RecordGiven(const std::uint8_t data[7]) override { return Record(data); }
};

// What the logic asks of the shell that the tests look at; the windows themselves are the
// end-to-end suite's.
class FakeShell : public Shell {
public:
    int menuRebuilds = 0, helpOpens = 0;
    HelpOpening helpResult;
    std::vector<std::pair<std::string, std::vector<std::string>>> readIdWindows;

    void SetMainTitle(const std::string&) override {}
    void RebuildMenu() override { ++menuRebuilds; }
    HelpOpening OpenHelpFile() override { return ++helpOpens, helpResult; }
    void ShowAbout() override {}
    void CloseMainWindow() override {}
    void ShowReadIdWindow(const std::string& title, const std::string values[4]) override {
        readIdWindows.push_back({title, {values, values + 4}});
    }
    void OpenKeyListForAdd() override {}
    void OpenKeyListAndShowFirst() override {}
    void OpenIssuedCards() override {}
    void OpenDatabase() override {}
    void OpenCardHolders() override {}
};

// The station of the register and the card holders' list, at a fixed time.
class FixedStation : public StationClock {
public:
    RegisterTime Now() override { return {2026, 12, 6, 18, 30, 5, 180}; }
    std::string OperatorName() override { return "ivanova"; }
    std::string ComputerName() override { return "DESK-2"; }
};

// The system's ports and the one the reader is on, for a TestApp that starts with the program's
// form.
struct WithReader {
    std::vector<std::string> ports = {"COM1", "COM3"};
    std::optional<std::string> readerPort = "COM3";
};

class FakeKeyListUi : public KeyListUi {
public:
    std::vector<KeyListRow> rows;
    bool showKeys = false;
    std::map<KeyField, std::string> fields;
    int closes = 0;

    void ShowRows(KeyListRows r) override {
        rows.clear();
        for (std::size_t i = 0; i < r.Count(); ++i) rows.push_back(r.Row(i));
    }
    bool IsShowKeysChecked() const override { return showKeys; }
    void SetShowKeysChecked(bool checked) override { showKeys = checked; }
    void SetKeyFieldsMasked(bool) override {}
    std::string FieldText(KeyField f) const override {
        return fields.count(f) ? fields.at(f) : std::string();
    }
    void SetFieldText(KeyField f, const std::string& text) override { fields[f] = text; }
    void EnableRecordButtons() override {}
    void CloseWindow() override { ++closes; }
};

// The fakes and an AppContext over them. The form is left blank unless the bundle is made
// WithReader (the start form, in English); the configuration file goes to the system's temporary
// folder.
struct TestApp {
    FakeFormView form;
    FakeMessageBoxes boxes;
    FakeTimers timers;
    FakeProgress progress;
    FakeSleeper sleeper;
    FakeLine port;
    FakePortDiscovery ports;
    FakeRandom random;
    FakeUniqueStore users;
    FakeShell shell;
    MemoryFiles files;
    AppContext app;
    AppKeyRecordForm keyForm{app};

    explicit TestApp(LanguageId language = LanguageId::Russian)
        : app{form,  boxes,  timers, progress, sleeper,  port,
              ports, random, users,  shell,    language, MessageTable{language},
              "",    {},     {},     {},       {},       {}} {
        app.configPath =
            (std::filesystem::temp_directory_path() / "tollvane-test-appconfig.ini").string();
        app.files = &files;
    }
    explicit TestApp(WithReader setup) : TestApp(LanguageId::English) {
        StartForm(std::move(setup.ports), std::move(setup.readerPort));
    }
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;

    void StartForm(std::vector<std::string> systemPorts = {"COM1", "COM3"},
                   std::optional<std::string> readerPort = "COM3") {
        ports.ports = std::move(systemPorts);
        ports.readerPort = std::move(readerPort);
        ports.present.insert(ports.ports->begin(), ports.ports->end());
        InitMainForm(app);
    }
    std::string T(Msg id) const { return app.texts[id]; }

    // RunOut ticks a timer until it stops and tells how often.
    bool Tick(TimerId id) { return timers.IsRunning(id) && (OnTimer(app, id), true); }
    int RunOut(TimerId id, int limit = 1000) {
        int n = 0;
        while (n < limit && Tick(id)) ++n;
        return n;
    }
    // The reader answers every command at once as the real one does.
    void ReaderAcknowledges(std::string version = "2.00") {
        port.onSend = [this, version](const std::vector<std::uint8_t>& bytes) {
            const std::string text(bytes.begin(), bytes.end());
            if (text == "AT+READS_USB")
                port.Arrive("\n\rAT+USB - OK! >> " + version);
            else if (bytes.size() == 46)
                port.Arrive("\n\rAT+" + text.substr(3, 2) + " - OK!");
        };
    }
    // Read ID is answered for the card in front: card n is barcode 12345678 + n, cipher 3232235777;
    // none below 0. With newCardEachWrite the operator puts a new card on for each write.
    int cardInFront = 0;
    void ReaderReadsCards(bool newCardEachWrite) {
        port.onSend = [this, newCardEachWrite,
                       acknowledge = port.onSend](const std::vector<std::uint8_t>& bytes) {
            if (acknowledge) acknowledge(bytes);
            if (bytes.size() == 46 && bytes[4] == 'w' && newCardEachWrite) ++cardInFront;
            if (std::string(bytes.begin(), bytes.end()) != "AT+READS_IDS" || cardInFront < 0)
                return;
            char reply[64];
            std::snprintf(reply, sizeof reply, "\n\rAT+IDS - OK! >> %010u %010u.",
                          12345678u + cardInFront, 3232235777u);
            port.Arrive(reply);
        };
    }
    // Start-up with the start form: the search, the connect and the version check; the boxes shown
    // are forgotten.
    void Connect(std::string version = "2.00") {
        if (form.controls.empty()) StartForm();
        ReaderAcknowledges(version);
        StartUp(app);
        RunOut(TimerId::Search);
        RunOut(TimerId::Reply);
        boxes.shown.clear();
    }
    // The three hex edits as Windows runs them: setting a text reports a change, taking the focus
    // away leaves the edit.
    void WireEditNotifications() {
        const auto hex = [](Ctl c) {
            return c == Ctl::Crypto1KeyEdit || c == Ctl::AesKeyEdit || c == Ctl::SectorDataEdit;
        };
        form.onTextSet = [this, hex](Ctl c) { hex(c) ? OnEditChanged(app, c) : void(); };
        form.onFocusLost = [this, hex](Ctl c) { hex(c) ? OnEditLeft(app, c) : void(); };
    }
    void FocusEdit(Ctl c) {
        if (form.focused && *form.focused != c) form.FocusMainWindow();
        form.focused = c;
        OnEditEntered(app, c);
    }
    // Left click on a radio: it checks itself and clears the others of its group, then the command
    // arrives.
    void ClickRadio(Ctl c) {
        for (Ctl radio : RadioGroupOf(c)) form[radio].checked = radio == c;
        OnClicked(app, c);
    }
    void Click(Ctl c) { OnClicked(app, c); }
    void SelectCombo(Ctl c, int index) {
        form.SetSelection(c, index);
        OnComboChanged(app, c);
    }
};

// The reply of a reader that read back the card the frame wrote: "\n\r", then the frame with
// letters "ms" (a User card's keys not sent back), changed by spoil before its checksums are made.
inline std::string ReadBackReply(CommandFrame frame,
                                 const std::function<void(CommandFrame&)>& spoil = nullptr) {
    frame[kFrameOperationOffset - 1] = 'm';
    frame[kFrameOperationOffset] = 's';
    if (frame[kFrameSettingsOffset] != 'M')
        std::fill(frame.begin() + 7, frame.begin() + kFrameSettingsOffset, 0);
    if (spoil) spoil(frame);
    frame[kFrameCrcOffset - 1] = Crc8(frame.data() + kFrameSettingsOffset, 15);
    frame[kFrameCrcOffset] = Crc8(frame.data(), kFrameCrcOffset);
    return "\n\r" + std::string(frame.begin(), frame.end());
}
inline CommandFrame FrameOf(const std::vector<std::uint8_t>& sent) {
    CommandFrame frame{};
    std::copy_n(sent.begin(), std::min(sent.size(), frame.size()), frame.begin());
    return frame;
}

inline std::vector<RegisterRow> RegisterRows(const std::string& file) {
    std::vector<RegisterRow> rows;
    RegisterScanner().Feed(file.data(), file.size(), [&](std::uint64_t, std::string_view line) {
        SplitRegisterLine(line, rows.emplace_back());
    });
    return rows;
}

}  // namespace tollvane::testing
