#include "register/win/station.h"

#include <windows.h>

#include <cstdint>

#include "base/win/utf.h"

namespace tollvane {

namespace {

std::int64_t Ticks(const SYSTEMTIME& t) {
    FILETIME ft{};
    SystemTimeToFileTime(&t, &ft);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                     ft.dwLowDateTime);
}

}  // namespace

StationIdentity CurrentStation() {
    StationIdentity station;
    wchar_t name[256 + 1];
    DWORD size = sizeof name / sizeof name[0];
    // A name that cannot be read stays empty: the row is still worth writing.
    if (GetUserNameW(name, &size) && size > 0)
        station.operatorName = Narrow(std::wstring_view(name, size - 1));
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    size = sizeof computer / sizeof computer[0];
    if (GetComputerNameW(computer, &size))
        station.computer = Narrow(std::wstring_view(computer, size));
    return station;
}

RegisterTime CurrentRegisterTime() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    SYSTEMTIME utc{}, local{};
    FileTimeToSystemTime(&now, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    RegisterTime t;
    t.year = local.wYear;
    t.month = local.wMonth;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    // FILETIME counts 100-ns steps: 600,000,000 make a minute.
    const std::int64_t offset = Ticks(local) - Ticks(utc);
    t.utcOffsetMinutes =
        static_cast<int>((offset >= 0 ? offset + 300'000'000 : offset - 300'000'000) / 600'000'000);
    return t;
}

}  // namespace tollvane
