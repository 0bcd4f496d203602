// Drives a long cyclic User write of Tollvane.exe from outside and samples
// the program every so many cards, for scripts/soak.
//
//   soak-probe --cards N [--every K] --sim-control PORT --dir DIR -- PROGRAM
//
// It starts PROGRAM in DIR with TOLLVANE_OWNER_COUNTS=1, answers the boxes of
// the start-up search, sets the form to a User write with "Generate unique
// data before write", starts the cyclic write and counts the records
// DIR\usersData.data gains: every card draws one. Every K cards (default 100), and
// once more at the end, it prints a table row of
//   - from the system, read from outside: GetProcessHandleCount,
//     GetGuiResources (GDI and USER objects) and the working set;
//   - from the program itself: the handles its owners hold, by kind, from
//     the shared memory the program keeps them in (see base/win/handles.h).
// After N cards it takes the card away through the simulator's control
// channel on 127.0.0.1:PORT, so that the run ends the way it ends for an
// operator, with the last command answered, and then closes the program.
//
// Exit status: 0 when the run reached N cards and no count grew past its
// bound after the first K cards; 1 when the run could not start; 2 when it
// stopped early (a message box, or the program ended); 3 when a count grew.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "app/win/resource_ids.h"
#include "protocol/work_mode.h"

namespace {

using tollvane::ControlId;
using tollvane::Ctl;

constexpr int kUserRole = 1;
// User data sent as it is.
const int kSectorDataMode = tollvane::ItemOf(tollvane::WorkMode::SectorData);

struct Sample {
    std::string label;
    double values[7] = {};
};
const char* const kColumns[] = {"handles",       "GDI",        "USER",       "working set MB",
                                "handle owners", "GDI owners", "menu owners"};
// How far each figure may rise after the first sample of the run proper; a
// leak of one object per card passes none of them by the end.
const double kBounds[] = {16, 8, 8, 8, 2, 2, 2};

struct Window {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

HWND TopWindow(DWORD pid, const wchar_t* cls) {
    Window w{pid, cls, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* w = reinterpret_cast<Window*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[64] = {};
            GetClassNameW(hwnd, cls, 64);
            if (pid != w->pid || !IsWindowVisible(hwnd) || lstrcmpW(cls, w->cls) != 0) return TRUE;
            w->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&w));
    return w.found;
}

std::string BoxText(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            char cls[16] = {}, buffer[512] = {};
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, buffer, sizeof buffer) > 0) {
                *reinterpret_cast<std::string*>(param) += buffer;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

// Every card draws one record of ten hex digits.
std::size_t RecordCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t digits = 0;
    for (char c : text) digits += (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    return digits / 10;
}

// One line to the simulator's control channel; false when it cannot be sent.
bool TellSimulator(int port, const char* line) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              send(s, line, static_cast<int>(strlen(line)), 0) > 0;
    char reply[256];
    if (ok) ok = recv(s, reply, sizeof reply, 0) > 0;
    closesocket(s);
    return ok;
}

class Probe {
public:
    Probe(HANDLE process, DWORD pid) : process_(process), pid_(pid) {}

    Sample Take(const std::string& label) {
        Sample s{label};
        DWORD handles = 0;
        GetProcessHandleCount(process_, &handles);
        s.values[0] = handles;
        s.values[1] = GetGuiResources(process_, GR_GDIOBJECTS);
        s.values[2] = GetGuiResources(process_, GR_USEROBJECTS);
        PROCESS_MEMORY_COUNTERS counters{};
        if (GetProcessMemoryInfo(process_, &counters, sizeof counters)) {
            s.values[3] = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
        }
        if (const volatile LONG* owned = Owned()) {
            for (int i = 0; i < 3; ++i) s.values[4 + i] = owned[i];
        }
        return s;
    }

private:
    // The program makes its counts at its first owned handle; looked for
    // again until found.
    const volatile LONG* Owned() {
        if (owned_ == nullptr) {
            const std::wstring name = L"Local\\TollvaneOwnerCounts." + std::to_wstring(pid_);
            if (HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str())) {
                owned_ = static_cast<const volatile LONG*>(
                    MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            }
        }
        return owned_;
    }

    HANDLE process_;
    DWORD pid_;
    const volatile LONG* owned_ = nullptr;
};

void PrintRow(const Sample& s) {
    std::printf("| %s | %.0f | %.0f | %.0f | %.1f | %.0f | %.0f | %.0f |\n", s.label.c_str(),
                s.values[0], s.values[1], s.values[2], s.values[3], s.values[4], s.values[5],
                s.values[6]);
    std::fflush(stdout);
}

