// usersData.data on disk: the store of unique numbers already handed out.
#pragma once

#include <cstdint>
#include <string>

#include "base/files.h"
#include "base/ui.h"
#include "carddata/unique_store.h"
#include "carddata/users_data_index.h"

namespace tollvane {

// Looks a number up in usersData.data and appends it when it is new. The
// file must exist: it is opened, never created, and without sharing, so two
// stations sharing a folder never hand out the same number; a station that
// finds it held elsewhere waits its turn for up to two seconds. A number
// counts as recorded only when all its bytes were written and flushed.
//
// The numbers are looked up in an index read from the file on the first
// record and kept in step with every number appended here. The file stays
// the only truth: when its stamp (size, last-write time) is not what this
// store left, someone else has changed it, and it is read again.
class UsersDataStore : public UniqueNumberStore {
public:
    // Bytes read per call while building the index.
    static constexpr std::size_t kBlockSize = 64 * 1024;

    UsersDataStore(Files& files, Sleeper& sleeper, std::string path = "usersData.data");

    Recording Record(const std::uint8_t data[7]) override;

private:
    Recording RecordIn(File& file, const std::uint8_t data[7]);

    Files& files_;
    Sleeper& sleeper_;
    std::string path_;
    UsersDataIndex index_;
    FileStamp left_;
};

}  // namespace tollvane
