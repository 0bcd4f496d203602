#pragma once

#include <cstdint>
#include <string>

namespace tollvane {

// Result of recording a unique number in usersData.data.
enum class RecordOutcome {
    Recorded,         // appended and flushed to disk
    AlreadyRecorded,  // a number with the same first three bytes is in the file
    KeyTaken,         // (RecordGiven) another number holds its first three bytes
    Failed,           // open, read or write failed
};

// The step of a record that failed, and the system's error code (the open
// has none: the operator is told where the file belongs instead).
// Database: the database server, which records the numbers of every
// station, could not be reached or refused (text: the driver's).
enum class StoreStep { Open, Read, Write, Database };
struct StoreFailure {
    StoreStep step = StoreStep::Open;
    std::uint32_t systemError = 0;
    std::string text = {};
};

struct Recording {
    RecordOutcome outcome = RecordOutcome::Recorded;
    StoreFailure failure;  // with Failed

    bool operator==(RecordOutcome other) const { return outcome == other; }
};

// The file of five-byte numbers already handed out. It tells nobody of a
// failure: the caller words it.
class UniqueNumberStore {
public:
    virtual ~UniqueNumberStore() = default;
    // Reads the first five of the seven data bytes.
    virtual Recording Record(const std::uint8_t data[7]) = 0;
    // A number given in advance, normally reserved in the file when it was
    // given: AlreadyRecorded when the file holds this very number and no
    // other with its first three bytes, KeyTaken when another number holds
    // them, Recorded when it was new and now is.
    virtual Recording RecordGiven(const std::uint8_t data[7]) = 0;
};

}  // namespace tollvane
