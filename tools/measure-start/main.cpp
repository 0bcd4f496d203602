// Measures a GUI program from outside, beside a reference program measured
// the same way in the same run: the time from CreateProcess to its main
// window being shown, and its peak working set after optional steps (button
// clicks, waits for a window), read with GetProcessMemoryInfo.
//
//   measure-start [--json] [--runs N] [--name NAME] [--dir DIR] [--class CLASS]
//                 [--step STEP]... [--reference-class CLASS] --reference PROGRAM
//                 -- PROGRAM [ARGUMENTS]
//
// Steps, run in order after the main window has appeared:
//   settle         answer the message boxes of the start-up and wait until the
//                  main window has been disabled and enabled again (a search)
//   click:ID       a button click (WM_COMMAND, BN_CLICKED) on the main window
//   wait:CLASS     wait for a visible top-level window of that class
//   sleep:MS       wait MS milliseconds
// Then the process is given 300 ms to become idle and its counters are read;
// then it is ended. The reference program gets no steps, only the same 300
// ms. Runs alternate between the two, so that a slow patch of the machine
// falls on both. Prints two figures: NAME_start (best of the runs) and
// NAME_peak_working_set (median of the runs), each beside the reference.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "figures.h"

namespace {

struct Target {
    std::wstring commandLine;
    std::wstring dir;
    std::wstring windowClass;  // empty: any visible top-level window
    std::vector<std::wstring> steps;
};

struct Sample {
    double startMs = -1;
    double peakMb = -1;
    bool ok = false;
};

std::wstring Wide(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    return out;
}

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct WindowQuery {
    DWORD pid;
    const std::wstring* cls;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* q = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (!q->cls->empty()) {
        wchar_t cls[256] = {};
        GetClassNameW(hwnd, cls, 256);
        if (*q->cls != cls) return TRUE;
    }
    q->found = hwnd;
    return FALSE;
}

HWND FindWindowOf(DWORD pid, const std::wstring& cls) {
    WindowQuery q{pid, &cls, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

// Polls every millisecond: the start time is read to about that precision.
HWND WaitForWindow(DWORD pid, HANDLE process, const std::wstring& cls, DWORD timeoutMs) {
    const double until = NowMs() + timeoutMs;
    while (NowMs() < until) {
        if (HWND hwnd = FindWindowOf(pid, cls)) return hwnd;
        if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

BOOL CALLBACK FirstButton(HWND hwnd, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (lstrcmpiW(cls, L"Button") != 0) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// Answers message boxes with their first button until the main window has
// been disabled by the start-up search and enabled again.
bool Settle(DWORD pid, HWND main) {
    bool sawDisabled = false;
    const double until = NowMs() + 15000;
    while (NowMs() < until) {
        if (HWND box = FindWindowOf(pid, L"#32770")) {
            HWND button = nullptr;
            EnumChildWindows(box, FirstButton, reinterpret_cast<LPARAM>(&button));
            if (button) SendMessageW(button, BM_CLICK, 0, 0);
        } else if (!IsWindowEnabled(main)) {
            sawDisabled = true;
        } else if (sawDisabled) {
            return true;
        }
        Sleep(5);
    }
    return false;
}

bool RunSteps(const Target& t, DWORD pid, HANDLE process, HWND main) {
    for (const std::wstring& step : t.steps) {
        const std::size_t colon = step.find(L':');
        const std::wstring verb = step.substr(0, colon);
        const std::wstring arg = colon == std::wstring::npos ? L"" : step.substr(colon + 1);
        if (verb == L"settle") {
            if (!Settle(pid, main)) return false;
        } else if (verb == L"click") {
            const int id = _wtoi(arg.c_str());
            SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
        } else if (verb == L"wait") {
            if (!WaitForWindow(pid, process, arg, 15000)) return false;
        } else if (verb == L"sleep") {
            Sleep(static_cast<DWORD>(_wtoi(arg.c_str())));
        } else {
            std::fprintf(stderr, "unknown step %ls\n", step.c_str());
            return false;
        }
    }
    return true;
}

Sample Measure(const Target& t) {
    Sample s;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = t.commandLine;
    const double start = NowMs();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        t.dir.empty() ? nullptr : t.dir.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start %ls: error %lu\n", t.commandLine.c_str(),
                     GetLastError());
        return s;
    }
    const HWND main = WaitForWindow(pi.dwProcessId, pi.hProcess, t.windowClass, 30000);
    if (main) {
        s.startMs = NowMs() - start;
        if (RunSteps(t, pi.dwProcessId, pi.hProcess, main)) {
            WaitForInputIdle(pi.hProcess, 5000);
            Sleep(300);
            PROCESS_MEMORY_COUNTERS_EX counters{};
            counters.cb = sizeof counters;
            if (GetProcessMemoryInfo(pi.hProcess,
                                     reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                     sizeof counters)) {
                s.peakMb = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
                s.ok = true;
            }
        } else {
            std::fprintf(stderr, "a step did not complete for %ls\n", t.commandLine.c_str());
        }
    } else {
        std::fprintf(stderr, "no window of %ls appeared\n", t.commandLine.c_str());
    }
    // Ended hard: a program asked to close could still be asking questions.
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return s;
}

std::wstring Quoted(const std::wstring& arg) {
    if (arg.find_first_of(L" \t\"") == std::wstring::npos && !arg.empty()) return arg;
    std::wstring out = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: measure-start [--json] [--runs N] [--name NAME] [--dir DIR] [--class CLASS] "
        "[--step STEP]... [--reference-class CLASS] --reference PROGRAM -- PROGRAM [ARGUMENTS]\n");
    return 2;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    int runs = 5;
    std::string name = "program";
    Target program, reference;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--json") {
            json = true;
        } else if (arg == "--runs" && hasValue) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--name" && hasValue) {
            name = argv[++i];
        } else if (arg == "--dir" && hasValue) {
            program.dir = Wide(argv[++i]);
        } else if (arg == "--class" && hasValue) {
            program.windowClass = Wide(argv[++i]);
        } else if (arg == "--step" && hasValue) {
            program.steps.push_back(Wide(argv[++i]));
        } else if (arg == "--reference-class" && hasValue) {
            reference.windowClass = Wide(argv[++i]);
        } else if (arg == "--reference" && hasValue) {
            reference.commandLine = Quoted(Wide(argv[++i]));
        } else {
            return Usage();
        }
    }
    if (i >= argc || reference.commandLine.empty()) return Usage();
    for (; i < argc; ++i) {
        if (!program.commandLine.empty()) program.commandLine += L' ';
        program.commandLine += Quoted(Wide(argv[i]));
    }

    std::vector<double> start, peak, refStart, refPeak;
    for (int r = 0; r < runs; ++r) {
        const Sample ref = Measure(reference);
        const Sample own = Measure(program);
        if (!ref.ok || !own.ok) return 1;
        refStart.push_back(ref.startMs);
        refPeak.push_back(ref.peakMb);
        start.push_back(own.startMs);
        peak.push_back(own.peakMb);
    }
    char note[96];
    std::snprintf(note, sizeof note, "best of %d runs beside the reference", runs);
    bench::Print({name + "_start", *std::min_element(start.begin(), start.end()), "ms",
                  *std::min_element(refStart.begin(), refStart.end()), note},
                 json);
    const double own = Median(peak), ref = Median(refPeak);
    std::snprintf(note, sizeof note, "median of %d runs; %+.1f MB over the reference", runs,
                  own - ref);
    bench::Print({name + "_peak_working_set", own, "MB", ref, note}, json);
    return 0;
}
