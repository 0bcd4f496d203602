// Where the station keeps its records: its own files (usersData.data,
// IssuedCards.csv, CardHolders.csv), or the database that database.ini
// names, with the numbers and the register written to the files as well.
// Chosen once at start-up; the card flows and windows reach the records
// through UniqueNumberStore, RegisterStore and HolderStore and never ask
// which they have.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "app/holders/holder_store.h"
#include "base/files.h"
#include "base/ui.h"
#include "carddata/unique_store.h"
#include "carddata/users_data_store.h"
#include "database/register_queue.h"
#include "register/register_store.h"

namespace tollvane {

class StationDb;
class DatabaseNumbers;
class DatabaseRegister;
class DatabaseHolders;

struct StationPaths {
    std::string usersData = "usersData.data";
    std::string issuedCards = "IssuedCards.csv";
    std::string queue = kRegisterQueueFileName;  // rows waiting for the database
    HolderPaths holders;
    std::string holdersShown = kCardHoldersFileName;  // the list's path in messages
};

// Told whether the database answered the last attempt and how many register
// rows wait for it.
using DatabaseReached = std::function<void(bool answered, std::size_t waiting)>;

class StationRecords : public UniqueNumberStore, public RegisterStore {
public:
    // connection: the string for the driver, empty for the files alone;
    // station names this computer in the database's rows.
    StationRecords(Files& files, Sleeper& sleeper, StationPaths paths,
                   const std::string& connection, const std::string& station,
                   DatabaseReached reached);
    ~StationRecords() override;

    Recording Record(const std::uint8_t data[7]) override { return numbers_->Record(data); }
    Recording RecordGiven(const std::uint8_t data[7]) override {
        return numbers_->RecordGiven(data);
    }
    std::optional<RegisterFailure> Ready() override { return register_->Ready(); }
    std::optional<RegisterFailure> Append(const RegisterRow& row) override {
        return register_->Append(row);
    }
    std::optional<RegisterFailure> SharedNumberOnCard(const CardIdentity& card,
                                                      std::optional<std::string>& number) override {
        return register_->SharedNumberOnCard(card, number);
    }

    // The register rows waiting for the database.
    std::size_t Waiting() const;
    // The list of card holders.
    HolderStore& Holders() { return *holders_; }

private:
    class Watch;

    UsersDataStore fileNumbers_;
    FileRegister fileRegister_;
    FileHolders fileHolders_;
    std::unique_ptr<Watch> watch_;
    std::unique_ptr<StationDb> db_;
    std::unique_ptr<RegisterQueue> queue_;
    std::unique_ptr<DatabaseNumbers> dbNumbers_;
    std::unique_ptr<DatabaseRegister> dbRegister_;
    std::unique_ptr<DatabaseHolders> dbHolders_;
    UniqueNumberStore* numbers_ = &fileNumbers_;
    RegisterStore* register_ = &fileRegister_;
    HolderStore* holders_ = &fileHolders_;
};

}  // namespace tollvane
