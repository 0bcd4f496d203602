// The simulated reader seen from the end-to-end tests: its control channel
// (TCP on 127.0.0.1, one command line, one reply line) and the Wine registry
// entries that make it a COM port with a USB device, which the tests remove
// and restore to pull the reader out and plug it in again.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "e2e_fixture.h"

namespace tollvane::e2e {

// Winsock is loaded at run time: the test binary links only what the other
// suites need.
class SimControl {
public:
    SimControl() {
        const char* port = std::getenv("TOLLVANE_E2E_SIM_CONTROL");
        port_ = port ? std::atoi(port) : 0;
        ws2_ = LoadLibraryW(L"ws2_32.dll");
        if (!ws2_) return;
        startup_ = Fn<int(WINAPI*)(WORD, LPWSADATA)>("WSAStartup");
        socket_ = Fn<SOCKET(WINAPI*)(int, int, int)>("socket");
        connect_ = Fn<int(WINAPI*)(SOCKET, const sockaddr*, int)>("connect");
        send_ = Fn<int(WINAPI*)(SOCKET, const char*, int, int)>("send");
        recv_ = Fn<int(WINAPI*)(SOCKET, char*, int, int)>("recv");
        close_ = Fn<int(WINAPI*)(SOCKET)>("closesocket");
        WSADATA data;
        if (startup_) startup_(MAKEWORD(2, 2), &data);
    }
    ~SimControl() {
        if (ws2_) FreeLibrary(ws2_);
    }
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool Available() const { return port_ != 0 && socket_ && connect_; }

    // One command; the reply line without its line end. Throws when the
    // simulator cannot be reached.
    std::string operator()(const std::string& command) const {
        const SOCKET s = socket_(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) throw std::runtime_error("no socket");
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = static_cast<u_short>(((port_ & 0xFF) << 8) | ((port_ >> 8) & 0xFF));
        addr.sin_addr.s_addr = 0x0100007F;  // 127.0.0.1 in network order
        if (connect_(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            close_(s);
            throw std::runtime_error("simulator control channel not reachable");
        }
        const std::string line = command + "\n";
        send_(s, line.data(), static_cast<int>(line.size()), 0);
        std::string reply;
        char c;
        while (recv_(s, &c, 1, 0) == 1 && c != '\n')
            if (c != '\r') reply += c;
        close_(s);
        return reply;
    }

    // Every byte the program sent since the last call, as upper-case hex.
    std::string Sent() const {
        const std::string reply = (*this)("sent");
        return reply.size() > 3 ? reply.substr(3) : std::string();
    }

private:
    template <typename F>
    F Fn(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(ws2_, name)));
    }

    int port_ = 0;
    HMODULE ws2_ = nullptr;
    int(WINAPI* startup_)(WORD, LPWSADATA) = nullptr;
    SOCKET(WINAPI* socket_)(int, int, int) = nullptr;
    int(WINAPI* connect_)(SOCKET, const sockaddr*, int) = nullptr;
    int(WINAPI* send_)(SOCKET, const char*, int, int) = nullptr;
    int(WINAPI* recv_)(SOCKET, char*, int, int) = nullptr;
    int(WINAPI* close_)(SOCKET) = nullptr;
};

// The registry entries of the simulated port (see tools/simreader/README.md):
// Wine's port list, the device map the program lists ports from, and the
// USB device entry the reader search looks for.
class SimRegistry {
public:
    explicit SimRegistry(std::string com) : com_(std::move(com)) {
        number_ = std::atoi(com_.c_str() + 3);
        link_ = ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wine\\Ports", Widen(com_));
    }

    const std::string& Com() const { return com_; }

    void RemoveUsbDevice() const { RegDeleteTreeW(HKEY_LOCAL_MACHINE, UsbKey().c_str()); }

