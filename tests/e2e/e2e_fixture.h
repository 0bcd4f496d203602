// The one fixture of the end-to-end tests: a scratch working folder, the
// program started in it beside the simulated reader on COM5 (tests/e2e/run
// starts it with scripts/sim-port), the boxes of a step answered, the reader
// pulled out and put back, and the documentation's screenshots.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/driver.h"

namespace tollvane::e2e {

// Control identifiers of the main form and its menu.
enum Id : int {
    kQuit = 1, kRussian = 2, kEnglish = 3, kReadId = 4, kHelp = 5, kAbout = 6,
    kPortCombo = 7, kSearch = 8, kRole = 9, kWrite = 10, kRead = 11, kClear = 12, kWriteCyclic = 13,
    kClearCyclic = 14, kWorkMode = 15, kSectorUpDown = 16, kSectorEdit = 17, kBlockUpDown = 18, kBlockEdit = 19,
    kShowCrypto1 = 20, kGenerateRandom = 21, kAddToList = 22, kShowList = 23, kGenerateUnique = 24,
    kUniqueBeforeWrite = 25, kIfTouchMemory = 26, kIfW26 = 27, kIfW44 = 28, kIfW58 = 29, kIndDirect = 30,
    kIndInverse = 31, kStandbyDynamic = 32, kStandbyStatic = 33, kStandbyOff = 34, kTouchPollOn = 35,
    kTouchPollOff = 36, kConvTmW44 = 37, kConvW26 = 38, kConvW58 = 39, kCrypto1Edit = 40, kDataEdit = 41,
    kClassic = 51, kPlus = 52, kSl1 = 53, kSl3 = 54, kAesAuth = 55, kAesEdit = 56, kShowAes = 57,
    kIssuedCards = 58,
};

struct Expected {
    int id;  // 0: found by class and position
    const char* cls;
    int x, y, w, h;  // < 0: not compared (combo boxes, edits with an up-down)
    const char* state;  // s shown, e enabled, c checked
};

// The form as it starts, with no reader found: where each control sits, and its state. The texts are the
// message table's (checked against the program's own list by its unit test).
inline const Expected kStartForm[] = {
    {0, "Button", 5, 5, 650, 65, "se"}, {0, "Static", 18, 30, 125, 16, "se"},
    {kPortCombo, "ComboBox", 150, 27, 328, -1, "se"}, {kSearch, "Button", 490, 27, 150, 23, "se"},
    {0, "Static", 18, 49, 55, 15, "se"}, {0, "Static", 75, 48, 30, 15, "se"}, {0, "Button", 5, 75, 650, 115, "se"},
    {kClassic, "Button", 18, 100, 120, 23, "sec"}, {kPlus, "Button", 18, 125, 120, 23, "se"},
    {kSl1, "Button", 140, 127, 230, 20, "sc"}, {kSl3, "Button", 140, 155, 230, 20, "s"},
    {kAesAuth, "Button", 395, 125, 240, 23, "s"}, {0, "Button", 5, 195, 650, 95, "se"},
    {0, "Static", 18, 220, 35, 15, "se"}, {kRole, "ComboBox", 58, 217, 145, -1, "se"},
    {kWrite, "Button", 215, 217, 150, 23, "se"}, {kRead, "Button", 378, 217, 100, 23, "se"},
    {kClear, "Button", 490, 217, 150, 23, "se"}, {kWriteCyclic, "Button", 215, 250, 150, 23, "s"},
    {kClearCyclic, "Button", 490, 250, 150, 23, "se"}, {0, "Button", 5, 295, 650, 200, "se"},
    {0, "Static", 18, 320, 100, 15, "se"}, {kWorkMode, "ComboBox", 178, 317, 457, -1, "se"},
    {0, "Static", 18, 350, 110, 15, "s"}, {kSectorEdit, "Edit", 178, 347, -1, 23, "s"},
    {0, "Static", 273, 350, 90, 15, "s"}, {kBlockEdit, "Edit", 373, 347, -1, 23, "s"},
    {0, "Static", 18, 385, 160, 15, "s"}, {kCrypto1Edit, "Edit", 178, 382, 183, 23, "s"},
    {kShowCrypto1, "Button", 373, 382, 120, 23, "s"}, {0, "Static", 18, 420, 160, 15, "s"},
    {kAesEdit, "Edit", 178, 417, 340, 23, "s"}, {kShowAes, "Button", 530, 417, 120, 23, "s"},
    {kGenerateRandom, "Button", 60, 455, 150, 23, "s"}, {kAddToList, "Button", 255, 455, 150, 23, "se"},
    {kShowList, "Button", 450, 455, 150, 23, "se"}, {0, "Button", 5, 500, 650, 90, "e"},
    {0, "Static", 18, 525, 150, 15, "e"}, {kDataEdit, "Edit", 180, 523, 294, 23, "e"},
    {kGenerateUnique, "Button", 490, 523, 150, 23, "e"}, {kUniqueBeforeWrite, "Button", 180, 555, 360, 23, "e"},
    {0, "Button", 5, 595, 650, 145, "e"}, {0, "Static", 18, 620, 100, 15, "e"}, {0, "Edit", 130, 617, 180, 23, "e"},
    {0, "Static", 18, 655, 100, 15, "e"}, {0, "Edit", 130, 652, 180, 23, "e"}, {0, "Static", 18, 690, 100, 15, "e"},
    {0, "Edit", 130, 687, 180, 23, "e"}, {0, "Button", 367, 617, 230, 103, "e"},
    {kConvTmW44, "Button", 379, 642, 215, 20, "ec"}, {kConvW26, "Button", 379, 667, 150, 20, "e"},
    {kConvW58, "Button", 379, 692, 150, 20, "e"}, {0, "Button", 5, 500, 650, 270, "se"},
    {0, "Button", 18, 525, 307, 110, "se"}, {kIfTouchMemory, "Button", 30, 550, 120, 20, "sec"},
    {kIfW26, "Button", 30, 575, 120, 20, "se"}, {kIfW44, "Button", 30, 600, 120, 20, "se"},
    {kIfW58, "Button", 170, 550, 120, 20, "se"}, {0, "Button", 336, 525, 307, 110, "se"},
    {kIndDirect, "Button", 348, 550, 190, 20, "sec"}, {kIndInverse, "Button", 348, 575, 190, 20, "se"},
    {0, "Button", 18, 645, 307, 110, "se"}, {kStandbyDynamic, "Button", 30, 670, 190, 20, "se"},
    {kStandbyStatic, "Button", 30, 695, 190, 20, "se"}, {kStandbyOff, "Button", 30, 720, 190, 20, "sec"},
    {0, "Button", 336, 645, 307, 110, "se"}, {kTouchPollOn, "Button", 348, 670, 190, 20, "se"},
    {kTouchPollOff, "Button", 348, 695, 190, 20, "sec"},
};

inline const char* kEnglishConfig = "Language = EN;\n";
inline const char* kRussianConfig = "Language = RU;\n";
inline const std::string kSuccess = "The operation was successful!";

// The simulator's control channel (TCP on 127.0.0.1): one command line, one
// reply line.
struct SimControl {
    std::string operator()(const std::string& command) const {
        static const bool started = [] {
            WSADATA data;
            return WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }();
        const char* port = std::getenv("TOLLVANE_E2E_SIM_CONTROL");
        const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{AF_INET, htons(static_cast<u_short>(port ? std::atoi(port) : 0)), {}, {}};
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (!started || !port || connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
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
    std::string Sent() const {
        const std::string reply = (*this)("sent");
        return reply.size() > 3 ? reply.substr(3) : std::string();
    }
};

// The parts of text between the separators (no field the tests split needs quoting).
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + separator.size())
        parts.push_back(text.substr(at, end - at));
    parts.push_back(text.substr(at));
    return parts;
}

// Saves a window when TOLLVANE_E2E_SHOTS names a folder (scripts/screenshots).
inline void Shot(HWND hwnd, const std::string& name) {
    if (const char* folder = std::getenv("TOLLVANE_E2E_SHOTS"); folder && hwnd)
        SaveWindowBitmap(hwnd, std::string(folder) + "\\" + name + ".bmp");
}

class E2eTest : public ::testing::Test {
public:  // the scenarios' helpers take the fixture
    void SetUp() override {
        ASSERT_EQ(sim("reset").rfind("OK", 0), 0u);
        sim("delay 150");
        sim("sent");
        dir.Write("usersData.data", "");  // the record of handed-out numbers is expected to exist
    }
    // Stops the program first: the scratch folder can go only afterwards.
    void TearDown() override {
        form.reset();
        program.reset();
        if (unplugged) {
            sim("plug");
            Registry("plug");
        }
    }

