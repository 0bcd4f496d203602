// The card holders list in the database's card_holders table: every change
// is one statement or one transaction on the server, and a run takes one
// person at a time for this station (StationDb::TakeNextWaiting), so that
// two stations issuing from the list at once never give one person two
// cards. Nothing is held between operations: the window is never read-only.
#pragma once

#include <optional>

#include "app/holders/holder_store.h"
#include "database/station_db.h"

namespace tollvane {

// A person of the list as the table holds them (id: the row's).
HolderRecord HolderRecordOf(const CardHolder& person, std::int64_t id = 0);

class DatabaseHolders : public HolderStore {
public:
    explicit DatabaseHolders(StationDb& db) : db_(db) {}
    ~DatabaseHolders() override { EndRun(); }

    std::optional<HoldersNote> Load(std::vector<CardHolder>& people,
                                    const MessageTable& texts) override;
    // Other stations change the table without telling: it is read again.
    bool MayHaveChanged() override { return true; }
    bool HeldElsewhere() override { return false; }
    HoldersNote Import(const std::string& text, const MessageTable& texts) override;
    std::optional<HoldersNote> Remove(const std::vector<HolderIdentity>& chosen,
                                      const MessageTable& texts) override;
    std::optional<HoldersNote> Replace(const HolderIdentity& who, const RevokeCard& revoke,
                                       const MessageTable& texts) override;

    std::optional<HoldersNote> StartRun(std::size_t& waiting, const MessageTable& texts) override;
    std::optional<HoldersNote> NextPerson(CardHolder& person, bool& found,
                                          const MessageTable& texts) override;
    std::optional<HoldersNote> Issued(const CardHolder& person, const MessageTable& texts) override;
    void EndRun() override;

private:
    std::optional<HoldersNote> LoadRecords(std::vector<HolderRecord>& records,
                                           std::vector<CardHolder>& people,
                                           const MessageTable& texts);

    StationDb& db_;
    std::optional<HolderRecord> taken_;  // given to the next card, not issued yet
};

}  // namespace tollvane
