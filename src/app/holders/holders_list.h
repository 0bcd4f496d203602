// The list of card holders as the "Card holders" window works on it: read,
// kept up to date while another station changes it, filtered, imported
// into, taken from, and exported. Every change is the store's (a file under
// its hold, or the database in a transaction), and the list is read again
// after it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/holders/card_holders.h"
#include "app/holders/holder_store.h"
#include "app/holders/holders_import.h"
#include "app/issued_cards_log.h"
#include "base/files.h"
#include "base/message_table.h"
#include "base/ui.h"

namespace tollvane {

// Why a card is replaced; its text goes into the register row's Message.
enum class ReplaceReason { Lost, Damaged, Other };
Msg ReplaceReasonText(ReplaceReason reason);

class HoldersList {
public:
    // texts: the window's language, in which the filter finds the status.
    explicit HoldersList(HolderStore& store, MessageTable texts = MessageTable{})
        : store_(store), texts_(texts) {}

    // Reads the list; a note when it cannot be read (the list is then empty).
    std::optional<HoldersNote> Load(const MessageTable& texts);
    // Reads the list again when its stamp changed. changed: other rows now.
    std::optional<HoldersNote> Refresh(const MessageTable& texts, bool& changed);
    // True when another station holds the list (a run or a change is under
    // way there): the window shows it read-only.
    bool HeldElsewhere();

    void SetFilter(std::string filter);
    // Places in the list of the people the filter keeps, in list order.
    const std::vector<std::size_t>& Rows() const { return rows_; }
    const CardHolder& Person(std::size_t place) const { return people_[place]; }
    HolderCounts Counts() const { return CountHolders(people_); }

    // Imports a file's bytes: everyone or, when a line is refused, no one.
    // The given numbers are recorded in the same step, so that no number
    // drawn later can equal one of them.
    HoldersNote Import(std::string_view bytes, const AnsiToUtf8& ansi, const MessageTable& texts);
    // Who stands at these places now, for a change the operator confirms
    // later.
    std::vector<HolderIdentity> Chosen(const std::vector<std::size_t>& places) const;
    // Takes these waiting people off the list, found again by name and
    // number; issued ones stay. A given number stays recorded: it is never
    // offered again.
    std::optional<HoldersNote> Remove(const std::vector<HolderIdentity>& chosen,
                                      const MessageTable& texts);
    // Replaces the card of one issued person: a Revoke row in the register
    // (the old number, the old card, the reason) and then the person waits
    // again with no number; the old number stays recorded and is never
    // given again. Nothing changes when the row cannot be written.
    std::optional<HoldersNote> Replace(const HolderIdentity& person, ReplaceReason reason,
                                       IssuedCardsLog& log, const MessageTable& texts);
    // The issued people the filter keeps, for the access controller.
    std::string ExportText() const { return ExportIssuedHolders(people_, rows_); }

private:
    // Reads the list again after a change, and says the change's note.
    std::optional<HoldersNote> Changed(std::optional<HoldersNote> note, const MessageTable& texts);
    void Filter();

    HolderStore& store_;
    MessageTable texts_;
    std::vector<CardHolder> people_;
    std::vector<std::size_t> rows_;
    std::string filter_;
};

}  // namespace tollvane
