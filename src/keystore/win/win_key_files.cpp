#include "keystore/win/win_key_files.h"

#include "base/win/utf.h"

#include <windows.h>

namespace tollvane {
namespace {

FileResult LastFailure() {
    DWORD code = GetLastError();
    // A failure must never read as success, even if the system left no code.
    if (code == ERROR_SUCCESS) code = ERROR_GEN_FAILURE;
    return FileResult::Failure(code);
}

class WinKeyFile : public KeyFile {
public:
    explicit WinKeyFile(HANDLE h) : h_(h) {}
    ~WinKeyFile() override { CloseHandle(h_); }
    WinKeyFile(const WinKeyFile&) = delete;
    WinKeyFile& operator=(const WinKeyFile&) = delete;

    FileResult Read(char* buffer, std::size_t size, std::size_t& got) override {
        got = 0;
        DWORD n = 0;
        const DWORD ask = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!ReadFile(h_, buffer, ask, &n, nullptr)) return LastFailure();
        got = n;
        return FileResult::Success();
    }

    FileResult Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const DWORD ask = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD n = 0;
            if (!WriteFile(h_, data, ask, &n, nullptr)) return LastFailure();
            // A synchronous write to a disk file writes everything or fails;
            // writing nothing without an error would loop for ever.
            if (n == 0) return FileResult::Failure(ERROR_WRITE_FAULT);
            data += n;
            size -= n;
        }
        return FileResult::Success();
    }

private:
    HANDLE h_;
};

}  // namespace

FileResult WinKeyFiles::Open(const std::string& path, OpenMode mode, std::unique_ptr<KeyFile>& file) {
    file.reset();
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::ReadWrite) access = GENERIC_READ | GENERIC_WRITE;
    if (mode == OpenMode::CreateAlways) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    }
    // No sharing: nobody else touches a key file while it is open here.
    const HANDLE h = CreateFileW(Widen(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastFailure();
    file = std::make_unique<WinKeyFile>(h);
    return FileResult::Success();
}

FileResult WinKeyFiles::Copy(const std::string& from, const std::string& to) {
    if (!CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE)) return LastFailure();
    return FileResult::Success();
}

FileResult WinKeyFiles::MoveReplace(const std::string& from, const std::string& to) {
    // A replacing rename is one step on the volume, so the target is either
    // the old file or the new one; write-through makes it durable before
    // the call returns.
    if (!MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastFailure();
    return FileResult::Success();
}

FileResult WinKeyFiles::Delete(const std::string& path) {
    if (!DeleteFileW(Widen(path).c_str())) return LastFailure();
    return FileResult::Success();
}

bool WinKeyFiles::Exists(const std::string& path) const {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint32_t WinKeyFiles::LastSystemError() const { return GetLastError(); }

}  // namespace tollvane
