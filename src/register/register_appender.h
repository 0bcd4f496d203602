// Appending rows to the register of issued cards. The file is opened for each
// row and closed again, shared for reading only while it is open, so that the
// stations sharing one folder take turns: a station that finds the file open
// elsewhere tries again for a while before it gives up.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "base/ui.h"
#include "register/register_reader.h"

namespace tollvane {

// One opening of the register, for reading its end and appending.
class RegisterFile : public RegisterSource {
public:
    // The bytes at the end of the file, in one write.
    virtual bool Append(std::string_view bytes) = 0;
    // Everything written is on the disk when this returns true.
    virtual bool Flush() = 0;
    // The system error of the last call that failed.
    virtual unsigned long LastError() const = 0;
};

// Opens the register, creating it when it does not exist; null with the
// system error when it cannot be opened.
class RegisterStorage {
public:
    virtual ~RegisterStorage() = default;
    virtual std::unique_ptr<RegisterFile> OpenForAppend(unsigned long& error) = 0;
};

// The system's "file in use by another process" errors (sharing and lock
// violation): worth waiting for, unlike all others.
inline constexpr unsigned long kErrorSharingViolation = 32;
inline constexpr unsigned long kErrorLockViolation = 33;

// A file held by another station is tried again every 100 ms for two seconds.
inline constexpr unsigned kShareRetryPauseMs = 100;
inline constexpr int kShareRetryPauses = 20;

enum class RegisterStep { Open, Read, Write, Flush };

struct RegisterFailure {
    RegisterStep step;
    unsigned long systemError;
};

// Makes sure a row can be appended now: opens the register (creating it with
// its header), completes a line that was cut short, and closes it again.
// Called before a card command is sent; nothing is sent when it fails.
std::optional<RegisterFailure> PrepareRegister(RegisterStorage& storage, Sleeper& sleeper);

// Appends one line (FormatRegisterLine) in one write and flushes it, after
// whatever completes a line that was cut short.
std::optional<RegisterFailure> AppendRegisterLine(RegisterStorage& storage, Sleeper& sleeper,
                                                  std::string_view line);

// Opens with the retry on files held elsewhere; shared with usersData.data,
// which is opened alone for each number in the same way.
template <typename Open>
auto OpenWithShareRetry(Sleeper& sleeper, unsigned long& error, Open&& open) -> decltype(open(error)) {
    for (int pause = 0;; ++pause) {
        auto file = open(error);
        if (file || (error != kErrorSharingViolation && error != kErrorLockViolation) ||
            pause == kShareRetryPauses) {
            return file;
        }
        sleeper.SleepMs(kShareRetryPauseMs);
    }
}

}  // namespace tollvane
