#include "app/holders/holder_store.h"

#include <iterator>
#include <map>
#include <utility>

#include "app/holders/holder_texts.h"
#include "app/unique_numbers.h"
#include "carddata/users_data_index.h"
#include "carddata/users_data_store.h"

namespace tollvane {

namespace {

// The stamp of the list file; none when there is no list yet.
std::optional<FileStamp> StampOf(Files& files, const std::string& path) {
    FileStamp stamp;
    if (!files.Stamp(path, stamp)) return std::nullopt;
    return stamp;
}

}  // namespace

std::vector<std::size_t> WaitingPlacesOf(const std::vector<CardHolder>& people,
                                         const std::vector<HolderIdentity>& chosen) {
    std::map<std::pair<std::string, std::optional<HolderNumber>>, std::size_t> left;
    for (const HolderIdentity& gone : chosen) ++left[{gone.name, gone.number}];
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < people.size(); ++i) {
        const CardHolder& p = people[i];
        if (p.status != HolderStatus::Waiting) continue;
        const auto it = left.find({p.name, p.number});
        if (it == left.end() || it->second == 0) continue;
        --it->second;
        places.push_back(i);
    }
    return places;
}

std::optional<std::size_t> IssuedPlaceOf(const std::vector<CardHolder>& people,
                                         const HolderIdentity& who) {
    for (std::size_t i = 0; i < people.size(); ++i)
        if (people[i].status == HolderStatus::Issued && IdentityOf(people[i]) == who) return i;
    return std::nullopt;
}

std::optional<HoldersNote> ImportRefusal(const ImportResult& result, const MessageTable& texts) {
    if (result.tooManyPeople)
        return HoldersNote{texts[Msg::kHoldersTooManyPeople], MessageIcon::Error};
    if (!result.refused.empty())
        return HoldersNote{RefusalMessage(result.refused, texts), MessageIcon::Error};
    if (result.people.empty())
        return HoldersNote{texts[Msg::kHoldersNoneInFile], MessageIcon::Warning};
    return std::nullopt;
}

HoldersNote ImportedNote(std::size_t added, const MessageTable& texts) {
    return {FillNumbers(texts[Msg::kHoldersImported], {{'N', added}}), MessageIcon::Success};
}

std::string ListFailureText(const MessageTable& texts, const ListFailure& failure,
                            const std::string& path) {
    switch (failure.step) {
        case ListStep::Damaged:
            return FillNumbers(texts[Msg::kHoldersListDamaged], {{'N', failure.systemError}}) +
                   "\n\r" + path;
        case ListStep::Open:
        case ListStep::Read:
            return std::string(texts[Msg::kFileReadError]) + " " + path + "!" +
                   ErrorCodeLine(failure.systemError);
        case ListStep::Write:
        case ListStep::Flush:
        case ListStep::Move: break;
    }
    return std::string(texts[Msg::kHoldersCannotSave]) + "\n\r" + path +
           ErrorCodeLine(failure.systemError);
}

FileHolders::FileHolders(Files& files, Sleeper& sleeper, HolderPaths paths, std::string displayPath,
                         std::string usersDataPath)
    : files_(files),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      displayPath_(std::move(displayPath)),
      usersDataPath_(std::move(usersDataPath)) {}

FileHolders::~FileHolders() = default;

HoldersNote FileHolders::Failed(const MessageTable& texts, const ListFailure& failure) const {
    return {ListFailureText(texts, failure, displayPath_), MessageIcon::Error};
}

std::optional<HoldersNote> FileHolders::Load(std::vector<CardHolder>& people,
                                             const MessageTable& texts) {
    stamp_ = StampOf(files_, paths_.list);
    if (const auto failure = LoadCardHolders(files_, sleeper_, paths_, people))
        return Failed(texts, *failure);
    return std::nullopt;
}

bool FileHolders::MayHaveChanged() { return StampOf(files_, paths_.list) != stamp_; }

bool FileHolders::HeldElsewhere() { return ListHold::HeldElsewhere(files_, paths_); }

std::optional<HoldersNote> FileHolders::Take(const MessageTable& texts) {
    FileResult taken;
    hold_ = ListHold::Take(files_, sleeper_, paths_, taken);
    if (!hold_) {
        if (taken.status == FileStatus::HeldElsewhere)
            return HoldersNote{texts[Msg::kHoldersBusy], MessageIcon::Warning};
        return Failed(texts, {ListStep::Open, taken.error});
    }
    // Read under the hold: what another station saved before is what we
    // go on from.
    if (const auto failure = LoadCardHolders(files_, sleeper_, paths_, people_)) {
        EndRun();
        return Failed(texts, *failure);
    }
    return std::nullopt;
}

template <typename ChangeFn, typename UndoFn>
std::optional<HoldersNote> FileHolders::Change(const MessageTable& texts, ChangeFn&& change,
                                               UndoFn&& undo) {
    if (auto note = Take(texts)) return note;
    std::optional<HoldersNote> note = change();
    if (!note || note->icon == MessageIcon::Success) {
        if (const auto failure = SaveCardHolders(files_, sleeper_, paths_, people_)) {
            undo();
            note = Failed(texts, *failure);
        }
    }
    EndRun();
    return note;
}

