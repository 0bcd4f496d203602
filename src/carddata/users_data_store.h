// usersData.data on disk: the store of unique numbers already handed out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    Recording RecordGiven(const std::uint8_t data[7]) override;

private:
    Recording RecordOrCheck(const std::uint8_t data[7], bool given);
    Recording RecordIn(File& file, const std::uint8_t data[7], bool given);

    Files& files_;
    Sleeper& sleeper_;
    std::string path_;
    UsersDataIndex index_;
    FileStamp left_;
};

// Reads an open usersData.data from its current place to its end into the
// index; false (with the system's error) when a read fails.
bool ReadUsersDataIndex(File& file, UsersDataIndex& index, std::uint32_t& error);

// Numbers put aside in usersData.data before they go to a card, so that no
// number drawn meanwhile, at this station or another, can equal them.
struct Reservation {
    // Places in the numbers given of those whose first three bytes a record
    // of the file holds already, or that another of them shares; nothing
    // was written when any.
    std::vector<std::size_t> taken;
    std::optional<StoreFailure> failure;  // nothing was written then either
    bool written = false;                 // the records are in the file and on the disk
    std::uint64_t oldEnd = 0;             // with written: the file's size before, to cut back to
};

// Appends the records of all the numbers to usersData.data, open for
// reading and writing without sharing, in one write and one flush, or
// none of them.
Reservation ReserveNumbers(File& file, const std::vector<std::array<std::uint8_t, 7>>& numbers);

}  // namespace tollvane
