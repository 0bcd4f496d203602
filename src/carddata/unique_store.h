#pragma once

#include <cstdint>

namespace tollvane {

// Result of recording a unique number in usersData.data.
enum class RecordOutcome {
    Recorded,         // appended and flushed to disk
    AlreadyRecorded,  // a number with the same first three bytes is in the file
    Failed,           // open, read or write failed; the message has been shown
};

// The file of five-byte numbers already handed out.
class UniqueNumberStore {
public:
    virtual ~UniqueNumberStore() = default;
    // Reads the first five of the seven data bytes.
    virtual RecordOutcome Record(const std::uint8_t data[7]) = 0;
};

}  // namespace tollvane