    void AddUsbDevice() const {
        const std::wstring key = UsbKey();
        const wchar_t hardwareIds[] = L"USB\\VID_2E3C&PID_5750&REV_0200\0USB\\VID_2E3C&PID_5750\0";
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"HardwareID", REG_MULTI_SZ, hardwareIds,
                        sizeof hardwareIds);
        SetString(key, L"ClassGUID", L"{4D36E978-E325-11CE-BFC1-08002BE10318}");
        SetString(key, L"Class", L"Ports");
        SetString(key + L"\\Device Parameters", L"PortName", Widen(com_));
    }

    // What Windows does when the reader is pulled out: the port leaves the
    // device map and the device leaves the USB list. Wine rebuilds the device
    // map from its port list when a process starts, so that entry goes too.
    void Unplug() const {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Wine\\Ports", Widen(com_).c_str());
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", SerialValue().c_str());
        RemoveUsbDevice();
    }

    void Plug() const {
        if (!link_.empty()) SetString(L"Software\\Wine\\Ports", Widen(com_), link_);
        SetString(L"HARDWARE\\DEVICEMAP\\SERIALCOMM", SerialValue(), Widen(com_));
        AddUsbDevice();
    }

private:
    std::wstring UsbKey() const {
        return L"System\\CurrentControlSet\\Enum\\USB\\VID_2E3C&PID_5750\\SIM" + Widen(com_);
    }
    std::wstring SerialValue() const { return L"\\Device\\Serial" + std::to_wstring(number_ - 1); }

    static std::wstring ReadString(HKEY root, const std::wstring& key, const std::wstring& name) {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
            return {};
        return buffer;
    }
    static void SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    std::string com_;
    int number_ = 0;
    std::wstring link_;
};

// A program started with the simulated reader on its port, the simulator
// brought back to its start state first.
class ReaderProgramTest : public ProgramTest {
protected:
    void SetUp() override {
        const char* port = std::getenv("TOLLVANE_E2E_READER_PORT");
        if (!port || !sim.Available()) GTEST_SKIP() << "no simulated reader (run through tests/e2e/run)";
        com = port;
        // The record of handed-out numbers is expected to exist.
        dir.Write("usersData.data", "");
        ASSERT_EQ(sim("reset").rfind("OK", 0), 0u);
        sim("delay 150");
        sim("sent");
    }

    // Starts the program and answers the boxes of its start-up search and
    // version check; their texts in order.
    std::vector<std::string> StartReader() {
        std::vector<std::string> texts = Start();
        for (std::string& text : Settle()) texts.push_back(std::move(text));
        return texts;
    }

    // After a step that starts a wait (at once or a little later): the boxes
    // until the program has been quiet for a while. A box that closes gives
    // the main window back for a moment before the next wait takes it again,
    // so one look at an enabled window is not enough.
    std::vector<std::string> Boxes() {
        WaitUntil([&] { return program->ProgressWindow() || program->CurrentMessageBox(); });
        return Settle();
    }

    std::vector<std::string> Settle() {
        std::vector<std::string> texts;
        auto quietSince = std::chrono::steady_clock::now();
        WaitUntil([&] {
            const auto now = std::chrono::steady_clock::now();
            if (const auto box = program->CurrentMessageBox()) {
                texts.push_back(box->text);
                program->Answer(*box, box->buttons.empty() ? IDOK : box->buttons.front());
                quietSince = std::chrono::steady_clock::now();
                return false;
            }
            if (program->ProgressWindow() || !IsWindowEnabled(program->Main())) {
                quietSince = now;
                return false;
            }
            return now - quietSince > 700ms;
        });
        return texts;
    }

    // The one box the next step shows, answered.
    std::string NextBox(int* icon = nullptr) {
        const auto box = program->WaitMessageBox();
        if (!box) return "(no box)";
        if (icon) *icon = box->icon;
        program->Answer(*box, IDOK);
        return box->text;
    }

    HWND VersionValue() const { return form->ControlAt("Static", 75, 48); }

    // Waits until the main window is enabled and no progress window is up.
    bool Idle() const {
        return WaitUntil([&] { return !program->ProgressWindow() && IsWindowEnabled(program->Main()); });
    }

    SimControl sim;
    std::string com;
};

}  // namespace tollvane::e2e
