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
#include "base/message_table.h"
#include "base/ui.h"
#include "register/register_file_source.h"

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
    // The issued card's barcode number and cipher identifier in decimal, as
    // the Read ID window shows them; empty when the card was not identified.
    std::string cardBarcode, cardCipherId;
    bool operator==(const CardHolder&) const = default;
};

// Who a person is when the list may have moved under the window: a place
// in the list is not, since another station's change can shift it.
struct HolderIdentity {
    std::string name;
    std::optional<HolderNumber> number;
    bool operator==(const HolderIdentity&) const = default;
};
inline HolderIdentity IdentityOf(const CardHolder& person) { return {person.name, person.number}; }

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

// Reads the file's bytes. An empty file is an empty list; a list written
// before the cards were identified (four columns) reads as one whose cards
// were not.
std::optional<ListDamage> ParseCardHolders(std::string_view bytes, std::vector<CardHolder>& people);

// "11 22 33 44 55 66 77".
std::string HolderNumberText(const HolderNumber& number);
// The number of that text; none for any other text.
std::optional<HolderNumber> ParseHolderNumber(std::string_view text);

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
    // Waits up to two seconds for a station that holds the list, as the key
    // list does: another station's window looks at the lock for a moment
    // every second. Empty when the list stays held (HeldElsewhere) or the
    // lock file cannot be opened (result says which).
    static std::unique_ptr<ListHold> Take(Files& files, Sleeper& sleeper, const HolderPaths& paths,
                                          FileResult& result);
    // Whether another station holds the list now. Looks without taking:
    // the lock is neither made nor opened for writing.
    static bool HeldElsewhere(Files& files, const HolderPaths& paths);

private:
    explicit ListHold(std::unique_ptr<File> file) : file_(std::move(file)) {}
    std::unique_ptr<File> file_;
};

// --- What the window and the run look at -------------------------------------------

HolderCounts CountHolders(const std::vector<CardHolder>& people);

// The first waiting person at or after from, or people.size().
std::size_t NextWaiting(const std::vector<CardHolder>& people, std::size_t from = 0);

// A person matches when the name, the number as shown, the status as the
// window shows it (in the language of texts), the time or the card's
// identity contains the filter; letters (Latin and Cyrillic) match either
// case. An empty filter matches everyone.
bool HolderMatches(const CardHolder& person, std::string_view filter, const MessageTable& texts);

// "waiting" or "issued", as the file writes it.
std::string_view HolderStatusText(HolderStatus status);
// The status as the window shows it.
const char* HolderStatusShown(HolderStatus status, const MessageTable& texts);

// --- Export for the access controller ---------------------------------------------

// The issued people among the rows given (places in the list, in list
// order), as a CSV file of the same conventions: name, number, the
// converter's forms of the number for each interface, time, the card's
// identity. Every cell is
// made safe for a spreadsheet (SpreadsheetSafe): the names come from
// outside files.
std::string ExportIssuedHolders(const std::vector<CardHolder>& people,
                                const std::vector<std::size_t>& rows);

// Every number the register records as revoked (its Revoke rows, from any
// station), for the access controller's block list: the number, its
// converter forms for each interface, the card's identity, the reason and
// the time, in the same conventions. False when the register cannot be
// read (the source says why); a register not made yet revokes nothing.
bool ExportRevokedNumbers(RegisterFileSource& source, std::string& text);

}  // namespace tollvane
