#include "app/station_records.h"

#include "app/holders/database_holders.h"
#include "database/database_records.h"

namespace tollvane {

class StationRecords::Watch : public DatabaseWatch {
public:
    explicit Watch(DatabaseReached reached) : reached_(std::move(reached)) {}
    void Reached(bool answered, std::size_t waiting) override {
        if (reached_) reached_(answered, waiting);
    }

private:
    DatabaseReached reached_;
};

StationRecords::StationRecords(Files& files, Sleeper& sleeper, StationPaths paths,
                               const std::string& connection, const std::string& station,
                               DatabaseReached reached)
    : fileNumbers_(files, sleeper, paths.usersData),
      fileRegister_(files, sleeper, paths.issuedCards),
      fileHolders_(files, sleeper, paths.holders, paths.holdersShown, paths.usersData),
      watch_(std::make_unique<Watch>(std::move(reached))) {
    if (connection.empty()) return;
    db_ = std::make_unique<StationDb>(connection, station);
    queue_ = std::make_unique<RegisterQueue>(files, paths.queue);
    dbNumbers_ = std::make_unique<DatabaseNumbers>(*db_, fileNumbers_, *queue_, *watch_);
    dbRegister_ = std::make_unique<DatabaseRegister>(*db_, fileRegister_, *queue_, *watch_);
    dbHolders_ = std::make_unique<DatabaseHolders>(*db_);
    numbers_ = dbNumbers_.get();
    register_ = dbRegister_.get();
    holders_ = dbHolders_.get();
    // The rows an earlier run could not send; the server is first asked
    // when a card needs it.
    queue_->Load();
}

std::size_t StationRecords::Waiting() const { return queue_ ? queue_->Waiting() : 0; }

StationRecords::~StationRecords() = default;

}  // namespace tollvane
