#include "base/win/win_files.h"

#include <windows.h>

#include <algorithm>

#include "base/win/handles.h"
#include "base/win/utf.h"

namespace tollvane {
namespace {

// Kernel32 takes at most this much per ReadFile or WriteFile call here.
constexpr std::size_t kMaxCall = 0x40000000;

FileResult FailureOf(DWORD code) {
    // A failure must never read as success, even if the system left no code.
    if (code == ERROR_SUCCESS) code = ERROR_GEN_FAILURE;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FileResult::Failure(code, FileStatus::NotFound);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return FileResult::Failure(code, FileStatus::HeldElsewhere);
        default: return FileResult::Failure(code);
    }
}

FileResult LastFailure() { return FailureOf(GetLastError()); }

std::uint64_t Join(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

class WinFile : public File {
public:
    explicit WinFile(HANDLE h) : h_(h) {}

    FileResult Read(char* buffer, std::size_t size, std::size_t& got) override {
        got = 0;
        DWORD n = 0;
        if (!ReadFile(h_.get(), buffer, static_cast<DWORD>(std::min(size, kMaxCall)), &n, nullptr))
            return LastFailure();
        got = n;
        return FileResult::Success();
    }

    FileResult Write(const char* data, std::size_t size) override {
        while (size > 0) {
            DWORD n = 0;
            if (!WriteFile(h_.get(), data, static_cast<DWORD>(std::min(size, kMaxCall)), &n,
                           nullptr))
                return LastFailure();
            // A short synchronous write to a disk file means the disk is
            // full; writing nothing without an error would loop for ever.
            if (n == 0) return FailureOf(ERROR_DISK_FULL);
            data += n;
            size -= n;
        }
        return FileResult::Success();
    }

    FileResult Seek(std::uint64_t offset) override {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(h_.get(), at, nullptr, FILE_BEGIN) ? FileResult::Success()
                                                                   : LastFailure();
    }

    FileResult Size(std::uint64_t& size) override {
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(h_.get(), &length)) return LastFailure();
        size = static_cast<std::uint64_t>(length.QuadPart);
        return FileResult::Success();
    }

    FileResult Resize(std::uint64_t size) override {
        if (const FileResult at = Seek(size); !at) return at;
        return SetEndOfFile(h_.get()) ? FileResult::Success() : LastFailure();
    }

    FileResult Flush() override {
        return FlushFileBuffers(h_.get()) ? FileResult::Success() : LastFailure();
    }

    FileResult Stamp(FileStamp& stamp) override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(h_.get(), &info)) return LastFailure();
        stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
        stamp.lastWrite =
            Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
        return FileResult::Success();
    }

private:
    UniqueFileHandle h_;
};

struct Opening {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

Opening OpeningOf(OpenMode mode) {
    switch (mode) {
        case OpenMode::Read: return {GENERIC_READ, 0, OPEN_EXISTING};
        case OpenMode::ReadWrite: return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING};
        case OpenMode::CreateAlways: return {GENERIC_WRITE, 0, CREATE_ALWAYS};
        // Reading must never stand in a writer's way.
        case OpenMode::ReadShared:
            return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    OPEN_EXISTING};
        // Readers may look on; a second writer has to wait its turn, so
        // that appends of two programs never interleave.
        case OpenMode::AppendShared:
            return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
        // Held open, it keeps every other opening out, across the network
        // too; the system lets go of it when its program ends, however.
        case OpenMode::Hold: return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS};
    }
    return {GENERIC_READ, 0, OPEN_EXISTING};
}

}  // namespace

FileResult WinFiles::Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) {
    file.reset();
    const Opening how = OpeningOf(mode);
    const HANDLE h = CreateFileW(Widen(path).c_str(), how.access, how.share, nullptr,
                                 how.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastFailure();
    file = std::make_unique<WinFile>(h);
    return FileResult::Success();
}

FileResult WinFiles::Copy(const std::string& from, const std::string& to) {
    return CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE) ? FileResult::Success()
                                                                    : LastFailure();
}

FileResult WinFiles::MoveReplace(const std::string& from, const std::string& to) {
    // A replacing rename is one step on the volume, so the target is either
    // the old file or the new one; write-through makes it durable before
    // the call returns.
    if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FileResult::Success();
    // The system refuses a move over a file another program holds open as
    // access denied, not as a sharing violation.
    const DWORD code = GetLastError();
    return code == ERROR_ACCESS_DENIED ? FileResult::Failure(code, FileStatus::HeldElsewhere)
                                       : FailureOf(code);
}

FileResult WinFiles::Delete(const std::string& path) {
    return DeleteFileW(Widen(path).c_str()) ? FileResult::Success() : LastFailure();
}

bool WinFiles::Exists(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileResult WinFiles::Stamp(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return LastFailure();
    stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.lastWrite = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return FileResult::Success();
}

}  // namespace tollvane
