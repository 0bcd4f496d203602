// Where a station's register rows go: IssuedCards.csv beside the program, or
// (database/) the database's register as well. The card commands write
// through this and never ask which one they have.
#pragma once

#include <optional>
#include <string>

#include "base/files.h"
#include "base/ui.h"
#include "protocol/card_id.h"
#include "register/issued_cards.h"
#include "register/register_appender.h"

namespace tollvane {

class RegisterStore {
public:
    virtual ~RegisterStore() = default;
    // Before a card command: a failure when its row could not be kept now;
    // the command must then not be sent.
    virtual std::optional<RegisterFailure> Ready() = 0;
    // The row of a command's outcome.
    virtual std::optional<RegisterFailure> Append(const RegisterRow& row) = 0;
    // The number that the rows of every station sharing this register record
    // on the card, as the station's own file would tell it. None for a
    // register of this station's alone, whose file the caller reads itself.
    // A failure when the shared register cannot be asked: the card may then
    // hold another station's number and must not be written.
    virtual std::optional<RegisterFailure> SharedNumberOnCard(const CardIdentity& card,
                                                              std::optional<std::string>& number) {
        (void)card;
        number.reset();
        return std::nullopt;
    }
};

// IssuedCards.csv.
class FileRegister : public RegisterStore {
public:
    FileRegister(Files& files, Sleeper& sleeper, std::string path)
        : files_(files), sleeper_(sleeper), path_(std::move(path)) {}

    std::optional<RegisterFailure> Ready() override {
        return PrepareRegister(files_, sleeper_, path_);
    }
    std::optional<RegisterFailure> Append(const RegisterRow& row) override {
        return AppendRegisterLine(files_, sleeper_, path_, FormatRegisterLine(row));
    }

private:
    Files& files_;
    Sleeper& sleeper_;
    std::string path_;
};

}  // namespace tollvane
