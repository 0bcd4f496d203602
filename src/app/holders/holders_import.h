// Reading a list of people that the operator brings from elsewhere (a
// spreadsheet's CSV or a text file): one person per line, the name and
// optionally the number the person is to get.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/holders/card_holders.h"
#include "base/message_table.h"

namespace tollvane {

// Turns text in the system's ANSI code page into UTF-8: the Windows layer
// asks the system, the tests use a table of their own.
using AnsiToUtf8 = std::function<std::string(std::string_view)>;

// The file's text in UTF-8: a UTF-8 or UTF-16 byte-order mark is taken
// away; text without a mark whose zero bytes all stand at odd places (or
// all at even places) is UTF-16, little-endian (big-endian), since its line
// ends and digits have a zero byte each and other text has none; text that
// is valid UTF-8 is UTF-8; any other text is in the ANSI code page.
std::string ImportText(std::string_view bytes, const AnsiToUtf8& ansi);

// Names longer than this are refused.
inline constexpr std::size_t kMaxHolderName = 200;
// A larger file, or one with more people, is refused whole: a list of
// people is never that long, and the list is read every time it changes.
inline constexpr std::uint64_t kMaxImportBytes = 16u << 20;
inline constexpr std::size_t kMaxImportPeople = 1'000'000;

// ControlCharacter: below U+0020 but the tab, or U+007F, in a name.
enum class Refusal {
    EmptyName,
    NameTooLong,
    BadNumber,
    NumberRecorded,
    NumberTwice,
    ControlCharacter
};

struct RefusedLine {
    std::size_t line;
    Refusal reason;
};

struct ImportResult {
    std::vector<CardHolder> people;    // waiting, in file order
    std::vector<std::size_t> lines;    // the line of each person
    std::vector<RefusedLine> refused;  // in file order; nothing is imported when any
    bool tooManyPeople = false;        // more than kMaxImportPeople: nothing is imported
};

// Whether a reader set to Wiegand 26 would already know a number: true when
// usersData.data holds a record with its first three bytes.
using NumberRecorded = std::function<bool(const HolderNumber& number)>;

// Reads the people of a file's text (ImportText). The separator (tab,
// semicolon or comma, in that order of preference) is the one the first
// line holds; a first line whose first cell is "Name", "Имя" or "ФИО" is a
// header; empty lines are skipped, names trimmed. A number is refused when
// usersData.data has it (recorded), or when it shares its first three bytes
// with another number of the file or of the list already (onList).
ImportResult ReadImport(std::string_view text, const NumberRecorded& recorded,
                        const std::vector<CardHolder>& onList,
                        std::size_t maxPeople = kMaxImportPeople);

// The one message for the refused lines: at most ten, then "and N more".
std::string RefusalMessage(const std::vector<RefusedLine>& refused, const MessageTable& texts);

}  // namespace tollvane
