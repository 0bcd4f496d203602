// The file usersData.data on disk: the store of unique numbers already
// handed out.
#pragma once

#include <windows.h>

#include <string>

#include "base/message_table.h"
#include "base/ui.h"
#include "carddata/unique_store.h"
#include "carddata/users_data_index.h"

namespace tollvane {

// The calls UsersDataFile makes on the open file. Tests replace them to
// produce read, write and flush failures that a real disk does not produce
// on demand; each behaves like the Win32 call of the same name.
class UsersDataFileCalls {
public:
    virtual ~UsersDataFileCalls() = default;
    virtual BOOL Read(HANDLE file, void* buffer, DWORD size, DWORD* got) {
        return ReadFile(file, buffer, size, got, nullptr);
    }
    virtual BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) {
        return WriteFile(file, data, size, written, nullptr);
    }
    virtual BOOL Flush(HANDLE file) { return FlushFileBuffers(file); }
};

// Looks a number up in usersData.data and appends it when it is new. The
// file must exist: it is opened, never created, and without sharing, so a
// second holder makes the open fail. A number counts as recorded only when
// all its bytes were written and flushed to disk.
//
// The numbers are looked up in an index read from the file on the first
// record and kept in step with every number appended here. The file stays
// the only truth: when its size or last-write time is not what this store
// left, someone else has changed it, and it is read again.
class UsersDataFile : public UniqueNumberStore {
public:
    // Bytes read per ReadFile call while looking for the number.
    static constexpr DWORD kBlockSize = 64 * 1024;

    UsersDataFile(MessageBoxes& boxes, const MessageTable& texts, std::string path = "usersData.data");

    RecordOutcome Record(const std::uint8_t data[7]) override;

    // Replaces the file calls; the object must outlive this store's use.
    void UseCalls(UsersDataFileCalls& calls) { calls_ = &calls; }

private:
    RecordOutcome FailWithCode(Msg text, DWORD code);
    // Reads the whole open file into the index; false with the error code of
    // the failed read.
    bool BuildIndex(HANDLE file, DWORD& code);

    // The file as this store left it.
    struct Stamp {
        std::uint64_t size = 0;
        std::uint64_t lastWrite = 0;
        bool operator==(const Stamp&) const = default;
    };
    static bool StampOf(HANDLE file, Stamp& stamp);

    MessageBoxes& boxes_;
    const MessageTable& texts_;
    std::wstring path_;
    UsersDataFileCalls systemCalls_;
    UsersDataFileCalls* calls_ = &systemCalls_;
    UsersDataIndex index_;
    Stamp left_;
};

}  // namespace tollvane
