// The station's records kept in the database: the numbers of every station
// and the one register, with the station's own files written as well, as a
// record of its own work. The card commands reach these through the same
// seams as the files (UniqueNumberStore, RegisterStore).
#pragma once

#include <cstddef>
#include <optional>

#include "carddata/unique_store.h"
#include "database/register_queue.h"
#include "database/station_db.h"
#include "register/register_store.h"

namespace tollvane {

// Told after every attempt to reach the server: whether it answered, and how
// many register rows wait in the queue file for it (the main window's title).
class DatabaseWatch {
public:
    virtual ~DatabaseWatch() = default;
    virtual void Reached(bool answered, std::size_t waiting) = 0;
};

// A number is the station's when the server's numbers table took it; a
// number the server refuses (another station has it, or its Wiegand 26 key)
// is drawn again. Then usersData.data records it too. No server, no number.
class DatabaseNumbers : public UniqueNumberStore {
public:
    DatabaseNumbers(StationDb& db, UniqueNumberStore& local, RegisterQueue& queue,
                    DatabaseWatch& watch)
        : db_(db), local_(local), queue_(queue), watch_(watch) {}

    Recording Record(const std::uint8_t data[7]) override { return Claim(data, false); }
    // A given number the server holds is the expected case; one whose
    // Wiegand 26 key another number holds is refused (KeyTaken).
    Recording RecordGiven(const std::uint8_t data[7]) override { return Claim(data, true); }

private:
    Recording Claim(const std::uint8_t data[7], bool given);

    StationDb& db_;
    UniqueNumberStore& local_;
    RegisterQueue& queue_;
    DatabaseWatch& watch_;
};

// Rows go to IssuedCards.csv and to the database's register; a row the
// server cannot take now waits in the queue file and is sent, in order and
// once, when it answers again.
class DatabaseRegister : public RegisterStore {
public:
    DatabaseRegister(StationDb& db, RegisterStore& local, RegisterQueue& queue,
                     DatabaseWatch& watch)
        : db_(db), local_(local), queue_(queue), watch_(watch) {}

    std::optional<RegisterFailure> Ready() override;
    std::optional<RegisterFailure> Append(const RegisterRow& row) override;
    std::optional<RegisterFailure> SharedNumberOnCard(const CardIdentity& card,
                                                      std::optional<std::string>& number) override;

private:
    std::optional<RegisterFailure> Told(const QueueOutcome& outcome);

    StationDb& db_;
    RegisterStore& local_;
    RegisterQueue& queue_;
    DatabaseWatch& watch_;
    RegisterRowIds ids_;
};

}  // namespace tollvane
