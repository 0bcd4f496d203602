#include "register/win/register_file_source.h"

#include <windows.h>

#include <algorithm>

#include "base/win/handles.h"

namespace tollvane {

namespace {

// Reading must never stand in a writer's way: every sharing is allowed, and
// writers only allow readers beside them.
UniqueFileHandle OpenForReading(const std::wstring& path) {
    return UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

}  // namespace

bool RegisterFileSource::Size(std::uint64_t& size) {
    const UniqueFileHandle file = OpenForReading(path_);
    LARGE_INTEGER length{};
    if (!file || !GetFileSizeEx(file.get(), &length)) {
        lastError_ = GetLastError();
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool RegisterFileSource::ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) {
    got = 0;
    const UniqueFileHandle file = OpenForReading(path_);
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!file || !SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
        lastError_ = GetLastError();
        return false;
    }
    while (got < n) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes + got, want, &read, nullptr)) {
            lastError_ = GetLastError();
            return false;
        }
        if (read == 0) break;
        got += read;
    }
    return true;
}

}  // namespace tollvane
