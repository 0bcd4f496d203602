// Appending rows to the register of issued cards. The file is opened for each
// row and closed again, shared for reading only while it is open, so that the
// stations sharing one folder take turns: a station that finds the file open
// elsewhere tries again for a while before it gives up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/files.h"
#include "base/ui.h"
#include "register/register_reader.h"

namespace tollvane {

enum class RegisterStep { Open, Read, Write, Flush };

struct RegisterFailure {
    RegisterStep step;
    unsigned long systemError;
    // The file that failed when it is not the register: the queue of rows
    // waiting for the database.
    std::string file = {};
    // The database's own words when the register that the stations share
    // could not be asked.
    std::string database = {};
};

// Makes sure a row can be appended now: opens the register (creating it with
// its header), completes a line that was cut short, and closes it again.
// A register made before rows named their card gets the new header here,
// once: through IssuedCards.tmp, flushed, and a replacing move; its rows
// stay byte for byte. Called before a card command is sent; nothing is sent
// when it fails.
std::optional<RegisterFailure> PrepareRegister(Files& files, Sleeper& sleeper,
                                               const std::string& path);

// Appends one line (FormatRegisterLine) in one write and flushes it, after
// whatever completes a line that was cut short.
std::optional<RegisterFailure> AppendRegisterLine(Files& files, Sleeper& sleeper,
                                                  const std::string& path, std::string_view line);

}  // namespace tollvane
