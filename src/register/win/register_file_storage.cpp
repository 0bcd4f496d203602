#include "register/win/register_file_storage.h"

#include <windows.h>

#include <algorithm>

namespace tollvane {

namespace {

class OpenRegister : public RegisterFile {
public:
    explicit OpenRegister(HANDLE file) : file_(file) {}
    ~OpenRegister() override { CloseHandle(file_); }
    OpenRegister(const OpenRegister&) = delete;
    OpenRegister& operator=(const OpenRegister&) = delete;

    bool Size(std::uint64_t& size) override {
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(file_, &length)) return Fail();
        size = static_cast<std::uint64_t>(length.QuadPart);
        return true;
    }
    bool ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) override {
        got = 0;
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return Fail();
        while (got < n) {
            DWORD read = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 20));
            if (!ReadFile(file_, bytes + got, want, &read, nullptr)) return Fail();
            if (read == 0) break;
            got += read;
        }
        return true;
    }
    bool Append(std::string_view bytes) override {
        LARGE_INTEGER end{};
        if (!SetFilePointerEx(file_, end, nullptr, FILE_END)) return Fail();
        DWORD written = 0;
        if (!WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return Fail();
        if (written != bytes.size()) {
            // A short write without an error is a full disk.
            error_ = ERROR_DISK_FULL;
            return false;
        }
        return true;
    }
    bool Flush() override { return FlushFileBuffers(file_) ? true : Fail(); }
    unsigned long LastError() const override { return error_; }

private:
    bool Fail() {
        error_ = GetLastError();
        return false;
    }

    HANDLE file_;
    unsigned long error_ = 0;
};

}  // namespace

std::unique_ptr<RegisterFile> RegisterFileStorage::OpenForAppend(unsigned long& error) {
    // Readers (the window, a spreadsheet opening it read-only) may look on;
    // a second writer has to wait its turn, so rows never interleave.
    const HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<OpenRegister>(file);
}

}  // namespace tollvane
