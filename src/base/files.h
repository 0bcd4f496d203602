// The files the program keeps (the key files, usersData.data, appconfig.ini,
// IssuedCards.csv), reached through one small interface: the Windows layer
// implements it over kernel32, the tests in memory with a failure or a power
// loss at any step. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/ui.h"

namespace tollvane {

// How a file call ended. A file held open by another program (or another
// station on a network folder) is worth waiting for; a missing file may be
// worth creating; every other failure is final.
enum class FileStatus { Ok, NotFound, HeldElsewhere, Failed };

// Outcome of one file call. A failure carries the system's error code
// (GetLastError on Windows), which the operator sees in the messages.
struct FileResult {
    FileStatus status = FileStatus::Ok;
    std::uint32_t error = 0;

    static FileResult Success() { return {}; }
    static FileResult Failure(std::uint32_t code, FileStatus status = FileStatus::Failed) {
        return {status, code};
    }
    explicit operator bool() const { return status == FileStatus::Ok; }
};

// Size and last-write time: a file whose stamp changed was written by
// someone else in between.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    bool operator==(const FileStamp&) const = default;
};

enum class OpenMode {
    Read,          // existing file, read access, no sharing
    ReadWrite,     // existing file, read and write access, no sharing
    CreateAlways,  // new or emptied file, write access, no sharing
    ReadShared,    // existing file, read access; others may read, write and delete meanwhile
    AppendShared,  // existing or new file, read and write access; others may only read meanwhile
    Hold,  // existing or new file, read and write access, no sharing: a lock between programs
};

// An open file with a current position, which starts at 0; closed by its
// owner's destructor.
class File {
public:
    virtual ~File() = default;
    // Reads up to size bytes at the current position; got is 0 at the end.
    virtual FileResult Read(char* buffer, std::size_t size, std::size_t& got) = 0;
    // Writes all size bytes at the current position, or fails.
    virtual FileResult Write(const char* data, std::size_t size) = 0;
    virtual FileResult Seek(std::uint64_t offset) = 0;
    virtual FileResult Size(std::uint64_t& size) = 0;
    // Cuts the file (or lengthens it with zeros) to size bytes.
    virtual FileResult Resize(std::uint64_t size) = 0;
    // Everything written so far is on the disk when this succeeds; before
    // it, a power loss may take any of it.
    virtual FileResult Flush() = 0;
    virtual FileResult Stamp(FileStamp& stamp) = 0;
};

class Files {
public:
    virtual ~Files() = default;
    virtual FileResult Open(const std::string& path, OpenMode mode,
                            std::unique_ptr<File>& file) = 0;
    // Copies from over to, overwriting to.
    virtual FileResult Copy(const std::string& from, const std::string& to) = 0;
    // Puts from in the place of to in one step, durably: afterwards to is
    // either the old file or the new one, never missing, and from is gone
    // on success.
    virtual FileResult MoveReplace(const std::string& from, const std::string& to) = 0;
    // Deleting a file that does not exist fails with NotFound.
    virtual FileResult Delete(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) = 0;
    // The stamp of a closed file: some file systems set the last-write time
    // only when the file is closed.
    virtual FileResult Stamp(const std::string& path, FileStamp& stamp) = 0;
};

// Reads until size bytes are in or the file ends.
inline FileResult ReadFull(File& file, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        std::size_t n = 0;
        const FileResult read = file.Read(buffer + got, size - got, n);
        if (!read) return read;
        if (n == 0) break;
        got += n;
    }
    return FileResult::Success();
}

// A file held by another program (a second station on a shared folder, a
// spreadsheet) is tried again every 100 ms for two seconds before the
// opening gives up.
inline constexpr unsigned kShareRetryPauseMs = 100;
inline constexpr int kShareRetryPauses = 20;

// The whole file, shared with other readers and writers, up to limit bytes;
// a missing file reads as empty.
FileResult ReadWholeFile(Files& files, const std::string& path, std::string& text,
                         std::uint64_t limit = UINT64_MAX);

FileResult OpenWithShareRetry(Files& files, Sleeper& sleeper, const std::string& path,
                              OpenMode mode, std::unique_ptr<File>& file);

// True when the path's last part names one of the files the program keeps
// (CardHolders.csv, IssuedCards.csv, usersData.data, the key files,
// appconfig.ini), in any case: an export must never be written over one,
// wherever the operator points it.
bool IsProgramFileName(std::string_view path);

}  // namespace tollvane
