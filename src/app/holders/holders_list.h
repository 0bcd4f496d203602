// The list of card holders as the "Card holders" window works on it: read,
// kept up to date while another station changes it, filtered, imported
// into, taken from, and exported. Every change is made under the list's
// hold, on the list as read under it, and saved at once.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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

class HoldersList {
public:
    HoldersList(Files& files, Sleeper& sleeper, HolderPaths paths, std::string displayPath,
                std::string usersDataPath = "usersData.data");

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
    HoldersNote Import(std::string_view bytes, const AnsiToUtf8& ansi, const MessageTable& texts);
    // Takes the waiting people at these places off the list; issued ones stay.
    std::optional<HoldersNote> Remove(const std::vector<std::size_t>& places,
                                      const MessageTable& texts);
    // The issued people the filter keeps, for the access controller.
    std::string ExportText() const { return ExportIssuedHolders(people_, rows_); }

private:
    // Runs change on the list as read under the hold, and saves it.
    template <typename Change>
    std::optional<HoldersNote> Change(const MessageTable& texts, Change&& change);
    void Filter();
    HoldersNote Failed(const MessageTable& texts, const ListFailure& failure) const;

    Files& files_;
    Sleeper& sleeper_;
    HolderPaths paths_;
    std::string displayPath_;
    std::string usersDataPath_;
    std::vector<CardHolder> people_;
    std::vector<std::size_t> rows_;
    std::string filter_;
    std::optional<FileStamp> stamp_;
};

}  // namespace tollvane
