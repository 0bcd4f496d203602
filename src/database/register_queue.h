// The register rows a station wrote while the database server could not
// take them: kept in a file of the station's own (DatabaseQueue.csv beside
// IssuedCards.csv) and sent, oldest first, when the server answers again.
//
// Each line is the row's id, a comma and the row as IssuedCards.csv writes
// it. A row is added by one flushed append, and the rows sent are taken off
// by replacing the file whole (written aside, flushed, moved over it), so a
// power loss at any step loses no row; it may leave a sent row in the file,
// and sending it again is harmless: the server keeps one row per id.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "database/station_db.h"

namespace tollvane {

inline constexpr const char* kRegisterQueueFileName = "DatabaseQueue.csv";

// Sends one row to the server; nullopt when the server took it.
using SendRegisterRecord = std::function<std::optional<DbError>(const RegisterRecord&)>;

// What became of a row or of the rows waiting.
struct QueueOutcome {
    std::optional<DbError> server;  // the server's refusal that stopped the sending
    FileResult file;                // the queue file's failure; the row is then in neither place
};

class RegisterQueue {
public:
    RegisterQueue(Files& files, std::string path);

    // Reads how many rows wait (none when the file is missing).
    FileResult Load();
    std::size_t Waiting() const { return waiting_; }

    // Sends the waiting rows in order, stopping at the first the server
    // refuses, and keeps the rest.
    QueueOutcome Send(const SendRegisterRecord& send);
    // A new row: after the rows that wait, so the server gets them in the
    // order they were written; kept in the file when it cannot go now.
    QueueOutcome Deliver(const RegisterRecord& record, const SendRegisterRecord& send);

private:
    FileResult Read(std::vector<RegisterRecord>& records, std::uint64_t& whole);
    FileResult Append(const RegisterRecord& record);
    FileResult Keep(const std::vector<RegisterRecord>& records, std::size_t from);

    Files& files_;
    std::string path_, temp_;
    std::size_t waiting_ = 0;
};

}  // namespace tollvane