HoldersNote FileHolders::Import(const std::string& text, const MessageTable& texts) {
    const auto storeNote = [&](StoreStep step, std::uint32_t code) {
        return HoldersNote{StoreFailureText(texts, {step, code}), MessageIcon::Error};
    };
    // usersData.data is held from the reservation of the given numbers until
    // the list that names them is saved, so that they can be taken back.
    std::unique_ptr<File> users;
    Reservation reservation;
    const auto note = Change(
        texts,
        [&]() -> std::optional<HoldersNote> {
            // The file is checked against a shared reading, so that other
            // stations' draws go on while it is; only the reservation holds
            // usersData.data, as a draw does.
            UsersDataIndex index;
            {
                std::unique_ptr<File> file;
                const FileResult opened = OpenWithShareRetry(files_, sleeper_, usersDataPath_,
                                                             OpenMode::ReadShared, file);
                if (!opened) return storeNote(StoreStep::Open, opened.error);
                std::uint32_t code = 0;
                if (!ReadUsersDataIndex(*file, index, code))
                    return storeNote(StoreStep::Read, code);
            }
            ImportResult result = ReadImport(
                text,
                [&](const HolderNumber& n) { return index.Contains(UsersDataNumber(n.data())); },
                people_);
            if (auto refusal = ImportRefusal(result, texts)) return refusal;

            std::vector<HolderNumber> given;
            std::vector<std::size_t> lines;
            for (std::size_t i = 0; i < result.people.size(); ++i) {
                if (!result.people[i].number) continue;
                given.push_back(*result.people[i].number);
                lines.push_back(result.lines[i]);
            }
            if (!given.empty()) {
                const FileResult opened = OpenWithShareRetry(files_, sleeper_, usersDataPath_,
                                                             OpenMode::ReadWrite, users);
                if (!opened) return storeNote(StoreStep::Open, opened.error);
                reservation = ReserveNumbers(*users, given);
                if (reservation.failure)
                    return storeNote(reservation.failure->step, reservation.failure->systemError);
                // Drawn at another station since the shared reading.
                std::vector<RefusedLine> refused;
                for (std::size_t place : reservation.taken)
                    refused.push_back({lines[place], Refusal::NumberRecorded});
                if (!refused.empty())
                    return HoldersNote{RefusalMessage(refused, texts), MessageIcon::Error};
            }
            const std::size_t added = result.people.size();
            people_.insert(people_.end(), std::make_move_iterator(result.people.begin()),
                           std::make_move_iterator(result.people.end()));
            return ImportedNote(added, texts);
        },
        [&] {
            // Nobody else could append while the file was held: its end is
            // still the reservation's.
            if (users && reservation.written && users->Resize(reservation.oldEnd)) users->Flush();
        });
    return note.value_or(HoldersNote{});
}

std::optional<HoldersNote> FileHolders::Remove(const std::vector<HolderIdentity>& chosen,
                                               const MessageTable& texts) {
    return Change(
        texts,
        [&]() -> std::optional<HoldersNote> {
            const std::vector<std::size_t> places = WaitingPlacesOf(people_, chosen);
            for (auto it = places.rbegin(); it != places.rend(); ++it)
                people_.erase(people_.begin() + static_cast<std::ptrdiff_t>(*it));
            return std::nullopt;
        },
        [] {});
}

std::optional<HoldersNote> FileHolders::Replace(const HolderIdentity& who, const RevokeCard& revoke,
                                                const MessageTable& texts) {
    return Change(
        texts,
        [&]() -> std::optional<HoldersNote> {
            const auto place = IssuedPlaceOf(people_, who);
            if (!place) return HoldersNote{texts[Msg::kHoldersReplaceGone], MessageIcon::Warning};
            CardHolder& person = people_[*place];
            if (auto note = revoke(person)) return note;
            person = CardHolder{person.name, std::nullopt, HolderStatus::Waiting, {}, {}, {}};
            return std::nullopt;
        },
        [] {});
}

std::optional<HoldersNote> FileHolders::StartRun(std::size_t& waiting, const MessageTable& texts) {
    EndRun();
    if (auto note = Take(texts)) return note;
    waiting = CountHolders(people_).waiting;
    current_ = 0;
    return std::nullopt;
}

std::optional<HoldersNote> FileHolders::NextPerson(CardHolder& person, bool& found,
                                                   const MessageTable&) {
    current_ = NextWaiting(people_, current_);
    found = current_ < people_.size();
    if (found) person = people_[current_];
    return std::nullopt;
}

std::optional<HoldersNote> FileHolders::Issued(const CardHolder& person,
                                               const MessageTable& texts) {
    if (current_ >= people_.size()) return std::nullopt;
    people_[current_] = person;
    if (const auto failure = SaveCardHolders(files_, sleeper_, paths_, people_)) {
        // The card is written and in the register; the list could not say
        // so. The list is let go before the operator reads why.
        EndRun();
        return Failed(texts, *failure);
    }
    return std::nullopt;
}

void FileHolders::EndRun() {
    hold_.reset();
    people_.clear();
    current_ = 0;
}

}  // namespace tollvane
