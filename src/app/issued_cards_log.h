// The register of issued cards as the card commands use it: made ready before
// a command is sent (nothing is sent when it cannot be written), and given
// the command's row once its outcome is known. A failure comes back as a
// value; the card commands word it.
#pragma once

#include <optional>
#include <string>

#include "base/ui.h"
#include "protocol/card_id.h"
#include "protocol/frames.h"
#include "register/card_holdings.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"
#include "register/register_store.h"

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
    // The rows go to store (the station's records: the file, or the
    // database as well), or to the file alone when there is none.
    IssuedCardsLog(Files& files, std::string path, Sleeper& sleeper, StationClock& station,
                   std::string displayPath, RegisterStore* store = nullptr)
        : files_(files),
          path_(std::move(path)),
          sleeper_(sleeper),
          station_(station),
          displayPath_(std::move(displayPath)),
          file_(files_, sleeper_, path_),
          store_(store ? *store : file_) {}

    // Before a card command: a failure when the register cannot be written;
    // the command must then not be sent.
    std::optional<RegisterFailure> ReadyForCommand();

    // The number the card holds by the register, or none; a failure when
    // the register cannot be read. The one question a run asks of the
    // register about a card.
    std::optional<RegisterFailure> NumberHeldBy(const CardIdentity& card,
                                                std::optional<std::string>& number);
    // Whether a Revoke row names the number ("11 22 33 44 55 66 77"); a
    // failure when the register cannot be read.
    std::optional<RegisterFailure> NumberRevoked(const std::string& number, bool& revoked);

    // The command's frame is about to go out (or failed to): what it is.
    void CommandBuilt(const CommandFrame& frame, const FormSnapshot& form, bool cyclic,
                      const std::string& port, const std::string& readerVersion);
    // The card the built command is for, when its ID was read first.
    void NameCard(const std::optional<CardIdentity>& card) {
        if (pending_) pending_->card = card;
    }
    bool HasPendingCommand() const { return pending_.has_value(); }
    // The built command was not sent and needs no row.
    void ForgetCommand() { pending_.reset(); }

    // The outcome of the built command, with the text the operator is shown
    // (or would be, in a cyclic run). A failure when its row could not be
    // written.
    std::optional<RegisterFailure> RecordOutcome(IssueResult result, int errorCode,
                                                 const std::string& message);

    // A row of its own, sent no command (a revocation): stamped with the
    // time and the station, and appended.
    std::optional<RegisterFailure> Record(IssuedCardEntry entry);

    const std::string& Path() const { return path_; }
    // The register's full path, for the messages.
    const std::string& DisplayPath() const { return displayPath_; }

private:
    // Reads the register's rows appended since the last look.
    std::optional<RegisterFailure> UpdateHoldings();

    Files& files_;
    std::string path_;
    Sleeper& sleeper_;
    StationClock& station_;
    std::string displayPath_;
    std::optional<IssuedCardEntry> pending_;
    CardHoldings holdings_;
    FileRegister file_;
    RegisterStore& store_;
};

}  // namespace tollvane