// Answers every box with its first button until the main window has been
// enabled, with no box, for a second; the texts of the boxes.
std::vector<std::string> Settle(DWORD pid, HWND main, DWORD timeoutMs) {
    std::vector<std::string> texts;
    DWORD quietSince = GetTickCount();
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (HWND box = TopWindow(pid, L"#32770")) {
            texts.push_back(BoxText(box));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            quietSince = GetTickCount();
        } else if (!IsWindowEnabled(main)) {
            quietSince = GetTickCount();
        } else if (GetTickCount() - quietSince > 1000) {
            break;
        }
    }
    return texts;
}

void Select(HWND main, int id, int index) {
    const HWND combo = GetDlgItem(main, id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t cards = 0, every = 100;
    int simPort = 0;
    std::string dir;
    std::wstring command;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--" && i + 1 < argc) {
            for (++i; i < argc; ++i)
                command += (command.empty() ? L"\"" : L" \"") +
                           std::wstring(argv[i], argv[i] + strlen(argv[i])) + L"\"";
        } else if (i + 1 < argc && arg == "--cards") {
            cards = std::strtoul(argv[++i], nullptr, 10);
        } else if (i + 1 < argc && arg == "--every") {
            every = std::strtoul(argv[++i], nullptr, 10);
        } else if (i + 1 < argc && arg == "--sim-control") {
            simPort = std::atoi(argv[++i]);
        } else if (i + 1 < argc && arg == "--dir") {
            dir = argv[++i];
        }
    }
    if (cards == 0 || every == 0 || simPort == 0 || dir.empty() || command.empty()) {
        std::fprintf(
            stderr,
            "usage: soak-probe --cards N [--every K] --sim-control PORT --dir DIR -- PROGRAM\n");
        return 1;
    }

    SetEnvironmentVariableW(L"TOLLVANE_OWNER_COUNTS", L"1");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::wstring wideDir(dir.begin(), dir.end());
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        wideDir.c_str(), &si, &pi)) {
        std::fprintf(stderr, "soak-probe: cannot start the program: error %lu\n", GetLastError());
        return 1;
    }
    HWND main = nullptr;
    for (int i = 0; i < 600 && !(main = TopWindow(pi.dwProcessId, tollvane::kMainWindowClass)); ++i)
        Sleep(50);
    if (main == nullptr) {
        std::fprintf(stderr, "soak-probe: no main window\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    for (const std::string& text : Settle(pi.dwProcessId, main, 20000))
        std::printf("start-up: %s\n", text.c_str());
    Select(main, ControlId(Ctl::RoleCombo), kUserRole);
    Select(main, ControlId(Ctl::WorkModeCombo), kSectorDataMode);
    SendMessageW(GetDlgItem(main, ControlId(Ctl::UniqueBeforeWriteCheck)), BM_CLICK, 0, 0);

    Probe probe(pi.hProcess, pi.dwProcessId);
    const std::string records = dir + "\\usersData.data";
    // A folder may hold the records of an earlier run: only this run's count.
    const std::size_t before = RecordCount(records);
    std::printf("| cards |");
    for (const char* column : kColumns) std::printf(" %s |", column);
    std::printf("\n|---|---|---|---|---|---|---|---|\n");
    std::vector<Sample> samples{probe.Take("0")};
    PrintRow(samples.back());

    PostMessageW(GetDlgItem(main, ControlId(Ctl::WriteCyclicButton)), BM_CLICK, 0, 0);
    int status = 0;
    std::size_t next = every, done = 0;
    while (done < cards) {
        Sleep(100);
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            std::printf("the program ended after %zu cards\n", done);
            return 2;
        }
        if (HWND box = TopWindow(pi.dwProcessId, L"#32770")) {
            std::printf("the run stopped after %zu cards: \"%s\"\n", done, BoxText(box).c_str());
            status = 2;
            break;
        }
        done = RecordCount(records) - before;
        for (; done >= next && next <= cards; next += every) {
            samples.push_back(probe.Take(std::to_string(next)));
            PrintRow(samples.back());
        }
    }
    // With the card gone the next command finds none and the run ends, as
    // it does when the operator takes the last card away.
    if (status == 0 && !TellSimulator(simPort, "card absent\n"))
        std::printf("the simulator did not answer\n");
    Settle(pi.dwProcessId, main, 30000);
    samples.push_back(probe.Take("end (" + std::to_string(RecordCount(records) - before) + ")"));
    PrintRow(samples.back());

    for (std::size_t i = 2; status == 0 && i < samples.size(); ++i) {
        for (int c = 0; c < 7; ++c) {
            if (samples[i].values[c] - samples[1].values[c] > kBounds[c]) {
                std::printf("%s grew from %.1f to %.1f by %s cards\n", kColumns[c],
                            samples[1].values[c], samples[i].values[c], samples[i].label.c_str());
                status = 3;
            }
        }
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return status;
}