    // Starts the program with this appconfig.ini (none: no file); the texts
    // of the boxes of its start-up search (whose progress window may be saved).
    std::vector<std::string> Start(std::optional<std::string> config = kEnglishConfig, const std::string& shot = "") {
        form.reset();
        program.reset();
        if (config) dir.Write("appconfig.ini", *config);
        program = std::make_unique<Program>(dir.Path());
        if (!program->WaitMainWindow()) throw std::runtime_error("the program showed no main window");
        form = std::make_unique<Form>(*program);
        if (!shot.empty()) Shot(program->WaitTop(PROGRESS_CLASSW), shot);
        return program->SettleSearch();
    }

    // The one box the next step shows, answered with OK.
    std::string NextBox() {
        const auto box = program->WaitMessageBox();
        if (box) program->Answer(*box, IDOK);
        return box ? box->text : "(no box)";
    }
    // Clicks a button whose command waits for the reader; the box that ends
    // the wait, once the program is idle again.
    std::string Run(int button) {
        form->ClickAsync(button);
        const std::string text = NextBox();
        EXPECT_TRUE(Idle());
        return text;
    }
    // The main window enabled and no progress window up.
    bool Idle() const {
        return WaitUntil([&] { return !program->ProgressWindow() && IsWindowEnabled(program->Main()); });
    }
    std::string Version() const { return WindowText(form->ControlAt("Static", 75, 48)); }
    // One field of the simulator's "cardmem" reply, such as "block".
    std::string Card(const std::string& name) const {
        std::istringstream in(sim("cardmem"));
        for (std::string word; in >> word;)
            if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
        return {};
    }
    // Presses a window's button that brings the Open or Save As dialog, and
    // answers the dialog with this file of the scratch folder.
    void ChooseFile(HWND window, int button, const std::string& name) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
        const HWND dialog = program->WaitTop(L"#32770");
        HWND edit = GetDlgItem(dialog, 1148);  // the file name box (cmb13): an edit in a combo box
        while (edit && ClassName(edit) != "Edit") edit = GetWindow(edit, GW_CHILD);
        ASSERT_TRUE(edit);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((dir.Path() / name).wstring().c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }

    // Applies one of the registry changes scripts/sim-port wrote for the
    // reader's port: "unplug", "plug" or "no-usb" (the USB device entry gone).
    void Registry(const std::string& change) {
        const char* files = std::getenv("TOLLVANE_E2E_SIM_FILES");
        std::wstring cmd = L"regedit.exe /S \"" + Widen(files ? files : "") + L"." + Widen(change) + L".reg\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(files && CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, static_cast<DWORD>(kWait.count()));
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        unplugged = change != "plug";
    }

    SimControl sim;
    ScratchDir dir;
    std::unique_ptr<Program> program;
    std::unique_ptr<Form> form;
    bool unplugged = false;  // the reader is put back after the test
};

}  // namespace tollvane::e2e
