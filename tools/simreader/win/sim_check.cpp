// Checks a simulated reader from the Windows side, under Wine:
//   sim_check            lists the present USB devices as the Setup API
//                        reports them, one line each: <hardware id> <port name or ->
//   sim_check COM5       also opens the port with the program's line settings,
//                        sends "AT+READS_USB", and prints the reply after "REPLY "
// scripts/sim-port --verify runs it to prove that the device entry and the
// port are seen the way the program looks for them.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>

namespace {

int ExchangeVersion(const char* port) {
    char path[64];
    std::snprintf(path, sizeof path, "\\\\.\\%s", port);
    HANDLE h =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::printf("OPEN FAILED %lu\n", GetLastError());
        return 1;
    }
    COMMTIMEOUTS t{50, 10, 50, 10, 50};
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = SetCommTimeouts(h, &t) && GetCommState(h, &dcb);
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    ok = ok && SetCommState(h, &dcb);
    DWORD n = 0;
    ok = ok && WriteFile(h, "AT+READS_USB", 12, &n, nullptr) && n == 12;
    if (!ok) {
        std::printf("SETUP OR WRITE FAILED %lu\n", GetLastError());
        CloseHandle(h);
        return 1;
    }
    Sleep(1000);
    // One byte per read, until a read brings nothing, as the program reads.
    char reply[65] = {};
    DWORD count = 0;
    char byte;
    while (count < 64 && ReadFile(h, &byte, 1, &n, nullptr) && n == 1) reply[count++] = byte;
    CloseHandle(h);
    std::printf("REPLY ");
    for (DWORD i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(reply[i]);
        if (c >= 32 && c < 127)
            std::printf("%c", c);
        else
            std::printf("<%02X>", c);
    }
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        std::printf("SetupDiGetClassDevs failed %lu\n", GetLastError());
        return 1;
    }
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        wchar_t ids[512] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(set, &info, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(ids), sizeof ids - 2,
                                               nullptr)) {
            continue;
        }
        wchar_t port[32] = L"-";
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            DWORD type = 0;
            DWORD size = sizeof port - 2;
            if (RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port),
                                 &size) != ERROR_SUCCESS ||
                type != REG_SZ) {
                lstrcpyW(port, L"-");
            }
            RegCloseKey(key);
        }
        std::printf("%ls %ls\n", ids, port);
    }
    SetupDiDestroyDeviceInfoList(set);
    return argc > 1 ? ExchangeVersion(argv[1]) : 0;
}
