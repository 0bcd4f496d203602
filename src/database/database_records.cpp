#include "database/database_records.h"

namespace tollvane {

namespace {

SendRegisterRecord SendTo(StationDb& db) {
    return [&db](const RegisterRecord& record) { return db.AppendRegisterRow(record); };
}

}  // namespace

Recording DatabaseNumbers::Claim(const std::uint8_t data[7], bool given) {
    NumberClaim claim{};
    const auto failure = db_.RecordNumber(data, claim);
    watch_.Reached(!failure, queue_.Waiting());
    if (failure) return {RecordOutcome::Failed, {StoreStep::Database, 0, DbErrorText(*failure)}};
    // A drawn number the server refuses is drawn again, whichever the cause.
    if (given && claim == NumberClaim::W26Taken) return {RecordOutcome::KeyTaken, {}};
    if (claim != NumberClaim::Recorded) return {RecordOutcome::AlreadyRecorded, {}};
    // The station's own record: a number the file has from before the move
    // (its Wiegand 26 key, given twice then) is the database's now all the same.
    const Recording local = local_.Record(data);
    if (local == RecordOutcome::Failed) return local;
    return {RecordOutcome::Recorded, {}};
}

std::optional<RegisterFailure> DatabaseRegister::Told(const QueueOutcome& outcome) {
    watch_.Reached(!outcome.server, queue_.Waiting());
    if (!outcome.file)
        return RegisterFailure{RegisterStep::Write, outcome.file.error, kRegisterQueueFileName};
    return std::nullopt;
}

std::optional<RegisterFailure> DatabaseRegister::Ready() {
    if (auto failure = local_.Ready()) return failure;
    if (queue_.Waiting() == 0) return std::nullopt;
    // The rows that wait go first, so that the server has them in order. A
    // server that does not answer stops no command here: its row waits too,
    // and a command that needs the server (a number drawn) asks it itself.
    return Told(queue_.Send(SendTo(db_)));
}

std::optional<RegisterFailure> DatabaseRegister::Append(const RegisterRow& row) {
    // The row goes to the database even when the file refused it: the
    // card was written, and its row must be kept somewhere.
    const auto local = local_.Append(row);
    const auto queued = Told(queue_.Deliver({ids_.Next(row), row}, SendTo(db_)));
    return local ? local : queued;
}

std::optional<RegisterFailure> DatabaseRegister::SharedNumberOnCard(
    const CardIdentity& card, std::optional<std::string>& number) {
    const CardIdTexts texts = FormatCardId(card.barcode, card.cipherId);
    const auto failure = db_.NumberOnCard(texts.barcodeDec, texts.cipherDec, number);
    watch_.Reached(!failure, queue_.Waiting());
    if (failure) return RegisterFailure{RegisterStep::Read, 0, {}, DbErrorText(*failure)};
    return std::nullopt;
}

}  // namespace tollvane
