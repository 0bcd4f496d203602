// The few file operations the key list needs, as an interface: the Windows
// layer implements them over kernel32, the native tests over POSIX calls
// with failures injected on demand. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tollvane {

// Outcome of one file call. A failure carries the system's error code
// (GetLastError on Windows), which the operator sees as "GetLastError=%08X".
struct FileResult {
    bool ok = true;
    std::uint32_t error = 0;

    static FileResult Success() { return {}; }
    static FileResult Failure(std::uint32_t code) { return {false, code}; }
    explicit operator bool() const { return ok; }
};

// An open file; the destructor closes it.
class KeyFile {
public:
    virtual ~KeyFile() = default;
    // Reads up to size bytes at the current position; got is 0 at the end of
    // the file.
    virtual FileResult Read(char* buffer, std::size_t size, std::size_t& got) = 0;
    // Writes all size bytes at the current position, or fails.
    virtual FileResult Write(const char* data, std::size_t size) = 0;
};

enum class OpenMode {
    Read,          // existing file, read access
    ReadWrite,     // existing file, read and write access; writes go where reading stopped
    CreateAlways,  // new or truncated file, write access
};

// All files are opened without sharing, so nobody else changes a key file
// while an operation has it open.
class KeyFiles {
public:
    virtual ~KeyFiles() = default;
    virtual FileResult Open(const std::string& path, OpenMode mode,
                            std::unique_ptr<KeyFile>& file) = 0;
    // Copies from over to, overwriting to.
    virtual FileResult Copy(const std::string& from, const std::string& to) = 0;
    // Puts from in the place of to in one step: afterwards to is either the
    // old file or the new one, never missing, and from is gone on success.
    virtual FileResult MoveReplace(const std::string& from, const std::string& to) = 0;
    // Deleting a file that does not exist is a failure the callers ignore.
    virtual FileResult Delete(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) const = 0;
    // The error code the last failed system call of this thread left behind;
    // used after a failure reported by another component (the cipher).
    virtual std::uint32_t LastSystemError() const = 0;
};

}  // namespace tollvane
