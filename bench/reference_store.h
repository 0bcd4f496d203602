// The straightforward store of the original design, the reference of the
// usersData.data and cyclic-card figures: the file read one byte per call and
// every record compared as text, for every number.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "carddata/users_data.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bench {

namespace fs = std::filesystem;

// The few file calls a record makes, over the platform's own API.
class File {
public:
    explicit File(const fs::path& path) {
#if defined(_WIN32)
        h_ = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        fd_ = ::open(path.c_str(), O_RDWR);
#endif
    }
    ~File() {
#if defined(_WIN32)
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
#else
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    long Read(void* buffer, std::size_t size) {
#if defined(_WIN32)
        DWORD got = 0;
        return ReadFile(h_, buffer, static_cast<DWORD>(size), &got, nullptr)
                   ? static_cast<long>(got)
                   : -1;
#else
        return static_cast<long>(::read(fd_, buffer, size));
#endif
    }
    bool Write(const std::string& text) {
#if defined(_WIN32)
        DWORD written = 0;
        return WriteFile(h_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
#else
        return ::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
#endif
    }
    void Seek(bool toEnd) {
#if defined(_WIN32)
        LARGE_INTEGER zero{};
        SetFilePointerEx(h_, zero, nullptr, toEnd ? FILE_END : FILE_BEGIN);
#else
        ::lseek(fd_, 0, toEnd ? SEEK_END : SEEK_SET);
#endif
    }
    // Size and last-write time, to tell whether someone else changed the file.
    std::pair<std::uint64_t, std::uint64_t> Stamp() {
#if defined(_WIN32)
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(h_, &info);
        return {(std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                    info.ftLastWriteTime.dwLowDateTime};
#else
        struct stat st {};
        ::fstat(fd_, &st);
        return {static_cast<std::uint64_t>(st.st_size),
                static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + st.st_mtim.tv_nsec};
#endif
    }
    void Truncate(std::uint64_t size) {
#if defined(_WIN32)
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        SetFilePointerEx(h_, at, nullptr, FILE_BEGIN);
        SetEndOfFile(h_);
#else
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) std::perror("ftruncate");
#endif
    }

private:
#if defined(_WIN32)
    HANDLE h_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

// The original design: one byte per read, every record compared as text.
inline bool RecordBytewise(const fs::path& path, const std::uint8_t data[7]) {
    File file(path);
    const std::string key = tollvane::UsersDataRecordText(data);
    char current[10];
    std::size_t digits = 0, count = 0;
    std::uint8_t b;
    long got;
    while ((got = file.Read(&b, 1)) == 1) {
        const bool digit = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F');
        if (!digit) {
            digits = 0;
            continue;
        }
        current[digits++] = static_cast<char>(b);
        if (digits < 10) continue;
        digits = 0;
        ++count;
        if (key.compare(0, 10, current, 10) == 0) return false;
    }
    if (got < 0) return false;
    return file.Write(tollvane::UsersDataSeparator(count) + key);
}

}  // namespace bench
