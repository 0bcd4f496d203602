#include "app/issued_cards_log.h"

#include "register/register_file_source.h"

namespace tollvane {

std::optional<RegisterFailure> IssuedCardsLog::ReadyForCommand() {
    pending_.reset();
    return store_.Ready();
}

void IssuedCardsLog::CommandBuilt(const CommandFrame& frame, const FormSnapshot& form, bool cyclic,
                                  const std::string& port, const std::string& readerVersion) {
    IssuedCardEntry entry = EntryFromFrame(frame, form);
    entry.cyclic = cyclic;
    entry.port = port;
    entry.readerVersion = readerVersion;
    pending_ = std::move(entry);
}

std::optional<RegisterFailure> IssuedCardsLog::UpdateHoldings() {
    RegisterFileSource source(files_, path_);
    if (!holdings_.Update(source) && source.LastFailure().status != FileStatus::NotFound) {
        return RegisterFailure{RegisterStep::Read, source.LastError()};
    }
    return std::nullopt;
}

std::optional<RegisterFailure> IssuedCardsLog::NumberHeldBy(const CardIdentity& card,
                                                            std::optional<std::string>& number) {
    if (auto failure = UpdateHoldings()) return failure;
    number = holdings_.NumberHeldBy(card);
    // This station's own rows decide first; another station's rows reach it
    // only through a register they share.
    if (number) return std::nullopt;
    return store_.SharedNumberOnCard(card, number);
}

std::optional<RegisterFailure> IssuedCardsLog::NumberRevoked(const std::string& number,
                                                             bool& revoked) {
    if (auto failure = UpdateHoldings()) return failure;
    revoked = holdings_.Revoked(number);
    return std::nullopt;
}

std::optional<RegisterFailure> IssuedCardsLog::RecordOutcome(IssueResult result, int errorCode,
                                                             const std::string& message) {
    if (!pending_) return std::nullopt;
    IssuedCardEntry entry = std::move(*pending_);
    pending_.reset();
    entry.result = result;
    entry.errorCode = errorCode;
    entry.message = message;
    return Record(std::move(entry));
}

std::optional<RegisterFailure> IssuedCardsLog::Record(IssuedCardEntry entry) {
    entry.time = station_.Now();
    entry.operatorName = station_.OperatorName();
    entry.computer = station_.ComputerName();
    return store_.Append(MakeRegisterRow(entry));
}

}  // namespace tollvane
