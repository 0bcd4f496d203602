// The end-to-end tests' fixture: a scratch working folder, the program started in it beside the
// simulated reader on COM5 (tests/e2e/run starts it), a step's boxes answered, the reader pulled
// out and put back.
#pragma once

#include <winsock2.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "app/win/resource_ids.h"
#include "driver/driver.h"
#include "../win/scratch.h"

namespace tollvane::e2e {

// The main form's control identifiers, from the program's own table.
constexpr int Id(Ctl c) { return ControlId(c); }
using enum Ctl;

inline const char* kEnglishConfig = "Language = EN;\n";
inline const char* kRussianConfig = "Language = RU;\n";
inline const std::string kSuccess = "The operation was successful!";
inline const std::vector<std::string> kConnected = {"Varnel reader found!\n\r->[COM5]",
                                                    "Settings read!"};

// The simulator's control channel (TCP on 127.0.0.1): one command line, one reply line.
inline std::string Sim(const std::string& command) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const char* port = std::getenv("TOLLVANE_E2E_SIM_CONTROL");
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{AF_INET, htons(static_cast<u_short>(port ? std::atoi(port) : 0)), {}, {}};
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!started || !port ||
        connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        throw std::runtime_error("no simulated reader (run the suite through tests/e2e/run)");
    }
    send(s, (command + "\n").c_str(), static_cast<int>(command.size() + 1), 0);
    std::string reply;
    for (char c; recv(s, &c, 1, 0) == 1 && c != '\n';)
        if (c != '\r') reply += c;
    closesocket(s);
    return reply;
}

// Every byte the program sent since the last call, as upper-case hex.
inline std::string Sent() {
    const std::string reply = Sim("sent");
    return reply.size() > 3 ? reply.substr(3) : std::string();
}

// The program's windows take their DPI from this value when they start.
class AtDpi {
public:
    explicit AtDpi(DWORD dpi) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                        sizeof dpi);
    }
    ~AtDpi() { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels"); }
};

using ScratchDir = testing::Scratch;

class E2eTest : public ::testing::Test {
public:  // the scenarios' helpers take the fixture
    void SetUp() override {
        ASSERT_EQ(Sim("reset").rfind("OK", 0), 0u);
        Sim("delay 150");
        Sim("sent");
        dir.Write("usersData.data", "");  // the record of handed-out numbers is expected to exist
    }
    // Stops the program first: the scratch folder can go only afterwards.
    void TearDown() override {
        program.reset();
        if (unplugged) {
            Sim("plug");
            Registry("plug");
        }
    }

    // Starts the program with this appconfig.ini (none: no file); the texts of its start-up
    // search's boxes.
    std::vector<std::string> Start(std::optional<std::string> config = kEnglishConfig) {
        program.reset();
        if (config) dir.Write("appconfig.ini", *config);
        program = std::make_unique<Program>(dir.path);
        if (!program->WaitMainWindow())
            throw std::runtime_error("the program showed no main window");
        return program->SettleSearch();
    }

    // The one box the next step shows, answered with OK.
    std::string NextBox() {
        const auto box = program->WaitMessageBox();
        if (box) program->Answer(*box, IDOK);
        return box ? box->text : "(no box)";
    }
    // Clicks a button whose command waits for the reader; the box that ends the wait, once the
    // program is idle.
    std::string Run(int button) {
        program->ClickAsync(button);
        const std::string text = NextBox();
        EXPECT_TRUE(Idle());
        return text;
    }
    // The main window enabled and no progress window up.
    bool Idle() const {
        return WaitUntil(
            [&] { return !program->ProgressWindow() && IsWindowEnabled(program->Main()); });
    }
    // The window gone and the main window usable again.
    bool Closed(HWND window) const {
        return WaitUntil([&] { return !IsWindow(window) && IsWindowEnabled(program->Main()); });
    }
    // The User role in the work mode that sends the sector data as it is.
    void UserSectorData() {
        program->Select(Id(WorkModeCombo), 1);
        program->Select(Id(RoleCombo), 1);
    }
    // Presses Tab until the control has the focus (at most once round the form).
    bool TabTo(HWND control) {
        for (int i = 0; i < 40 && program->Focus() != control; ++i) {
            const HWND before = program->Focus();
            program->Key(VK_TAB);
            WaitUntil([&] { return program->Focus() != before; });
        }
        return program->Focus() == control;
    }
    std::string Version() const { return WindowText(program->ControlAt(L"Static", 75, 48)); }
    // One field of the simulator's "cardmem" reply, such as "block".
    static std::string Card(const std::string& name) {
        std::istringstream in(Sim("cardmem"));
        for (std::string word; in >> word;)
            if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
        return {};
    }
    // Presses a window's button that brings the Open or Save As dialog and answers it with this
    // scratch file.
    void ChooseFile(HWND window, int button, const std::string& name) {
        Press(window, button);
        const HWND dialog = program->WaitTop(L"#32770");
        HWND edit = GetDlgItem(dialog, 1148);  // the file name box (cmb13): an edit in a combo box
        while (edit && !IsWindowClass(edit, L"Edit")) edit = GetWindow(edit, GW_CHILD);
        ASSERT_TRUE(edit);
        SendMessageW(edit, WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>((dir.path / name).wstring().c_str()));
        Press(dialog, IDOK);
        // The dialog is of the message boxes' class: gone before a box is looked for.
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    }

    // Applies a registry change scripts/sim-port wrote: "unplug", "plug" or "no-usb" (the USB
    // device entry gone).
    void Registry(const std::string& change) {
        const char* files = std::getenv("TOLLVANE_E2E_SIM_FILES");
        std::wstring cmd =
            L"regedit.exe /S \"" + Widen(files ? files : "") + L"." + Widen(change) + L".reg\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(files);
        ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, static_cast<DWORD>(kWait.count()));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        unplugged = change != "plug";
    }

    ScratchDir dir;
    std::unique_ptr<Program> program;
    bool unplugged = false;  // the reader is put back after the test
};

}  // namespace tollvane::e2e
