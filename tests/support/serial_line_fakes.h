// Fakes for the conversations with the reader. FakeLine is a serial line
// with one queue of received bytes: the test lets bytes arrive between timer
// ticks, a read takes what has arrived (as a read that ends after 60 ms of
// silence would) and a poll takes exactly one byte of the same queue, so a
// byte dropped or read twice shows. ReaderApp bundles it with the other
// fakes, and its message boxes can run a "modal loop" that dispatches timer
// ticks while a box is open, as Windows does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_controller.h"
#include "support/fakes.h"

namespace tollvane::testing {

class FakeLine : public SerialPort {
public:
    // What has arrived from the reader and not been read yet.
    std::string line;
    bool openResult = true;
    bool sendResult = true;
    bool readError = false;  // ReadReply fails as ReadFile would, with its box
    // ReadReply takes this many bytes, then fails as with readError.
    std::optional<std::size_t> failAfter;
    bool handle = false;
    std::vector<std::string> opened;
    std::vector<unsigned> openBauds;
    int closes = 0;
    std::vector<std::vector<std::uint8_t>> sent;
    int reads = 0, polls = 0;
    // Called after every successful send: the reader's immediate answer.
    std::function<void(const std::vector<std::uint8_t>&)> onSend;
    MessageBoxes* boxes = nullptr;  // for the read error box

    void Arrive(const std::string& bytes) { line += bytes; }

    bool Open(const std::string& name, unsigned baud) override {
        opened.push_back(name);
        openBauds.push_back(baud);
        handle = openResult;
        return openResult;
    }
    void Close() override {
        if (handle) ++closes;
        handle = false;
    }
    bool HasHandle() const override { return handle; }
    bool SendBytes(const std::uint8_t* data, std::size_t length) override {
        sent.emplace_back(data, data + length);
        if (!sendResult) return false;
        if (onSend) onSend(sent.back());
        return true;
    }
    bool ReadReply(ReplyBuffer& reply, std::size_t capacity = ReplyBuffer::kCapacity) override {
        ++reads;
        reply.Clear();
        std::size_t n = std::min({line.size(), capacity, ReplyBuffer::kCapacity});
        const bool fails = readError || (failAfter && *failAfter < capacity);
        if (readError) n = 0;
        else if (fails) n = std::min(n, *failAfter);
        for (std::size_t i = 0; i < n; ++i) reply.bytes[i] = static_cast<std::uint8_t>(line[i]);
        reply.count = n;
        line.erase(0, n);
        if (fails) {
            reply.failed = true;
            if (boxes) boxes->ShowSystemError("Error [5] when reading from a COM port!");
            return false;
        }
        return n != 0;
    }
    bool PollReplyByte() override {
        ++polls;
        if (line.empty()) return false;
        line.erase(0, 1);
        return true;
    }
    std::string SentText(std::size_t i) const { return std::string(sent.at(i).begin(), sent.at(i).end()); }
};

// Message boxes whose modal loop can be made to dispatch messages.
class ModalBoxes : public FakeMessageBoxes {
public:
    std::function<void()> modalLoop;

    void Show(const std::string& text, MessageIcon icon) override {
        FakeMessageBoxes::Show(text, icon);
        RunLoop();
    }
    void ShowSystemError(const std::string& text) override {
        FakeMessageBoxes::ShowSystemError(text);
        RunLoop();
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownMessage& m : shown) texts.push_back(m.text);
        return texts;
    }

private:
    void RunLoop() {
        if (!modalLoop || inLoop_) return;
        inLoop_ = true;
        modalLoop();
        inLoop_ = false;
    }
    bool inLoop_ = false;
};

struct ReaderApp {
    FakeFormView form;
    ModalBoxes boxes;
    FakeTimers timers;
    FakeProgress progress;
    FakeSleeper sleeper;
    FakeLine port;
    FakePortDiscovery ports;
    FakeRandom random;
    FakeUniqueStore users;
    FakeShell shell;
    AppContext app{form,  boxes, timers, progress, sleeper, port, ports, random, users, shell,
                   LanguageId::English, MessageTable{LanguageId::English}, "", {}, {}, {}, {}};

    // The form as the program starts it, in English, with the system's
    // ports and the reader on readerPort.
    explicit ReaderApp(std::vector<std::string> systemPorts = {"COM1", "COM3"},
                       std::optional<std::string> readerPort = "COM3") {
        app.configPath = (std::filesystem::temp_directory_path() / "tollvane-flows-appconfig.ini").string();
        port.boxes = &boxes;
        ports.ports = std::move(systemPorts);
        ports.readerPort = std::move(readerPort);
        for (const std::string& p : *ports.ports) ports.present.insert(p);
        InitMainForm(app);
    }
    ReaderApp(const ReaderApp&) = delete;
    ReaderApp& operator=(const ReaderApp&) = delete;

    std::string T(Msg id) const { return app.texts[id]; }

    // One tick of a timer, if it runs.
    bool Tick(TimerId id) {
        if (!timers.IsRunning(id)) return false;
        OnTimer(app, static_cast<int>(id));
        return true;
    }
    // Ticks the timer until it stops; the number of ticks.
    int RunOut(TimerId id, int limit = 1000) {
        int n = 0;
        while (n < limit && Tick(id)) ++n;
        return n;
    }
    // The reader answers every command at once as the real one does.
    void ReaderAcknowledges(std::string version = "2.00") {
        port.onSend = [this, version](const std::vector<std::uint8_t>& bytes) {
            const std::string text(bytes.begin(), bytes.end());
            if (text == "AT+READS_USB") port.Arrive("\n\rAT+USB - OK! >> " + version);
            else if (bytes.size() == 46) port.Arrive(std::string("\n\rAT+") + char(bytes[3]) + char(bytes[4]) + " - OK!");
        };
    }
    // Start-up: the search, the connect and the version check.
    void Connect(std::string version = "2.00") {
        ReaderAcknowledges(version);
        StartUp(app);
        RunOut(TimerId::Search);
        RunOut(TimerId::Reply);
        boxes.shown.clear();
    }
    void Click(Ctl c) { OnCommand(app, static_cast<int>(c), 0); }
    void SelectCombo(Ctl c, int index) {
        form.SetSelection(c, index);
        OnCommand(app, static_cast<int>(c), 1);
    }
};

}  // namespace tollvane::testing
