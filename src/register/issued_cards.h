// The register of issued cards, IssuedCards.csv: one row for every card
// command sent, in UTF-8 with a byte-order mark, CRLF line ends and RFC 4180
// quoting. This part makes the bytes of the file; opening and writing it is
// the caller's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/card_id.h"
#include "protocol/frames.h"

namespace tollvane {

inline constexpr char kRegisterFileName[] = "IssuedCards.csv";

enum RegisterColumn : int {
    kColTime,
    kColOperator,
    kColComputer,
    kColPort,
    kColReaderVersion,
    kColRole,
    kColOperation,
    kColCyclic,
    kColCardType,
    kColWorkMode,
    kColSector,
    kColBlock,
    kColUniqueData,
    kColTmW44,
    kColHexW44,
    kColDecW44,
    kColTmW26,
    kColHexW26,
    kColDecW26,
    kColTmW58,
    kColHexW58,
    kColDecW58,
    kColResult,
    kColMessage,
    kColCardBarcode,
    kColCardCipherId,
    kRegisterColumnCount
};

using RegisterRow = std::array<std::string, kRegisterColumnCount>;

// The column names, in file order; the header line is these joined by commas.
extern const std::array<const char*, kRegisterColumnCount> kRegisterColumnNames;

// What a new file begins with: the byte-order mark, the header line and its
// CRLF.
std::string_view RegisterFileStart();

// What a register begins with that was made before rows named their card:
// the same header without its last two columns. Such a register is given
// the new header once (MigrateRegister); its rows are read as they are.
std::string_view OldRegisterFileStart();

// One field as it goes into the file: quoted, with its quotes doubled, when
// it holds a comma, a quote or a line end; otherwise as it is.
std::string QuoteRegisterField(std::string_view field);

// A cell that a spreadsheet would run as a formula (it begins with '=', '+',
// '-', '@', a tab or a carriage return) with a leading apostrophe, so that
// opening an exported file never runs anything; any other cell as it is.
std::string SpreadsheetSafe(std::string_view cell);

// One row as one line of the file, CRLF included, ready for a single write.
// A CRLF inside a field is written as a bare LF: the pair then only ever ends
// a row, which is what the repair of a torn last line relies on.
std::string FormatRegisterLine(const RegisterRow& row);

// A local time with its offset from UTC, as the system clock gives it.
struct RegisterTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0;  // east of Greenwich positive
};

// "2026-12-06T18:30:05+03:00".
std::string FormatRegisterTime(const RegisterTime& t);

// Verified, Mismatch and Unverified: a write whose card was read back to
// check it held what was written, did not, or could not be read.
enum class IssueResult {
    Ok,
    Error,
    NoReply,
    Unrecognized,
    NotSent,
    Verified,
    Mismatch,
    Unverified
};

// "OK", "ERR_03".."ERR_18", "NO_REPLY", "UNRECOGNIZED", "NOT_SENT",
// "VERIFIED", "MISMATCH", "UNVERIFIED".
std::string RegisterResultText(IssueResult result, int errorCode);

// The operation letter of a row that sends no command: the number of a lost
// or broken card withdrawn ("Revoke"), so that an access controller can
// block it.
inline constexpr std::uint8_t kRevokeLetter = 'v';

// Everything a row says about one card command.
struct IssuedCardEntry {
    RegisterTime time;
    std::string operatorName, computer, port, readerVersion;
    std::uint8_t roleLetter = 0;       // 'M' or 'U', as in the frame
    std::uint8_t operationLetter = 0;  // 'w', 'r', 'c' or kRevokeLetter
    bool cyclic = false;
    std::uint8_t cardTypeLetter = 0;  // 's', '1', '3', or 0 when none was chosen
    bool aesAuth = false;
    int workModeIndex = -1;                                 // WorkModeCombo selection
    std::optional<int> sector, block;                       // only when the frame carried them
    std::optional<std::array<std::uint8_t, 7>> uniqueData;  // plain, as the operator sees it
    IssueResult result = IssueResult::NotSent;
    int errorCode = 0;
    std::string message;
    std::optional<CardIdentity> card;  // when the card's ID was read before the command
};

// Reads the command's letters, sector and block from the frame that was (or
// was to be) sent, and the work mode and the plain unique data from the form
// it was built from: in the "decrypt" mode the frame carries the data
// scrambled. Time, station, result and message are left for the caller.
IssuedCardEntry EntryFromFrame(const CommandFrame& frame, const FormSnapshot& form);

RegisterRow MakeRegisterRow(const IssuedCardEntry& entry);

// The card columns as the Read ID window shows the numbers: ten decimal
// digits each, so that a barcode typed from that window finds its rows.
void PutCardIdentity(RegisterRow& row, const CardIdentity& card);

// What has to be written before the next row so that it starts on a line of
// its own in a well-formed file, given the file's size and its last bytes
// (at least the last RegisterFileStart().size() of them, or all of a shorter
// file; more is better: up to the start of the last line).
// - an empty file, or one whose creation was cut short: the (rest of the)
//   byte-order mark and header;
// - a last line cut short: the quote it may have left open, then CRLF;
// - a file ending in CRLF: nothing.
std::string RegisterLeadIn(std::uint64_t fileSize, std::string_view lastBytes);

}  // namespace tollvane
