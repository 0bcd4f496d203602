// Processor time of the whole process in milliseconds. The harness reports
// wall time only, which on a busy machine says more about the other
// processes than about this code.
#pragma once

#include <windows.h>

#include <cstdint>

inline double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}
