// The list of people who are to get a card, CardHolders.csv beside
// usersData.data: one row per person, in list order, with the number the
// person is to get (given on import) or got (when issued), the status and
// the time of issue. UTF-8 with a byte-order mark, CRLF line ends, RFC 4180
// quoting, as the register of issued cards.
//
// The file is only ever replaced whole: written to a temporary file,
// flushed, and moved into place, so a power loss leaves the old list or the
// new one. A station changes it only while it holds CardHolders.lock, so
// two stations sharing a folder never overwrite each other's changes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/ui.h"

namespace tollvane {

inline constexpr char kCardHoldersFileName[] = "CardHolders.csv";
inline constexpr char kCardHoldersTempName[] = "CardHolders.tmp";
inline constexpr char kCardHoldersLockName[] = "CardHolders.lock";

using HolderNumber = std::array<std::uint8_t, 7>;

enum class HolderStatus { Waiting, Issued };

struct CardHolder {
    std::string name;  // UTF-8, as imported
    // A waiting person's number was given on import; an issued person's is
    // the one on the card. A waiting person without one gets a fresh number.
    std::optional<HolderNumber> number;
    HolderStatus status = HolderStatus::Waiting;
    std::string time;  // of issue, as the register writes it; empty while waiting
};

struct HolderCounts {
    std::size_t total = 0, issued = 0, waiting = 0;
};

// Where the list and its companions are: the folder of usersData.data.
struct HolderPaths {
    std::string list = kCardHoldersFileName;
    std::string temp = kCardHoldersTempName;
    std::string lock = kCardHoldersLockName;
};

// --- The file ----------------------------------------------------------------------

// The whole file for these people: mark, header, a CRLF line each.
std::string FormatCardHolders(const std::vector<CardHolder>& people);

// A file that does not read as a list: the line where reading stopped.
struct ListDamage {
    std::size_t line = 0;
};

// Reads the file's bytes. An empty file is an empty list.
std::optional<ListDamage> ParseCardHolders(std::string_view bytes, std::vector<CardHolder>& people);

// "11 22 33 44 55 66 77".
std::string HolderNumberText(const HolderNumber& number);

// --- Reading and replacing the file over Files ------------------------------------

enum class ListStep { Open, Read, Damaged, Write, Flush, Move };

struct ListFailure {
    ListStep step = ListStep::Open;
    std::uint32_t systemError = 0;  // for Damaged: the line
};

// Reads the list; a missing file is an empty list. Readers share the file
// with a station that is replacing it.
std::optional<ListFailure> LoadCardHolders(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                           std::vector<CardHolder>& people);

// Replaces the list: the temporary file written and flushed, then moved over
// the list. On failure the list on the disk is the old one, whole, and the
// temporary file is gone.
std::optional<ListFailure> SaveCardHolders(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                           const std::vector<CardHolder>& people);

// The right to change the list, held as an open CardHolders.lock that other
// stations cannot open for writing. Released when destroyed.
class ListHold {
public:
    // Empty when another station holds the list (HeldElsewhere) or the lock
    // file cannot be opened (result says which).
    static std::unique_ptr<ListHold> Take(Files& files, const HolderPaths& paths,
                                          FileResult& result);

private:
    explicit ListHold(std::unique_ptr<File> file) : file_(std::move(file)) {}
    std::unique_ptr<File> file_;
};

// --- What the window and the run look at -------------------------------------------

HolderCounts CountHolders(const std::vector<CardHolder>& people);

// The first waiting person at or after from, or people.size().
std::size_t NextWaiting(const std::vector<CardHolder>& people, std::size_t from = 0);

// A person matches when the name, the number as shown, the status or the
// time contains the filter; letters (Latin and Cyrillic) match either case.
// An empty filter matches everyone.
bool HolderMatches(const CardHolder& person, std::string_view filter);

// "waiting" or "issued", as the file writes it.
std::string_view HolderStatusText(HolderStatus status);

// --- Export for the access controller ---------------------------------------------

// The issued people among the rows given (places in the list, in list
// order), as a CSV file of the same conventions: name, number, the
// converter's forms of the number for each interface, time. Every cell is
// made safe for a spreadsheet (SpreadsheetSafe): the names come from
// outside files.
std::string ExportIssuedHolders(const std::vector<CardHolder>& people,
                                const std::vector<std::size_t>& rows);

}  // namespace tollvane
