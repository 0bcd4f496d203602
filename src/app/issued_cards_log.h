// The register of issued cards as the card commands use it: made ready before
// a command is sent (nothing is sent when it cannot be written), and given
// the command's row once its outcome is known.
#pragma once

#include <optional>
#include <string>

#include "base/message_table.h"
#include "base/ui.h"
#include "protocol/frames.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"

namespace tollvane {

// Who is issuing and when: the Windows user and computer, the local clock.
class StationClock {
public:
    virtual ~StationClock() = default;
    virtual RegisterTime Now() = 0;
    virtual std::string OperatorName() = 0;
    virtual std::string ComputerName() = 0;
};

class IssuedCardsLog {
public:
    // path is the register's file; displayPath names it in the messages.
    IssuedCardsLog(Files& files, std::string path, Sleeper& sleeper, StationClock& station, std::string displayPath)
        : files_(files),
          path_(std::move(path)),
          sleeper_(sleeper),
          station_(station),
          displayPath_(std::move(displayPath)) {}

    // Before a card command: false when the register cannot be written; the
    // operator has been told, and the command must not be sent.
    bool ReadyForCommand(MessageBoxes& boxes, LanguageId language);

    // The command's frame is about to go out (or failed to): what it is.
    void CommandBuilt(const CommandFrame& frame, const FormSnapshot& form, bool cyclic, const std::string& port,
                      const std::string& readerVersion);
    bool HasPendingCommand() const { return pending_.has_value(); }
    // The built command was not sent and needs no row.
    void ForgetCommand() { pending_.reset(); }

    // The outcome of the built command, with the text the operator is shown
    // (or would be, in a cyclic run). False when its row could not be
    // written; the operator has been told.
    bool RecordOutcome(IssueResult result, int errorCode, const std::string& message, MessageBoxes& boxes,
                       LanguageId language);

    const std::string& DisplayPath() const { return displayPath_; }

private:
    // rowResult: the row that failed, or none when the register could not be
    // made ready before a command.
    void Tell(MessageBoxes& boxes, LanguageId language, std::optional<IssueResult> rowResult,
              const RegisterFailure& failure);

    Files& files_;
    std::string path_;
    Sleeper& sleeper_;
    StationClock& station_;
    std::string displayPath_;
    std::optional<IssuedCardEntry> pending_;
};

}  // namespace tollvane
