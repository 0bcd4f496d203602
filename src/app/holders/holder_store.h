// Where the card holders list is kept: CardHolders.csv beside
// usersData.data, changed only under CardHolders.lock (FileHolders), or the
// database's card_holders table, changed in transactions (DatabaseHolders,
// app/holders/database_holders.h). The "Card holders" window (HoldersList)
// and the run that issues cards (HoldersRun) work through this and never
// ask which one they have; the station's records choose it at start-up.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/holders/card_holders.h"
#include "app/holders/holders_import.h"
#include "base/files.h"
#include "base/message_table.h"
#include "base/ui.h"

namespace tollvane {

// A message for the operator.
struct HoldersNote {
    std::string text;
    MessageIcon icon = MessageIcon::Success;
};

// Writes the Revoke row of an issued person's card into the register; a
// note when it cannot, and the person then stays issued.
using RevokeCard = std::function<std::optional<HoldersNote>(const CardHolder& person)>;

class HolderStore {
public:
    virtual ~HolderStore() = default;

    // --- The list as the window shows it --------------------------------------------
    // The whole list, in list order; a note when it cannot be read.
    virtual std::optional<HoldersNote> Load(std::vector<CardHolder>& people,
                                            const MessageTable& texts) = 0;
    // Whether the list may differ from the last Load (asked every second).
    virtual bool MayHaveChanged() = 0;
    // Another station holds the whole list: the window shows it read-only.
    virtual bool HeldElsewhere() = 0;
    // Adds the people of an import's text (ImportText): everyone or, when a
    // line is refused, no one. Their given numbers are recorded with them,
    // so that no number drawn later can equal one of them.
    virtual HoldersNote Import(const std::string& text, const MessageTable& texts) = 0;
    // Takes these waiting people off the list; issued ones stay.
    virtual std::optional<HoldersNote> Remove(const std::vector<HolderIdentity>& chosen,
                                              const MessageTable& texts) = 0;
    // The issued person's card is revoked (revoke), then the person waits
    // again with no number.
    virtual std::optional<HoldersNote> Replace(const HolderIdentity& who, const RevokeCard& revoke,
                                               const MessageTable& texts) = 0;

    // --- A run that issues cards --------------------------------------------------------
    // Takes the list for a run; waiting: how many people wait.
    virtual std::optional<HoldersNote> StartRun(std::size_t& waiting,
                                                const MessageTable& texts) = 0;
    // The next person to get a card, taken for this station: no other
    // station issues a card to the same person. found is false when nobody
    // waits.
    virtual std::optional<HoldersNote> NextPerson(CardHolder& person, bool& found,
                                                  const MessageTable& texts) = 0;
    // The card of the person NextPerson gave was written: the person, with
    // the card's number, time and identity, is issued.
    virtual std::optional<HoldersNote> Issued(const CardHolder& person,
                                              const MessageTable& texts) = 0;
    // The run is over: a person taken and not issued waits again, and the
    // list is let go.
    virtual void EndRun() = 0;
};

// The places of the waiting people chosen (by name and number, each
// identity once for each time it was chosen), in list order.
std::vector<std::size_t> WaitingPlacesOf(const std::vector<CardHolder>& people,
                                         const std::vector<HolderIdentity>& chosen);
// The place of the issued person who is who; none when nobody is.
std::optional<std::size_t> IssuedPlaceOf(const std::vector<CardHolder>& people,
                                         const HolderIdentity& who);
// The note for an import that is refused before any number is checked
// against the recorded ones (too many people, refused lines, nobody in the
// file); none when the people may be added.
std::optional<HoldersNote> ImportRefusal(const ImportResult& result, const MessageTable& texts);
// "N people were added to the list."
HoldersNote ImportedNote(std::size_t added, const MessageTable& texts);

// The message for a failed step of the list file: what failed, the list's
// path, and the system error.
std::string ListFailureText(const MessageTable& texts, const ListFailure& failure,
                            const std::string& path);

// CardHolders.csv.
class FileHolders : public HolderStore {
public:
    // displayPath names the list in messages.
    FileHolders(Files& files, Sleeper& sleeper, HolderPaths paths, std::string displayPath,
                std::string usersDataPath = "usersData.data");
    ~FileHolders() override;

    std::optional<HoldersNote> Load(std::vector<CardHolder>& people,
                                    const MessageTable& texts) override;
    bool MayHaveChanged() override;
    bool HeldElsewhere() override;
    HoldersNote Import(const std::string& text, const MessageTable& texts) override;
    std::optional<HoldersNote> Remove(const std::vector<HolderIdentity>& chosen,
                                      const MessageTable& texts) override;
    std::optional<HoldersNote> Replace(const HolderIdentity& who, const RevokeCard& revoke,
                                       const MessageTable& texts) override;

    // The list stays held for the whole run, so no other station changes
    // it meanwhile.
    std::optional<HoldersNote> StartRun(std::size_t& waiting, const MessageTable& texts) override;
    std::optional<HoldersNote> NextPerson(CardHolder& person, bool& found,
                                          const MessageTable& texts) override;
    std::optional<HoldersNote> Issued(const CardHolder& person, const MessageTable& texts) override;
    void EndRun() override;

private:
    // Takes the list's hold, reads the list under it into people_, runs
    // change on it and saves it. undo: what the change did beside the list,
    // taken back when the list cannot be saved.
    template <typename ChangeFn, typename UndoFn>
    std::optional<HoldersNote> Change(const MessageTable& texts, ChangeFn&& change, UndoFn&& undo);
    std::optional<HoldersNote> Take(const MessageTable& texts);
    HoldersNote Failed(const MessageTable& texts, const ListFailure& failure) const;

    Files& files_;
    Sleeper& sleeper_;
    HolderPaths paths_;
    std::string displayPath_;
    std::string usersDataPath_;
    std::optional<FileStamp> stamp_;
    std::unique_ptr<ListHold> hold_;
    std::vector<CardHolder> people_;  // the list as read under the hold
    std::size_t current_ = 0;         // the person of the run's card under way
};

}  // namespace tollvane
