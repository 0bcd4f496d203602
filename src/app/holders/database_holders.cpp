#include "app/holders/database_holders.h"

namespace tollvane {

namespace {

CardHolder PersonOf(const HolderRecord& record) {
    return CardHolder{record.name,
                      ParseHolderNumber(record.uniqueData),
                      record.status == HolderStatusText(HolderStatus::Issued)
                          ? HolderStatus::Issued
                          : HolderStatus::Waiting,
                      record.time,
                      record.cardBarcode,
                      record.cardCipherId};
}

HoldersNote NoAnswer(const DbError& error, const MessageTable& texts,
                     Msg text = Msg::kDatabaseNoAnswer) {
    return {FillText(texts[text], {DbErrorText(error)}), MessageIcon::Error};
}

// A change the server did not take: said as a list file that could not be
// saved is, with the driver's words for why.
HoldersNote NotSaved(const DbError& error, const MessageTable& texts) {
    return {std::string(texts[Msg::kHoldersCannotSave]) + "\n\r" + DbErrorText(error),
            MessageIcon::Error};
}

}  // namespace

HolderRecord HolderRecordOf(const CardHolder& person, std::int64_t id) {
    HolderRecord record;
    record.id = id;
    record.name = person.name;
    if (person.number) record.uniqueData = HolderNumberText(*person.number);
    record.status = HolderStatusText(person.status);
    record.time = person.time;
    record.cardBarcode = person.cardBarcode;
    record.cardCipherId = person.cardCipherId;
    return record;
}

std::optional<HoldersNote> DatabaseHolders::LoadRecords(std::vector<HolderRecord>& records,
                                                        std::vector<CardHolder>& people,
                                                        const MessageTable& texts) {
    records.clear();
    people.clear();
    if (const auto failure = db_.LoadHolders(records)) return NoAnswer(*failure, texts);
    for (const HolderRecord& record : records) people.push_back(PersonOf(record));
    return std::nullopt;
}

std::optional<HoldersNote> DatabaseHolders::Load(std::vector<CardHolder>& people,
                                                 const MessageTable& texts) {
    std::vector<HolderRecord> records;
    return LoadRecords(records, people, texts);
}

HoldersNote DatabaseHolders::Import(const std::string& text, const MessageTable& texts) {
    std::vector<HolderRecord> records;
    std::vector<CardHolder> people;
    if (auto note = LoadRecords(records, people, texts)) return *note;
    // Which given numbers are recorded already the server says, in the
    // transaction that reserves them.
    const ImportResult result = ReadImport(
        text, [](const HolderNumber&) { return false; }, people);
    if (auto refusal = ImportRefusal(result, texts)) return *refusal;
    std::vector<HolderRecord> added;
    for (const CardHolder& person : result.people) added.push_back(HolderRecordOf(person));
    std::vector<std::size_t> refused;
    if (const auto failure = db_.ImportHolders(added, refused)) return NotSaved(*failure, texts);
    if (!refused.empty()) {
        std::vector<RefusedLine> lines;
        for (std::size_t place : refused)
            lines.push_back({result.lines[place], Refusal::NumberRecorded});
        return {RefusalMessage(lines, texts), MessageIcon::Error};
    }
    return ImportedNote(added.size(), texts);
}

std::optional<HoldersNote> DatabaseHolders::Remove(const std::vector<HolderIdentity>& chosen,
                                                   const MessageTable& texts) {
    std::vector<HolderRecord> records;
    std::vector<CardHolder> people;
    if (auto note = LoadRecords(records, people, texts)) return note;
    std::vector<std::int64_t> ids;
    for (std::size_t place : WaitingPlacesOf(people, chosen)) ids.push_back(records[place].id);
    if (ids.empty()) return std::nullopt;
    if (const auto failure = db_.RemoveHolders(ids)) return NotSaved(*failure, texts);
    return std::nullopt;
}

std::optional<HoldersNote> DatabaseHolders::Replace(const HolderIdentity& who,
                                                    const RevokeCard& revoke,
                                                    const MessageTable& texts) {
    std::vector<HolderRecord> records;
    std::vector<CardHolder> people;
    if (auto note = LoadRecords(records, people, texts)) return note;
    const auto place = IssuedPlaceOf(people, who);
    if (!place) return HoldersNote{texts[Msg::kHoldersReplaceGone], MessageIcon::Warning};
    if (auto note = revoke(people[*place])) return note;
    if (const auto failure = db_.ReturnToWaiting(records[*place].id))
        return NotSaved(*failure, texts);
    return std::nullopt;
}

std::optional<HoldersNote> DatabaseHolders::StartRun(std::size_t& waiting,
                                                     const MessageTable& texts) {
    EndRun();
    std::vector<CardHolder> people;
    if (auto note = Load(people, texts)) return note;
    waiting = CountHolders(people).waiting;
    return std::nullopt;
}

std::optional<HoldersNote> DatabaseHolders::NextPerson(CardHolder& person, bool& found,
                                                       const MessageTable& texts) {
    EndRun();
    HolderRecord record;
    if (const auto failure = db_.TakeNextWaiting(record, found))
        return NoAnswer(*failure, texts, Msg::kDatabaseUnreachable);
    if (!found) return std::nullopt;
    taken_ = record;
    person = PersonOf(record);
    return std::nullopt;
}

std::optional<HoldersNote> DatabaseHolders::Issued(const CardHolder& person,
                                                   const MessageTable& texts) {
    if (!taken_) return std::nullopt;
    if (const auto failure = db_.MarkIssued(HolderRecordOf(person, taken_->id)))
        return NotSaved(*failure, texts);
    taken_.reset();
    return std::nullopt;
}

void DatabaseHolders::EndRun() {
    // A person taken and not issued waits again at once; a server that does
    // not answer lets the claim lapse after its time.
    if (taken_) db_.ReleaseHolder(taken_->id);
    taken_.reset();
}

}  // namespace tollvane
